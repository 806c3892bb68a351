#include "skin/GDIPngButton.h"

#include <commctrl.h>

#include <algorithm>

#include "skin/Drawing.h"
#include "skin/ResourceImage.h"

CGDIPngButton::~CGDIPngButton() {
    // The images belong to the owner's destroy handler (FreeImages); only the
    // snapshot goes with the button.
    if (backgroundDC && m_backgroundPrev) ::SelectObject(backgroundDC, m_backgroundPrev);
}

void CGDIPngButton::SetImages(UINT normal, UINT pressed, UINT hover_, UINT disabled_) {
    // Replaced images would never be drawn again; let them go now.
    FreeImages();
    HMODULE module = ResourceModule();
    imageNormal = ImageFromResource(module, normal, L"PNG");
    imagePressed = ImageFromResource(module, pressed, L"PNG");
    imageHover = ImageFromResource(module, hover_, L"PNG");
    imageDisabled = ImageFromResource(module, disabled_, L"PNG");
}

void CGDIPngButton::FreeImages() {
    for (Gdiplus::Image** image : {&imageNormal, &imagePressed, &imageHover, &imageDisabled}) {
        delete *image;
        *image = nullptr;
    }
}

void CGDIPngButton::PreSubclassWindow() {
    ::SetWindowLongPtrW(m_hWnd, GWL_STYLE, GetStyle() | BS_OWNERDRAW);
    CButton::PreSubclassWindow();
}

void CGDIPngButton::DrawImage(HDC dc, Gdiplus::Image* image, const RECT& r) const {
    if (!image) return;
    Gdiplus::Graphics g(dc);
    g.DrawImage(image, static_cast<INT>(r.left), static_cast<INT>(r.top), static_cast<INT>(r.right - r.left),
                static_cast<INT>(r.bottom - r.top));
}

void CGDIPngButton::DrawItem(DRAWITEMSTRUCT* dis) {
    HDC dc = dis->hDC;
    RECT client = GetClientRect();
    if (!firstPaint && backgroundDC) {
        // Blended images need the background they were first drawn over.
        CWindowDC wdc(m_hWnd);
        ::BitBlt(wdc, 0, 0, client.right - client.left, client.bottom - client.top, backgroundDC, 0, 0, SRCCOPY);
    }
    if (disabled) {
        DrawImage(dc, imageDisabled, client);
    } else if (dis->itemState & ODS_SELECTED) {
        DrawImage(dc, imageNormal, client);
        DrawImage(dc, imagePressed, client);
    } else if (hover) {
        DrawImage(dc, imageNormal, client);
        DrawImage(dc, imageHover, client);
    } else {
        DrawImage(dc, imageNormal, client);
        if (firstPaint) {
            // Arms the one snapshot: the next background erase takes it.
            backgroundCaptured = false;
            firstPaint = false;
        }
    }
    RECT mark = client;
    int inset = std::max(2, static_cast<int>(client.bottom - client.top) / 8);
    ::InflateRect(&mark, -inset, -inset);
    DrawFocusMark(m_hWnd, dc, mark);
}

BOOL CGDIPngButton::OnEraseBkgnd(HDC dc) {
    if (backgroundCaptured) return TRUE;
    RECT client = GetClientRect();
    int w = client.right - client.left, h = client.bottom - client.top;
    backgroundDC.Reset(::CreateCompatibleDC(dc));
    m_backgroundBitmap.Reset(::CreateCompatibleBitmap(dc, w, h));
    m_backgroundPrev = ::SelectObject(backgroundDC, m_backgroundBitmap);
    ::BitBlt(backgroundDC, 0, 0, w, h, dc, 0, 0, SRCCOPY);
    backgroundCaptured = true;
    return TRUE;
}

void CGDIPngButton::OnMouseMove(POINT client) {
    // The pointer on the button is the hover state at once; only its leaving
    // is tracked. Tracking a hover makes Wine poll the pointer at the hover
    // time for as long as it rests here: at 1 ms that poll alone kept the idle
    // tool busy.
    RECT r = GetClientRect();
    if (!hover && ::PtInRect(&r, client)) {
        hover = true;
        Invalidate(true);
    }
    if (tracking) return;
    TRACKMOUSEEVENT tme{};
    tme.cbSize = sizeof(tme);
    tme.dwFlags = TME_LEAVE;
    tme.hwndTrack = m_hWnd;
    tme.dwHoverTime = HOVER_DEFAULT;
    tracking = ::_TrackMouseEvent(&tme) != FALSE;
}

LRESULT CGDIPngButton::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_ERASEBKGND:
        return OnEraseBkgnd(reinterpret_cast<HDC>(wParam));
    case WM_MOUSEMOVE:
        OnMouseMove(POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
        break;
    case WM_MOUSELEAVE:
        tracking = false;
        hover = false;
        Invalidate(true);
        return 0;
    default:
        break;
    }
    return CButton::WindowProc(msg, wParam, lParam);
}
