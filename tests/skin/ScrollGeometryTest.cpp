#include <gtest/gtest.h>

#include "skin/ScrollGeometry.h"
#include "tests/support/TestSupport.h"

namespace {
// A 200-pixel bar of the 13-pixel skin: track 174, arrows 13.
ScrollMetrics Bar(int min, int max, int page, int pos, float scale = 1.0f, int length = 200, int thumbBorder = 0) {
    ScrollMetrics m;
    m.length = length;
    m.cell = 13;
    m.scale = scale;
    m.thumbBorder = thumbBorder;
    m.min = min;
    m.max = max;
    m.page = page;
    m.pos = pos;
    return m;
}
}

TEST(ScrollGeometry, ThumbSizeAndStart) {
    ScrollLayout l = ComputeScrollLayout(Bar(0, 99, 10, 45), false);
    EXPECT_EQ(174, l.track);
    EXPECT_EQ(13, l.arrow);
    EXPECT_EQ(17, l.thumbSize);   // 10 * 174 / 100
    EXPECT_EQ(90, l.span);
    EXPECT_EQ(13 + 45 * 157 / 90, l.thumbStart);
    EXPECT_RECT_EQ((RECT{0, 91, 13, 108}), ScrollPartRect(Bar(0, 99, 10, 45), true, kPartThumb, true));
    EXPECT_RECT_EQ((RECT{91, 0, 108, 13}), ScrollPartRect(Bar(0, 99, 10, 45), false, kPartThumb, true));
    EXPECT_RECT_EQ((RECT{0, 187, 13, 200}), ScrollPartRect(Bar(0, 99, 10, 45), true, kPartLineDown, true));
}

TEST(ScrollGeometry, ScaledBarHasScaledArrowsAndThickness) {
    ScrollMetrics m = Bar(0, 99, 10, 0, 1.25f);
    ScrollLayout l = ComputeScrollLayout(m, false);
    EXPECT_EQ(200 - 32, l.track);
    EXPECT_EQ(16, l.arrow);
    EXPECT_RECT_EQ((RECT{0, 0, 16, 16}), ScrollPartRect(m, true, kPartLineUp, true));
}

TEST(ScrollGeometry, MinimumThumb) {
    EXPECT_EQ(6, ScrollThumbSize(174, 1, 999, 0));
    EXPECT_EQ(0, ScrollThumbSize(5, 1, 10, 0));
    EXPECT_EQ(6, ScrollThumbSize(6, 1, 10, 0));
    EXPECT_EQ(10, ScrollThumbSize(174, 1, 999, 2));
    EXPECT_EQ(0, ScrollThumbSize(9, 1, 10, 2));
    EXPECT_EQ(10, ScrollThumbSize(10, 1, 10, 2));
}

TEST(ScrollGeometry, DegenerateRangesDoNotDivideByZero) {
    EXPECT_EQ(174, ScrollThumbSize(174, 10, -1, 0));
    EXPECT_EQ(174, ScrollThumbSize(174, 500, 99, 0)) << "a page above the range keeps within the track";
}

TEST(ScrollGeometry, ShortBarsHaveNoThumb) {
    // Track 4: no thumb, arrows keep their size.
    ScrollLayout l = ComputeScrollLayout(Bar(0, 99, 10, 0, 1.0f, 30), false);
    EXPECT_EQ(0, l.thumbSize);
    EXPECT_EQ(13, l.arrow);
    // No track at all: each arrow takes half.
    l = ComputeScrollLayout(Bar(0, 99, 10, 0, 1.0f, 20), false);
    EXPECT_EQ(10, l.arrow);
    EXPECT_EQ(kPartLineUp, ScrollHitTest(Bar(0, 99, 10, 0, 1.0f, 20), true, POINT{5, 9}));
    EXPECT_EQ(kPartLineDown, ScrollHitTest(Bar(0, 99, 10, 0, 1.0f, 20), true, POINT{5, 10}));
}

