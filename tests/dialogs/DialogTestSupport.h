#pragma once
#include <windows.h>

#include <atomic>
#include <functional>
#include <thread>

#include "framework/Dialog.h"
#include "skin/LayeredShell.h"

// GDI+ and the rich edit library, as the program starts them.
void EnsureDialogLibraries();

// Runs a dialog's DoModal on a thread of its own, so that the test thread can
// look at it, click it and read its pixels while it waits.
class ModalOnThread {
public:
    explicit ModalOnThread(CLayeredShell& dlg);
    ~ModalOnThread();
    // Waits until the shell is visible and its panel exists.
    bool WaitShown(DWORD timeoutMs = 5000);
    // Waits until DoModal has returned.
    bool WaitEnded(DWORD timeoutMs = 5000);
    bool Ended() const { return m_done.load(); }
    INT_PTR Result() const { return m_result.load(); }
    HWND Shell() const { return m_dlg.m_hWnd; }
    HWND Panel() const;

private:
    CLayeredShell& m_dlg;
    std::atomic<bool> m_done{false};
    std::atomic<INT_PTR> m_result{-100};
    std::thread m_thread;
};

// A window's rectangle relative to another window's client origin.
RECT RectInClient(HWND window, HWND reference);
SIZE WindowSize(HWND window);
POINT ClientPointOnScreen(HWND window, int x, int y);
// A child's centre on the screen.
POINT CentreOnScreen(HWND window);
// The screen's dots per inch as this process sees it.
int ScreenDpi();
