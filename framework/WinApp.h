#pragma once
#include "framework/Wnd.h"

// The application object: one global instance, found through Get().
class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    static CWinApp* Get();
    static CWnd* MainWnd();

    virtual BOOL InitInstance() { return TRUE; }
    virtual int ExitInstance() { return m_exitCode; }
    // Runs the life of the program: InitInstance, a message loop when it asks
    // for one, then ExitInstance.
    int Main(HINSTANCE instance);

    CWnd* m_pMainWnd = nullptr;
    HINSTANCE m_hInstance = nullptr;
    DWORD m_dwRestartManagerSupportFlags = 0;

protected:
    int m_exitCode = 0;
};
