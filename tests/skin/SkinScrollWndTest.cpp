#include <gtest/gtest.h>

#include <richedit.h>

#include <string>

#include "SkinTestUtil.h"
#include "framework/Gdi.h"
#include "skin/SkinScrollWnd.h"
#include "tests/support/TestSupport.h"

namespace {
const int kFrameId = 1234;
const RECT kPlace{20, 20, 300, 200};

// What the control saw of its surroundings when WM_DESTROY reached the
// procedure it had before it was wrapped.
struct DestroySeen {
    WNDPROC original = nullptr;
    HWND parent = nullptr;
    RECT place{};
    bool seen = false;
};
DestroySeen g_destroy;

LRESULT CALLBACK RecordDestroy(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_DESTROY) {
        g_destroy.seen = true;
        g_destroy.parent = ::GetParent(hwnd);
        ::GetWindowRect(hwnd, &g_destroy.place);
        ::MapWindowPoints(nullptr, g_destroy.parent, reinterpret_cast<POINT*>(&g_destroy.place), 2);
    }
    return ::CallWindowProcW(g_destroy.original, hwnd, msg, wParam, lParam);
}

RECT PlaceInParent(HWND hwnd) {
    RECT r = ScreenRectOf(hwnd);
    ::MapWindowPoints(nullptr, ::GetParent(hwnd), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// A read-only rich edit of 80 lines in a parent at (100, 560), wrapped in
// the program's skin (bitmap 130) at scale 1.
class SkinScrollWndTest : public ::testing::Test {
protected:
    void SetUp() override {
        MouseMoveTo(5, 5);
        skin.Reset(::LoadBitmapW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(130)));
        ASSERT_TRUE(skin);
        parent = std::make_unique<CTestParent>();
        ASSERT_TRUE(parent->Create(100, 560, 400, 250));
    }
    HWND MakeEdit(DWORD scrollStyle = WS_VSCROLL) {
        HWND edit = ::CreateWindowExW(WS_EX_CLIENTEDGE, L"RichEdit20W", L"",
                                      WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_READONLY | scrollStyle, kPlace.left,
                                      kPlace.top, kPlace.right - kPlace.left, kPlace.bottom - kPlace.top, *parent,
                                      reinterpret_cast<HMENU>(kFrameId), nullptr, nullptr);
        std::wstring text;
        for (int i = 1; i <= 80; ++i) text += L"Line " + std::to_wstring(i) + L" of the usage agreement\r\n";
        ::SetWindowTextW(edit, text.c_str());
        PumpFor(100);
        return edit;
    }
    int FirstLine(HWND edit) const { return static_cast<int>(::SendMessageW(edit, EM_GETFIRSTVISIBLELINE, 0, 0)); }

    CBitmap skin;
    std::unique_ptr<CTestParent> parent;
};
}

