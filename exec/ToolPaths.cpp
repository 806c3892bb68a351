#include "exec/ToolPaths.h"

#include <windows.h>

const wchar_t* const kFeedbackDllName = L"DalvexFeedbackInformation.dll";
const wchar_t* const kLogFileName = L"LOG.txt";

std::wstring SystemCmdPath() {
    wchar_t dir[MAX_PATH] = {};
    UINT n = ::GetSystemDirectoryW(dir, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return L"C:\\Windows\\System32\\cmd.exe";
    return std::wstring(dir) + L"\\cmd.exe";
}

std::wstring ModulePath(void* module) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = ::GetModuleFileNameW(static_cast<HMODULE>(module), &path[0], static_cast<DWORD>(path.size()));
        if (n == 0) return std::wstring();
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        if (path.size() >= 32768) return std::wstring();
        path.resize(path.size() * 2);
    }
}
