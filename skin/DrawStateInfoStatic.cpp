#include "skin/DrawStateInfoStatic.h"

#include "skin/Drawing.h"

namespace {
const UINT_PTR kRedrawTimer = 36;

struct RefreshArgs {
    HWND control;
    std::shared_ptr<std::atomic<bool>> stop;
};

DWORD WINAPI RefreshThread(void* param) {
    std::unique_ptr<RefreshArgs> args(static_cast<RefreshArgs*>(param));
    ::Sleep(500);
    // Only the handle is used, never the object: the control may be gone by
    // the time a sleep ends, and its destructor raises the flag first.
    while (!args->stop->load()) {
        ::InvalidateRect(args->control, nullptr, TRUE);
        ::Sleep(600);
    }
    return 0;
}
}

int StateInfoFormat(int mode) {
    switch (mode) {
    case 2: return DT_SINGLELINE | DT_VCENTER | DT_CENTER;
    case 3: return DT_SINGLELINE | DT_VCENTER | DT_RIGHT;
    case 4: return DT_WORDBREAK | DT_VCENTER;
    case 5: return DT_WORDBREAK | DT_VCENTER | DT_CENTER;
    case 6: return DT_WORDBREAK | DT_VCENTER | DT_RIGHT;
    default: return DT_SINGLELINE | DT_VCENTER;
    }
}

CDrawStateInfoStatic::CDrawStateInfoStatic() : m_backgroundBrush(::CreateSolidBrush(RGB(255, 255, 255))) {}

CDrawStateInfoStatic::~CDrawStateInfoStatic() {
    if (m_stop) m_stop->store(true);
}

void CDrawStateInfoStatic::InitFontFromParent() { m_font.Reset(CreateFontFromParent(m_hWnd, 0)); }

void CDrawStateInfoStatic::SetTextColorAndRedraw(COLORREF colour) {
    m_textColor = colour;
    Invalidate(true);
}

void CDrawStateInfoStatic::StartRefresh() {
    // InvalidateRect with no window would repaint every window on the desktop.
    if (!m_hWnd) return;
    // A second start replaces the first thread rather than doubling the repaints.
    if (m_stop) m_stop->store(true);
    auto stop = std::make_shared<std::atomic<bool>>(false);
    auto* args = new RefreshArgs{m_hWnd, stop};
    HANDLE thread = ::CreateThread(nullptr, 0, &RefreshThread, args, 0, nullptr);
    if (!thread) {
        delete args;
        return;
    }
    m_stop = std::move(stop);
    m_thread.Reset(thread);
}

void CDrawStateInfoStatic::StopRefresh() {
    if (m_stop) m_stop->store(true);
    Invalidate(true);
}

bool CDrawStateInfoStatic::RefreshRunning() const {
    return m_thread.Valid() && ::WaitForSingleObject(m_thread.Get(), 0) == WAIT_TIMEOUT;
}

void CDrawStateInfoStatic::DrawContent(HDC dc) {
    ::FillRect(dc, &m_client, m_backgroundBrush);
    ::SetBkMode(dc, TRANSPARENT);
    CSelectObject font(dc, m_font.Get());
    ::SetTextColor(dc, m_textColor);
    if (m_backgroundImage) {
        Gdiplus::Graphics g(dc);
        Gdiplus::Rect dst(m_client.left, m_client.top, m_client.right - m_client.left, m_client.bottom - m_client.top);
        g.DrawImage(m_backgroundImage, dst, m_backgroundSource.left, m_backgroundSource.top,
                    m_backgroundSource.right - m_backgroundSource.left,
                    m_backgroundSource.bottom - m_backgroundSource.top, Gdiplus::UnitPixel);
    }
    RECT r = m_client;
    ::DrawTextW(dc, m_text.c_str(), static_cast<int>(m_text.size()), &r, static_cast<UINT>(StateInfoFormat(m_align)));
}

void CDrawStateInfoStatic::OnPaint() {
    PaintDoubleBuffered(m_hWnd, [this](HDC dc, const RECT& client) {
        m_client = client;
        DrawContent(dc);
    });
}

LRESULT CDrawStateInfoStatic::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_TIMER:
        if (wParam == kRedrawTimer) Invalidate(true);
        break;
    default:
        break;
    }
    return CStatic::WindowProc(msg, wParam, lParam);
}
