#include <gtest/gtest.h>

#include "dialogs/DialogMessages.h"
#include "dialogs/PromptChildDlg.h"
#include "dialogs/PromptDlg.h"
#include "skin/Drawing.h"
#include "tests/dialogs/DialogTestSupport.h"
#include "tests/support/TestSupport.h"

namespace {
CPromptChildDlg* PanelOf(CPromptDlg& dlg) { return static_cast<CPromptChildDlg*>(dlg.Panel()); }

struct ModeFigures {
    int mode;
    int shellWidth;
    RECT ok;
    bool cancelShown;
    RECT cancel;
};

// Dark pixels of the message text in a band of rows of the panel's client area.
int DarkPixelsInRows(HWND panel, const RECT& message, int top, int bottom) {
    int dark = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = message.left; x < message.right; x += 1) {
            POINT p = ClientPointOnScreen(panel, x, y);
            COLORREF c = ScreenPixel(p.x, p.y);
            if (GetRValue(c) < 110 && GetGValue(c) < 110 && GetBValue(c) < 110) ++dark;
        }
    return dark;
}
}

TEST(PromptDlg, EachModeAt96Dpi) {
    if (ScreenDpi() != 96) GTEST_SKIP() << "needs 96 dpi";
    const ModeFigures figures[] = {
        {1, 336, Box(135, 107, 55, 24), false, {}},
        {2, 336, Box(96, 107, 55, 24), true, Box(175, 107, 55, 24)},
        {3, 336, Box(135, 107, 55, 24), false, {}},
        {4, 400, Box(53, 107, 128, 24), true, Box(207, 107, 128, 24)},
        {0, 336, Box(96, 107, 55, 24), false, {}},
        {5, 336, Box(96, 107, 55, 24), false, {}},
    };
    for (const ModeFigures& f : figures) {
        SCOPED_TRACE(f.mode);
        CPromptDlg dlg;
        dlg.SetPromptText(L"修复成功");
        dlg.SetPromptMode(f.mode);
        ModalOnThread run(dlg);
        ASSERT_TRUE(run.WaitShown());
        SIZE shell = WindowSize(run.Shell());
        EXPECT_EQ(f.shellWidth, shell.cx);
        EXPECT_EQ(156, shell.cy);
        RECT panel = RectInClient(run.Panel(), run.Shell());
        EXPECT_RECT_EQ(Box(5, 3, f.shellWidth - 10, 146), panel);

        CPromptChildDlg* child = PanelOf(dlg);
        EXPECT_RECT_EQ(Box(f.shellWidth - 36, 8, 12, 12), RectInClient(child->m_close, run.Panel()));
        EXPECT_RECT_EQ(f.ok, RectInClient(child->m_ok, run.Panel()));
        EXPECT_TRUE(child->m_ok.IsWindowVisible());
        EXPECT_EQ(f.cancelShown, child->m_cancel.IsWindowVisible());
        if (f.cancelShown) {
            EXPECT_RECT_EQ(f.cancel, RectInClient(child->m_cancel, run.Panel()));
        }
        EXPECT_RECT_EQ(RECT({10, 50, f.shellWidth - 20, 106}), RectInClient(child->m_message, run.Panel()));
        EXPECT_EQ(L"修复成功", child->m_message.GetWindowText());

        ::SendMessageW(run.Shell(), WM_PROMPT_BUTTON, 1, 0);
        ASSERT_TRUE(run.WaitEnded());
        EXPECT_EQ(IDOK, run.Result());
    }
}

TEST(PromptDlg, ButtonsGiveTheirResults) {
    struct Case {
        int mode;
        int which;  // 0 OK, 1 Cancel, 2 close glyph
        INT_PTR result;
    };
    for (Case c : {Case{1, 0, IDOK}, Case{2, 0, IDOK}, Case{2, 1, IDCANCEL}, Case{1, 2, IDCANCEL},
                   Case{4, 1, IDCANCEL}}) {
        SCOPED_TRACE(c.mode * 10 + c.which);
        CPromptDlg dlg;
        dlg.SetPromptText(L"检测到当前工具有新的版本更新，请下载最新版本使用。");
        dlg.SetPromptMode(c.mode);
        ModalOnThread run(dlg);
        ASSERT_TRUE(run.WaitShown());
        PumpFor(200);
        CPromptChildDlg* child = PanelOf(dlg);
        HWND target = c.which == 0 ? child->m_ok.m_hWnd : c.which == 1 ? child->m_cancel.m_hWnd : child->m_close.m_hWnd;
        POINT p = CentreOnScreen(target);
        ClickAt(p.x, p.y);
        ASSERT_TRUE(run.WaitEnded());
        EXPECT_EQ(c.result, run.Result());
        EXPECT_FALSE(::IsWindow(run.Shell()));
    }
}

