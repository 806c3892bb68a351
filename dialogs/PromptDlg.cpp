#include "dialogs/PromptDlg.h"

#include "dialogs/DialogLayout.h"
#include "dialogs/DialogMessages.h"
#include "dialogs/PromptChildDlg.h"
#include "res/resource.h"

bool IsEnterOrEscape(const MSG* msg) {
    return msg->message == WM_KEYDOWN && (msg->wParam == VK_RETURN || msg->wParam == VK_ESCAPE);
}

CPromptDlg::CPromptDlg() : CLayeredShell(IDD_PROMPT_SHELL, ShellInsets{5, 3, 5, 7}) {}

CPromptDlg::~CPromptDlg() = default;

BOOL CPromptDlg::OnInitDialog() {
    CDialogEx::OnInitDialog();

    SIZE size = PromptShellSize(m_promptMode, m_scale);
    RECT shell = GetWindowRect();
    shell.right = shell.left + size.cx;
    shell.bottom = shell.top + size.cy;
    if (!ShowLayeredImage(m_shellImage, size.cx, size.cy)) {
        // Without its picture the shell still takes its size and gets its
        // panel: a prompt without buttons could never be closed.
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    auto* panel = new CPromptChildDlg();
    panel->m_scale = m_scale;
    panel->m_promptText = m_promptText;
    panel->m_promptMode = m_promptMode;
    if (!CreatePanelWindow(panel, IDD_PROMPT_PANEL)) return TRUE;
    panel->MoveWindow(PromptPanelRect(shell, m_scale), true);
    panel->ShowWindow(SW_SHOW);
    panel->LayoutPanel();
    return TRUE;
}

BOOL CPromptDlg::PreTranslateMessage(MSG* msg) {
    if (IsEnterOrEscape(msg)) return TRUE;
    return CLayeredShell::PreTranslateMessage(msg);
}

LRESULT CPromptDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_PROMPT_BUTTON) {
        if (wParam == 1) OnOK();
        else OnCancel();
        return 0;
    }
    return CLayeredShell::WindowProc(msg, wParam, lParam);
}
