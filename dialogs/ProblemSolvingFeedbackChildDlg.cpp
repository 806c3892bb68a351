#include "dialogs/ProblemSolvingFeedbackChildDlg.h"

#include <cstdint>
#include <ctime>
#include <cstdlib>

#include "dialogs/DialogLayout.h"
#include "dialogs/KnowledgeBase.h"
#include "dialogs/PromptDlg.h"
#include "exec/FeedbackInformation.h"
#include "res/images.h"
#include "res/resource.h"
#include "skin/ResourceImage.h"

std::wstring FeedbackTimeText(long long seconds) {
    wchar_t text[16];
    // The C library's own conversion: a printf here would bring a whole
    // formatter into the program for one number.
    _itow(static_cast<int>(static_cast<int32_t>(static_cast<uint32_t>(seconds))), text, 10);
    return text;
}

CProblemSolvingFeedbackChildDlg::CProblemSolvingFeedbackChildDlg() : CSkinPanel(IDD_FEEDBACK_PANEL) {}

CProblemSolvingFeedbackChildDlg::~CProblemSolvingFeedbackChildDlg() = default;

void CProblemSolvingFeedbackChildDlg::DoDataExchange(CDataExchange* pDX) {
    DDX_Control(pDX, IDC_FEEDBACK_CLOSE, m_close);
    DDX_Control(pDX, IDC_FEEDBACK_SOLVED, m_solved);
    DDX_Control(pDX, IDC_FEEDBACK_UNSOLVED, m_unsolved);
    DDX_Control(pDX, IDC_FEEDBACK_MORE, m_more);
}

void CProblemSolvingFeedbackChildDlg::LayoutPanel() {
    m_clientRect = GetClientRect();
    FeedbackLayout layout = LayoutFeedback(m_clientRect, m_scale);
    m_close.SetImages(IDP_FEEDBACK_CLOSE_NORMAL, IDP_FEEDBACK_CLOSE_PRESSED, IDP_FEEDBACK_CLOSE_HOVER, IDP_FEEDBACK_CLOSE_DISABLED);
    m_close.MoveWindow(layout.close, true);
    m_solved.SetImages(IDP_SOLVED_NORMAL, IDP_SOLVED_PRESSED, IDP_SOLVED_HOVER, IDP_SOLVED_DISABLED);
    m_solved.MoveWindow(layout.solved, true);
    m_unsolved.SetImages(IDP_UNSOLVED_NORMAL, IDP_UNSOLVED_PRESSED, IDP_UNSOLVED_HOVER, IDP_UNSOLVED_DISABLED);
    m_unsolved.MoveWindow(layout.unsolved, true);
    m_more.SetImages(IDP_MORE_SOLUTIONS_NORMAL, IDP_MORE_SOLUTIONS_PRESSED, IDP_MORE_SOLUTIONS_HOVER, IDP_MORE_SOLUTIONS_DISABLED);
    m_more.MoveWindow(layout.more, true);
}

void CProblemSolvingFeedbackChildDlg::ReportAnswer(int answer) {
    if (m_feedbackClient) {
        std::wstring time = FeedbackTimeText(static_cast<long long>(std::time(nullptr)));
        m_feedbackClient->CustomerFeedbackEx(kToolId, kToolVersion, answer, time.c_str());
        m_feedbackClient->FeedbackQuestion(kToolId, kToolVersion);
    }
    ::SendMessageW(GetParent(), WM_CLOSE, 0, 0);
}

RECT CProblemSolvingFeedbackChildDlg::DragBand() const { return TopDragBand(m_hWnd, 30, 26); }

BOOL CProblemSolvingFeedbackChildDlg::PreTranslateMessage(MSG* msg) {
    if (IsEnterOrEscape(msg)) return TRUE;
    return CSkinPanel::PreTranslateMessage(msg);
}

bool CProblemSolvingFeedbackChildDlg::OnCommand(WPARAM wParam, LPARAM) {
    WORD id = LOWORD(wParam);
    // The dialog manager's own OK and Cancel would only hide this panel.
    if (id == IDOK || id == IDCANCEL) return true;
    // A double click's second notice must not report a second answer.
    if (HIWORD(wParam) != BN_CLICKED) return false;
    switch (id) {
    case IDC_FEEDBACK_SOLVED: ReportAnswer(kAnswerSolved); return true;
    case IDC_FEEDBACK_UNSOLVED: ReportAnswer(kAnswerNotSolved); return true;
    case IDC_FEEDBACK_CLOSE: ReportAnswer(kAnswerClosed); return true;
    case IDC_FEEDBACK_MORE:
        if (m_urlOpener) m_urlOpener(kKnowledgeBaseHome);
        return true;
    default: return false;
    }
}

BOOL CProblemSolvingFeedbackChildDlg::OnEraseBkgnd(HDC dc) {
    if (!m_background && !LoadPngResource(IDP_FEEDBACK_PANEL, m_background)) return TRUE;
    // An erase before the layout has stored the rectangle still fills the panel.
    RECT r = ::IsRectEmpty(&m_clientRect) ? GetClientRect() : m_clientRect;
    Gdiplus::Graphics g(dc);
    g.SetSmoothingMode(Gdiplus::SmoothingModeHighQuality);
    DrawImageStretched(g, m_background.get(), r);
    return TRUE;
}

void CProblemSolvingFeedbackChildDlg::OnDestroy() {
    m_close.FreeImages();
    m_solved.FreeImages();
    m_unsolved.FreeImages();
    m_more.FreeImages();
    m_background.reset();
}

LRESULT CProblemSolvingFeedbackChildDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_ERASEBKGND: return OnEraseBkgnd(reinterpret_cast<HDC>(wParam));
    case WM_DESTROY:
        OnDestroy();
        return Default();
    default: return CSkinPanel::WindowProc(msg, wParam, lParam);
    }
}
