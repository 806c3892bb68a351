#include <gtest/gtest.h>

#include "dialogs/DialogLayout.h"
#include "skin/LayeredShell.h"
#include "tests/support/TestSupport.h"

namespace {
const float k120 = 120 / 100.0f;
const ShellInsets kPromptInsets{5, 3, 5, 7};
}

TEST(PromptLayout, ShellSizeFollowsModeAndScale) {
    SIZE s = PromptShellSize(1, 1.0f);
    EXPECT_EQ(336, s.cx);
    EXPECT_EQ(156, s.cy);
    s = PromptShellSize(4, 1.0f);
    EXPECT_EQ(400, s.cx);
    s = PromptShellSize(2, k120);
    EXPECT_EQ(403, s.cx);
    EXPECT_EQ(187, s.cy);
    s = PromptShellSize(4, k120);
    EXPECT_EQ(480, s.cx);
}

TEST(PromptLayout, PanelAtCreationTruncatesEachEdge) {
    EXPECT_RECT_EQ(Box(105, 203, 326, 146), PanelAtCreation(Box(100, 200, 336, 156), 1.0f, kPromptInsets));
    // s held as a float is a hair above 1.2: 403 - 12.0000005 truncates to 390.
    EXPECT_RECT_EQ(Box(106, 203, 390, 174), PanelAtCreation(Box(100, 200, 403, 187), k120, kPromptInsets));
}

TEST(PromptLayout, ScaledButtons) {
    PromptLayout l = LayoutPrompt(2, 391, 175, k120);
    // 195 - 66 - 14.4 = 114.6; 195 + 14.4 = 209.4.
    EXPECT_RECT_EQ(Box(114, 128, 66, 28), l.ok);
    EXPECT_RECT_EQ(Box(209, 128, 66, 28), l.cancel);
    EXPECT_RECT_EQ(Box(391 - 31, 9, 14, 14), l.close);
    EXPECT_RECT_EQ(RECT({12, 60, 391 - 12, 175 - 48}), l.message);
    // 195 - 33.0000013 = 161.99...
    EXPECT_EQ(161, LayoutPrompt(1, 391, 175, k120).ok.left);
}

TEST(FeedbackLayout, At120Dpi) {
    SIZE s = FeedbackShellSize(k120);
    EXPECT_EQ(492, s.cx);
    EXPECT_EQ(574, s.cy);
    EXPECT_RECT_EQ(Box(6, 4, 479, 560), PanelAtCreation(Box(0, 0, 492, 574), k120, ShellInsets{5, 4, 5, 7}));
    FeedbackLayout l = LayoutFeedback(RECT{0, 0, 479, 560}, k120);
    EXPECT_RECT_EQ(Box(80, 184, 319, 72), l.solved);
    EXPECT_RECT_EQ(Box(81, 304, 319, 72), l.unsolved);
    EXPECT_RECT_EQ(Box(81, 424, 319, 72), l.more);
    EXPECT_RECT_EQ(RECT({457, 7, 471, 21}), l.close);
}

TEST(ExecutePromptLayout, FixedScaleGeometry) {
    RECT shell = ExecuteShellRect(0, 0, kExecutePromptScale);
    EXPECT_RECT_EQ(Box(0, 0, 278, 158), shell);
    EXPECT_RECT_EQ(Box(16, 14, 244, 124), PanelAtCreation(shell, kExecutePromptScale, ShellInsets{14, 12, 14, 16}));
    EXPECT_RECT_EQ(RECT({30, 52, 234, 72}), ExecuteStatusRect(RECT{0, 0, 244, 124}));
    EXPECT_RECT_EQ(Box(30, 99, 191, 9), ProgressTrackRect(RECT{0, 0, 244, 124}));
}

TEST(ExecutePromptLayout, AboveAMainFactorOf1Point2TheStatusLineAndTheBarGrowWithIt) {
    EXPECT_FLOAT_EQ(1.2f, ProgressScale(1.0f));
    EXPECT_FLOAT_EQ(1.2f, ProgressScale(1.2f));
    EXPECT_FLOAT_EQ(1.92f, ProgressScale(1.92f));
    RECT panel = PanelAtCreation(ExecuteShellRect(0, 0, 1.92f), 1.92f, ShellInsets{14, 12, 14, 16});
    RECT c{0, 0, panel.right - panel.left, panel.bottom - panel.top};
    EXPECT_RECT_EQ(RECT({0, 0, 391, 199}), c);
    EXPECT_RECT_EQ(RECT({48, 83, 375, 115}), ExecuteStatusRect(c, 1.92f));
    EXPECT_RECT_EQ(Box(48, 159, 305, 14), ProgressTrackRect(c, 1.92f));
    EXPECT_EQ(160, ProgressFillWidth(50, 1.92f));
    EXPECT_EQ(305, ProgressFillWidth(100, 1.92f));
}

TEST(ExecutePromptLayout, FillWidthPerProgress) {
    const int values[] = {0, 13, 26, 39, 52, 65, 78, 90, 100};
    const int widths[] = {0, 26, 52, 78, 104, 130, 156, 180, 191};
    for (size_t i = 0; i < 9; ++i) EXPECT_EQ(widths[i], ProgressFillWidth(values[i])) << values[i];
    EXPECT_EQ(191, ProgressFillWidth(96));
    EXPECT_EQ(190, ProgressFillWidth(95));
    EXPECT_EQ(0, ProgressFillWidth(-5));
    EXPECT_EQ(191, ProgressFillWidth(1000000000));
}

TEST(TooltipLayout, PanelAndEdit) {
    SIZE s = TooltipShellSize(1.0f);
    EXPECT_EQ(390, s.cx);
    EXPECT_EQ(470, s.cy);
    EXPECT_RECT_EQ(Box(11, 21, 388, 452), TooltipPanelAtCreation(Box(10, 20, 390, 470), 1.0f));
    EXPECT_RECT_EQ(Box(11, 21, 390, 463), TooltipPanelAligned(Box(10, 20, 393, 482), 1.0f));
    EXPECT_RECT_EQ(Box(11, 21, 466, 542), TooltipPanelAtCreation(Box(10, 20, 468, 564), k120));
    EXPECT_RECT_EQ(RECT({9, 9, 379, 433}), AgreementEditRect(RECT{0, 0, 388, 442}, k120));
    EXPECT_RECT_EQ(RECT({8, 8, 380, 444}), AgreementEditRect(RECT{0, 0, 388, 452}, 1.0f));
}
