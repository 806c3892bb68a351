#include "skin/CheckBoxBtn.h"

#include "res/images.h"
#include "skin/Drawing.h"
#include "skin/ResourceImage.h"

namespace {
const UINT kCheckImageId = IDP_CHECK_CELLS;
const int kCell = 16;
}

RECT CheckBoxBoxRect(const RECT& client, float scale) {
    int height = client.bottom - client.top;
    RECT r;
    r.left = client.left;
    r.top = height / 2 - ScalePx(8, scale);
    r.right = r.left + ScalePx(kCell, scale);
    r.bottom = r.top + ScalePx(kCell, scale);
    return r;
}

int CheckBoxTextLeft(const RECT& client, float scale) { return client.left + ScalePx(kCell, scale) + 2; }

CCheckBoxBtn::CCheckBoxBtn() : m_backgroundBrush(::CreateSolidBrush(RGB(255, 255, 255))) {}

CCheckBoxBtn::~CCheckBoxBtn() { delete checkImage; }

void CCheckBoxBtn::InitFontFromParent() { m_font.Reset(CreateFontFromParent(m_hWnd, 0)); }

void CCheckBoxBtn::DrawContent(HDC dc) {
    Gdiplus::Graphics g(dc);
    if (backgroundImage) {
        g.SetSmoothingMode(Gdiplus::SmoothingModeHighQuality);
        Gdiplus::Rect dst(m_client.left, m_client.top, m_client.right - m_client.left, m_client.bottom - m_client.top);
        g.DrawImage(backgroundImage, dst, backgroundSource.left, backgroundSource.top,
                    backgroundSource.right - backgroundSource.left, backgroundSource.bottom - backgroundSource.top,
                    Gdiplus::UnitPixel);
    }
    // A missing box image leaves only the background; the next paint tries again.
    if (!checkImage && !LoadPngResource(kCheckImageId, checkImage)) return;

    RECT box = CheckBoxBoxRect(m_client, scale);
    int cellX = SendMessage(BM_GETCHECK) == BST_CHECKED ? kCell : 0;
    g.DrawImage(checkImage, Gdiplus::Rect(box.left, box.top, box.right - box.left, box.bottom - box.top), cellX, 0,
                kCell, kCell, Gdiplus::UnitPixel);

    CSelectObject font(dc, m_font.Get());
    std::wstring text = GetWindowText();
    ::SetTextColor(dc, textColor);
    RECT textRect = m_client;
    textRect.left = CheckBoxTextLeft(m_client, scale);
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &textRect, DT_SINGLELINE | DT_VCENTER);
    DrawFocusMark(m_hWnd, dc, RECT{textRect.left - 1, m_client.top, m_client.right, m_client.bottom});
}

void CCheckBoxBtn::OnPaint() {
    CPaintDC paint(m_hWnd);
    m_client = GetClientRect();
    SIZE size{m_client.right, m_client.bottom};
    // The buffer follows the control's size, should it ever be resized.
    if (!m_memBitmap || size.cx != m_memSize.cx || size.cy != m_memSize.cy) {
        if (!m_memDC) m_memDC.Reset(::CreateCompatibleDC(paint));
        m_memBitmap.Reset(::CreateCompatibleBitmap(paint, size.cx, size.cy));
        m_memSize = size;
    }
    if (!m_memDC || !m_memBitmap) return;
    {
        CSelectObject bitmap(m_memDC, m_memBitmap.Get());
        ::FillRect(m_memDC, &m_client, m_backgroundBrush);
        ::SetBkMode(m_memDC, TRANSPARENT);
        DrawContent(m_memDC);
        ::BitBlt(paint, 0, 0, m_client.right, m_client.bottom, m_memDC, 0, 0, SRCCOPY);
    }
}

LRESULT CCheckBoxBtn::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_MBUTTONDOWN:
        Invalidate(true);
        break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
        // The mark comes and goes with the focus, over what the button drew.
        LRESULT r = CButton::WindowProc(msg, wParam, lParam);
        Invalidate(false);
        return r;
    }
    default:
        break;
    }
    return CButton::WindowProc(msg, wParam, lParam);
}