TEST(ScrollGeometry, SpanZeroDrawsNoThumbButHitsOneInTheMiddle) {
    ScrollMetrics m = Bar(0, 49, 50, 0);
    RECT drawn = ScrollPartRect(m, true, kPartThumb, true);
    EXPECT_EQ(drawn.top, drawn.bottom);
    EXPECT_EQ(kPartThumb, ScrollHitTest(m, true, POINT{6, 100}));
    // The tracks then meet and cover everything between the arrows.
    RECT up = ScrollPartRect(m, true, kPartPageUp, true), down = ScrollPartRect(m, true, kPartPageDown, true);
    EXPECT_EQ(13, up.top);
    EXPECT_EQ(up.bottom, down.top);
    EXPECT_EQ(187, down.bottom);
}

TEST(ScrollGeometry, HitTesting) {
    ScrollMetrics m = Bar(0, 99, 10, 45);  // thumb 91..108
    EXPECT_EQ(kPartNone, ScrollHitTest(m, true, POINT{5, -1}));
    EXPECT_EQ(kPartLineUp, ScrollHitTest(m, true, POINT{5, 0}));
    EXPECT_EQ(kPartLineUp, ScrollHitTest(m, true, POINT{5, 12}));
    EXPECT_EQ(kPartPageUp, ScrollHitTest(m, true, POINT{5, 13}));
    EXPECT_EQ(kPartPageUp, ScrollHitTest(m, true, POINT{5, 90}));
    EXPECT_EQ(kPartThumb, ScrollHitTest(m, true, POINT{5, 91}));
    EXPECT_EQ(kPartThumb, ScrollHitTest(m, true, POINT{5, 107}));
    EXPECT_EQ(kPartPageDown, ScrollHitTest(m, true, POINT{5, 108}));
    EXPECT_EQ(kPartPageDown, ScrollHitTest(m, true, POINT{5, 186}));
    EXPECT_EQ(kPartLineDown, ScrollHitTest(m, true, POINT{5, 187}));
    EXPECT_EQ(kPartLineDown, ScrollHitTest(m, true, POINT{5, 400}));
    // A horizontal bar reads x only.
    EXPECT_EQ(kPartThumb, ScrollHitTest(m, false, POINT{95, -50}));
    EXPECT_EQ(kPartNone, ScrollHitTest(m, false, POINT{-1, 5}));
}

TEST(ScrollGeometry, SkinCells) {
    EXPECT_RECT_EQ((RECT{0, 0, 13, 13}), SkinCellRect(kPartLineUp, 0, false, 13));
    EXPECT_RECT_EQ((RECT{13, 26, 26, 39}), SkinCellRect(kPartLineDown, 2, false, 13));
    EXPECT_RECT_EQ((RECT{26, 13, 39, 26}), SkinCellRect(kPartThumb, 1, false, 13));
    EXPECT_RECT_EQ((RECT{39, 0, 52, 13}), SkinCellRect(kPartPageUp, 0, false, 13));
    EXPECT_RECT_EQ((RECT{39, 0, 52, 13}), SkinCellRect(kPartPageDown, 0, false, 13));
    EXPECT_RECT_EQ((RECT{78, 26, 91, 39}), SkinCellRect(kPartThumb, 2, true, 13));
    EXPECT_RECT_EQ((RECT{65, 0, 78, 13}), SkinCellRect(kPartLineDown, 0, true, 13));
}

TEST(ScrollGeometry, DraggingClampsToMinAndSpan) {
    ScrollMetrics m = Bar(0, 99, 10, 30);  // travel 157, span 90
    EXPECT_EQ(30 + 90 * 50 / 157, ScrollDragPosition(m, 30, 50));
    EXPECT_EQ(0, ScrollDragPosition(m, 30, -500));
    EXPECT_EQ(90, ScrollDragPosition(m, 30, 500));
    // No travel: the position stays.
    ScrollMetrics full = Bar(0, 9, 10, 0);
    EXPECT_EQ(0, ScrollDragPosition(full, 0, 40));
}
