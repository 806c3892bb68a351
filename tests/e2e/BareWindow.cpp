// The plainest Win32 window, for comparing start-up times under the same Wine.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        if (m == WM_DESTROY) ::PostQuitMessage(0);
        return ::DefWindowProcW(h, m, w, l);
    };
    wc.hInstance = instance;
    wc.lpszClassName = L"TarnwickBareWindow";
    ::RegisterClassW(&wc);
    HWND hwnd = ::CreateWindowW(wc.lpszClassName, L"bare window", WS_OVERLAPPEDWINDOW, 100, 100, 400, 300, nullptr,
                                nullptr, instance, nullptr);
    ::ShowWindow(hwnd, SW_SHOW);
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) ::DispatchMessageW(&msg);
    return 0;
}
