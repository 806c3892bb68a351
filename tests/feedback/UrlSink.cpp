// Stands in for the browser in the feedback tests: writes the command line it
// was started with to the file named by its first argument, when it is given
// two, else by FEEDBACK_URL_SINK. A page opened through the desktop shell
// starts it from the shell, with the shell's environment, not the test's.
#include <windows.h>
#include <shellapi.h>

#include <cwchar>
#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    wchar_t target[MAX_PATH] = {};
    std::wstring line = ::GetCommandLineW();
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(line.c_str(), &argc);
    if (argv && argc == 3 && ::wcslen(argv[1]) < MAX_PATH) ::wcscpy(target, argv[1]);
    if (argv) ::LocalFree(argv);
    if (!target[0] && !::GetEnvironmentVariableW(L"FEEDBACK_URL_SINK", target, MAX_PATH)) return 1;
    // The test polls the file while pages open; a read that holds it for a
    // moment must not cost a line.
    HANDLE h = INVALID_HANDLE_VALUE;
    for (int tries = 0; tries < 100 && h == INVALID_HANDLE_VALUE; ++tries) {
        h = ::CreateFileW(target, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE) ::Sleep(20);
    }
    if (h == INVALID_HANDLE_VALUE) return 1;
    int n = ::WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(n > 0 ? n - 1 : 0, '\0');
    if (n > 1) ::WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, &utf8[0], n, nullptr, nullptr);
    utf8 += "\n";
    DWORD written = 0;
    ::WriteFile(h, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
    ::CloseHandle(h);
    return 0;
}