TEST(PromptDlg, EnterAndEscapeChangeNothing) {
    CPromptDlg dlg;
    dlg.SetPromptText(L"修复失败");
    dlg.SetPromptMode(2);
    ModalOnThread run(dlg);
    ASSERT_TRUE(run.WaitShown());
    PumpFor(200);
    HWND shell = run.Shell(), panel = run.Panel();
    // Once with the keyboard at whatever the dialog activated, once with the
    // panel clicked (its strip, away from the buttons).
    for (int round = 0; round < 2; ++round) {
        HWND fg = ::GetForegroundWindow();
        EXPECT_TRUE(fg == shell || fg == panel);
        PressKey(VK_RETURN);
        PressKey(VK_ESCAPE);
        PumpFor(200);
        EXPECT_FALSE(run.Ended());
        EXPECT_TRUE(::IsWindowVisible(shell));
        EXPECT_TRUE(::IsWindowVisible(panel));
        POINT p = ClientPointOnScreen(panel, 60, 80);
        ClickAt(p.x, p.y);
    }
    ::SendMessageW(shell, WM_PROMPT_BUTTON, 2, 0);
    ASSERT_TRUE(run.WaitEnded());
    EXPECT_EQ(IDCANCEL, run.Result());
}

TEST(PromptDlg, ModalOnAWorkerWhileTheMainThreadGoesOn) {
    EnsureDialogLibraries();
    CStatic mine;
    ASSERT_TRUE(mine.CreateEx(0, L"STATIC", L"main", WS_POPUP | WS_VISIBLE, RECT{10, 10, 60, 40}, nullptr, 0));
    CPromptDlg dlg;
    dlg.SetPromptText(L"修复成功");
    ModalOnThread run(dlg);
    ASSERT_TRUE(run.WaitShown());
    // The main thread's windows are neither blocked nor starved.
    UINT_PTR timer = ::SetTimer(nullptr, 0, 20, nullptr);
    int ticks = 0;
    DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < 400) {
        MSG msg;
        if (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_TIMER) ++ticks;
            ::DispatchMessageW(&msg);
        } else {
            ::Sleep(5);
        }
    }
    ::KillTimer(nullptr, timer);
    EXPECT_GT(ticks, 3);
    EXPECT_TRUE(mine.IsWindowEnabled());
    mine.SetWindowText(L"still here");
    EXPECT_EQ(L"still here", mine.GetWindowText());
    EXPECT_FALSE(run.Ended());
    EXPECT_NE(::GetCurrentThreadId(), ::GetWindowThreadProcessId(run.Shell(), nullptr));
    ::SendMessageW(run.Shell(), WM_PROMPT_BUTTON, 1, 0);
    ASSERT_TRUE(run.WaitEnded());
    EXPECT_EQ(IDOK, run.Result());
}

TEST(PromptDlg, LongMessageWraps) {
    int rowsOfText[2] = {};
    const wchar_t* texts[2] = {L"修复成功",
                               L"检测到当前工具有新的版本更新，请下载最新版本使用。检测到当前工具有新的版本更新，"
                               L"请下载最新版本使用。"};
    for (int i = 0; i < 2; ++i) {
        CPromptDlg dlg;
        dlg.SetPromptText(texts[i]);
        ModalOnThread run(dlg);
        ASSERT_TRUE(run.WaitShown());
        PumpFor(400);
        CPromptChildDlg* child = PanelOf(dlg);
        RECT message = RectInClient(child->m_message, run.Panel());
        // The first line's band, and the band below it.
        EXPECT_GT(DarkPixelsInRows(run.Panel(), message, message.top, message.top + 16), 20);
        rowsOfText[i] = DarkPixelsInRows(run.Panel(), message, message.top + 18, message.top + 34);
        ::SendMessageW(run.Shell(), WM_PROMPT_BUTTON, 1, 0);
        ASSERT_TRUE(run.WaitEnded());
    }
    EXPECT_EQ(0, rowsOfText[0]);
    EXPECT_GT(rowsOfText[1], 20);
}

