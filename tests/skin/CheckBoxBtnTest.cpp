#include <gtest/gtest.h>

#include <memory>

#include "SkinTestUtil.h"
#include "skin/CheckBoxBtn.h"
#include "skin/ResourceImage.h"
#include "tests/support/TestSupport.h"

TEST(CheckBoxGeometry, BoxAndTextAtScaleOne) {
    EXPECT_RECT_EQ((RECT{0, 2, 16, 18}), CheckBoxBoxRect(RECT{0, 0, 80, 20}, 1.0f));
    EXPECT_EQ(18, CheckBoxTextLeft(RECT{0, 0, 80, 20}, 1.0f));
}

TEST(CheckBoxGeometry, BoxAndTextAtScaleOneAndAQuarter) {
    EXPECT_RECT_EQ((RECT{0, 0, 20, 20}), CheckBoxBoxRect(RECT{0, 0, 100, 20}, 1.25f));
    EXPECT_RECT_EQ((RECT{0, 5, 20, 25}), CheckBoxBoxRect(RECT{0, 0, 100, 30}, 1.25f));
    EXPECT_EQ(22, CheckBoxTextLeft(RECT{0, 0, 100, 20}, 1.25f));
}

TEST(CheckBoxGeometry, OddHeightsRoundTheHalfDown) {
    EXPECT_RECT_EQ((RECT{0, 2, 16, 18}), CheckBoxBoxRect(RECT{0, 0, 80, 21}, 1.0f));
    EXPECT_RECT_EQ((RECT{0, 3, 20, 23}), CheckBoxBoxRect(RECT{0, 0, 80, 27}, 1.25f));
    // Taller than the client: the box may start above it.
    EXPECT_RECT_EQ((RECT{0, -1, 20, 19}), CheckBoxBoxRect(RECT{0, 0, 80, 19}, 1.25f));
}

namespace {
// The cells of image 143 drawn over white, as the control should show them.
COLORREF CellPixel(int cellX, int x, int y) {
    Gdiplus::Image* image = nullptr;
    if (!LoadPngResource(143, image)) return CLR_INVALID;
    std::unique_ptr<Gdiplus::Image> owner(image);
    Gdiplus::Bitmap bmp(16, 16, PixelFormat32bppARGB);
    Gdiplus::Graphics g(&bmp);
    g.Clear(Gdiplus::Color(255, 255, 255, 255));
    g.DrawImage(image, Gdiplus::Rect(0, 0, 16, 16), cellX, 0, 16, 16, Gdiplus::UnitPixel);
    Gdiplus::Color c;
    bmp.GetPixel(x, y, &c);
    return RGB(c.GetR(), c.GetG(), c.GetB());
}

class CheckBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        MouseMoveTo(5, 5);
        ASSERT_TRUE(parent.Create(100, 300, 200, 60));
        HWND hwnd = ::CreateWindowExW(0, L"BUTTON", L"\x540C\x610F", WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, 10,
                                      10, 100, 20, parent, reinterpret_cast<HMENU>(1010), nullptr, nullptr);
        ASSERT_TRUE(box.SubclassWindow(hwnd));
        box.InitFontFromParent();
        PumpFor(150);
        // A pixel where the ticked and the empty cell differ.
        for (int y = 0; y < 16 && probe.x < 0; ++y)
            for (int x = 0; x < 16; ++x)
                if (!ColorNear(CellPixel(0, x, y), CellPixel(16, x, y), 60)) {
                    probe = POINT{x, y};
                    break;
                }
        ASSERT_GE(probe.x, 0) << "the checked and unchecked cells look alike";
    }
    // The probe pixel of the box on screen (scale 1, client height 20: box at y 2).
    COLORREF Shown() const { return ScreenPixel(110 + probe.x, 312 + probe.y); }
    COLORREF Cell(bool checked) const { return CellPixel(checked ? 16 : 0, probe.x, probe.y); }

    CTestParent parent;
    CCheckBoxBtn box;
    POINT probe{-1, -1};
};
}

TEST_F(CheckBoxTest, ClickTogglesRepaintsAndNotifies) {
    EXPECT_EQ(BST_UNCHECKED, box.GetCheck());
    EXPECT_PRED3(ColorNear, Shown(), Cell(false), 4);

    ClickAt(150, 320);
    PumpFor(150);
    EXPECT_EQ(BST_CHECKED, box.GetCheck());
    EXPECT_EQ(1, parent.Count(WM_COMMAND));
    ASSERT_FALSE(parent.notes.empty());
    EXPECT_EQ(MAKEWPARAM(1010, BN_CLICKED), parent.notes.back().wParam);
    EXPECT_PRED3(ColorNear, Shown(), Cell(true), 4);

    ClickAt(150, 320);
    PumpFor(150);
    EXPECT_EQ(BST_UNCHECKED, box.GetCheck());
    EXPECT_EQ(2, parent.Count(WM_COMMAND));
    EXPECT_PRED3(ColorNear, Shown(), Cell(false), 4);
}

TEST_F(CheckBoxTest, SetCheckIsReadBackAndDrawn) {
    box.SendMessage(BM_SETCHECK, BST_CHECKED);
    box.Invalidate(true);
    PumpFor(150);
    EXPECT_EQ(BST_CHECKED, static_cast<int>(box.SendMessage(BM_GETCHECK)));
    EXPECT_PRED3(ColorNear, Shown(), Cell(true), 4);
    EXPECT_EQ(0, parent.Count(WM_COMMAND));
}

TEST_F(CheckBoxTest, TextStartsRightOfTheBoxOnWhite) {
    box.textColor = RGB(0, 0, 0);
    box.Invalidate(true);
    PumpFor(150);
    CScreenShot shot(RECT{110, 310, 210, 330});
    // The gap between box and text and the area after the text stay white.
    for (int y = 0; y < 20; ++y) {
        EXPECT_PRED3(ColorNear, shot.At(16, y), RGB(255, 255, 255), 3);
        EXPECT_PRED3(ColorNear, shot.At(17, y), RGB(255, 255, 255), 3);
        EXPECT_PRED3(ColorNear, shot.At(99, y), RGB(255, 255, 255), 3);
    }
    CScreenShot text(RECT{128, 310, 210, 330});
    RECT ink = text.Ink(RGB(255, 255, 255));
    EXPECT_LT(ink.left, ink.right) << "no text drawn";
    EXPECT_LE(ink.left, 4);
}
