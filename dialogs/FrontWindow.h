#pragma once
#include <windows.h>

// The tool's windows that a second start brings forward, in the order it
// prefers them: a prompt over the progress window over the main window.
enum class FrontRank : int {
    Main = 1,
    Progress = 2,
    Prompt = 3,
};

void MarkFrontWindow(HWND window, FrontRank rank);
void UnmarkFrontWindow(HWND window);

// The visible marked window of the highest rank on this desktop, whichever
// process shows it, and the main window; null where there is none.
struct FrontWindows {
    HWND front = nullptr;
    HWND main = nullptr;
};
FrontWindows FindFrontWindows();
