#include "mainwnd/TarnwickDlgOP.h"

#include "app/TarnwickApp.h"
#include "dialogs/DialogMessages.h"
#include "dialogs/ExecutePromptDlg.h"
#include "dialogs/KnowledgeBase.h"
#include "dialogs/ProblemSolvingFeedbackDlg.h"
#include "dialogs/PromptDlg.h"
#include "dialogs/TooltipDlg.h"
#include "exec/LogFile.h"
#include "framework/Gdi.h"
#include "mainwnd/SpoolerService.h"
#include "mainwnd/TarnwickDlg.h"
#include "res/resource.h"
#include "skin/Drawing.h"
#include "skin/ResourceImage.h"

namespace {
const wchar_t kLogName[] = L"LOG.txt";
const COLORREF kLinkColour = 0xFF5C5C;
const COLORREF kLinkHighlight = 0xFF0000;
// The step thread sleeps this long per pass.
const DWORD kStepPassMs = 100;
// Covers one pass of the step thread, so it leaves between passes.
const DWORD kStepThreadGraceMs = 1000;
// How long ending a command may take before the next one goes anyway.
const DWORD kEndCommandMs = 3000;
// Posted to the panel by the step thread: the shutdown reason belongs to the
// user-interface thread, which owns the main window.
const UINT WM_GUARD_SHUTDOWN = WM_APP + 41;
const wchar_t kShutdownReason[] = L"正在修复打印服务，请等待修复完成";
}

PanelLayout ComputePanelLayout(const RECT& R, float s, int feedbackTextWidth, int agreementLineWidth) {
    PanelLayout L{};
    const double d = s;
    int W = R.right - R.left, H = R.bottom - R.top;
    L.close.left = Trunc(R.right - 26 * d + 1);
    L.close.top = R.top;
    L.close.right = Trunc(L.close.left + 26 * d);
    L.close.bottom = Trunc(L.close.top + 34 * d);
    L.minimise.left = Trunc(R.right - 52 * d);
    L.minimise.top = R.top;
    L.minimise.right = Trunc(L.minimise.left + 26 * d);
    L.minimise.bottom = Trunc(L.minimise.top + 34 * d);
    if (W > 400) {
        L.start.left = Trunc(400 * d / 2 - 259 * d / 2) + R.left;
        L.start.top = Trunc(600 * d / 2 - 80 * d) + R.top;
        L.start.right = Trunc(259 * d) + L.start.left;
        L.start.bottom = Trunc(85 * d) + L.start.top;
        L.moreTools.left = Trunc(400 * d / 2 - 150 * d) + R.left;
        L.moreTools.top = Trunc(600 * d / 2 + 240 * d) + R.top;
        L.moreTools.right = Trunc(58 * d) + L.moreTools.left;
        L.moreTools.bottom = Trunc(18 * d) + L.moreTools.top;
        L.version.left = Trunc(400 * d / 2 - 15 * d / 2) + R.left;
        L.version.top = Trunc(600 * d / 2 - 293 * d) + R.top;
        L.version.right = Trunc(100 * d) + L.version.left;
        L.version.bottom = Trunc(30 * d) + L.version.top;
    } else {
        L.start.left = W / 2 + R.left - 129;
        L.start.top = H / 2 + R.top - 80;
        L.start.right = L.start.left + 259;
        L.start.bottom = L.start.top + 85;
        L.moreTools.left = W / 2 + R.left - 150;
        L.moreTools.top = H / 2 + R.top + 240;
        L.moreTools.right = L.moreTools.left + 58;
        L.moreTools.bottom = L.moreTools.top + 18;
        L.version.left = W / 2 + R.left - 7;
        L.version.top = H / 2 + R.top - 293;
        L.version.right = L.version.left + 100;
        L.version.bottom = L.version.top + 30;
    }
    int D = Trunc(feedbackTextWidth + 4 * d + 2 + 6);
    L.feedbackText.left = R.right - D - 6;
    L.feedbackText.top = Trunc(R.bottom - 25 * d);
    L.feedbackText.right = R.right - 6;
    L.feedbackText.bottom = Trunc(L.feedbackText.top + 20 * d);
    int n = agreementLineWidth / 14;
    L.agreeBox.left = Trunc(8 * d);
    L.agreeBox.top = Trunc(R.bottom - 25 * d);
    L.agreeBox.right = Trunc(L.agreeBox.left + 16 * d + 2 * n + 2);
    L.agreeBox.bottom = Trunc(L.agreeBox.top + 20 * d);
    L.agreementTitle.left = L.agreeBox.right + 6;
    L.agreementTitle.top = Trunc(R.bottom - 25 * d);
    L.agreementTitle.right = L.agreementTitle.left + 14 * n;
    L.agreementTitle.bottom = Trunc(L.agreementTitle.top + 20 * d);
    return L;
}

