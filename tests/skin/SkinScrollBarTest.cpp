#include <gtest/gtest.h>

#include <algorithm>

#include "SkinTestUtil.h"
#include "framework/Gdi.h"
#include "skin/SkinScrollBar.h"
#include "tests/support/TestSupport.h"

namespace {
const int kLeft = 620, kTop = 120, kLength = 200;  // the bar on screen

// A vertical bar of the program's skin (bitmap 130) whose parent moves the
// position the way a scrolled control would and hands it back to the bar.
class SkinScrollBarTest : public ::testing::Test {
protected:
    void SetUp() override {
        MouseMoveTo(5, 5);
        skin.Reset(::LoadBitmapW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(130)));
        ASSERT_TRUE(skin);
        ASSERT_TRUE(parent.Create(600, 100, 100, 300));
        ASSERT_TRUE(bar.Create(WS_CHILD | WS_VISIBLE | SBS_VERT, RECT{20, 20, 40, 20 + kLength}, parent, 101));
        bar.SetBitmap(skin);
        parent.onScroll = [this](UINT, WPARAM wParam, HWND) { Answer(LOWORD(wParam), HIWORD(wParam)); };
    }
    void SetRange(int min, int max, int page, int pos) {
        SCROLLINFO si{sizeof(si), SIF_ALL, min, max, static_cast<UINT>(page), pos, 0};
        bar.SetScrollInfo(&si, true);
        bar.Invalidate(true);
        PumpFor(100);
    }
    int Pos() const {
        SCROLLINFO si{};
        bar.GetScrollInfo(&si, SIF_ALL);
        return si.nPos;
    }
    void Answer(int code, int thumb) {
        SCROLLINFO si{};
        bar.GetScrollInfo(&si, SIF_ALL);
        int last = si.nMax - std::max<int>(static_cast<int>(si.nPage), 1) + 1;
        int pos = si.nPos;
        switch (code) {
        case SB_LINEUP: pos -= 1; break;
        case SB_LINEDOWN: pos += 1; break;
        case SB_PAGEUP: pos -= static_cast<int>(si.nPage); break;
        case SB_PAGEDOWN: pos += static_cast<int>(si.nPage); break;
        case SB_THUMBPOSITION: pos = thumb; break;
        default: return;
        }
        si.fMask = SIF_POS;
        si.nPos = std::max(si.nMin, std::min(pos, last));
        bar.SetScrollInfo(&si, true);
    }
    std::vector<DWORD> Ticks(int code) const {
        std::vector<DWORD> t;
        for (const auto& n : parent.notes)
            if (LOWORD(n.wParam) == code) t.push_back(n.tick);
        return t;
    }
    COLORREF SkinPixel(int x, int y) const {
        CWindowDC screen(nullptr);
        CMemoryDC mem(screen);
        CSelectObject sel(mem, skin.Get());
        return ::GetPixel(mem, x, y);
    }

    CBitmap skin;
    CTestParent parent;
    CSkinScrollBar bar;
};
}

TEST_F(SkinScrollBarTest, IsOneCellThickAndDrawsItsArrowsFromTheSkin) {
    RECT r = ScreenRectOf(bar);
    EXPECT_EQ(13, r.right - r.left);
    EXPECT_EQ(kLength, r.bottom - r.top);
    SetRange(0, 99, 10, 0);
    CScreenShot shot(r);
    int differing = 0;
    for (int y = 0; y < 13; ++y)
        for (int x = 0; x < 13; ++x) {
            if (!ColorNear(shot.At(x, y), SkinPixel(x, y), 3)) ++differing;                       // up arrow
            if (!ColorNear(shot.At(x, kLength - 13 + y), SkinPixel(13 + x, y), 3)) ++differing;  // down arrow
        }
    EXPECT_EQ(0, differing);
}

TEST_F(SkinScrollBarTest, ScrollInfoIsTheBarsOwnAndNotClamped) {
    SCROLLINFO si{sizeof(si), SIF_RANGE | SIF_PAGE | SIF_POS, 5, 50, 7, 80, 0};
    bar.SetScrollInfo(&si, false);
    SCROLLINFO out{};
    ASSERT_TRUE(bar.GetScrollInfo(&out, SIF_ALL));
    EXPECT_EQ(5, out.nMin);
    EXPECT_EQ(50, out.nMax);
    EXPECT_EQ(7u, out.nPage);
    EXPECT_EQ(80, out.nPos);
    EXPECT_EQ(-1, out.nTrackPos);
}

TEST_F(SkinScrollBarTest, HeldArrowRepeatsAfterHalfASecondThenEveryTenth) {
    SetRange(0, 100, 1, 0);
    MouseMoveTo(kLeft + 6, kTop + kLength - 6);
    DWORD down = ::GetTickCount();
    MouseDown();
    PumpFor(1050);
    MouseUp();
    std::vector<DWORD> t = Ticks(SB_LINEDOWN);
    ASSERT_GE(t.size(), 5u);
    EXPECT_LE(t[0] - down, 100u) << "the first step comes at once";
    EXPECT_GE(t[1] - t[0], 480u);
    EXPECT_LE(t[1] - t[0], 650u);
    // What the user sees is the rate: a timer that comes late under load
    // makes the next one come sooner, so single gaps prove nothing.
    DWORD repeating = t.back() - t[1];
    size_t repeats = t.size() - 2;
    EXPECT_GE(repeating, 80u * repeats) << repeats << " repeats in " << repeating << " ms";
    EXPECT_LE(repeating, 130u * repeats) << repeats << " repeats in " << repeating << " ms";
    EXPECT_LE(t.size(), 8u);
    size_t sent = t.size();
    PumpFor(400);
    EXPECT_EQ(sent, Ticks(SB_LINEDOWN).size()) << "repeating after release";
    EXPECT_EQ(-1, bar.PressedPart());
}

