#include "skin/SkinScrollWnd.h"

#include "framework/Gdi.h"
#include "skin/Drawing.h"

namespace {
const UINT kHorzBarId = 100;
const UINT kVertBarId = 101;
const UINT kLimitId = 200;
const UINT_PTR kSyncTimer = 100;

CSkinScrollWnd* FrameOf(HWND control) {
    return reinterpret_cast<CSkinScrollWnd*>(::GetWindowLongPtrW(control, GWLP_USERDATA));
}

SCROLLINFO ReadScrollInfo(HWND control, int bar) {
    SCROLLINFO si{};
    si.cbSize = sizeof(si);
    si.fMask = SIF_ALL;
    if (!::GetScrollInfo(control, bar, &si)) si = SCROLLINFO{sizeof(si), SIF_ALL, 0, 0, 0, 0, 0};
    return si;
}

bool ScrollInfoDiffers(const SCROLLINFO& a, const SCROLLINFO& b) {
    return a.nMax != b.nMax || a.nMin != b.nMin || a.nPos != b.nPos || a.nPage != b.nPage;
}

RECT RectInParent(HWND hwnd) {
    RECT r{};
    ::GetWindowRect(hwnd, &r);
    ::MapWindowPoints(nullptr, ::GetParent(hwnd), reinterpret_cast<POINT*>(&r), 2);
    return r;
}
}

CSkinScrollWnd* SkinWndScroll(HWND control, HBITMAP skin, float scale, int thumbBorder) {
    if (!control || !::IsWindow(control) || !::GetParent(control)) return nullptr;
    // Wrapping twice would stack frames around the same control.
    if (reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(control, GWLP_WNDPROC)) == &SkinScrollSubclassProc)
        return FrameOf(control);
    auto* frame = new CSkinScrollWnd();
    frame->scale = scale;
    frame->thumbBorder = thumbBorder;
    if (!frame->Attach(control, skin)) {
        if (frame->m_hWnd) frame->DestroyWindow();
        else delete frame;
        return nullptr;
    }
    return frame;
}

bool CSkinScrollWnd::Attach(HWND control, HBITMAP skin) {
    m_skin = skin;
    BITMAP bm{};
    int cell = skin && ::GetObjectW(skin, sizeof(bm), &bm) ? bm.bmWidth / 9 : 0;
    barWidth = ScalePx(cell, scale);

    HWND parent = ::GetParent(control);
    RECT frameRect = RectInParent(control);
    RECT controlRect{0, 0, frameRect.right - frameRect.left, frameRect.bottom - frameRect.top};
    UINT id = static_cast<UINT>(::GetDlgCtrlID(control));
    LONG_PTR style = ::GetWindowLongPtrW(control, GWL_STYLE);
    LONG_PTR exStyle = ::GetWindowLongPtrW(control, GWL_EXSTYLE);

    DWORD frameStyle = 0x40000100 | (style & WS_VISIBLE ? WS_VISIBLE : 0);
    DWORD frameExStyle = (exStyle & 0x80) ? 0x88 : 0;
    if (style & WS_BORDER) {
        frameStyle |= WS_BORDER;
        style &= ~static_cast<LONG_PTR>(WS_BORDER);
        controlRect.right -= 2 * ::GetSystemMetrics(SM_CXBORDER);
        controlRect.bottom -= 2 * ::GetSystemMetrics(SM_CXBORDER);
    }
    if (exStyle & WS_EX_CLIENTEDGE) {
        exStyle &= ~static_cast<LONG_PTR>(WS_EX_CLIENTEDGE);
        int edge = Trunc(2.0 * ::GetSystemMetrics(SM_CXEDGE) * scale);
        controlRect.right -= edge;
        controlRect.bottom -= edge;
    }

    if (!CreateEx(frameExStyle, RegisterPlainClass(L"TarnwickSkinScrollFrame"), L"SkinScrollBarFrame", frameStyle,
                  frameRect, parent, id))
        return false;
    // Keep the control's place in the tab and z order.
    ::SetWindowPos(m_hWnd, control, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (!m_limit.CreateEx(0, RegisterPlainClass(L"TarnwickSkinScrollLimit"), L"LIMIT", WS_CHILD | WS_VISIBLE,
                          RECT{0, 0, 0, 0}, m_hWnd, kLimitId))
        return false;
    for (CSkinScrollBar* bar : {&m_horzBar, &m_vertBar}) {
        bar->scale = scale;
        bar->thumbBorder = thumbBorder;
    }
    if (!m_horzBar.Create(WS_CHILD, RECT{0, 0, 0, 0}, m_hWnd, kHorzBarId) ||
        !m_vertBar.Create(WS_CHILD | SBS_VERT, RECT{0, 0, 0, 0}, m_hWnd, kVertBarId))
        return false;
    m_horzBar.SetBitmap(skin);
    m_vertBar.SetBitmap(skin);

    m_control = control;
    ::SetWindowLongPtrW(control, GWL_STYLE, style);
    ::SetWindowLongPtrW(control, GWL_EXSTYLE, exStyle);
    ::SetParent(control, m_limit.m_hWnd);
    ::SetWindowLongPtrW(control, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    m_prevProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SkinScrollSubclassProc)));

    controlRect.right += ScalePx(4, scale);
    ::SetWindowPos(control, nullptr, controlRect.left, controlRect.top, controlRect.right - controlRect.left,
                   controlRect.bottom - controlRect.top, SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    SetTimer(kSyncTimer, 500);
    return true;
}

