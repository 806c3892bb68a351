#pragma once
#include "framework/Wnd.h"

class CScrollBar : public CWnd {
public:
    bool SetScrollInfo(SCROLLINFO* info, bool redraw = true) const {
        ::SetScrollInfo(m_hWnd, SB_CTL, info, redraw);
        return true;
    }
    bool GetScrollInfo(SCROLLINFO* info, UINT mask = SIF_ALL) const {
        info->cbSize = sizeof(SCROLLINFO);
        info->fMask = mask;
        return ::GetScrollInfo(m_hWnd, SB_CTL, info) != FALSE;
    }
};
