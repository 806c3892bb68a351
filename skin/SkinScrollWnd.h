#pragma once
#include "framework/Wnd.h"
#include "skin/SkinScrollBar.h"

// Tells the frame to lay out its clipping window and the control again.
const UINT WM_SKIN_LAYOUT = WM_USER + 100;

// The frame that takes a scrolling control's place: the control sits in a
// clipping child ("LIMIT") a little larger than it, so that its own scroll
// bars fall outside, and two skinned bars stand beside it.
class CSkinScrollWnd : public CWnd {
public:
    CSkinScrollWnd() = default;

    int barWidth = 16;
    bool forwarding = false;
    int cornerKind = 0;
    float scale = 1.0f;
    int thumbBorder = 0;

    CSkinScrollBar& HorzBar() { return m_horzBar; }
    CSkinScrollBar& VertBar() { return m_vertBar; }
    HWND Limit() const { return m_limit.m_hWnd; }
    HWND Control() const { return m_control; }

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void PostNcDestroy() override { delete this; }

private:
    friend CSkinScrollWnd* SkinWndScroll(HWND control, HBITMAP skin, float scale, int thumbBorder);
    friend bool UnskinWndScroll(HWND control);
    friend LRESULT CALLBACK SkinScrollSubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    ~CSkinScrollWnd() override = default;
    bool Attach(HWND control, HBITMAP skin);
    void OnSkinLayout(bool vertical, bool leftBar);
    void OnScroll(UINT msg, WPARAM wParam, HWND bar);
    void OnTimer(UINT_PTR id);
    void OnPaint();
    void SyncBars(HWND control);
    void LayoutBars(HWND control, NCCALCSIZE_PARAMS* params);

    CSkinScrollBar m_horzBar;
    CSkinScrollBar m_vertBar;
    CWnd m_limit;
    HBITMAP m_skin = nullptr;
    WNDPROC m_prevProc = nullptr;
    HWND m_control = nullptr;
    bool m_destroying = false;
};

// Wraps `control` in a new frame drawn from `skin` (not owned: it must outlive
// the frame). The frame lives until the control is destroyed or unwrapped.
CSkinScrollWnd* SkinWndScroll(HWND control, HBITMAP skin, float scale, int thumbBorder);
// Gives the control back its parent and place; true also when it was not wrapped.
bool UnskinWndScroll(HWND control);
LRESULT CALLBACK SkinScrollSubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
