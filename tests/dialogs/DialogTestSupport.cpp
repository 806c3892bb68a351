#include "tests/dialogs/DialogTestSupport.h"

#include "dialogs/DialogMessages.h"
#include "skin/Gdiplus.h"
#include "tests/support/TestSupport.h"

void EnsureDialogLibraries() {
    static ULONG_PTR token = [] {
        ULONG_PTR t = 0;
        Gdiplus::GdiplusStartupInput in;
        Gdiplus::GdiplusStartup(&t, &in, nullptr);
        ::LoadLibraryW(L"riched20.dll");
        return t;
    }();
    (void)token;
}

ModalOnThread::ModalOnThread(CLayeredShell& dlg) : m_dlg(dlg) {
    EnsureDialogLibraries();
    m_thread = std::thread([this] {
        m_result = m_dlg.DoModal();
        m_done = true;
    });
}

ModalOnThread::~ModalOnThread() {
    // A failed test must not leave the dialog's thread waiting for ever.
    if (!m_done && m_dlg.m_hWnd) {
        ::PostMessageW(m_dlg.m_hWnd, WM_CLOSE, 0, 0);
        ::PostMessageW(m_dlg.m_hWnd, WM_CLOSE_EXECUTE_PROMPT, 0, 0);
    }
    if (m_thread.joinable()) m_thread.join();
}

HWND ModalOnThread::Panel() const {
    CDialog* panel = m_dlg.Panel();
    return panel ? panel->m_hWnd : nullptr;
}

bool ModalOnThread::WaitShown(DWORD timeoutMs) {
    return PumpUntil([this] {
        HWND shell = m_dlg.m_hWnd, panel = Panel();
        return m_done || (shell && ::IsWindowVisible(shell) && panel && ::IsWindowVisible(panel));
    }, timeoutMs) && !m_done;
}

bool ModalOnThread::WaitEnded(DWORD timeoutMs) {
    bool ended = PumpUntil([this] { return m_done.load(); }, timeoutMs);
    if (ended && m_thread.joinable()) m_thread.join();
    return ended;
}

RECT RectInClient(HWND window, HWND reference) {
    RECT r{};
    ::GetWindowRect(window, &r);
    POINT a{r.left, r.top}, b{r.right, r.bottom};
    ::ScreenToClient(reference, &a);
    ::ScreenToClient(reference, &b);
    return RECT{a.x, a.y, b.x, b.y};
}

SIZE WindowSize(HWND window) {
    RECT r{};
    ::GetWindowRect(window, &r);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

POINT ClientPointOnScreen(HWND window, int x, int y) {
    POINT p{x, y};
    ::ClientToScreen(window, &p);
    return p;
}

POINT CentreOnScreen(HWND window) {
    RECT r{};
    ::GetWindowRect(window, &r);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

int ScreenDpi() {
    HDC dc = ::GetDC(nullptr);
    int dpi = ::GetDeviceCaps(dc, LOGPIXELSY);
    ::ReleaseDC(nullptr, dc);
    return dpi;
}
