#include "dialogs/ExecutePromptDlg.h"

#include "dialogs/DialogLayout.h"
#include "dialogs/DialogMessages.h"
#include "dialogs/ExecutePromptChildDlg.h"
#include "dialogs/FrontWindow.h"
#include "dialogs/PromptDlg.h"
#include "skin/Drawing.h"
#include "res/images.h"
#include "res/resource.h"

CExecutePromptDlg::CExecutePromptDlg(float mainScale) : CLayeredShell(IDD_EXECUTE_SHELL, ShellInsets{14, 12, 14, 16}) {
    m_scale = ProgressScale(mainScale);
    m_fontShrink = FontShrink(m_scale, ProgressScale(ScreenScaleFactor()));
}

CExecutePromptDlg::~CExecutePromptDlg() = default;

BOOL CExecutePromptDlg::OnInitDialog() {
    CDialogEx::OnInitDialog();

    RECT wr = GetWindowRect();
    wr = ExecuteShellRect(wr.left, wr.top, m_scale);
    auto panel = std::make_unique<CExecutePromptChildDlg>();
    panel->m_scale = m_scale;
    StartShell(KeptInWorkArea(wr, WorkAreaOf(wr)), IDP_EXECUTE_SHELL, std::move(panel), IDD_EXECUTE_PANEL,
               true);
    MarkFrontWindow(m_hWnd, FrontRank::Progress);
    return TRUE;
}

void CExecutePromptDlg::OnDestroy() {
    UnmarkFrontWindow(m_hWnd);
    CLayeredShell::OnDestroy();
}

void CExecutePromptDlg::LayoutPanel() { static_cast<CExecutePromptChildDlg*>(m_panel.get())->LayoutPanel(); }

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
