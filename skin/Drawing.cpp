#include "skin/Drawing.h"

#include "framework/Dialog.h"

float ScaleFromDpi(int dpi) {
    return dpi > 100 ? static_cast<float>(dpi / 100.0) : 1.0f;
}

float ScreenScaleFactor() {
    HDC screen = ::GetDC(nullptr);
    if (!screen) return 1.0f;
    ::GetDeviceCaps(screen, LOGPIXELSX);
    int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    return ScaleFromDpi(dpi);
}

void DrawFocusMark(HWND control, HDC dc, const RECT& r) {
    if (::GetFocus() != control || !FocusCuesShown(control)) return;
    ::SetTextColor(dc, RGB(0, 0, 0));
    ::SetBkColor(dc, RGB(255, 255, 255));
    ::DrawFocusRect(dc, &r);
}

HFONT CreateFontFromParent(HWND control, int delta) {
    HWND parent = ::GetParent(control);
    HFONT font = parent ? reinterpret_cast<HFONT>(::SendMessageW(parent, WM_GETFONT, 0, 0)) : nullptr;
    if (!font) font = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    if (!font) font = static_cast<HFONT>(::GetStockObject(ANSI_VAR_FONT));
    LOGFONTW lf{};
    if (!font || !::GetObjectW(font, sizeof(lf), &lf)) return nullptr;
    lf.lfHeight -= delta;
    return ::CreateFontIndirectW(&lf);
}
