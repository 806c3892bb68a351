#pragma once
#include "framework/WinApp.h"
#include "skin/Gdiplus.h"

class CTarnwickApp : public CWinApp {
public:
    CTarnwickApp();
    BOOL InitInstance() override;
    int ExitInstance() override;

private:
    ULONG_PTR m_gdiplusToken = 0;
    Gdiplus::GdiplusStartupInput m_gdiplusStartupInput;
};
