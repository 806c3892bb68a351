#include "skin/SkinScrollBar.h"

#include <commctrl.h>
#include <windowsx.h>

#include "framework/Gdi.h"
#include "skin/Drawing.h"

namespace {
const UINT_PTR kDelayTimer = 200;
const UINT_PTR kRepeatTimer = 100;
}

CSkinScrollBar::CSkinScrollBar() {
    m_si.cbSize = sizeof(m_si);
    m_si.nTrackPos = -1;
}

bool CSkinScrollBar::Create(DWORD style, const RECT& rect, HWND parent, UINT id) {
    // A class of our own: the system scroll bar would paint itself on enable.
    return CreateEx(0, RegisterPlainClass(L"TarnwickSkinScrollBar"), L"", style, rect, parent, id);
}

void CSkinScrollBar::SetBitmap(HBITMAP skin) {
    m_skin = skin;
    BITMAP bm{};
    m_cell = skin && ::GetObjectW(skin, sizeof(bm), &bm) ? bm.bmWidth / 9 : 0;
    if (!m_hWnd) return;
    RECT r = GetWindowRect();
    int w = r.right - r.left, h = r.bottom - r.top;
    if (IsVertical()) w = m_cell;
    else h = m_cell;
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, w, h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

ScrollMetrics CSkinScrollBar::Metrics() const {
    ScrollMetrics m;
    m.length = m_length;
    m.cell = m_cell;
    m.scale = scale;
    m.thumbBorder = thumbBorder;
    m.min = m_si.nMin;
    m.max = m_si.nMax;
    m.page = static_cast<int>(m_si.nPage);
    m.pos = m_si.nTrackPos != -1 ? m_si.nTrackPos : m_si.nPos;
    return m;
}

void CSkinScrollBar::DrawCell(HDC dc, HDC skin, int part, int state, const RECT& dst) const {
    RECT src = SkinCellRect(part, state, !IsVertical(), m_cell);
    int w = dst.right - dst.left, h = dst.bottom - dst.top;
    if (w <= 0 || h <= 0) return;
    if (w == m_cell && h == m_cell) ::BitBlt(dc, dst.left, dst.top, w, h, skin, src.left, src.top, SRCCOPY);
    else ::StretchBlt(dc, dst.left, dst.top, w, h, skin, src.left, src.top, m_cell, m_cell, SRCCOPY);
}

void CSkinScrollBar::TileCell(HDC dc, HDC skin, int part, int state, const RECT& dst) const {
    int tile = ScalePx(m_cell, scale);
    if (tile <= 0) return;
    for (int y = dst.top; y < dst.bottom; y += tile)
        for (int x = dst.left; x < dst.right; x += tile)
            DrawCell(dc, skin, part, state, RECT{x, y, std::min<LONG>(x + tile, dst.right), std::min<LONG>(y + tile, dst.bottom)});
}

void CSkinScrollBar::DrawThumb(HDC dc, HDC skin, int state, const RECT& dst) const {
    if (dst.right <= dst.left || dst.bottom <= dst.top) return;
    int cap = thumbBorder <= 0 ? 3 : thumbBorder + 3;
    RECT src = SkinCellRect(kPartThumb, state, !IsVertical(), m_cell);
    int thickness = IsVertical() ? dst.right - dst.left : dst.bottom - dst.top;
    RECT middle = dst;
    RECT midSrc = src;
    if (IsVertical()) {
        ::StretchBlt(dc, dst.left, dst.top, thickness, cap, skin, src.left, src.top, m_cell, cap, SRCCOPY);
        ::StretchBlt(dc, dst.left, dst.bottom - cap, thickness, cap, skin, src.left, src.bottom - cap, m_cell, cap,
                     SRCCOPY);
        middle.top += cap;
        middle.bottom -= cap;
        midSrc.top += cap;
        midSrc.bottom -= cap;
    } else {
        ::StretchBlt(dc, dst.left, dst.top, cap, thickness, skin, src.left, src.top, cap, m_cell, SRCCOPY);
        ::StretchBlt(dc, dst.right - cap, dst.top, cap, thickness, skin, src.right - cap, src.top, cap, m_cell,
                     SRCCOPY);
        middle.left += cap;
        middle.right -= cap;
        midSrc.left += cap;
        midSrc.right -= cap;
    }
    int tile = ScalePx(m_cell, scale);
    if (tile <= 0) return;
    int sw = midSrc.right - midSrc.left, sh = midSrc.bottom - midSrc.top;
    if (sw <= 0 || sh <= 0) return;
    for (int y = middle.top; y < middle.bottom; y += tile)
        for (int x = middle.left; x < middle.right; x += tile) {
            int w = std::min(tile, static_cast<int>(middle.right - x)), h = std::min(tile, static_cast<int>(middle.bottom - y));
            ::StretchBlt(dc, x, y, w, h, skin, midSrc.left, midSrc.top, sw, sh, SRCCOPY);
        }
}

void CSkinScrollBar::OnPaint() {
    CPaintDC paint(m_hWnd);
    if (!m_skin) return;
    CMemoryDC skin(paint);
    CSelectObject select(skin, m_skin);
    DrawCell(paint, skin, kPartLineUp, kStateNormal, PartRect(kPartLineUp));
    DrawCell(paint, skin, kPartLineDown, kStateNormal, PartRect(kPartLineDown));
    DrawThumb(paint, skin, kStateNormal, PartRect(kPartThumb));
    TileCell(paint, skin, kPartPageUp, kStateNormal, PartRect(kPartPageUp));
    TileCell(paint, skin, kPartPageDown, kStateNormal, PartRect(kPartPageDown));
}

void CSkinScrollBar::RedrawPart(int part, int state) const {
    if (!m_skin || part == kPartNone || part == kPartPageUp || part == kPartPageDown) return;
    CWindowDC dc(m_hWnd);
    CMemoryDC skin(dc);
    CSelectObject select(skin, m_skin);
    if (part == kPartThumb) DrawThumb(dc, skin, state, PartRect(kPartThumb));
    else DrawCell(dc, skin, part, state, PartRect(part));
}

void CSkinScrollBar::Notify(int code, int pos) const {
    ::SendMessageW(GetParent(), IsVertical() ? WM_VSCROLL : WM_HSCROLL,
                   MAKEWPARAM(static_cast<WORD>(code), static_cast<WORD>(pos)), reinterpret_cast<LPARAM>(m_hWnd));
}

void CSkinScrollBar::OnLButtonDown(POINT pt) {
    ::SetCapture(m_hWnd);
    int part = HitTest(pt);
    if (part == kPartThumb) {
        m_dragging = true;
        m_dragStart = pt;
        m_si.nTrackPos = m_dragStartPos = m_si.nPos;
        return;
    }
    if (part == kPartNone) return;
    m_pressedPart = part;
    Notify(part, 0);
    SetTimer(kDelayTimer, 500);
    m_outside = false;
    if (IsArrow(part)) RedrawPart(part, kStatePressed);
}

void CSkinScrollBar::OnMouseMove(WPARAM flags, POINT pt) {
    if (!tracking && flags != static_cast<WPARAM>(-1)) {
        TRACKMOUSEEVENT tme{};
        tme.cbSize = sizeof(tme);
        tme.dwFlags = TME_LEAVE;
        tme.hwndTrack = m_hWnd;
        tme.dwHoverTime = 1;
        tracking = ::_TrackMouseEvent(&tme) != FALSE;
    }
    if (m_dragging) {
        ScrollMetrics m = Metrics();
        int delta = IsVertical() ? pt.y - m_dragStart.y : pt.x - m_dragStart.x;
        int pos = ScrollDragPosition(m, m_dragStartPos, delta);
        if (pos == m_si.nTrackPos) return;
        RECT before = PartRect(kPartThumb);
        m_si.nTrackPos = pos;
        RECT after = PartRect(kPartThumb);
        if (m_skin) {
            CWindowDC dc(m_hWnd);
            CMemoryDC skin(dc);
            CSelectObject select(skin, m_skin);
            // Only the strip that the thumb uncovered needs the track again.
            RECT strip = before;
            if (IsVertical()) {
                if (after.top > before.top) strip.bottom = after.top;
                else strip.top = after.bottom;
            } else {
                if (after.left > before.left) strip.right = after.left;
                else strip.left = after.right;
            }
            TileCell(dc, skin, kPartPageUp, kStateNormal, strip);
            DrawThumb(dc, skin, kStatePressed, after);
        }
        Notify(SB_THUMBTRACK, pos);
        return;
    }
    if (m_pressedPart == kPartNone) {
        int part = HitTest(pt);
        if (part == m_hotPart) return;
        RedrawPart(m_hotPart, kStateNormal);
        RedrawPart(part, kStateHot);
        m_hotPart = part;
        return;
    }
    RECT pressed = PartRect(m_pressedPart, false);
    m_outside = !::PtInRect(&pressed, pt);
    if (IsArrow(m_pressedPart)) RedrawPart(m_pressedPart, m_outside ? kStateNormal : kStatePressed);
}

void CSkinScrollBar::OnLButtonUp(POINT pt) {
    ::ReleaseCapture();
    if (!m_dragging) {
        if (m_pressedPart == kPartNone) return;
        if (m_autoRepeat) {
            KillTimer(kRepeatTimer);
            m_autoRepeat = false;
        } else {
            KillTimer(kDelayTimer);
        }
        if (IsArrow(m_pressedPart)) RedrawPart(m_pressedPart, kStateNormal);
        m_pressedPart = kPartNone;
        return;
    }
    m_dragging = false;
    Notify(SB_THUMBPOSITION, m_si.nTrackPos);
    if (!m_skin) {
        m_si.nTrackPos = -1;
        return;
    }
    CWindowDC dc(m_hWnd);
    CMemoryDC skin(dc);
    CSelectObject select(skin, m_skin);
    if (m_si.nTrackPos != m_si.nPos) TileCell(dc, skin, kPartPageUp, kStateNormal, PartRect(kPartThumb));
    m_si.nTrackPos = -1;
    RECT thumb = PartRect(kPartThumb);
    DrawThumb(dc, skin, ::PtInRect(&thumb, pt) ? kStateHot : kStateNormal, thumb);
}

void CSkinScrollBar::OnTimer(UINT_PTR id) {
    if (id == kDelayTimer) {
        m_autoRepeat = true;
        KillTimer(kDelayTimer);
        SetTimer(kRepeatTimer, 100);
    } else if (id != kRepeatTimer) {
        return;
    }
    if (m_outside) return;
    switch (m_pressedPart) {
    case kPartLineUp:
        if (m_si.nPos <= m_si.nMin) KillTimer(kRepeatTimer);
        else Notify(SB_LINEUP, 0);
        break;
    case kPartLineDown:
        if (m_si.nPos >= m_si.nMax) KillTimer(kRepeatTimer);
        else Notify(SB_LINEDOWN, 0);
        break;
    case kPartPageUp:
    case kPartPageDown: {
        POINT cursor{};
        ::GetCursorPos(&cursor);
        ScreenToClient(cursor);
        RECT thumb = PartRect(kPartThumb);
        if (::PtInRect(&thumb, cursor)) KillTimer(kRepeatTimer);
        else Notify(m_pressedPart, 0);
        break;
    }
    default:
        break;
    }
}

LRESULT CSkinScrollBar::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case SBM_SETSCROLLINFO: {
        const auto* si = reinterpret_cast<const SCROLLINFO*>(lParam);
        if (!si) return 0;
        if (si->fMask & SIF_PAGE) m_si.nPage = si->nPage;
        if (si->fMask & SIF_POS) m_si.nPos = si->nPos;
        if (si->fMask & SIF_RANGE) {
            m_si.nMin = si->nMin;
            m_si.nMax = si->nMax;
        }
        if (wParam && m_skin) {
            CWindowDC dc(m_hWnd);
            CMemoryDC skin(dc);
            CSelectObject select(skin, m_skin);
            TileCell(dc, skin, kPartPageUp, kStateNormal, PartRect(kPartPageUp));
            DrawThumb(dc, skin, kStateNormal, PartRect(kPartThumb));
            TileCell(dc, skin, kPartPageDown, kStateNormal, PartRect(kPartPageDown));
        }
        return 1;
    }
    case SBM_GETSCROLLINFO: {
        auto* si = reinterpret_cast<SCROLLINFO*>(lParam);
        if (!si) return 0;
        if (si->fMask & SIF_PAGE) si->nPage = m_si.nPage;
        if (si->fMask & SIF_POS) si->nPos = m_si.nPos;
        if (si->fMask & SIF_TRACKPOS) si->nTrackPos = m_si.nTrackPos;
        if (si->fMask & SIF_RANGE) {
            si->nMin = m_si.nMin;
            si->nMax = m_si.nMax;
        }
        return 1;
    }
    case WM_SIZE:
        m_length = IsVertical() ? HIWORD(lParam) : LOWORD(lParam);
        break;
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_LBUTTONDOWN:
        OnLButtonDown(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        return 0;
    case WM_LBUTTONDBLCLK:
        return 1;
    case WM_MOUSEMOVE:
        OnMouseMove(wParam, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        return 0;
    case WM_LBUTTONUP:
        OnLButtonUp(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        return 0;
    case WM_MOUSELEAVE:
        tracking = false;
        // A drag holds the capture and follows the moves alone: a leave is
        // no position, and would throw the thumb to the top.
        if (!m_dragging) OnMouseMove(static_cast<WPARAM>(-1), POINT{-1, -1});
        return 0;
    case WM_TIMER:
        OnTimer(wParam);
        return 0;
    default:
        break;
    }
    return CScrollBar::WindowProc(msg, wParam, lParam);
}
