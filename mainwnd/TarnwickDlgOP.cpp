#include "mainwnd/TarnwickDlgOP.h"

#include "dialogs/DialogMessages.h"
#include "dialogs/ExecutePromptChildDlg.h"
#include "dialogs/ExecutePromptDlg.h"
#include "dialogs/KnowledgeBase.h"
#include "dialogs/ProblemSolvingFeedbackDlg.h"
#include "dialogs/PromptDlg.h"
#include "dialogs/TooltipDlg.h"
#include "framework/Gdi.h"
#include "mainwnd/ResultPrompt.h"
#include "mainwnd/StartupChecks.h"
#include "mainwnd/TarnwickDlg.h"
#include "res/images.h"
#include "res/resource.h"
#include "skin/Drawing.h"
#include "skin/ResourceImage.h"

namespace {
const COLORREF kLinkColour = 0xFF5C5C;
const COLORREF kLinkHighlight = 0xFF0000;
// Posted to the panel by the step thread: the shutdown reason belongs to the
// user-interface thread, which owns the main window.
const UINT WM_GUARD_SHUTDOWN = WM_APP + 41;
// From the step thread: the progress window of run number wParam goes up
// (posted, once the run has its lock) or down (sent, before the result).
const UINT WM_SHOW_PROGRESS = WM_APP + 42;
const UINT WM_CLOSE_PROGRESS = WM_APP + 43;
const wchar_t kShutdownReason[] = L"正在修复打印服务，请等待修复完成";

// The two links of the bottom line look alike.
void PlaceLink(CDrawTextStatic& link, const RECT& place) {
    link.InitFontFromParent();
    link.SetTextAlign(1);
    link.SetFillColor(0xFFFFFF);
    link.SetTextColors(kLinkColour, kLinkHighlight);
    link.MoveWindow(place);
}
}

CTarnwickDlgOP::CTarnwickDlgOP() : CSkinPanel(IDD_OPERATION_PANEL), m_run(*this, g_repairProgress) {}

CTarnwickDlgOP::~CTarnwickDlgOP() {
    if (m_hWnd) DestroyWindow();
}

void CTarnwickDlgOP::DoDataExchange(CDataExchange* pDX) {
    CSkinPanel::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_CLOSE, m_closeButton);
    DDX_Control(pDX, IDC_MIN, m_minButton);
    DDX_Control(pDX, ID_START, m_startButton);
    DDX_Control(pDX, IDC_VERSION, m_versionLabel);
    DDX_Control(pDX, IDC_FEEDBACK_TEXT, m_feedbackText);
    DDX_Control(pDX, IDC_AGREE, m_agreeBox);
    DDX_Control(pDX, IDC_AGREEMENT_TITLE, m_agreementTitle);
    DDX_Control(pDX, IDC_MORE_TOOLS, m_moreToolsButton);
}

BOOL CTarnwickDlgOP::OnInitDialog() {
    CSkinPanel::OnInitDialog();

    m_run.Open();
    RunStartupChecks(m_feedback, m_scale);
    m_run.StartSteps();
    return TRUE;
}

int CTarnwickDlgOP::MeasureTextWidth(const std::wstring& text, HFONT drawnIn) {
    // The panel's font is the shell's, made smaller where the window was fitted.
    HFONT font = drawnIn ? drawnIn : reinterpret_cast<HFONT>(::SendMessageW(m_hWnd, WM_GETFONT, 0, 0));
    if (!font) font = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    if (!font) font = static_cast<HFONT>(::GetStockObject(ANSI_VAR_FONT));
    LOGFONTW lf{};
    ::GetObjectW(font, sizeof(lf), &lf);
    CFont copy(::CreateFontIndirectW(&lf));
    CWindowDC dc(m_hWnd);
    CSelectObject select(dc, copy);
    SIZE size{};
    ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
}

bool CTarnwickDlgOP::LoadBackground() { return m_background || LoadPngResource(IDP_MAIN_PANEL, m_background); }

