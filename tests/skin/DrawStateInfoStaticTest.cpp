#include <gtest/gtest.h>

#include <memory>

#include "SkinTestUtil.h"
#include "skin/DrawStateInfoStatic.h"
#include "tests/support/TestSupport.h"

namespace {
// Counts its own paints.
class CCountingStateStatic : public CDrawStateInfoStatic {
public:
    int paints = 0;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_PAINT) ++paints;
        return CDrawStateInfoStatic::WindowProc(msg, wParam, lParam);
    }
};

class StateInfoTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(parent.Create(500, 450, 300, 80)); }
    HWND MakeStatic(int y) {
        return ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 10, y, 260, 20, parent, nullptr, nullptr,
                                 nullptr);
    }
    void Attach(CDrawStateInfoStatic& s, int y) {
        ASSERT_TRUE(s.SubclassWindow(MakeStatic(y)));
        s.InitFontFromParent();
        s.SetTextAlign(1);
        PumpFor(100);
    }
    static RECT Ink(HWND hwnd) { return CScreenShot(ScreenRectOf(hwnd)).Ink(RGB(255, 255, 255)); }

    CTestParent parent;
};
}

TEST(StateInfoFormat, AlignmentTable) {
    EXPECT_EQ(0x24, StateInfoFormat(0));
    EXPECT_EQ(0x24, StateInfoFormat(1));
    EXPECT_EQ(0x25, StateInfoFormat(2));
    EXPECT_EQ(0x26, StateInfoFormat(3));
    EXPECT_EQ(0x14, StateInfoFormat(4));
    EXPECT_EQ(0x15, StateInfoFormat(5));
    EXPECT_EQ(0x16, StateInfoFormat(6));
    EXPECT_EQ(0x24, StateInfoFormat(7));
    EXPECT_EQ(0x24, StateInfoFormat(-1));
}

TEST_F(StateInfoTest, NewTextShowsWithinSixHundredMilliseconds) {
    CCountingStateStatic status;
    Attach(status, 10);
    status.StartRefresh();
    PumpFor(700);
    RECT before = Ink(status);
    EXPECT_EQ(before.left, before.right) << "nothing to show yet";
    status.SetStateText(L"\x6B63\x5728\x4FEE\x590D Repairing");
    DWORD start = ::GetTickCount();
    ASSERT_TRUE(PumpUntil([&] { RECT r = Ink(status); return r.left < r.right; }, 1500));
    EXPECT_LE(::GetTickCount() - start, 700u);
    status.StopRefresh();
}

TEST_F(StateInfoTest, StopRefreshRepaintsOnceAndEndsTheThread) {
    CCountingStateStatic status;
    Attach(status, 10);
    status.StartRefresh();
    ASSERT_TRUE(status.RefreshRunning());
    // Two refresh periods of 0.6 s.
    EXPECT_TRUE(PumpUntil([&] { return status.paints >= 2; }, 1300)) << "the thread does not repaint";

    int before = status.paints;
    status.SetStateText(L"done");
    status.StopRefresh();
    PumpFor(60);
    EXPECT_EQ(before + 1, status.paints);
    EXPECT_LT(0, Ink(status).right);
    ASSERT_TRUE(PumpUntil([&] { return !status.RefreshRunning(); }, 1000));
    int after = status.paints;
    PumpFor(1400);
    EXPECT_EQ(after, status.paints);
}

TEST_F(StateInfoTest, AnotherControlDoesNotReviveAStoppedThread) {
    CCountingStateStatic first;
    Attach(first, 10);
    first.StartRefresh();
    PumpFor(800);
    first.StopRefresh();
    // Built while the first thread still sleeps.
    CCountingStateStatic second;
    Attach(second, 40);
    ASSERT_TRUE(PumpUntil([&] { return !first.RefreshRunning(); }, 1000));
    int paints = first.paints;
    PumpFor(1300);
    EXPECT_EQ(paints, first.paints);
    EXPECT_FALSE(second.RefreshRunning());
}

TEST_F(StateInfoTest, StartingBeforeAttachingStartsNothing) {
    CCountingStateStatic detached;
    int threads = ThreadCount();
    detached.StartRefresh();
    EXPECT_FALSE(detached.RefreshRunning());
    EXPECT_EQ(threads, ThreadCount());
}

TEST_F(StateInfoTest, DestroyingARefreshingControlEndsItsThread) {
    int threads = ThreadCount();
    auto status = std::make_unique<CCountingStateStatic>();
    Attach(*status, 10);
    status->StartRefresh();
    EXPECT_EQ(threads + 1, ThreadCount());
    PumpFor(700);
    status.reset();
    CCountingStateStatic next;
    Attach(next, 40);
    EXPECT_TRUE(PumpUntil([&] { return ThreadCount() == threads; }, 1500));
}

TEST_F(StateInfoTest, ColourAndAlignment) {
    CCountingStateStatic status;
    Attach(status, 10);
    status.SetStateText(L"abc");
    status.SetTextAlign(3);
    int paints = status.paints;
    status.SetTextColorAndRedraw(RGB(200, 0, 0));
    PumpFor(100);
    EXPECT_EQ(paints + 1, status.paints);
    RECT ink = Ink(status);
    ASSERT_LT(ink.left, ink.right);
    EXPECT_GE(ink.right, 260 - 3);
    EXPECT_GT(ink.left, 200);
}
