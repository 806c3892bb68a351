#pragma once
#include "framework/Dialog.h"
#include "skin/Gdiplus.h"

// The pop-up panel over a layered shell. It may be dragged by a band of its
// own; the shell then follows it.
class CSkinPanel : public CDialogEx {
public:
    using CDialogEx::CDialogEx;
    ~CSkinPanel() override;

    float m_scale = 1.0f;
    // Below 1 where the window's factor was lowered to fit the screen: the
    // template's font, and every control's taken from it, are drawn smaller.
    float m_fontShrink = 1.0f;

protected:
    // The drag band in screen coordinates, or an empty rectangle for none.
    virtual RECT DragBand() const { return RECT{0, 0, 0, 0}; }
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    virtual LRESULT OnNcHitTest(POINT screen);
    virtual void OnMove();

    bool m_captionDrag = false;

private:
    void ShrinkFont();
    CFont m_shrunkFont;
};

// The drag band of a panel: the top `height` pixels of its client area less
// the rightmost `rightCut` pixels, in screen coordinates.
RECT TopDragBand(HWND panel, int height, int rightCut);
