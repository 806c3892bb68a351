#pragma once
#include <string>

#include "framework/Gdi.h"
#include "framework/Static.h"
#include "skin/Gdiplus.h"

// The DrawText format of an alignment mode, or -1 where the mode draws no text.
int DrawTextStaticFormat(int mode);

// A label painted over a solid fill and, optionally, the piece of the
// parent's background image that it covers.
class CDrawTextStatic : public CStatic {
public:
    void SetFontSizeDelta(int delta) { m_fontSizeDelta = delta; }
    void InitFontFromParent();
    HFONT Font() const { return m_font.Get(); }
    void SetTextAlign(int mode) { m_align = mode; }
    int TextAlign() const { return m_align; }
    void SetTextColors(COLORREF normal, COLORREF highlight) { m_normalColor = normal; m_highlightColor = highlight; }
    void SetFillColor(COLORREF colour) { m_fillColor = colour; }
    void SetBackgroundImage(Gdiplus::Image* image) { m_backgroundImage = image; }
    void SetBackgroundSource(int l, int t, int r, int b) { m_backgroundSource = RECT{l, t, r, b}; }
    bool HitTest(int screenX, int screenY) const;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnPaint();

private:
    void DrawContent(HDC dc);
    void ClickInParent();

    CBrush m_backgroundBrush;
    RECT m_client{0, 0, 0, 0};
    CFont m_font;
    COLORREF m_normalColor = 0;
    COLORREF m_highlightColor = 0xFF0000;
    COLORREF m_fillColor = 0xFFFFFF;
    int m_highlight = 0;
    int m_align = 0;
    Gdiplus::Image* m_backgroundImage = nullptr;
    RECT m_backgroundSource{0, 0, 0, 0};
    int m_fontSizeDelta = 0;
};
