#include "dialogs/ProblemSolvingFeedbackDlg.h"

#include "dialogs/DialogLayout.h"
#include "dialogs/ProblemSolvingFeedbackChildDlg.h"
#include "dialogs/PromptDlg.h"
#include "feedback/ShellOpen.h"
#include "res/resource.h"
#include "skin/Drawing.h"

void OpenUrlInBrowser(const wchar_t* url) { OpenWebPage(url); }

CProblemSolvingFeedbackDlg::CProblemSolvingFeedbackDlg(float scale)
    : CLayeredShell(IDD_FEEDBACK_SHELL, ShellInsets{5, 4, 5, 7}) {
    m_scale = scale;
    if (scale > 0.0f) m_fontShrink = FontShrink(scale, ScreenScaleFactor());
}

CProblemSolvingFeedbackDlg::~CProblemSolvingFeedbackDlg() = default;

BOOL CProblemSolvingFeedbackDlg::OnInitDialog() {
    CDialogEx::OnInitDialog();
    SetWindowText(L"打印机无响应修复工具");

    if (m_scale <= 0.0f) m_scale = ScreenScaleFactor();
    SIZE size = FeedbackShellSize(m_scale);
    RECT wr = GetWindowRect();
    wr = KeptInWorkArea(RECT{wr.left, wr.top, wr.left + size.cx, wr.top + size.cy}, WorkAreaOf(wr));
    auto panel = std::make_unique<CProblemSolvingFeedbackChildDlg>();
    panel->m_scale = m_scale;
    panel->m_feedbackClient = m_feedbackClient;
    panel->m_urlOpener = m_urlOpener;
    // Without its picture the shell still gets its panel, whose buttons are
    // the only way out of this dialog.
    StartShell(wr, m_shellImage, std::move(panel),
               IDD_FEEDBACK_PANEL, false, true);
    return TRUE;
}

void CProblemSolvingFeedbackDlg::LayoutPanel() {
    static_cast<CProblemSolvingFeedbackChildDlg*>(m_panel.get())->LayoutPanel();
}

BOOL CProblemSolvingFeedbackDlg::PreTranslateMessage(MSG* msg) {
    if (IsEnterOrEscape(msg)) return TRUE;
    return CLayeredShell::PreTranslateMessage(msg);
}