TEST_F(SkinScrollWndTest, FrameTakesTheControlsIdAndPlace) {
    HWND edit = MakeEdit();
    CSkinScrollWnd* frame = SkinWndScroll(edit, skin, 1.0f, 0);
    ASSERT_NE(nullptr, frame);
    EXPECT_EQ(frame->m_hWnd, ::GetDlgItem(*parent, kFrameId));
    EXPECT_RECT_EQ(kPlace, PlaceInParent(frame->m_hWnd));
    EXPECT_EQ(frame->Limit(), ::GetParent(edit));
    EXPECT_EQ(frame->m_hWnd, ::GetParent(frame->Limit()));
    EXPECT_EQ(reinterpret_cast<LONG_PTR>(frame), ::GetWindowLongPtrW(edit, GWLP_USERDATA));
    EXPECT_EQ(0, ::GetWindowLongPtrW(edit, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    EXPECT_EQ(13, frame->barWidth);
    EXPECT_EQ(frame, SkinWndScroll(edit, skin, 1.0f, 0)) << "a second wrap stacks no second frame";

    PumpFor(700);
    const int w = kPlace.right - kPlace.left, h = kPlace.bottom - kPlace.top;
    ASSERT_TRUE(frame->VertBar().IsWindowVisible());
    EXPECT_FALSE(frame->HorzBar().IsWindowVisible());
    // The bar is as tall as the control, which lost its client edge.
    const int edge = 2 * ::GetSystemMetrics(SM_CXEDGE);
    EXPECT_RECT_EQ((RECT{w - 13, 0, w, h - edge}), PlaceInParent(frame->VertBar()));
    EXPECT_RECT_EQ((RECT{0, 0, w - 13, h}), PlaceInParent(frame->Limit()));
    // The control's own bar lies outside the clipping window.
    RECT editRect = PlaceInParent(edit);
    EXPECT_GE(editRect.right, w - 13 + ::GetSystemMetrics(SM_CXVSCROLL) - 13);
    // The skinned bar follows the control's scroll info.
    SCROLLINFO mine{sizeof(mine), SIF_ALL, 0, 0, 0, 0, 0}, bars{};
    ::GetScrollInfo(edit, SB_VERT, &mine);
    frame->VertBar().GetScrollInfo(&bars);
    EXPECT_EQ(mine.nMax, bars.nMax);
    EXPECT_EQ(mine.nPage, bars.nPage);
    EXPECT_GT(bars.nMax, static_cast<int>(bars.nPage));
}

TEST_F(SkinScrollWndTest, ReadOnlyRichEditReallyScrollsWithTheSkinnedBar) {
    HWND edit = MakeEdit();
    CSkinScrollWnd* frame = SkinWndScroll(edit, skin, 1.0f, 0);
    ASSERT_NE(nullptr, frame);
    // Ready once the bar shows the control's range where the frame placed
    // it: a slow machine lays the text out later, and clicks on a bar that
    // has no thumb yet page nothing.
    ASSERT_TRUE(PumpUntil([&] {
        SCROLLINFO mine{sizeof(mine), SIF_ALL, 0, 0, 0, 0, 0}, bars{};
        ::GetScrollInfo(edit, SB_VERT, &mine);
        frame->VertBar().GetScrollInfo(&bars);
        RECT limit = PlaceInParent(frame->Limit());
        return frame->VertBar().IsWindowVisible() && mine.nMax > static_cast<int>(mine.nPage) &&
               bars.nMax == mine.nMax && bars.nPage == mine.nPage && limit.right == kPlace.right - kPlace.left - 13;
    }, 5000));
    PumpFor(100);
    RECT bar = ScreenRectOf(frame->VertBar());
    ASSERT_EQ(0, FirstLine(edit));

    ClickAt(bar.left + 6, bar.bottom - 6);
    PumpUntil([&] { return FirstLine(edit) > 0; }, 100);
    int afterArrow = FirstLine(edit);
    EXPECT_GT(afterArrow, 0);
    SCROLLINFO mine{sizeof(mine), SIF_ALL, 0, 0, 0, 0, 0}, bars{};
    ::GetScrollInfo(edit, SB_VERT, &mine);
    frame->VertBar().GetScrollInfo(&bars);
    EXPECT_EQ(mine.nPos, bars.nPos);

    // Paging on the track below the thumb.
    ClickAt(bar.left + 6, bar.bottom - 20);
    PumpUntil([&] { return FirstLine(edit) > afterArrow + 1; }, 100);
    int afterPage = FirstLine(edit);
    EXPECT_GT(afterPage, afterArrow + 1);

    // Dragging the thumb to the bottom.
    RECT thumb = ScrollPartRect(frame->VertBar().Metrics(), true, kPartThumb, false);
    MouseMoveTo(bar.left + 6, bar.top + (thumb.top + thumb.bottom) / 2);
    MouseDown();
    MouseMoveTo(bar.left + 6, bar.bottom + 100);
    MouseUp();
    PumpUntil([&] {
        SCROLLINFO end{sizeof(end), SIF_ALL, 0, 0, 0, 0, 0};
        ::GetScrollInfo(edit, SB_VERT, &end);
        return end.nPos + static_cast<int>(end.nPage) >= end.nMax;
    }, 100);
    EXPECT_GT(FirstLine(edit), afterPage);
    ::GetScrollInfo(edit, SB_VERT, &mine);
    frame->VertBar().GetScrollInfo(&bars);
    EXPECT_EQ(mine.nPos, bars.nPos);
    EXPECT_GE(mine.nPos + static_cast<int>(mine.nPage), mine.nMax) << "thumb dragged to the end";
}

TEST_F(SkinScrollWndTest, ScrollingTheControlItselfMovesTheSkinnedThumb) {
    HWND edit = MakeEdit();
    CSkinScrollWnd* frame = SkinWndScroll(edit, skin, 1.0f, 0);
    ASSERT_NE(nullptr, frame);
    PumpFor(700);
    ::SendMessageW(edit, EM_LINESCROLL, 0, 30);
    SCROLLINFO mine{sizeof(mine), SIF_ALL, 0, 0, 0, 0, 0};
    ::GetScrollInfo(edit, SB_VERT, &mine);
    ASSERT_GT(mine.nPos, 0);
    EXPECT_TRUE(PumpUntil([&] {
        SCROLLINFO bars{};
        frame->VertBar().GetScrollInfo(&bars);
        return bars.nPos == mine.nPos;
    }, 1200));
}

TEST_F(SkinScrollWndTest, WithoutScrollStylesTheLimitFillsTheFrame) {
    HWND edit = MakeEdit(0);
    ::SetWindowLongPtrW(edit, GWL_STYLE, ::GetWindowLongPtrW(edit, GWL_STYLE) & ~(WS_VSCROLL | WS_HSCROLL));
    CSkinScrollWnd* frame = SkinWndScroll(edit, skin, 1.0f, 0);
    ASSERT_NE(nullptr, frame);
    PumpFor(300);
    if (::GetWindowLongPtrW(edit, GWL_STYLE) & (WS_VSCROLL | WS_HSCROLL)) GTEST_SKIP() << "the control shows bars of its own";
    EXPECT_FALSE(frame->VertBar().IsWindowVisible());
    EXPECT_FALSE(frame->HorzBar().IsWindowVisible());
    EXPECT_RECT_EQ(frame->GetClientRect(), PlaceInParent(frame->Limit()));
}

TEST_F(SkinScrollWndTest, UnwrappingGivesTheControlBackItsParentAndPlace) {
    HWND edit = MakeEdit();
    CSkinScrollWnd* frame = SkinWndScroll(edit, skin, 1.0f, 0);
    ASSERT_NE(nullptr, frame);
    HWND frameHwnd = frame->m_hWnd;
    PumpFor(300);
    EXPECT_TRUE(UnskinWndScroll(edit));
    EXPECT_FALSE(::IsWindow(frameHwnd));
    EXPECT_EQ(parent->m_hWnd, ::GetParent(edit));
    EXPECT_RECT_EQ(kPlace, PlaceInParent(edit));
    EXPECT_EQ(edit, ::GetDlgItem(*parent, kFrameId));
    EXPECT_EQ(0, ::GetWindowLongPtrW(edit, GWLP_USERDATA));
    EXPECT_TRUE(UnskinWndScroll(edit)) << "an unwrapped control unwraps trivially";
    EXPECT_TRUE(UnskinWndScroll(nullptr));
    PumpFor(100);
}

TEST_F(SkinScrollWndTest, DestroyingTheControlUnwrapsItFirst) {
    HWND edit = MakeEdit();
    g_destroy = DestroySeen{};
    g_destroy.original = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&RecordDestroy)));
    CSkinScrollWnd* frame = SkinWndScroll(edit, skin, 1.0f, 0);
    ASSERT_NE(nullptr, frame);
    HWND frameHwnd = frame->m_hWnd;
    PumpFor(300);
    ::DestroyWindow(edit);
    ASSERT_TRUE(g_destroy.seen);
    EXPECT_EQ(parent->m_hWnd, g_destroy.parent);
    EXPECT_RECT_EQ(kPlace, g_destroy.place);
    EXPECT_FALSE(::IsWindow(frameHwnd));
    EXPECT_EQ(nullptr, ::GetDlgItem(*parent, kFrameId));
    PumpFor(600);
}

TEST_F(SkinScrollWndTest, DestroyingTheParentTakesFrameAndControlAlong) {
    HWND edit = MakeEdit();
    CSkinScrollWnd* frame = SkinWndScroll(edit, skin, 1.0f, 0);
    ASSERT_NE(nullptr, frame);
    HWND frameHwnd = frame->m_hWnd, limit = frame->Limit();
    PumpFor(300);
    parent.reset();
    EXPECT_FALSE(::IsWindow(frameHwnd));
    EXPECT_FALSE(::IsWindow(limit));
    EXPECT_FALSE(::IsWindow(edit));
    // Timers and posted layout requests of the gone frame find nothing.
    PumpFor(700);
}