void CTarnwickDlgOP::LayoutPanelControls() {
    m_clientRect = GetClientRect();
    LoadBackground();
    // The link is measured in the font it is drawn in, which at 120 dpi is
    // wider than the shell's; the agreement title keeps the shell's measure.
    m_feedbackText.InitFontFromParent();
    PanelLayout L = ComputePanelLayout(m_clientRect, m_scale, MeasureTextWidth(L"反馈问题", m_feedbackText.Font()),
                                       MeasureTextWidth(L"同意《达维服务工具使用许可协议》"));

    m_closeButton.MoveWindow(L.close);
    m_closeButton.SetImages(IDP_CLOSE_NORMAL, IDP_CLOSE_PRESSED, IDP_CLOSE_HOVER, IDP_CLOSE_DISABLED);
    m_minButton.MoveWindow(L.minimise);
    m_minButton.SetImages(IDP_MIN_NORMAL, IDP_MIN_PRESSED, IDP_MIN_HOVER, IDP_MIN_DISABLED);
    m_startButton.MoveWindow(L.start);
    m_moreToolsButton.MoveWindow(L.moreTools);
    m_startButton.SetImages(IDP_START_NORMAL, IDP_START_PRESSED, IDP_START_HOVER, IDP_START_DISABLED);
    m_moreToolsButton.SetImages(IDP_MORE_TOOLS_NORMAL, IDP_MORE_TOOLS_PRESSED, IDP_MORE_TOOLS_HOVER, IDP_MORE_TOOLS_DISABLED);

    m_versionLabel.SetWindowText(kToolVersion);
    m_versionLabel.SetFontSizeDelta(6);
    m_versionLabel.InitFontFromParent();
    m_versionLabel.SetTextAlign(1);
    m_versionLabel.SetBackgroundImage(m_background.get());
    m_versionLabel.SetBackgroundSource(193, 7, 293, 37);
    m_versionLabel.SetTextColors(0xFFFFFF, 0xFFFFFF);
    m_versionLabel.MoveWindow(L.version);

    PlaceLink(m_feedbackText, L.feedbackText);

    m_agreeBox.InitFontFromParent();
    m_agreeBox.scale = m_scale;
    m_agreeBox.MoveWindow(L.agreeBox);
    m_agreeBox.SetCheck(BST_CHECKED);
    PlaceLink(m_agreementTitle, L.agreementTitle);
}

// The top 100 pixels, less the right 186 where minimise and close sit.
RECT CTarnwickDlgOP::DragBand() const { return TopDragBand(m_hWnd, 100, 186); }

BOOL CTarnwickDlgOP::OnEraseBkgnd(HDC dc) {
    RECT r = GetClientRect();
    CMemoryDC mem(dc);
    CBitmap bitmap(::CreateCompatibleBitmap(dc, r.right, r.bottom));
    CSelectObject select(mem, bitmap);
    Gdiplus::Graphics g(mem.Get());
    g.SetSmoothingMode(Gdiplus::SmoothingModeHighQuality);
    if (!LoadBackground()) {
        ::MessageBoxW(m_hWnd, L"ERROR", L"", MB_OK);
        return TRUE;
    }
    DrawImageStretched(g, m_background.get(), r);
    ::BitBlt(dc, 0, 0, r.right, r.bottom, mem, 0, 0, SRCCOPY);
    return TRUE;
}

void CTarnwickDlgOP::OnLButtonDown(POINT client) {
    POINT pt = client;
    ClientToScreen(pt);
    if (m_feedbackText.m_hWnd && m_feedbackText.HitTest(pt.x, pt.y))
        m_feedback.FeedbackQuestion(kToolId, kToolVersion);
    if (m_agreementTitle.m_hWnd && m_agreementTitle.HitTest(pt.x, pt.y)) ToggleAgreement();
    else HideAgreement();
}

void CTarnwickDlgOP::ToggleAgreement() {
    if (!m_agreement) {
        m_agreement = std::make_unique<CTooltipDlg>();
        m_agreement->m_scale = m_scale;
        m_agreement->m_fontShrink = m_fontShrink;
        m_agreement->Create(IDD_TOOLTIP_SHELL, this);
    }
    m_agreement->MoveWindow(AgreementOverlayRect(GetWindowRect(), m_scale), true);
    ShowAgreement(!m_agreement->IsWindowVisible());
}

void CTarnwickDlgOP::ShowAgreement(bool show) {
    m_agreement->ShowWindow(show ? SW_SHOW : SW_HIDE);
    m_agreement->ShowPanel(show);
}

void CTarnwickDlgOP::HideAgreement() {
    if (m_agreement) ShowAgreement(false);
}

void CTarnwickDlgOP::OnCloseButton() {
    CProblemSolvingFeedbackDlg feedback(m_scale);
    feedback.SetFeedbackClient(&m_feedback);
    feedback.DoModal();
    ::SendMessageW(GetParent(), WM_CLOSE, 0, 0);
}

void CTarnwickDlgOP::OnAgreeClicked() {
    m_startButton.EnableWindow(m_agreeBox.GetCheck() == BST_CHECKED);
}

