#include "dialogs/PromptChildDlg.h"

#include "dialogs/DialogLayout.h"
#include "dialogs/DialogMessages.h"
#include "dialogs/PromptDlg.h"
#include "res/images.h"
#include "res/resource.h"
#include "skin/ResourceImage.h"

namespace {
void Place(CWnd& w, const RECT& r) { w.MoveWindow(r, true); }
}

CPromptChildDlg::CPromptChildDlg() : CSkinPanel(IDD_PROMPT_PANEL) {}

CPromptChildDlg::~CPromptChildDlg() = default;

void CPromptChildDlg::DoDataExchange(CDataExchange* pDX) {
    DDX_Control(pDX, IDC_PROMPT_CLOSE, m_close);
    DDX_Control(pDX, IDC_PROMPT_OK, m_ok);
    DDX_Control(pDX, IDC_PROMPT_CANCEL, m_cancel);
    DDX_Control(pDX, IDC_PROMPT_MESSAGE, m_message);
}

void CPromptChildDlg::LayoutPanel() {
    RECT client = GetClientRect();
    PromptLayout layout = LayoutPrompt(m_promptMode, client.right - client.left, client.bottom - client.top, m_scale);
    PromptImages images = PromptModeImages(m_promptMode);

    m_close.SetImages(IDP_PROMPT_CLOSE_NORMAL, IDP_PROMPT_CLOSE_PRESSED, IDP_PROMPT_CLOSE_HOVER, IDP_PROMPT_CLOSE_HOVER);
    Place(m_close, layout.close);
    m_ok.SetImages(images.ok[0], images.ok[1], images.ok[2], images.ok[3]);
    m_cancel.SetImages(images.cancel[0], images.cancel[1], images.cancel[2], images.cancel[3]);
    m_ok.SetWindowText(images.okName);
    m_cancel.SetWindowText(images.cancelName);
    Place(m_ok, layout.ok);
    Place(m_cancel, layout.cancel);
    m_ok.ShowWindow(SW_SHOW);
    m_cancel.ShowWindow(images.cancelShown ? SW_SHOW : SW_HIDE);

    m_message.SetWindowText(m_promptText);
    Place(m_message, layout.message);
    m_message.InitFontFromParent();
}

RECT CPromptChildDlg::DragBand() const { return TopDragBand(m_hWnd, 30, 26); }

BOOL CPromptChildDlg::PreTranslateMessage(MSG* msg) {
    if (IsEnterOrEscape(msg)) return TRUE;
    return CSkinPanel::PreTranslateMessage(msg);
}

bool CPromptChildDlg::OnCommand(WPARAM wParam, LPARAM) {
    WORD id = LOWORD(wParam);
    // The dialog manager's own OK and Cancel would only hide this panel and
    // leave the shell without buttons.
    if (id == IDOK || id == IDCANCEL) return true;
    if (HIWORD(wParam) != BN_CLICKED) return false;
    HWND shell = GetParent();
    switch (id) {
    case IDC_PROMPT_OK: ::SendMessageW(shell, WM_PROMPT_BUTTON, 1, 0); return true;
    case IDC_PROMPT_CANCEL: ::SendMessageW(shell, WM_PROMPT_BUTTON, 2, 0); return true;
    case IDC_PROMPT_CLOSE: ::SendMessageW(shell, WM_CLOSE, 0, 0); return true;
    default: return false;
    }
}

BOOL CPromptChildDlg::OnEraseBkgnd(HDC dc) {
    if (!m_background && !LoadPngResource(IDP_PROMPT_PANEL, m_background)) return TRUE;
    RECT r = GetClientRect();
    Gdiplus::Graphics g(dc);
    g.SetSmoothingMode(Gdiplus::SmoothingModeHighQuality);
    DrawImageStretched(g, m_background.get(), r);
    return TRUE;
}

void CPromptChildDlg::OnDestroy() {
    m_close.FreeImages();
    m_ok.FreeImages();
    m_cancel.FreeImages();
    m_background.reset();
}

LRESULT CPromptChildDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_ERASEBKGND: return OnEraseBkgnd(reinterpret_cast<HDC>(wParam));
    case WM_DESTROY: {
        OnDestroy();
        return Default();
    }
    default: return CSkinPanel::WindowProc(msg, wParam, lParam);
    }
}
