#include <gtest/gtest.h>

#include "SkinTestUtil.h"
#include "skin/DrawTextStatic.h"
#include "tests/support/TestSupport.h"

namespace {
const COLORREF kFill = RGB(250, 240, 200);

// A label at (10, 10) of a parent at (100, 450).
class DrawTextStaticTest : public ::testing::Test {
protected:
    void Make(int w, int h, const wchar_t* text, int align) {
        ASSERT_TRUE(parent.Create(100, 450, 320, 120));
        HWND hwnd = ::CreateWindowExW(0, L"STATIC", text, WS_CHILD | WS_VISIBLE, 10, 10, w, h, parent,
                                      reinterpret_cast<HMENU>(1006), nullptr, nullptr);
        ASSERT_TRUE(label.SubclassWindow(hwnd));
        label.SetFillColor(kFill);
        label.SetTextColors(RGB(0, 0, 0), RGB(255, 0, 0));
        label.SetTextAlign(align);
        label.InitFontFromParent();
        label.Invalidate(true);
        PumpFor(150);
    }
    RECT Ink() const { return CScreenShot(ScreenRectOf(label)).Ink(kFill); }

    CTestParent parent;
    CDrawTextStatic label;
};
}

TEST_F(DrawTextStaticTest, LeftCentreAndRightOnOneLine) {
    Make(240, 30, L"Version 1.0.1", 1);
    RECT left = Ink();
    ASSERT_LT(left.left, left.right);
    EXPECT_LE(left.left, 3);
    int width = left.right - left.left;

    label.SetTextAlign(2);
    label.Invalidate(true);
    PumpFor(150);
    RECT centre = Ink();
    EXPECT_NEAR(centre.left, 240 - centre.right, 3);
    EXPECT_EQ(width, centre.right - centre.left);
    // Single line and vertically centred.
    EXPECT_NEAR(centre.top, 30 - centre.bottom, 4);

    label.SetTextAlign(3);
    label.Invalidate(true);
    PumpFor(150);
    RECT right = Ink();
    EXPECT_GE(right.right, 240 - 3);
    // Mode 3 wraps, so it starts at the top.
    EXPECT_LT(right.top, centre.top);
}

TEST_F(DrawTextStaticTest, ModesWithoutAFormatDrawOnlyTheFill) {
    Make(200, 30, L"Hidden text", 5);
    RECT ink = Ink();
    EXPECT_EQ(ink.left, ink.right) << RectText(ink);
    label.SetTextAlign(99);
    label.Invalidate(true);
    PumpFor(150);
    ink = Ink();
    EXPECT_EQ(ink.left, ink.right);
    EXPECT_PRED3(ColorNear, ScreenPixel(115, 465), kFill, 3);
}

TEST_F(DrawTextStaticTest, ModeZeroWrapsALongTextOverSeveralLines) {
    const wchar_t* text = L"one two three four five six seven eight nine ten eleven twelve";
    Make(120, 90, text, 1);
    RECT single = Ink();
    int lineHeight = single.bottom - single.top;
    ASSERT_GT(lineHeight, 0);

    label.SetTextAlign(0);
    label.Invalidate(true);
    PumpFor(150);
    RECT wrapped = Ink();
    EXPECT_GT(wrapped.bottom - wrapped.top, 2 * lineHeight);
    EXPECT_LT(wrapped.top, single.top) << "wrapped text starts at the top";
    EXPECT_LE(wrapped.top, 6);
}

TEST_F(DrawTextStaticTest, FillColourIsFixedByTheFirstPaint) {
    Make(100, 20, L"", 1);
    EXPECT_PRED3(ColorNear, ScreenPixel(150, 470), kFill, 3);
    label.SetFillColor(RGB(0, 128, 0));
    label.Invalidate(true);
    PumpFor(150);
    EXPECT_PRED3(ColorNear, ScreenPixel(150, 470), kFill, 3);
}

// Scaled by 1.18, as on a 1280x720 screen at 120 dpi: to its edges, none
// of the fill shows.
TEST_F(DrawTextStaticTest, BackgroundImageCoversTheFillToItsEdges) {
    Make(118, 35, L"", 1);
    Gdiplus::Bitmap image(150, 50, PixelFormat32bppARGB);
    {
        // Transparent around the piece: none of that may show either.
        Gdiplus::Graphics g(&image);
        g.Clear(Gdiplus::Color(0, 0, 0, 0));
        Gdiplus::SolidBrush piece(Gdiplus::Color(255, 10, 20, 200));
        g.FillRectangle(&piece, 5, 5, 100, 30);
    }
    label.SetBackgroundImage(&image);
    label.SetBackgroundSource(5, 5, 105, 35);
    label.Invalidate(true);
    PumpFor(150);
    for (POINT p : {POINT{150, 470}, POINT{110, 460}, POINT{170, 460}, POINT{227, 460}, POINT{110, 494},
                    POINT{170, 494}, POINT{227, 494}, POINT{110, 477}, POINT{227, 477}})
        EXPECT_PRED3(ColorNear, ScreenPixel(p.x, p.y), RGB(10, 20, 200), 3) << p.x << "," << p.y;
    label.SetBackgroundImage(nullptr);
    label.Invalidate(true);
    PumpFor(150);
}

TEST_F(DrawTextStaticTest, HitTestIncludesLeftAndTopEdgesOnly) {
    Make(100, 20, L"link", 1);
    RECT r = ScreenRectOf(label);
    EXPECT_TRUE(label.HitTest(r.left, r.top));
    EXPECT_TRUE(label.HitTest(r.right - 1, r.bottom - 1));
    EXPECT_FALSE(label.HitTest(r.right, r.top));
    EXPECT_FALSE(label.HitTest(r.left, r.bottom));
    EXPECT_FALSE(label.HitTest(r.left - 1, r.top));
}
