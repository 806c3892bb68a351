#pragma once
#include "framework/ScrollBar.h"
#include "skin/ScrollGeometry.h"

// A scroll bar drawn from the cells of the skin bitmap. It keeps its own
// scroll info (SBM_SETSCROLLINFO / SBM_GETSCROLLINFO) and reports the user's
// actions to its parent as WM_VSCROLL / WM_HSCROLL.
class CSkinScrollBar : public CScrollBar {
public:
    CSkinScrollBar();

    // Creates the bar as a child; SBS_VERT in `style` makes it vertical.
    bool Create(DWORD style, const RECT& rect, HWND parent, UINT id);
    // The bitmap is not owned: it must outlive the bar.
    void SetBitmap(HBITMAP skin);

    bool IsVertical() const { return (GetStyle() & SBS_VERT) != 0; }
    bool Dragging() const { return m_dragging; }
    int PressedPart() const { return m_pressedPart; }
    int HotPart() const { return m_hotPart; }
    ScrollMetrics Metrics() const;
    int HitTest(POINT pt) const { return ScrollHitTest(Metrics(), IsVertical(), pt); }

    float scale = 1.0f;
    int thumbBorder = 0;
    bool tracking = false;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnPaint();
    void OnLButtonDown(POINT pt);
    void OnMouseMove(WPARAM flags, POINT pt);
    void OnLButtonUp(POINT pt);
    void OnTimer(UINT_PTR id);

private:
    RECT PartRect(int part, bool forDrawing = true) const { return ScrollPartRect(Metrics(), IsVertical(), part, forDrawing); }
    void DrawCell(HDC dc, HDC skin, int part, int state, const RECT& dst) const;
    void TileCell(HDC dc, HDC skin, int part, int state, const RECT& dst) const;
    void DrawThumb(HDC dc, HDC skin, int state, const RECT& dst) const;
    // Redraws one part in a state on a window DC: arrows and thumb only.
    void RedrawPart(int part, int state) const;
    void Notify(int code, int pos) const;
    bool IsArrow(int part) const { return part == kPartLineUp || part == kPartLineDown; }

    HBITMAP m_skin = nullptr;
    int m_cell = 0;
    int m_length = 0;
    SCROLLINFO m_si{};
    bool m_dragging = false;
    POINT m_dragStart{0, 0};
    int m_dragStartPos = 0;
    int m_pressedPart = kPartNone;
    bool m_autoRepeat = false;
    int m_hotPart = kPartNone;
    bool m_outside = false;
};
