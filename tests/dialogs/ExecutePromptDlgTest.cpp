#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "dialogs/DialogLayout.h"
#include "dialogs/DialogMessages.h"
#include "dialogs/ExecutePromptChildDlg.h"
#include "dialogs/ExecutePromptDlg.h"
#include "tests/dialogs/DialogTestSupport.h"
#include "tests/support/TestSupport.h"

namespace {
CExecutePromptChildDlg* PanelOf(CExecutePromptDlg& dlg) {
    return static_cast<CExecutePromptChildDlg*>(dlg.Panel());
}

// Columns of the bar's middle row that show the cyan fill rather than the
// dark blue track.
int FillColumnsOnScreen(HWND panel) {
    RECT client{};
    ::GetClientRect(panel, &client);
    RECT track = ProgressTrackRect(client);
    int filled = 0;
    for (int x = track.left; x < track.right; ++x) {
        POINT p{x, track.top + 4};
        ::ClientToScreen(panel, &p);
        COLORREF c = ScreenPixel(p.x, p.y);
        if (GetGValue(c) > 150 && GetBValue(c) > 150) ++filled;
    }
    return filled;
}

// White pixels of the status text inside the status line.
int WhitePixels(HWND status) {
    RECT r{};
    ::GetWindowRect(status, &r);
    int white = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) {
            COLORREF c = ScreenPixel(x, y);
            if (GetRValue(c) > 200 && GetGValue(c) > 200 && GetBValue(c) > 200) ++white;
        }
    return white;
}

struct ProgressGuard {
    ~ProgressGuard() {
        g_repairProgress = 0;
        g_repairStatusText.clear();
    }
};
}

TEST(ExecutePromptDlg, SizeAtAnyResolution) {
    ProgressGuard guard;
    CExecutePromptDlg dlg;
    ModalOnThread run(dlg);
    ASSERT_TRUE(run.WaitShown());
    SIZE shell = WindowSize(run.Shell());
    EXPECT_EQ(278, shell.cx);
    EXPECT_EQ(158, shell.cy);
    // Created 244 x 124 at (16, 14); centring the shell then aligns it by
    // its insets 14s, 12s, 14s, 16s.
    RECT panel = RectInClient(run.Panel(), run.Shell());
    EXPECT_EQ(16, panel.left);
    EXPECT_EQ(14, panel.top);
    EXPECT_EQ(246, panel.right - panel.left);
    EXPECT_EQ(125, panel.bottom - panel.top);
    // Neither window moves under a drag.
    RECT before{};
    ::GetWindowRect(run.Panel(), &before);
    POINT p = ClientPointOnScreen(run.Panel(), 40, 10);
    MouseMoveTo(p.x, p.y);
    MouseDown();
    MouseMoveTo(p.x + 40, p.y + 30);
    MouseUp();
    RECT after{};
    ::GetWindowRect(run.Panel(), &after);
    EXPECT_RECT_EQ(before, after);
    ::SendMessageW(run.Shell(), WM_CLOSE_EXECUTE_PROMPT, 0, 0);
    ASSERT_TRUE(run.WaitEnded());
    EXPECT_EQ(IDOK, run.Result());
}

// Run in a child process at 120 dpi by the test below.
TEST(ExecutePromptAt120Dpi, SameSize) {
    if (ScreenDpi() != 120) GTEST_SKIP() << "runs in the 120 dpi child";
    CExecutePromptDlg dlg;
    ModalOnThread run(dlg);
    ASSERT_TRUE(run.WaitShown());
    SIZE shell = WindowSize(run.Shell());
    EXPECT_EQ(278, shell.cx);
    EXPECT_EQ(158, shell.cy);
    ::SendMessageW(run.Shell(), WM_CLOSE_EXECUTE_PROMPT, 0, 0);
    ASSERT_TRUE(run.WaitEnded());
}

TEST(ExecutePromptDlg, At120Dpi) { EXPECT_EQ(0, RunSelfAtDpi(120, "ExecutePromptAt120Dpi.*")); }

TEST(ExecutePromptDlg, BarFollowsTheRunAndTheStepThreadClosesIt) {
    ProgressGuard guard;
    g_repairProgress = 0;
    g_repairStatusText = L"正在清除打印机任务,请稍等";
    CExecutePromptDlg dlg;
    ModalOnThread run(dlg);
    ASSERT_TRUE(run.WaitShown());
    CExecutePromptChildDlg* child = PanelOf(dlg);
    EXPECT_TRUE(PumpUntil([&] { return WhitePixels(child->m_status) > 30; }, 1000));
    EXPECT_EQ(g_repairStatusText, child->m_status.StateText());

    const int values[] = {0, 13, 26, 39, 52, 65, 78, 90, 100};
    const std::vector<int> expected{0, 26, 52, 78, 104, 130, 156, 180, 191};
    std::vector<int> widths;
    for (size_t i = 0; i < expected.size(); ++i) {
        g_repairProgress = values[i];
        // One timer period and a repaint, as long as a user would watch a stuck bar.
        PumpUntil([&] { return FillColumnsOnScreen(run.Panel()) == expected[i]; }, 1500);
        widths.push_back(FillColumnsOnScreen(run.Panel()));
    }
    EXPECT_EQ(expected, widths);
    EXPECT_EQ(g_repairStatusText, child->m_status.StateText());
    EXPECT_FALSE(run.Ended());

    // The step thread's blocking send ends it with IDOK.
    HWND shell = run.Shell();
    LRESULT sent = -1;
    std::thread step([&] { sent = ::SendMessageW(shell, WM_CLOSE_EXECUTE_PROMPT, 0, 0); });
    step.join();
    EXPECT_EQ(0, sent);
    ASSERT_TRUE(run.WaitEnded());
    EXPECT_EQ(IDOK, run.Result());
    EXPECT_FALSE(::IsWindow(shell));
    // A late close message finds nothing to close.
    EXPECT_EQ(0, ::SendMessageW(shell, WM_CLOSE_EXECUTE_PROMPT, 0, 0));
}

TEST(ExecutePromptDlg, StatusTextFollowsTheSharedText) {
    ProgressGuard guard;
    g_repairStatusText.clear();
    CExecutePromptDlg dlg;
    ModalOnThread run(dlg);
    ASSERT_TRUE(run.WaitShown());
    PumpFor(900);
    CExecutePromptChildDlg* child = PanelOf(dlg);
    EXPECT_EQ(0, WhitePixels(child->m_status));
    ::SendMessageW(run.Shell(), WM_CLOSE_EXECUTE_PROMPT, 0, 0);
    ASSERT_TRUE(run.WaitEnded());
}

TEST(ExecutePromptDlg, KeysDoNotCloseIt) {
    ProgressGuard guard;
    CExecutePromptDlg dlg;
    ModalOnThread run(dlg);
    ASSERT_TRUE(run.WaitShown());
    PumpFor(200);
    HWND fg = ::GetForegroundWindow();
    EXPECT_TRUE(fg == run.Shell() || fg == run.Panel());
    PressKey(VK_RETURN);
    PressKey(VK_ESCAPE);
    ::PostMessageW(run.Shell(), WM_CLOSE, 0, 0);
    PumpFor(300);
    EXPECT_FALSE(run.Ended());
    EXPECT_TRUE(::IsWindowVisible(run.Shell()));
    EXPECT_TRUE(::IsWindowVisible(run.Panel()));
    ::SendMessageW(run.Shell(), WM_CLOSE_EXECUTE_PROMPT, 0, 0);
    ASSERT_TRUE(run.WaitEnded());
    EXPECT_EQ(IDOK, run.Result());
}