bool CTarnwickDlgOP::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (HIWORD(wParam) != BN_CLICKED) return CSkinPanel::OnCommand(wParam, lParam);
    switch (LOWORD(wParam)) {
    case IDC_CLOSE:
        OnCloseButton();
        return true;
    case IDC_MIN:
        ::PostMessageW(GetParent(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
        return true;
    case ID_START:
        StartRepair();
        return true;
    case IDC_AGREE:
        OnAgreeClicked();
        return true;
    case IDC_MORE_TOOLS:
        OpenUrlInBrowser(kKnowledgeBaseArticle);
        return true;
    default:
        return CSkinPanel::OnCommand(wParam, lParam);
    }
}

BOOL CTarnwickDlgOP::PreTranslateMessage(MSG* msg) {
    if (IsEnterOrEscape(msg)) return TRUE;
    return CSkinPanel::PreTranslateMessage(msg);
}

void CTarnwickDlgOP::OnDestroy() {
    m_closeButton.FreeImages();
    m_minButton.FreeImages();
    m_moreToolsButton.FreeImages();
    m_startButton.FreeImages();
    m_background.reset();
    m_versionLabel.SetBackgroundImage(nullptr);
    // A result prompt still open on the step thread is closed first, so that
    // the thread leaves between passes.
    if (HWND prompt = m_resultPrompt.load()) ::PostMessageW(prompt, WM_CLOSE, 0, 0);
    m_run.Close();
    m_agreement.reset();
    m_feedback.ReleaseFreedbackRes();
}

LRESULT CTarnwickDlgOP::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_ERASEBKGND:
        return OnEraseBkgnd(reinterpret_cast<HDC>(wParam));
    case WM_LBUTTONDOWN:
        OnLButtonDown(POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
        return Default();
    case WM_GUARD_SHUTDOWN:
        OnGuardShutdown(wParam != 0);
        return 0;
    case WM_SHOW_PROGRESS:
        OnShowProgress(static_cast<unsigned>(wParam));
        return 0;
    case WM_CLOSE_PROGRESS:
        OnCloseProgress(static_cast<unsigned>(wParam));
        return 0;
    case WM_QUERYENDSESSION:
        return IsShutdownGuarded() ? FALSE : TRUE;
    case WM_CLOSE:
        // Alt+F4 on the panel closes the tool as its close button does.
        OnCloseButton();
        return 0;
    case WM_DESTROY: {
        LRESULT r = Default();
        OnDestroy();
        return r;
    }
    default:
        return CSkinPanel::WindowProc(msg, wParam, lParam);
    }
}

// ---- The repair run.

// The run first takes the lock that keeps repairs apart; the progress window
// shows once it has (ShowProgress), and a busy notice if another repair has.
void CTarnwickDlgOP::StartRepair() {
    m_startButton.EnableWindow(false);
    m_run.Start(::GetTickCount());
}

void CTarnwickDlgOP::ShowProgress() {
    unsigned run = ++m_runsBegun;
    if (m_hWnd) ::PostMessageW(m_hWnd, WM_SHOW_PROGRESS, run, 0);
}

void CTarnwickDlgOP::OnShowProgress(unsigned run) {
    // A run over before its window could show needs none.
    if (run <= m_progressClosed) return;
    g_repairStatusText = L"正在清除打印机任务,请稍等";
    m_executePrompt = std::make_unique<CExecutePromptDlg>(m_scale);
    m_executePrompt->DoModal();
}

void CTarnwickDlgOP::CloseProgress() {
    if (m_hWnd) ::SendMessageW(m_hWnd, WM_CLOSE_PROGRESS, m_runsBegun.load(), 0);
}

void CTarnwickDlgOP::OnCloseProgress(unsigned run) {
    if (run > m_progressClosed) m_progressClosed = run;
    if (m_executePrompt && m_executePrompt->m_hWnd)
        ::SendMessageW(m_executePrompt->m_hWnd, WM_CLOSE_EXECUTE_PROMPT, 0, 0);
}

void CTarnwickDlgOP::ShowBusy() { ShowBusyNotice(m_resultPrompt, m_startButton.m_hWnd, m_scale); }

void CTarnwickDlgOP::ShutdownGuardChanged(bool on) {
    if (m_hWnd) ::PostMessageW(m_hWnd, WM_GUARD_SHUTDOWN, on, 0);
}

void CTarnwickDlgOP::OnGuardShutdown(bool on) {
    HWND shell = GetParent();
    if (!shell) return;
    if (on && m_run.IsShutdownGuarded()) ::ShutdownBlockReasonCreate(shell, kShutdownReason);
    else if (!on) ::ShutdownBlockReasonDestroy(shell);
}
