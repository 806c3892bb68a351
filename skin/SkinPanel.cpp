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

LRESULT CSkinPanel::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
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
