#include "skin/LayeredShell.h"

#include "skin/SkinPanel.h"

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

RECT PanelAtCreation(const RECT& shell, float s, const ShellInsets& in) {
    const double d = s;
    int w = shell.right - shell.left, h = shell.bottom - shell.top;
    int x = Trunc(shell.left + in.left * d), y = Trunc(shell.top + in.top * d);
    return RECT{x, y, x + Trunc(w - (in.left + in.right) * d), y + Trunc(h - (in.top + in.bottom) * d)};
}

RECT CentredShellRect(int cx, int cy, int w, int h, float s) {
    RECT r;
    r.left = cx / 2 - Trunc(static_cast<double>(s) * w / 2);
    r.top = cy / 2 - Trunc(static_cast<double>(s) * h / 2);
    r.right = ScalePx(w, s) + r.left;
    r.bottom = ScalePx(h, s) + r.top;
    return r;
}

float FittedScale(float s, int w, int h, const RECT& work) {
    auto fits = [&](float f) { return ScalePx(w, f) <= work.right - work.left && ScalePx(h, f) <= work.bottom - work.top; };
    if (s <= 1.0f || fits(s)) return s;
    // Hundredths, as the factor of a resolution has them, from just below s.
    for (int hundredths = static_cast<int>(s * 100.0f - 0.001f); hundredths > 100; --hundredths) {
        float f = hundredths / 100.0f;
        if (fits(f)) return f;
    }
    return 1.0f;
}

float FontShrink(float fitted, float unfitted) { return fitted < unfitted ? fitted / unfitted : 1.0f; }

// lfHeight is negative for a character height, as dialog fonts have it: cut
// toward zero, like every other scaled size.
LONG ShrunkFontHeight(LONG height, float shrink) {
    return shrink < 1.0f ? static_cast<LONG>(static_cast<double>(height) * shrink) : height;
}

// The panel and the picture are normally released in the destroy handler;
// the owners cover a shell whose window never existed.
CLayeredShell::~CLayeredShell() = default;

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
        g.DrawImage(m_background.get(), 0, 0, width, height);
    }
    SIZE size{width, height};
    POINT source{0, 0};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    ::UpdateLayeredWindow(m_hWnd, windowDC, &position, &size, mem, &source, 0, &blend, ULW_ALPHA);
    return true;
}

bool CLayeredShell::StartShell(const RECT& shell, UINT image, std::unique_ptr<CDialog> panel, UINT panelTemplate,
                               bool highQuality, bool panelWithoutImage) {
    int width = shell.right - shell.left, height = shell.bottom - shell.top;
    if (!ShowLayeredImage(image, width, height, highQuality)) {
        if (!panelWithoutImage) return false;
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    m_panel = std::move(panel);
    if (auto* skinned = dynamic_cast<CSkinPanel*>(m_panel.get())) skinned->m_fontShrink = m_fontShrink;
    if (!m_panel->Create(panelTemplate, this)) return false;
    m_panel->MoveWindow(PanelCreationRect(shell), true);
    m_panel->ShowWindow(SW_SHOW);
    LayoutPanel();
    return true;
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

// Minimising hides the panel with the shell's other owned windows. The
// system menu's Restore shows them again, but a restore from elsewhere (a
// second start of the tool, another program) shows the shell alone, which
// has no controls: they come back with it.
void CLayeredShell::OnSize(WPARAM kind) {
    if (kind == SIZE_MINIMIZED) {
        m_minimised = true;
    } else if (kind == SIZE_RESTORED && m_minimised) {
        m_minimised = false;
        if (!IsWindowVisible()) return;
        ::ShowOwnedPopups(m_hWnd, TRUE);
        if (m_panel && m_panel->IsWindow() && !m_panel->IsWindowVisible()) m_panel->ShowWindow(SW_SHOWNA);
    }
}

void CLayeredShell::OnDestroy() {
    m_background.reset();
    // The panel's own destroy handler runs inside this reset.
    std::unique_ptr<CDialog> panel = std::move(m_panel);
    panel.reset();
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
    case WM_SIZE: {
        LRESULT r = Default();
        OnSize(wParam);
        return r;
    }
    case WM_SETFOCUS:
        // The shell has no controls: the keyboard goes to its panel's, the
        // one that had the focus there or the first.
        if (m_panel && m_panel->IsWindow() && m_panel->IsWindowVisible()) {
            ::SetFocus(m_panel->m_hWnd);
            return 0;
        }
        return CDialogEx::WindowProc(msg, wParam, lParam);
    default:
        return CDialogEx::WindowProc(msg, wParam, lParam);
    }
}