TEST_F(SkinScrollBarTest, RepeatingStopsAtMax) {
    SetRange(0, 5, 1, 0);
    MouseMoveTo(kLeft + 6, kTop + kLength - 6);
    MouseDown();
    // Five steps take 0.9 s; then a few repeat periods in which none may come.
    EXPECT_TRUE(PumpUntil([&] { return Pos() == 5; }, 1600));
    PumpFor(350);
    EXPECT_EQ(5, Pos());
    EXPECT_EQ(5u, Ticks(SB_LINEDOWN).size());
    MouseUp();
    // And the up arrow stops at min.
    MouseMoveTo(kLeft + 6, kTop + 6);
    MouseDown();
    EXPECT_TRUE(PumpUntil([&] { return Pos() == 0; }, 1600));
    PumpFor(350);
    MouseUp();
    EXPECT_EQ(0, Pos());
    EXPECT_EQ(5u, Ticks(SB_LINEUP).size());
}

TEST_F(SkinScrollBarTest, TrackPagingStopsAtThePointer) {
    SetRange(0, 99, 10, 0);  // thumb 17 px, travel 157, span 90
    const int y = 120;
    MouseMoveTo(kLeft + 6, kTop + y);
    MouseDown();
    auto underPointer = [&] {
        RECT t = ScrollPartRect(bar.Metrics(), true, kPartThumb, false);
        return t.top <= y && t.bottom > y;
    };
    // Paging at a tenth of a second reaches it in about 1.2 s; then a few
    // repeat periods in which it must not page on past the pointer.
    EXPECT_TRUE(PumpUntil(underPointer, 2000));
    PumpFor(350);
    MouseUp();
    RECT thumb = ScrollPartRect(bar.Metrics(), true, kPartThumb, false);
    EXPECT_LE(thumb.top, y);
    EXPECT_GT(thumb.bottom, y);
    EXPECT_LT(Pos(), 90);
    EXPECT_EQ(static_cast<size_t>(Pos() / 10), Ticks(SB_PAGEDOWN).size());
}

TEST_F(SkinScrollBarTest, DraggingTheThumbClampsAndEndsWithThumbPosition) {
    SetRange(0, 99, 10, 30);
    RECT thumb = ScrollPartRect(bar.Metrics(), true, kPartThumb, false);
    int grabY = kTop + (thumb.top + thumb.bottom) / 2;
    MouseMoveTo(kLeft + 6, grabY);
    MouseDown();
    EXPECT_TRUE(bar.Dragging());
    EXPECT_TRUE(parent.notes.empty()) << "nothing is sent on the press";
    MouseMoveTo(kLeft + 6, grabY + 40);
    ASSERT_FALSE(parent.notes.empty());
    EXPECT_EQ(SB_THUMBTRACK, LOWORD(parent.notes.back().wParam));
    EXPECT_EQ(30 + 90 * 40 / 157, HIWORD(parent.notes.back().wParam));
    MouseMoveTo(kLeft + 6, 1000);
    EXPECT_EQ(90, HIWORD(parent.notes.back().wParam));
    // Wine tells the bar that the pointer left it, capture or not, and a busy
    // PC lets that arrive before the release: the thumb stays where it was dragged.
    ::SendMessageW(bar.m_hWnd, WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(90, HIWORD(parent.notes.back().wParam));
    MouseMoveTo(kLeft + 6, 2);
    EXPECT_EQ(0, HIWORD(parent.notes.back().wParam));
    SCROLLINFO si{};
    bar.GetScrollInfo(&si, SIF_ALL);
    EXPECT_EQ(0, si.nTrackPos);
    EXPECT_EQ(30, si.nPos) << "dragging alone does not move the position";
    MouseUp();
    EXPECT_FALSE(bar.Dragging());
    EXPECT_EQ(SB_THUMBPOSITION, LOWORD(parent.notes.back().wParam));
    EXPECT_EQ(0, HIWORD(parent.notes.back().wParam));
    bar.GetScrollInfo(&si, SIF_ALL);
    EXPECT_EQ(-1, si.nTrackPos);
    EXPECT_EQ(0, si.nPos);
}

TEST_F(SkinScrollBarTest, HotPartFollowsThePointerAndClearsOnLeave) {
    SetRange(0, 99, 10, 0);
    MouseMoveTo(kLeft + 6, kTop + 6);
    EXPECT_EQ(kPartLineUp, bar.HotPart());
    // The hot up arrow shows row 1 of the skin.
    EXPECT_PRED3(ColorNear, ScreenPixel(kLeft + 6, kTop + 6), SkinPixel(6, 13 + 6), 3);
    MouseMoveTo(kLeft + 6, kTop + kLength - 6);
    EXPECT_EQ(kPartLineDown, bar.HotPart());
    EXPECT_PRED3(ColorNear, ScreenPixel(kLeft + 6, kTop + 6), SkinPixel(6, 6), 3);
    MouseMoveTo(5, 5);
    EXPECT_TRUE(PumpUntil([&] { return bar.HotPart() == kPartNone; }, 1000));
}
