#include "dialogs/ExecutePromptDlg.h"

#include "dialogs/DialogLayout.h"
#include "dialogs/DialogMessages.h"
#include "dialogs/ExecutePromptChildDlg.h"
#include "dialogs/PromptDlg.h"
#include "res/images.h"
#include "res/resource.h"

CExecutePromptDlg::CExecutePromptDlg() : CLayeredShell(IDD_EXECUTE_SHELL, ShellInsets{14, 12, 14, 16}) {
    m_scale = kExecutePromptScale;
}

CExecutePromptDlg::~CExecutePromptDlg() = default;

BOOL CExecutePromptDlg::OnInitDialog() {
    CDialogEx::OnInitDialog();

    RECT wr = GetWindowRect();
    RECT shell = ExecuteShellRect(wr.left, wr.top, m_scale);
    int width = shell.right - shell.left, height = shell.bottom - shell.top;
    if (!ShowLayeredImage(IDP_EXECUTE_SHELL, width, height, true)) return TRUE;

    auto* panel = new CExecutePromptChildDlg();
    panel->m_scale = m_scale;
    if (!CreatePanelWindow(panel, IDD_EXECUTE_PANEL)) return TRUE;
    panel->MoveWindow(ExecutePanelRect(shell, m_scale), true);
    panel->ShowWindow(SW_SHOW);
    panel->LayoutPanel();
    return TRUE;
}

BOOL CExecutePromptDlg::PreTranslateMessage(MSG* msg) {
    if (IsEnterOrEscape(msg)) return TRUE;
    return CLayeredShell::PreTranslateMessage(msg);
}

LRESULT CExecutePromptDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_CLOSE_EXECUTE_PROMPT) {
        EndDialog(IDOK);
        return 0;
    }
    return CLayeredShell::WindowProc(msg, wParam, lParam);
}