bool UnskinWndScroll(HWND control) {
    CSkinScrollWnd* frame = control ? FrameOf(control) : nullptr;
    if (!frame) return true;
    RECT place = RectInParent(frame->m_hWnd);
    HWND parent = ::GetParent(frame->m_hWnd);
    ::SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(frame->m_prevProc));
    ::SetWindowLongPtrW(control, GWLP_USERDATA, 0);
    frame->m_control = nullptr;
    // When the frame is already on its way out (its parent is being
    // destroyed), the control goes with it; the frame deletes itself last.
    if (frame->m_destroying) return true;
    ::SetParent(control, parent);
    ::SetWindowPos(control, frame->m_hWnd, place.left, place.top, place.right - place.left, place.bottom - place.top,
                   SWP_NOACTIVATE);
    frame->DestroyWindow();
    return true;
}

LRESULT CALLBACK SkinScrollSubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    CSkinScrollWnd* frame = FrameOf(hwnd);
    if (!frame) return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    WNDPROC prev = frame->m_prevProc;
    if (msg == WM_DESTROY) {
        UnskinWndScroll(hwnd);
        return ::CallWindowProcW(prev, hwnd, msg, wParam, lParam);
    }
    LRESULT result = ::CallWindowProcW(prev, hwnd, msg, wParam, lParam);
    // The previous procedure may have unwrapped the control or been told to.
    frame = FrameOf(hwnd);
    if (!frame || frame->forwarding) return result;
    if (msg == WM_ERASEBKGND) {
        frame->SyncBars(hwnd);
    } else if (msg == WM_NCCALCSIZE && wParam) {
        frame->LayoutBars(hwnd, reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam));
    }
    return result;
}

void CSkinScrollWnd::SyncBars(HWND control) {
    LONG_PTR style = ::GetWindowLongPtrW(control, GWL_STYLE);
    struct { LONG_PTR bit; int which; CSkinScrollBar* bar; } bars[] = {
        {WS_VSCROLL, SB_VERT, &m_vertBar}, {WS_HSCROLL, SB_HORZ, &m_horzBar}};
    for (auto& b : bars) {
        if (!(style & b.bit)) continue;
        SCROLLINFO mine = ReadScrollInfo(control, b.which);
        SCROLLINFO theirs{};
        b.bar->GetScrollInfo(&theirs, SIF_ALL);
        if (!ScrollInfoDiffers(mine, theirs)) continue;
        b.bar->SetScrollInfo(&mine, true);
        b.bar->EnableWindow(mine.nMax >= static_cast<int>(mine.nPage));
    }
}

void CSkinScrollWnd::LayoutBars(HWND control, NCCALCSIZE_PARAMS* params) {
    LONG_PTR style = ::GetWindowLongPtrW(control, GWL_STYLE);
    LONG_PTR exStyle = ::GetWindowLongPtrW(control, GWL_EXSTYLE);
    bool vertical = (style & WS_VSCROLL) != 0, horizontal = (style & WS_HSCROLL) != 0;
    bool left = (exStyle & WS_EX_LEFTSCROLLBAR) != 0;
    int sb = ::GetSystemMetrics(SM_CXVSCROLL);
    RECT& client = params->rgrc[0];
    if (vertical) {
        if (left) client.left -= sb - barWidth;
        else client.right += sb - barWidth;
    }
    if (horizontal) client.bottom += sb - barWidth;
    RECT vRect = left ? RECT{client.left - barWidth, 0, client.left, client.bottom}
                      : RECT{client.right, 0, client.right + barWidth, client.bottom};
    RECT hRect = left ? RECT{client.left, client.bottom, client.right, client.bottom + barWidth}
                      : RECT{0, client.bottom, client.right, client.bottom + barWidth};
    cornerKind = vertical && horizontal ? (left ? 1 : 2) : 0;
    if (vertical) {
        m_vertBar.MoveWindow(vRect);
        m_vertBar.ShowWindow(SW_SHOW);
    } else {
        m_vertBar.ShowWindow(SW_HIDE);
    }
    if (horizontal) {
        m_horzBar.MoveWindow(hRect);
        m_horzBar.ShowWindow(SW_SHOW);
    } else {
        m_horzBar.ShowWindow(SW_HIDE);
    }
    PostMessage(WM_SKIN_LAYOUT, static_cast<WPARAM>(style & WS_VSCROLL), static_cast<LPARAM>(exStyle & WS_EX_LEFTSCROLLBAR));
}

