#include "skin/SkinPanel.h"

#include "skin/LayeredShell.h"

RECT TopDragBand(HWND panel, int height, int rightCut) {
    RECT r{};
    ::GetClientRect(panel, &r);
    POINT a{r.left, r.top}, b{r.right, r.bottom};
    ::ClientToScreen(panel, &a);
    ::ClientToScreen(panel, &b);
    return RECT{a.x, a.y, b.x - rightCut, a.y + height};
}

CSkinPanel::~CSkinPanel() = default;

LRESULT CSkinPanel::OnNcHitTest(POINT pt) {
    RECT band = DragBand();
    m_captionDrag = ::PtInRect(&band, pt) != FALSE;
    return m_captionDrag ? HTCAPTION : Default();
}

void CSkinPanel::OnMove() {
    if (!m_captionDrag) return;
    if (auto* shell = dynamic_cast<CLayeredShell*>(GetParentWnd())) {
        RECT r = GetWindowRect();
        shell->FollowPanel(r.left, r.top, r.right, r.bottom);
    }
}

// At the first WM_GETFONT, which the controls send when they take their
// fonts from the panel's during its start-up: from then on the panel answers
// with a smaller copy of the template's font, and the plain controls are
// given it. The dialog keeps the font it made.
void CSkinPanel::ShrinkFont() {
    HFONT font = reinterpret_cast<HFONT>(Default());
    LOGFONTW lf{};
    if (!font || !::GetObjectW(font, sizeof(lf), &lf)) return;
    lf.lfHeight = ShrunkFontHeight(lf.lfHeight, m_fontShrink);
    m_shrunkFont.Reset(::CreateFontIndirectW(&lf));
    if (!m_shrunkFont) return;
    for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(m_shrunkFont.Get()), FALSE);
}

LRESULT CSkinPanel::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_GETFONT:
        if (m_fontShrink < 1.0f && !m_shrunkFont) ShrinkFont();
        if (m_shrunkFont) return reinterpret_cast<LRESULT>(m_shrunkFont.Get());
        return CDialogEx::WindowProc(msg, wParam, lParam);
    case WM_NCHITTEST:
        return OnNcHitTest(POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
    case WM_MOVE: {
        LRESULT r = Default();
        OnMove();
        return r;
    }
    default:
        return CDialogEx::WindowProc(msg, wParam, lParam);
    }
}
