#include "app/TarnwickApp.h"

#include <commctrl.h>

#include "app/SelfRemoval.h"
#include "exec/SystemLibrary.h"
#include "mainwnd/TarnwickDlg.h"
#include "res/resource.h"

CTarnwickApp::CTarnwickApp() { m_dwRestartManagerSupportFlags = 1; }

BOOL CTarnwickApp::InitInstance() {
    INITCOMMONCONTROLSEX icc{8, 0xFF};
    ::InitCommonControlsEx(&icc);
    CWinApp::InitInstance();
    Gdiplus::GdiplusStartup(&m_gdiplusToken, &m_gdiplusStartupInput, nullptr);
    // The agreement overlay hosts a "RichEdit20W" control.
    LoadSystemLibrary(L"riched20.dll");

    CTarnwickDlg dlg;
    dlg.SetOnDestroyed(&ScheduleSelfRemoval);
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;
    return FALSE;
}

int CTarnwickApp::ExitInstance() {
    if (m_gdiplusToken) Gdiplus::GdiplusShutdown(m_gdiplusToken);
    m_gdiplusToken = 0;
    return CWinApp::ExitInstance();
}
