#include "dialogs/ProblemSolvingFeedbackDlg.h"

#include "dialogs/DialogLayout.h"
#include "dialogs/ProblemSolvingFeedbackChildDlg.h"
#include "dialogs/PromptDlg.h"
#include "feedback/ShellOpen.h"
#include "res/resource.h"
#include "skin/Drawing.h"

void OpenUrlInBrowser(const wchar_t* url) { OpenWebPage(url); }

CProblemSolvingFeedbackDlg::CProblemSolvingFeedbackDlg()
    : CLayeredShell(IDD_FEEDBACK_SHELL, ShellInsets{5, 4, 5, 7}) {}

CProblemSolvingFeedbackDlg::~CProblemSolvingFeedbackDlg() = default;

BOOL CProblemSolvingFeedbackDlg::OnInitDialog() {
    CDialogEx::OnInitDialog();
    SetWindowText(L"打印机无响应修复工具");

    m_scale = ScreenScaleFactor();
    SIZE size = FeedbackShellSize(m_scale);
    RECT shell = GetWindowRect();
    shell.right = shell.left + size.cx;
    shell.bottom = shell.top + size.cy;
    if (!ShowLayeredImage(m_shellImage, size.cx, size.cy)) {
        // Without its picture the shell still gets its panel, whose buttons
        // are the only way out of this dialog.
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    auto* panel = new CProblemSolvingFeedbackChildDlg();
    panel->m_scale = m_scale;
    panel->m_feedbackClient = m_feedbackClient;
    panel->m_urlOpener = m_urlOpener;
    if (!CreatePanelWindow(panel, IDD_FEEDBACK_PANEL)) return TRUE;
    panel->MoveWindow(FeedbackPanelRect(shell, m_scale), true);
    panel->ShowWindow(SW_SHOW);
    panel->LayoutPanel();
    return TRUE;
}

BOOL CProblemSolvingFeedbackDlg::PreTranslateMessage(MSG* msg) {
    if (IsEnterOrEscape(msg)) return TRUE;
    return CLayeredShell::PreTranslateMessage(msg);
}
