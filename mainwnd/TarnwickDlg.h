#pragma once
#include "skin/LayeredShell.h"

class CTarnwickDlgOP;

// The main window's layered shell; its panel CTarnwickDlgOP carries the controls.
class CTarnwickDlg : public CLayeredShell {
public:
    CTarnwickDlg();
    ~CTarnwickDlg() override;

    static constexpr int kBaseWidth = 410;
    static constexpr int kBaseHeight = 611;

    CTarnwickDlgOP* PanelOP() const;
    // Runs as the window goes; the application removes the tool from there.
    void SetOnDestroyed(void (*hook)()) { m_onDestroyed = hook; }

protected:
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnDestroy() override;

    bool InitLayeredShell();
    void LayoutPanel() override;
    void OnSysCommand(UINT id, LPARAM lParam);
    void OnPaint();

    HICON m_hIcon = nullptr;
    void (*m_onDestroyed)() = nullptr;
};
