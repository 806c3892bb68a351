#pragma once
#include "framework/Wnd.h"

class CButton : public CWnd {
public:
    int GetCheck() const { return static_cast<int>(SendMessage(BM_GETCHECK)); }
    void SetCheck(int state) const { SendMessage(BM_SETCHECK, static_cast<WPARAM>(state)); }
    // Owner drawing: the parent reflects WM_DRAWITEM to this.
    virtual void DrawItem(DRAWITEMSTRUCT*) {}
    bool OnChildNotify(UINT msg, WPARAM, LPARAM lParam, LRESULT* result) override {
        if (msg != WM_DRAWITEM) return false;
        DrawItem(reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
        *result = TRUE;
        return true;
    }
};