TEST(PromptDlg, TitleStripDragsBothWindowsButNotItsTopRight) {
    CPromptDlg dlg;
    dlg.SetPromptText(L"修复成功");
    ModalOnThread run(dlg);
    ASSERT_TRUE(run.WaitShown());
    PumpFor(200);
    HWND shell = run.Shell(), panel = run.Panel();
    RECT shellBefore{}, panelBefore{};
    ::GetWindowRect(shell, &shellBefore);
    ::GetWindowRect(panel, &panelBefore);

    POINT from = ClientPointOnScreen(panel, 80, 15);
    MouseMoveTo(from.x, from.y);
    MouseDown();
    MouseMoveTo(from.x + 20, from.y + 10);
    MouseMoveTo(from.x + 50, from.y + 40);
    MouseUp();
    PumpFor(300);
    RECT shellAfter{}, panelAfter{};
    ::GetWindowRect(shell, &shellAfter);
    ::GetWindowRect(panel, &panelAfter);
    EXPECT_EQ(panelBefore.left + 50, panelAfter.left);
    EXPECT_EQ(panelBefore.top + 40, panelAfter.top);
    EXPECT_EQ(panelAfter.left - 5, shellAfter.left);
    EXPECT_EQ(panelAfter.top - 3, shellAfter.top);
    EXPECT_EQ(shellBefore.right - shellBefore.left, shellAfter.right - shellAfter.left);
    EXPECT_EQ(shellBefore.bottom - shellBefore.top, shellAfter.bottom - shellAfter.top);

    // Inside the right 26 pixels of the strip, beside the close glyph.
    RECT client{};
    ::GetClientRect(panel, &client);
    POINT corner = ClientPointOnScreen(panel, client.right - 5, 25);
    MouseMoveTo(corner.x, corner.y);
    MouseDown();
    MouseMoveTo(corner.x - 30, corner.y + 20);
    MouseMoveTo(corner.x - 60, corner.y + 40);
    MouseUp();
    PumpFor(300);
    RECT panelLast{}, shellLast{};
    ::GetWindowRect(panel, &panelLast);
    ::GetWindowRect(shell, &shellLast);
    EXPECT_RECT_EQ(panelAfter, panelLast);
    EXPECT_RECT_EQ(shellAfter, shellLast);
    EXPECT_FALSE(run.Ended());
    ::SendMessageW(shell, WM_PROMPT_BUTTON, 1, 0);
    ASSERT_TRUE(run.WaitEnded());
}

// Run in a child process at 120 dpi by the test below.
TEST(PromptAt120Dpi, ShellSizeFollowsTheCallersScale) {
    if (ScreenDpi() != 120) GTEST_SKIP() << "runs in the 120 dpi child";
    for (bool setScale : {true, false}) {
        CPromptDlg dlg;
        if (setScale) dlg.m_scale = ScreenScaleFactor();
        dlg.SetPromptText(L"修复成功");
        ModalOnThread run(dlg);
        ASSERT_TRUE(run.WaitShown());
        SIZE shell = WindowSize(run.Shell());
        EXPECT_EQ(setScale ? 403 : 336, shell.cx);
        EXPECT_EQ(setScale ? 187 : 156, shell.cy);
        RECT panel = RectInClient(run.Panel(), run.Shell());
        EXPECT_EQ(setScale ? 6 : 5, panel.left);
        EXPECT_EQ(3, panel.top);
        ::SendMessageW(run.Shell(), WM_PROMPT_BUTTON, 1, 0);
        ASSERT_TRUE(run.WaitEnded());
    }
}

TEST(PromptDlg, At120Dpi) {
    EXPECT_EQ(0, RunSelfAtDpi(120, "PromptAt120Dpi.*"));
}

namespace {
class CPromptWithoutPicture : public CPromptDlg {
public:
    CPromptWithoutPicture() { m_shellImage = 4242; }
};
}

TEST(PromptDlg, WithoutItsPictureItStillHasButtons) {
    CPromptWithoutPicture dlg;
    dlg.SetPromptText(L"工具初始化失败");
    dlg.SetPromptMode(3);
    ModalOnThread run(dlg);
    ASSERT_TRUE(run.WaitShown());
    PumpFor(200);
    SIZE shell = WindowSize(run.Shell());
    EXPECT_EQ(336, shell.cx);
    EXPECT_EQ(156, shell.cy);
    CPromptChildDlg* child = PanelOf(dlg);
    ASSERT_NE(nullptr, child);
    EXPECT_RECT_EQ(Box(5, 3, 326, 146), RectInClient(run.Panel(), run.Shell()));
    POINT p = CentreOnScreen(child->m_ok);
    ClickAt(p.x, p.y);
    ASSERT_TRUE(run.WaitEnded());
    EXPECT_EQ(IDOK, run.Result());
}
