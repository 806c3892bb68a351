#include "dialogs/ExecutePromptChildDlg.h"

#include "dialogs/DialogLayout.h"
#include "dialogs/PromptDlg.h"
#include "framework/Gdi.h"
#include "res/images.h"
#include "res/resource.h"
#include "skin/ResourceImage.h"

namespace {
const UINT_PTR kProgressTimer = 1;
}

std::atomic<int> g_repairProgress{0};
std::wstring g_repairStatusText;

CExecutePromptChildDlg::CExecutePromptChildDlg() : CSkinPanel(IDD_EXECUTE_PANEL) {}

CExecutePromptChildDlg::~CExecutePromptChildDlg() = default;

void CExecutePromptChildDlg::DoDataExchange(CDataExchange* pDX) { DDX_Control(pDX, IDC_EXECUTE_STATUS, m_status); }

BOOL CExecutePromptChildDlg::OnInitDialog() {
    CSkinPanel::OnInitDialog();
    SetTimer(kProgressTimer, 500);
    return TRUE;
}

void CExecutePromptChildDlg::LayoutPanel() {
    RECT client = GetClientRect();
    m_status.SetTextAlign(1);
    m_status.SetTextColorAndRedraw(0xFFFFFF);
    // The status line shows its piece of the panel's picture behind the text.
    if (!m_background) LoadPngResource(IDP_EXECUTE_PANEL, m_background);
    m_status.SetBackgroundImage(m_background.get());
    m_status.SetBackgroundSource(10, 42, 194, 62);
    // Shown at once rather than half a second later at the first tick.
    m_status.SetStateText(g_repairStatusText);
    m_status.MoveWindow(ExecuteStatusRect(client, m_scale), true);
    m_status.InitFontFromParent();
    m_status.StartRefresh();
}

void CExecutePromptChildDlg::OnTimer(UINT_PTR id) {
    if (id == kProgressTimer) {
        int progress = g_repairProgress.load();
        if (progress != m_lastProgress) {
            m_lastProgress = progress;
            Invalidate(true);
        }
        m_status.SetStateText(g_repairStatusText);
    }
    Default();
}

BOOL CExecutePromptChildDlg::OnEraseBkgnd(HDC dc) {
    RECT c = GetClientRect();
    int width = c.right - c.left, height = c.bottom - c.top;
    if (width <= 0 || height <= 0) return TRUE;
    CMemoryDC mem(dc);
    CBitmap bitmap(::CreateCompatibleBitmap(dc, c.right, c.bottom));
    if (!mem || !bitmap) return TRUE;
    CSelectObject select(mem, bitmap);

    if (!m_background && !LoadPngResource(IDP_EXECUTE_PANEL, m_background)) return TRUE;
    if (!m_track && !LoadPngResource(IDP_PROGRESS_TRACK, m_track)) return TRUE;
    if (!m_fill && !LoadPngResource(IDP_PROGRESS_FILL, m_fill)) return TRUE;
    {
        Gdiplus::Graphics g(mem.Get());
        g.SetSmoothingMode(Gdiplus::SmoothingModeHighQuality);
        g.DrawImage(m_background.get(), Gdiplus::Rect(c.left, c.top, width, height));
        RECT track = ProgressTrackRect(c, m_scale);
        g.DrawImage(m_track.get(), Gdiplus::Rect(track.left, track.top, track.right - track.left, track.bottom - track.top));
        int fill = ProgressFillWidth(g_repairProgress.load(), m_scale);
        if (fill > 0) {
            // Cut from the left of the fill picture, not squeezed.
            g.DrawImage(m_fill.get(), Gdiplus::Rect(track.left, track.top, fill, track.bottom - track.top), 0, 0, fill,
                        static_cast<INT>(m_fill->GetHeight()), Gdiplus::UnitPixel);
        }
    }
    ::BitBlt(dc, 0, 0, c.right, c.bottom, mem, 0, 0, SRCCOPY);
    return TRUE;
}

BOOL CExecutePromptChildDlg::PreTranslateMessage(MSG* msg) {
    if (IsEnterOrEscape(msg)) return TRUE;
    return CSkinPanel::PreTranslateMessage(msg);
}

bool CExecutePromptChildDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    // The dialog manager's OK and Cancel would hide the panel mid-run.
    if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) return true;
    return CSkinPanel::OnCommand(wParam, lParam);
}

void CExecutePromptChildDlg::OnDestroy() {
    KillTimer(kProgressTimer);
    m_status.StopRefresh();
    // The status line draws from the background picture: it stops first.
    m_status.SetBackgroundImage(nullptr);
    m_background.reset();
    m_track.reset();
    m_fill.reset();
}

LRESULT CExecutePromptChildDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_ERASEBKGND: return OnEraseBkgnd(reinterpret_cast<HDC>(wParam));
    case WM_TIMER:
        OnTimer(static_cast<UINT_PTR>(wParam));
        return 0;
    case WM_DESTROY: {
        LRESULT r = Default();
        OnDestroy();
        return r;
    }
    default: return CSkinPanel::WindowProc(msg, wParam, lParam);
    }
}
