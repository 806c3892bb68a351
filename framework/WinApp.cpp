#include "framework/WinApp.h"

#include <atomic>

namespace {
std::atomic<CWinApp*> g_app{nullptr};
}

CWinApp::CWinApp() { g_app = this; }

CWinApp::~CWinApp() {
    CWinApp* self = this;
    g_app.compare_exchange_strong(self, nullptr);
}

CWinApp* CWinApp::Get() { return g_app; }

CWnd* CWinApp::MainWnd() {
    CWinApp* app = g_app;
    return app ? app->m_pMainWnd : nullptr;
}

int CWinApp::Main(HINSTANCE instance) {
    m_hInstance = instance;
    if (InitInstance()) {
        MSG msg;
        while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        m_exitCode = static_cast<int>(msg.wParam);
    }
    return ExitInstance();
}