void CSkinScrollWnd::OnSkinLayout(bool vertical, bool leftBar) {
    if (!m_control) return;
    forwarding = true;
    RECT limit = GetClientRect();
    int offset = limit.left;
    if (m_horzBar.IsWindowVisible()) limit.bottom -= barWidth;
    if (vertical) {
        if (leftBar) {
            limit.left += barWidth;
            offset = -barWidth;
        } else {
            limit.right -= barWidth;
        }
    }
    m_limit.MoveWindow(limit);
    ::SetWindowPos(m_control, nullptr, offset, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    forwarding = false;
}

void CSkinScrollWnd::OnScroll(UINT msg, WPARAM wParam, HWND bar) {
    if (!m_control) return;
    int code = LOWORD(wParam), pos = HIWORD(wParam);
    forwarding = true;
    ::SendMessageW(m_control, msg, MAKEWPARAM(code, pos), 0);
    forwarding = false;
    if (code == SB_THUMBTRACK) return;
    SCROLLINFO si = ReadScrollInfo(m_control, msg == WM_VSCROLL ? SB_VERT : SB_HORZ);
    SCROLLINFO* info = &si;
    ::SendMessageW(bar, SBM_SETSCROLLINFO, TRUE, reinterpret_cast<LPARAM>(info));
}

void CSkinScrollWnd::OnTimer(UINT_PTR id) {
    if (id != kSyncTimer || !m_control) return;
    struct { CSkinScrollBar* bar; int which; } bars[] = {{&m_horzBar, SB_HORZ}, {&m_vertBar, SB_VERT}};
    for (auto& b : bars) {
        if (!b.bar->IsWindowVisible() || b.bar->Dragging()) continue;
        SCROLLINFO mine = ReadScrollInfo(m_control, b.which);
        SCROLLINFO theirs{};
        b.bar->GetScrollInfo(&theirs, SIF_ALL);
        if (ScrollInfoDiffers(mine, theirs)) b.bar->SetScrollInfo(&mine, true);
    }
}

void CSkinScrollWnd::OnPaint() {
    CPaintDC paint(m_hWnd);
    if (!m_skin || cornerKind == 0) return;
    BITMAP bm{};
    if (!::GetObjectW(m_skin, sizeof(bm), &bm)) return;
    int cell = bm.bmWidth / 9;
    RECT client = GetClientRect();
    CMemoryDC skin(paint);
    CSelectObject select(skin, m_skin);
    int row = cornerKind == 1 ? 1 : 0;
    int x = cornerKind == 1 ? client.left : client.right - barWidth;
    ::StretchBlt(paint, x, client.bottom - barWidth, barWidth, barWidth, skin, 8 * cell, row * cell, cell, cell,
                 SRCCOPY);
}

LRESULT CSkinScrollWnd::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_SKIN_LAYOUT:
        OnSkinLayout(wParam != 0, lParam != 0);
        return 0;
    case WM_SIZE: {
        LRESULT r = Default();
        int cx = LOWORD(lParam), cy = HIWORD(lParam);
        if (cx && cy && m_limit.m_hWnd && m_control) ::MoveWindow(m_control, 0, 0, cx, cy, TRUE);
        return r;
    }
    case WM_VSCROLL:
    case WM_HSCROLL:
        OnScroll(msg, wParam, reinterpret_cast<HWND>(lParam));
        return 0;
    case WM_TIMER:
        OnTimer(wParam);
        return 0;
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_DESTROY:
        m_destroying = true;
        KillTimer(kSyncTimer);
        break;
    default:
        break;
    }
    return CWnd::WindowProc(msg, wParam, lParam);
}
