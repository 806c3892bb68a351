#pragma once
#include <windows.h>

#include "framework/Gdi.h"

// trunc(value * s): every skin size is scaled in floating point and cut toward zero.
inline int ScalePx(double value, float s) { return static_cast<int>(value * static_cast<double>(s)); }
inline int Trunc(double value) { return static_cast<int>(value); }

// The scale factor of a shell: the screen's vertical dots per inch over 100
// when above 100, else 1.
float ScreenScaleFactor();
// The keyboard's focus mark, a dotted rectangle `r`, on `control` while it has
// the focus and the keyboard has been used in its window.
void DrawFocusMark(HWND control, HDC dc, const RECT& r);
float ScaleFromDpi(int dpi);

// The parent's font (or the stock GUI font) with lfHeight reduced by `delta`.
HFONT CreateFontFromParent(HWND control, int delta);

// The controls' double-buffered paint: `draw` paints the client rectangle into
// a memory DC, which is then copied to the window in one block transfer.
// Returns the client rectangle it painted.
template <typename Draw>
RECT PaintDoubleBuffered(HWND hwnd, Draw draw) {
    CPaintDC paint(hwnd);
    RECT client{};
    ::GetClientRect(hwnd, &client);
    CMemoryDC mem(paint);
    CBitmap bitmap(::CreateCompatibleBitmap(paint, client.right, client.bottom));
    if (!mem || !bitmap) return client;
    CSelectObject select(mem, bitmap.Get());
    draw(mem.Get(), client);
    ::BitBlt(paint, 0, 0, client.right, client.bottom, mem, 0, 0, SRCCOPY);
    return client;
}
