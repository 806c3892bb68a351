#include "skin/LayeredShell.h"

#include "framework/Gdi.h"
#include "skin/Drawing.h"
#include "skin/ResourceImage.h"

RECT InsetRect(const RECT& r, const ShellInsets& in, float s) {
    return RECT{r.left + ScalePx(in.left, s), r.top + ScalePx(in.top, s), r.right - ScalePx(in.right, s),
                r.bottom - ScalePx(in.bottom, s)};
}

RECT OutsetRect(const RECT& r, const ShellInsets& in, float s) {
    return RECT{r.left - ScalePx(in.left, s), r.top - ScalePx(in.top, s), r.right + ScalePx(in.right, s),
                r.bottom + ScalePx(in.bottom, s)};
}

RECT CentredShellRect(int cx, int cy, int w, int h, float s) {
    RECT r;
    r.left = cx / 2 - Trunc(static_cast<double>(s) * w / 2);
    r.top = cy / 2 - Trunc(static_cast<double>(s) * h / 2);
    r.right = ScalePx(w, s) + r.left;
    r.bottom = ScalePx(h, s) + r.top;
    return r;
}

CLayeredShell::~CLayeredShell() {
    // Normally released in the destroy handler; this covers a shell whose
    // window never existed.
    delete m_panel;
    delete m_background;
}

bool CLayeredShell::ShowLayeredImage(UINT pngId, int width, int height, bool highQuality) {
    if (width <= 0 || height <= 0) return false;
    LONG_PTR ex = GetExStyle();
    ::SetWindowLongPtrW(m_hWnd, GWL_EXSTYLE, ex ^ WS_EX_LAYERED);

    CWindowDC windowDC(m_hWnd);
    CMemoryDC mem(windowDC);
    CBitmap bitmap(CreateArgbBitmap(windowDC, width, height));
    if (!mem || !bitmap) return false;
    CSelectObject select(mem, bitmap);
    RECT wr = GetWindowRect();
    POINT position{wr.left, wr.top};

    if (!m_background && !LoadPngResource(pngId, m_background)) return false;
    {
        Gdiplus::Graphics g(mem.Get());
        if (highQuality) g.SetSmoothingMode(Gdiplus::SmoothingModeHighQuality);
        g.DrawImage(m_background, 0, 0, width, height);
    }
    SIZE size{width, height};
    POINT source{0, 0};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    ::UpdateLayeredWindow(m_hWnd, windowDC, &position, &size, mem, &source, 0, &blend, ULW_ALPHA);
    return true;
}

bool CLayeredShell::CreatePanelWindow(CDialog* panel, UINT templateId) {
    m_panel = panel;
    return panel->Create(templateId, this);
}

int CLayeredShell::FollowPanel(int left, int top, int right, int bottom) {
    m_panelFollows = false;
    MoveWindow(ShellRectAround(RECT{left, top, right, bottom}), true);
    return 0;
}

void CLayeredShell::OnMove() {
    if (m_panelFollows && m_panel && m_panel->IsWindow())
        m_panel->MoveWindow(AlignedPanelRect(GetWindowRect()), true);
}

void CLayeredShell::OnDestroy() {
    delete m_background;
    m_background = nullptr;
    // The panel's own destroy handler runs inside this delete.
    CDialog* panel = m_panel;
    m_panel = nullptr;
    delete panel;
}

LRESULT CLayeredShell::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_MOVE: {
        LRESULT r = Default();
        OnMove();
        return r;
    }
    case WM_DESTROY: {
        LRESULT r = Default();
        OnDestroy();
        return r;
    }
    default:
        return CDialogEx::WindowProc(msg, wParam, lParam);
    }
}
