#pragma once
#include "skin/SkinPanel.h"

// The main window's panel: every control of the main screen.
class CTarnwickDlgOP : public CSkinPanel {
public:
    CTarnwickDlgOP();
    ~CTarnwickDlgOP() override;

    void LayoutPanelControls();

protected:
    BOOL OnInitDialog() override;
    RECT DragBand() const override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    BOOL OnEraseBkgnd(HDC dc);
    void OnDestroy();

    RECT m_clientRect{};
    Gdiplus::Image* m_background = nullptr;
};
