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
    bool CreatePanel(int left, int top, int right, int bottom);
    void OnSysCommand(UINT id, LPARAM lParam);
    void OnPaint();

    HICON m_hIcon = nullptr;
    void (*m_onDestroyed)() = nullptr;
};

// Where the panel goes at creation, from the shell's target rectangle.
RECT PanelCreationRect(const RECT& shell, float s);
