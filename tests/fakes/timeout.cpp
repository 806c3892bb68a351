// Wine has no timeout.exe; this one waits as Windows' does for "/t N".
#include <windows.h>

#include <cwchar>
#include <cstdlib>

int wmain(int argc, wchar_t** argv) {
    int seconds = 0;
    for (int i = 1; i + 1 < argc; ++i)
        if (_wcsicmp(argv[i], L"/t") == 0) seconds = _wtoi(argv[i + 1]);
    if (seconds > 0) ::Sleep(static_cast<DWORD>(seconds) * 1000);
    return 0;
}
