#include "mainwnd/TarnwickDlgOP.h"

#include "framework/Gdi.h"
#include "mainwnd/TarnwickDlg.h"
#include "res/resource.h"
#include "skin/ResourceImage.h"

CTarnwickDlgOP::CTarnwickDlgOP() : CSkinPanel(IDD_OPERATION_PANEL) {}

CTarnwickDlgOP::~CTarnwickDlgOP() {
    if (m_hWnd) DestroyWindow();
    delete m_background;
}

BOOL CTarnwickDlgOP::OnInitDialog() {
    CSkinPanel::OnInitDialog();
    return TRUE;
}

void CTarnwickDlgOP::LayoutPanelControls() {
    m_clientRect = GetClientRect();
    if (!m_background) LoadPngResource(142, m_background);
}

// The top 100 pixels, less the right 186 where minimise and close sit.
RECT CTarnwickDlgOP::DragBand() const { return TopDragBand(m_hWnd, 100, 186); }

BOOL CTarnwickDlgOP::OnEraseBkgnd(HDC dc) {
    RECT r = GetClientRect();
    CMemoryDC mem(dc);
    CBitmap bitmap(::CreateCompatibleBitmap(dc, r.right, r.bottom));
    {
        CSelectObject select(mem, bitmap);
        Gdiplus::Graphics g(mem.Get());
        g.SetSmoothingMode(Gdiplus::SmoothingModeHighQuality);
        if (!m_background && !LoadPngResource(142, m_background)) {
            ::MessageBoxW(m_hWnd, L"ERROR", L"", MB_OK);
            return TRUE;
        }
        g.DrawImage(m_background, Gdiplus::Rect(r.left, r.top, r.right - r.left, r.bottom - r.top), 0, 0,
                    static_cast<INT>(m_background->GetWidth()), static_cast<INT>(m_background->GetHeight()),
                    Gdiplus::UnitPixel);
        ::BitBlt(dc, 0, 0, r.right, r.bottom, mem, 0, 0, SRCCOPY);
    }
    return TRUE;
}

void CTarnwickDlgOP::OnDestroy() {
    delete m_background;
    m_background = nullptr;
}

LRESULT CTarnwickDlgOP::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_ERASEBKGND:
        return OnEraseBkgnd(reinterpret_cast<HDC>(wParam));
    case WM_DESTROY: {
        LRESULT r = Default();
        OnDestroy();
        return r;
    }
    default:
        return CSkinPanel::WindowProc(msg, wParam, lParam);
    }
}
