#pragma once
#include <windows.h>

#include "framework/Gdi.h"

// trunc(value * s): every skin size is scaled in floating point and cut toward zero.
inline int ScalePx(double value, float s) { return static_cast<int>(value * static_cast<double>(s)); }
inline int Trunc(double value) { return static_cast<int>(value); }

// The scale factor of a shell: the screen's vertical dots per inch over 100
// when above 100, else 1.
float ScreenScaleFactor();
float ScaleFromDpi(int dpi);

// The parent's font (or the stock GUI font) with lfHeight reduced by `delta`.
HFONT CreateFontFromParent(HWND control, int delta);

// Fills with a solid colour.
void FillSolid(HDC dc, const RECT& r, COLORREF colour);