CTarnwickDlgOP::CTarnwickDlgOP() : CSkinPanel(IDD_OPERATION_PANEL), m_sequence(*this, g_repairProgress) {}

CTarnwickDlgOP::~CTarnwickDlgOP() {
    if (m_hWnd) DestroyWindow();
    delete m_background;
    delete m_executePrompt.exchange(nullptr);
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

    CCmdCommandOp* runner = CreateCmdCommandOp();
    m_runner = runner;
    if (runner) {
        m_sequence.Arm();
        SetCmdOutputCallback(runner, &CTarnwickDlgOP::OnCommandOutput, this);
        SetCmdEndedCallback(runner, &CTarnwickDlgOP::OnCommandEnded, this);
    }
    // A run that was killed while the spooler was disabled is mended first,
    // before anything that may end the process.
    if (runner && SpoolerDisabledRecorded()) RestoreInterruptedRun();
    if (m_feedback.InitFreedbackDll() == 0) {
        CPromptDlg prompt;
        prompt.SetPromptText(L"工具初始化失败");
        prompt.SetPromptMode(3);
        prompt.DoModal();
        ::ExitProcess(0);
    }
    if (m_feedback.GetToolIsNewVersion(kToolId, kToolVersion) == 3) {
        CPromptDlg prompt;
        prompt.m_scale = m_scale;
        prompt.SetPromptText(L"检测到当前工具有新的版本更新，请下载最新版本使用。");
        prompt.SetPromptMode(1);
        prompt.DoModal();
        m_feedback.OpenToolDownUrl();
        ::ExitProcess(0);
    }

    m_stepThread.Start(&CTarnwickDlgOP::RunRepairStep, this);
    m_stepThread.SetRunning(true);
    return TRUE;
}

