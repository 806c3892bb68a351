#include <gtest/gtest.h>

#include "SkinTestUtil.h"
#include "skin/GDIPngButton.h"
#include "tests/support/TestSupport.h"

namespace {
const COLORREF kRed = RGB(255, 0, 0), kGreen = RGB(0, 255, 0), kBlue = RGB(0, 0, 255), kGrey = RGB(128, 128, 128);
const COLORREF kBg = CTestParent::kBackground;
const int kId = 1201;

// A 30x20 button at (20, 20) of a parent at (100, 100). Its images have
// three 10-pixel zones: A where only the normal image is opaque, B where only
// the other states are, C where the pressed image is half transparent.
class PngButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        MouseMoveTo(5, 5);
        ASSERT_TRUE(parent.Create(100, 100, 200, 100));
        HWND hwnd = ::CreateWindowExW(0, L"BUTTON", L"OK", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 20, 20, 30, 20,
                                      parent, reinterpret_cast<HMENU>(kId), nullptr, nullptr);
        ASSERT_TRUE(button.SubclassWindow(hwnd));
    }
    void Show() {
        button.Invalidate(true);
        ::UpdateWindow(parent);
        PumpFor(150);
    }
    COLORREF Zone(char zone) const { return ScreenPixel(120 + (zone - 'A') * 10 + 5, 130); }

    CTestParent parent;
    CGDIPngButton button;
};
}

TEST_F(PngButtonTest, BecomesOwnerDrawnAndDrawsEachStateOverTheRightLayers) {
    EXPECT_EQ(BS_OWNERDRAW, button.GetStyle() & BS_TYPEMASK);
    button.SetImages(900, 901, 902, 903);
    Show();
    EXPECT_PRED3(ColorNear, Zone('A'), kRed, 3);
    EXPECT_PRED3(ColorNear, Zone('B'), kBg, 3);

    // Hover: the hover image over the normal one.
    MouseMoveTo(135, 130);
    ASSERT_TRUE(PumpUntil([&] { return button.hover; }, 2000));
    PumpFor(100);
    EXPECT_PRED3(ColorNear, Zone('A'), kRed, 3);
    EXPECT_PRED3(ColorNear, Zone('B'), kBlue, 3);

    // Held down: the pressed image blended over the normal one.
    MouseDown();
    PumpFor(100);
    EXPECT_PRED3(ColorNear, Zone('A'), kRed, 3);
    EXPECT_PRED3(ColorNear, Zone('B'), kGreen, 3);
    EXPECT_PRED3(ColorNear, Zone('C'), RGB(127, 128, 0), 4);

    // Released over the button: the click reaches the parent, hover is back.
    MouseUp();
    PumpFor(100);
    EXPECT_EQ(1, parent.Count(WM_COMMAND));
    ASSERT_FALSE(parent.notes.empty());
    EXPECT_EQ(MAKEWPARAM(kId, BN_CLICKED), parent.notes.back().wParam);
    EXPECT_PRED3(ColorNear, Zone('B'), kBlue, 3);

    // Leaving: the snapshot taken under the first paint shows through again
    // where the normal image is transparent.
    MouseMoveTo(5, 5);
    ASSERT_TRUE(PumpUntil([&] { return !button.hover; }, 2000));
    PumpFor(150);
    EXPECT_PRED3(ColorNear, Zone('B'), kBg, 3);
    EXPECT_PRED3(ColorNear, Zone('C'), kRed, 3);
    button.FreeImages();
}

TEST_F(PngButtonTest, DisabledDrawsTheFourthImageAlone) {
    // Disabled from the start: no normal paint ever arms a snapshot, so what
    // shows is the fourth image over the parent alone.
    button.disabled = true;
    button.SetImages(900, 901, 902, 903);
    Show();
    EXPECT_PRED3(ColorNear, Zone('A'), kBg, 3);
    EXPECT_PRED3(ColorNear, Zone('B'), kGrey, 3);
    EXPECT_PRED3(ColorNear, Zone('C'), kBg, 3);
    button.FreeImages();
}

TEST_F(PngButtonTest, WithoutImagesPaintsNothingAndStillClicks) {
    Show();
    for (char zone : {'A', 'B', 'C'}) EXPECT_PRED3(ColorNear, Zone(zone), kBg, 3);
    ClickAt(135, 130);
    PumpFor(100);
    EXPECT_EQ(1, parent.Count(WM_COMMAND));
}

TEST_F(PngButtonTest, MissingIdsLeaveNullImagesAndFreeingTwiceIsHarmless) {
    button.SetImages(900, 4000, 901, 4001);
    EXPECT_NE(nullptr, button.imageNormal);
    EXPECT_EQ(nullptr, button.imagePressed);
    EXPECT_NE(nullptr, button.imageHover);
    EXPECT_EQ(nullptr, button.imageDisabled);
    Show();
    EXPECT_PRED3(ColorNear, Zone('A'), kRed, 3);
    button.FreeImages();
    button.FreeImages();
    EXPECT_EQ(nullptr, button.imageNormal);
    EXPECT_EQ(nullptr, button.imageHover);
    Show();
}

namespace {
class CountingButton : public CGDIPngButton {
public:
    int hitTests = 0, paints = 0;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_NCHITTEST) ++hitTests;
        if (msg == WM_PAINT) ++paints;
        return CGDIPngButton::WindowProc(msg, wParam, lParam);
    }
};
}

// A pointer resting on a button costs nothing: the button shows its hover face
// at once and is then left alone. Wine polls the pointer at the tracking's
// hover time, each poll a hit test of the button; a 1 ms hover time made that
// a hundred a second.
TEST(PngButtonIdle, ARestingPointerNeitherPollsNorRepaints) {
    MouseMoveTo(5, 5);
    CTestParent parent;
    ASSERT_TRUE(parent.Create(100, 100, 200, 100));
    HWND hwnd = ::CreateWindowExW(0, L"BUTTON", L"OK", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 20, 20, 30, 20, parent,
                                  reinterpret_cast<HMENU>(kId), nullptr, nullptr);
    CountingButton button;
    ASSERT_TRUE(button.SubclassWindow(hwnd));
    button.SetImages(900, 901, 902, 903);
    PumpFor(150);
    MouseMoveTo(135, 130);
    ASSERT_TRUE(PumpUntil([&] { return button.hover; }, 200)) << "the hover face is late";
    PumpFor(500);
    button.hitTests = button.paints = 0;
    PumpFor(2000);
    EXPECT_LE(button.hitTests, 12) << "the pointer is polled while it rests";
    EXPECT_EQ(0, button.paints) << "the resting pointer repaints the button";
    MouseMoveTo(5, 5);
    EXPECT_TRUE(PumpUntil([&] { return !button.hover; }, 1000));
    button.FreeImages();
}
