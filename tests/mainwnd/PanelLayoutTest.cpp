#include <gtest/gtest.h>

#include "mainwnd/PanelLayout.h"
#include "tests/support/TestSupport.h"

TEST(PanelLayout, At96DpiTheControlsSitOnTheirPlacesInThePicture) {
    PanelLayout L = ComputePanelLayout(RECT{0, 0, 400, 600}, 1.0f, 48, 204);
    EXPECT_RECT_EQ((RECT{375, 0, 401, 34}), L.close);
    EXPECT_RECT_EQ((RECT{348, 0, 374, 34}), L.minimise);
    EXPECT_RECT_EQ((RECT{71, 220, 330, 305}), L.start);
    EXPECT_RECT_EQ((RECT{50, 540, 108, 558}), L.moreTools);
    EXPECT_RECT_EQ((RECT{193, 7, 293, 37}), L.version);
    EXPECT_RECT_EQ((RECT{334, 575, 394, 595}), L.feedbackText);
    // n = 204 / 14 = 14: the box holds 16 + 2n + 2 pixels, the title 14n.
    EXPECT_RECT_EQ((RECT{8, 575, 54, 595}), L.agreeBox);
    EXPECT_RECT_EQ((RECT{60, 575, 256, 595}), L.agreementTitle);
}

TEST(PanelLayout, AScaledPanelScalesEveryPlace) {
    PanelLayout L = ComputePanelLayout(RECT{0, 0, 480, 721}, 1.2f, 60, 255);
    EXPECT_RECT_EQ((RECT{449, 0, 480, 40}), L.close);
    EXPECT_RECT_EQ((RECT{417, 0, 448, 40}), L.minimise);
    EXPECT_RECT_EQ((RECT{84, 264, 394, 366}), L.start);
    EXPECT_RECT_EQ((RECT{60, 648, 129, 669}), L.moreTools);
    EXPECT_RECT_EQ((RECT{231, 8, 351, 44}), L.version);
    // s is held as a float: 25 * 1.2f is a hair over 30, so 721 - 30.0000012 truncates to 690.
    EXPECT_EQ(690, L.feedbackText.top);
    EXPECT_EQ(474, L.feedbackText.right);
    EXPECT_RECT_EQ((RECT{9, 690, 66, 714}), L.agreeBox);
    EXPECT_EQ(72, L.agreementTitle.left);
    EXPECT_EQ(72 + 14 * 18, L.agreementTitle.right);
}