int CTarnwickDlgOP::MeasureTextWidth(const std::wstring& text, HFONT drawnIn) {
    HWND shell = GetParent();
    HFONT font = drawnIn ? drawnIn : shell ? reinterpret_cast<HFONT>(::SendMessageW(shell, WM_GETFONT, 0, 0)) : nullptr;
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

bool CTarnwickDlgOP::LoadBackground() { return m_background || LoadPngResource(142, m_background); }

void CTarnwickDlgOP::LayoutPanelControls() {
    m_clientRect = GetClientRect();
    LoadBackground();
    // The link is measured in the font it is drawn in, which at 120 dpi is
    // wider than the shell's; the agreement title keeps the shell's measure.
    m_feedbackText.InitFontFromParent();
    PanelLayout L = ComputePanelLayout(m_clientRect, m_scale, MeasureTextWidth(L"反馈问题", m_feedbackText.Font()),
                                       MeasureTextWidth(L"同意《达维服务工具使用许可协议》"));

    m_closeButton.MoveWindow(L.close);
    m_closeButton.SetImages(144, 145, 146, 147);
    m_minButton.MoveWindow(L.minimise);
    m_minButton.SetImages(150, 151, 152, 153);
    m_startButton.MoveWindow(L.start);
    m_moreToolsButton.MoveWindow(L.moreTools);
    m_startButton.SetImages(177, 178, 179, 180);
    m_moreToolsButton.SetImages(215, 216, 217, 218);

    m_versionLabel.SetWindowText(kToolVersion);
    m_versionLabel.SetFontSizeDelta(6);
    m_versionLabel.InitFontFromParent();
    m_versionLabel.SetTextAlign(1);
    m_versionLabel.SetBackgroundImage(m_background);
    m_versionLabel.SetBackgroundSource(193, 7, 293, 37);
    m_versionLabel.SetTextColors(0xFFFFFF, 0xFFFFFF);
    m_versionLabel.MoveWindow(L.version);

    m_feedbackText.InitFontFromParent();
    m_feedbackText.SetTextAlign(1);
    m_feedbackText.SetFillColor(0xFFFFFF);
    m_feedbackText.SetTextColors(kLinkColour, kLinkHighlight);
    m_feedbackText.MoveWindow(L.feedbackText);

    m_agreeBox.InitFontFromParent();
    m_agreeBox.scale = m_scale;
    m_agreeBox.MoveWindow(L.agreeBox);
    m_agreeBox.SetCheck(BST_CHECKED);

    m_agreementTitle.InitFontFromParent();
    m_agreementTitle.SetTextAlign(1);
    m_agreementTitle.SetFillColor(0xFFFFFF);
    m_agreementTitle.SetTextColors(kLinkColour, kLinkHighlight);
    m_agreementTitle.MoveWindow(L.agreementTitle);
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
    DrawImageStretched(g, m_background, r);
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
        m_agreement = new CTooltipDlg();
        m_agreement->m_scale = m_scale;
        m_agreement->Create(IDD_TOOLTIP_SHELL, this);
    }
    RECT w = GetWindowRect();
    const double s = m_scale;
    m_agreement->MoveWindow(Trunc(w.left + 5 * s), Trunc(w.top + 108 * s), Trunc((w.right - w.left) - 7 * s),
                            Trunc((w.bottom - w.top) - 118 * s), true);
    if (m_agreement->IsWindowVisible()) {
        m_agreement->ShowWindow(SW_HIDE);
        m_agreement->ShowPanel(false);
    } else {
        m_agreement->ShowWindow(SW_SHOW);
        m_agreement->ShowPanel(true);
    }
}

void CTarnwickDlgOP::HideAgreement() {
    if (!m_agreement) return;
    m_agreement->ShowWindow(SW_HIDE);
    m_agreement->ShowPanel(false);
}

