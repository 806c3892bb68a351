#include "dialogs/PromptDlg.h"

#include "dialogs/DialogLayout.h"
#include "dialogs/DialogMessages.h"
#include "dialogs/FrontWindow.h"
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
    RECT wr = GetWindowRect();
    auto panel = std::make_unique<CPromptChildDlg>();
    panel->m_scale = m_scale;
    panel->m_promptText = m_promptText;
    panel->m_promptMode = m_promptMode;
    // Without its picture the shell still gets its panel: a prompt without
    // buttons could never be closed.
    StartShell(RECT{wr.left, wr.top, wr.left + size.cx, wr.top + size.cy}, m_shellImage, std::move(panel),
               IDD_PROMPT_PANEL, false, true);
    // What a second start of the tool brings forward first.
    MarkFrontWindow(m_hWnd, FrontRank::Prompt);
    return TRUE;
}

void CPromptDlg::OnDestroy() {
    UnmarkFrontWindow(m_hWnd);
    CLayeredShell::OnDestroy();
}

void CPromptDlg::LayoutPanel() { static_cast<CPromptChildDlg*>(m_panel.get())->LayoutPanel(); }

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
