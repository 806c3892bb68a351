#pragma once
#include <atomic>
#include <string>

#include "framework/WinApp.h"
#include "skin/Gdiplus.h"

// Written by the repair sequence, drawn by the progress window.
extern std::atomic<int> g_repairProgress;
extern std::wstring g_repairStatusText;

class CTarnwickApp : public CWinApp {
public:
    CTarnwickApp();
    BOOL InitInstance() override;
    int ExitInstance() override;

private:
    ULONG_PTR m_gdiplusToken = 0;
    Gdiplus::GdiplusStartupInput m_gdiplusStartupInput;
};
