#include "skin/DrawTextStatic.h"

#include "skin/Drawing.h"

int DrawTextStaticFormat(int mode) {
    switch (mode) {
    case 0: return DT_VCENTER | DT_WORDBREAK;
    case 1: return DT_SINGLELINE | DT_VCENTER;
    case 2: return DT_SINGLELINE | DT_VCENTER | DT_CENTER;
    case 3: return DT_WORDBREAK | DT_VCENTER | DT_RIGHT;
    case 4: return DT_SINGLELINE | DT_VCENTER;
    default: return -1;
    }
}

void CDrawTextStatic::InitFontFromParent() { m_font.Reset(CreateFontFromParent(m_hWnd, m_fontSizeDelta)); }

bool CDrawTextStatic::HitTest(int screenX, int screenY) const {
    RECT r = GetWindowRect();
    POINT pt{screenX, screenY};
    return ::PtInRect(&r, pt) != FALSE;
}

void CDrawTextStatic::DrawContent(HDC dc) {
    // The fill colour is fixed by the first paint.
    if (!m_backgroundBrush) m_backgroundBrush.Reset(::CreateSolidBrush(m_fillColor));
    ::FillRect(dc, &m_client, m_backgroundBrush);
    ::SetBkMode(dc, TRANSPARENT);
    if (m_backgroundImage) {
        Gdiplus::Graphics g(dc);
        g.SetSmoothingMode(Gdiplus::SmoothingModeHighQuality);
        Gdiplus::Rect dst(m_client.left, m_client.top, m_client.right - m_client.left, m_client.bottom - m_client.top);
        RECT src = m_backgroundSource;
        int srcW = src.right - src.left, srcH = src.bottom - src.top;
        if (srcW > 0 && srcH > 0 && (dst.Width != srcW || dst.Height != srcH)) {
            // Scaled, Wine leaves the first row undrawn and the fill shows, a
            // light line across the title band: the piece is drawn a source
            // pixel larger all round, and the control clips it.
            int dx = (dst.Width + srcW - 1) / srcW, dy = (dst.Height + srcH - 1) / srcH;
            dst = Gdiplus::Rect(dst.X - dx, dst.Y - dy, dst.Width + 2 * dx, dst.Height + 2 * dy);
            ::InflateRect(&src, 1, 1);
        }
        g.DrawImage(m_backgroundImage, dst, src.left, src.top, src.right - src.left, src.bottom - src.top,
                    Gdiplus::UnitPixel);
    }
    CSelectObject font(dc, m_font.Get());
    std::wstring text = GetWindowText();
    ::SetTextColor(dc, m_highlight == 1 ? m_highlightColor : m_normalColor);
    int format = DrawTextStaticFormat(m_align);
    if (format < 0) return;
    RECT r = m_client;
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, static_cast<UINT>(format));
    DrawFocusMark(m_hWnd, dc, m_client);
}

void CDrawTextStatic::OnPaint() {
    PaintDoubleBuffered(m_hWnd, [this](HDC dc, const RECT& client) {
        m_client = client;
        DrawContent(dc);
    });
}

void CDrawTextStatic::ClickInParent() {
    // The parent answers clicks on a label (it lets them through): Space
    // gives it the same click, at the label's middle.
    RECT r = GetWindowRect();
    POINT middle{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    HWND parent = GetParent();
    ::ScreenToClient(parent, &middle);
    ::SendMessageW(parent, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(middle.x, middle.y));
    ::SendMessageW(parent, WM_LBUTTONUP, 0, MAKELPARAM(middle.x, middle.y));
}

LRESULT CDrawTextStatic::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        Invalidate(false);
        break;
    case WM_KEYUP:
        if (wParam == VK_SPACE && (GetStyle() & WS_TABSTOP)) {
            ClickInParent();
            return 0;
        }
        break;
    default:
        break;
    }
    return CStatic::WindowProc(msg, wParam, lParam);
}
