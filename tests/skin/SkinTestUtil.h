#pragma once
#include <windows.h>

#include <functional>
#include <vector>

#include "framework/Wnd.h"

// A top-level window that paints a known colour, records the notifications
// its children send, and lets a test answer scroll requests.
class CTestParent : public CWnd {
public:
    static const COLORREF kBackground = RGB(40, 80, 120);
    struct Note { UINT msg; WPARAM wParam; LPARAM lParam; DWORD tick; };

    bool Create(int x, int y, int w, int h, DWORD extraStyle = 0);
    std::vector<Note> notes;
    std::function<void(UINT msg, WPARAM wParam, HWND bar)> onScroll;
    int Count(UINT msg, int code = -1) const;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
};

// The screen as the user sees it, read in one go.
class CScreenShot {
public:
    explicit CScreenShot(const RECT& screenRect);
    COLORREF At(int x, int y) const;  // relative to the rectangle
    int Width() const { return m_w; }
    int Height() const { return m_h; }
    // Bounding box of the pixels that differ from `background`; empty when none.
    RECT Ink(COLORREF background) const;

private:
    int m_w, m_h;
    std::vector<DWORD> m_bits;
};

RECT ScreenRectOf(HWND hwnd);
bool ColorNear(COLORREF a, COLORREF b, int tolerance = 3);
int ThreadCount();