void CTarnwickDlgOP::OnCloseButton() {
    CProblemSolvingFeedbackDlg feedback;
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
    delete m_background;
    m_background = nullptr;
    m_versionLabel.SetBackgroundImage(nullptr);
    // The step thread goes before the runner: it may be inside a call on the
    // runner, which must not be freed under it. A result prompt still open on
    // that thread is closed first, so that the thread leaves between passes.
    if (HWND prompt = m_resultPrompt.load()) ::PostMessageW(prompt, WM_CLOSE, 0, 0);
    m_stepThread.Stop(kStepThreadGraceMs);
    if (CCmdCommandOp* runner = m_runner.exchange(nullptr)) {
        CloseCmdCommand(runner);
        DestroyCmdCommandOp(runner);
    }
    delete m_agreement;
    m_agreement = nullptr;
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

void CTarnwickDlgOP::StartRepair() {
    m_sequence.Start(::GetTickCount());
    m_stepThread.Wake();
    m_startButton.EnableWindow(false);
    g_repairStatusText = L"正在清除打印机任务,请稍等";
    delete m_executePrompt.exchange(nullptr);
    auto* prompt = new CExecutePromptDlg();
    m_executePrompt = prompt;
    prompt->DoModal();
}

bool CTarnwickDlgOP::RunRepairStep(void* context) {
    auto* panel = static_cast<CTarnwickDlgOP*>(context);
    panel->m_sequence.Pass(::GetTickCount());
    // Sleeps the pass out, but leaves at once when asked to stop.
    // Between runs the thread sleeps until StartRepair wakes it.
    panel->m_stepThread.WaitForStop(panel->m_sequence.Running() ? kStepPassMs : INFINITE);
    return true;
}

bool CTarnwickDlgOP::OnCommandOutput(const char* text, int length, void* context) {
    if (!context) return false;
    auto* panel = static_cast<CTarnwickDlgOP*>(context);
    CCmdCommandOp* runner = panel->m_runner.load();
    // On the reader thread, inside its delivery: the tag is the chunk's own.
    panel->m_sequence.OnOutput(text, length, runner ? runner->OutputTag() : 0);
    return true;
}

void CTarnwickDlgOP::OnCommandEnded(unsigned tag, void* context) {
    if (context) static_cast<CTarnwickDlgOP*>(context)->m_sequence.OnCommandEnded(tag);
}

void CTarnwickDlgOP::RestoreInterruptedRun() {
    // Before the window is up and before the step thread runs: the two
    // restoring commands, bounded by the sequence's own limits.
    m_sequence.StartRestore(::GetTickCount());
    while (m_sequence.Running()) {
        m_sequence.Pass(::GetTickCount());
        ::Sleep(kStepPassMs);
    }
}

bool CTarnwickDlgOP::IsShutdownGuarded() const { return m_shutdownGuard.load(); }

void CTarnwickDlgOP::OnSessionEnding() {
    // No time for a command: the start type goes straight back, so that the
    // spooler starts with the next boot.
    if (m_shutdownGuard.load()) SetSpoolerAutomaticStart();
}

namespace {
// The result prompt tells the panel its window, so that closing the tool can
// close it. OK gives start back at once: under Wine without a window manager
// each of the prompt's two windows takes 2 s to go, and the user must not
// wait for that.
class CResultPrompt : public CPromptDlg {
public:
    CResultPrompt(std::atomic<HWND>& slot, HWND start) : m_slot(slot), m_start(start) {}

protected:
    BOOL OnInitDialog() override {
        BOOL focus = CPromptDlg::OnInitDialog();
        m_slot = m_hWnd;
        return focus;
    }
    void OnOK() override {
        ::EnableWindow(m_start, TRUE);
        CPromptDlg::OnOK();
    }

private:
    std::atomic<HWND>& m_slot;
    HWND m_start;
};
}

void CTarnwickDlgOP::ShowRepairResult(bool success) {
    CResultPrompt prompt(m_resultPrompt, m_startButton.m_hWnd);
    prompt.m_scale = m_scale;
    prompt.SetPromptText(success ? L"修复成功" : L"修复失败");
    prompt.SetPromptMode(1);
    // OK has given start back already; doing it again here, seconds later,
    // could turn it on in the middle of the next run.
    prompt.DoModal();
    m_resultPrompt = nullptr;
}

bool CTarnwickDlgOP::HasRunner() { return m_runner.load() != nullptr; }

bool CTarnwickDlgOP::RunCommand(const char* command, int length, unsigned tag) {
    CCmdCommandOp* runner = m_runner.load();
    return runner && runner->Execute(command, length, tag);
}

void CTarnwickDlgOP::EndCommand() {
    if (CCmdCommandOp* runner = m_runner.load()) runner->EndCommand(kEndCommandMs);
}

bool CTarnwickDlgOP::Confirms(SpoolerCheck check) { return SpoolerConfirms(check); }

void CTarnwickDlgOP::RecordSpoolerDisabled(bool disabled) { ::RecordSpoolerDisabled(disabled); }

void CTarnwickDlgOP::GuardShutdown(bool on) {
    if (m_shutdownGuard.exchange(on) == on) return;
    if (m_hWnd) ::PostMessageW(m_hWnd, WM_GUARD_SHUTDOWN, on, 0);
}

void CTarnwickDlgOP::OnGuardShutdown(bool on) {
    HWND shell = GetParent();
    if (!shell) return;
    if (on && m_shutdownGuard.load()) ::ShutdownBlockReasonCreate(shell, kShutdownReason);
    else if (!on) ::ShutdownBlockReasonDestroy(shell);
}

void CTarnwickDlgOP::Log(const std::string& line) { WriteLog(line, kLogName); }

void CTarnwickDlgOP::CloseProgress() {
    CExecutePromptDlg* prompt = m_executePrompt.load();
    if (prompt && prompt->m_hWnd) ::SendMessageW(prompt->m_hWnd, WM_CLOSE_EXECUTE_PROMPT, 0, 0);
}

void CTarnwickDlgOP::ShowResult(bool success) { ShowRepairResult(success); }
