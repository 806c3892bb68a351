#include "dialogs/FrontWindow.h"

namespace {
// A window property: the window manager keeps it, so another process can
// read it without a message to the tool, which may be busy.
const wchar_t kProperty[] = L"Tarnwick.Front";

struct Search {
    FrontWindows found;
    int best = 0;
};

BOOL CALLBACK ConsiderWindow(HWND hwnd, LPARAM lp) {
    auto* s = reinterpret_cast<Search*>(lp);
    int rank = static_cast<int>(reinterpret_cast<INT_PTR>(::GetPropW(hwnd, kProperty)));
    // A minimised window is still visible.
    if (rank <= 0 || !::IsWindowVisible(hwnd)) return TRUE;
    if (rank == static_cast<int>(FrontRank::Main)) s->found.main = hwnd;
    if (rank > s->best) {
        s->best = rank;
        s->found.front = hwnd;
    }
    return TRUE;
}
}  // namespace

void MarkFrontWindow(HWND window, FrontRank rank) {
    if (window) ::SetPropW(window, kProperty, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(rank)));
}

void UnmarkFrontWindow(HWND window) {
    if (window) ::RemovePropW(window, kProperty);
}

FrontWindows FindFrontWindows() {
    Search search;
    ::EnumWindows(&ConsiderWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}
