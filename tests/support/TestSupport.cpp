#include "tests/support/TestSupport.h"

#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <vector>

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs, DWORD everyMs) {
    DWORD start = ::GetTickCount();
    for (;;) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        if (done && done()) return true;
        if (::GetTickCount() - start >= timeoutMs) return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, everyMs, QS_ALLINPUT);
    }
}

void PumpFor(DWORD ms) { PumpUntil(nullptr, ms); }

COLORREF ScreenPixel(int x, int y) {
    HDC screen = ::GetDC(nullptr);
    COLORREF c = ::GetPixel(screen, x, y);
    ::ReleaseDC(nullptr, screen);
    return c;
}

static void SendMouse(DWORD flags, int x = 0, int y = 0) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    if (flags & MOUSEEVENTF_ABSOLUTE) {
        int cx = ::GetSystemMetrics(SM_CXSCREEN), cy = ::GetSystemMetrics(SM_CYSCREEN);
        in.mi.dx = static_cast<LONG>((x * 65535LL + cx / 2) / (cx - 1));
        in.mi.dy = static_cast<LONG>((y * 65535LL + cy / 2) / (cy - 1));
    }
    ::SendInput(1, &in, sizeof(in));
}

// Where the test last put the pointer. The buttons are pressed there, with
// the point in the same input: under load, Wine may still be handling the
// X server's motion events of an earlier move when the press comes, and a
// press without a point lands wherever those left the pointer.
POINT g_pointer{0, 0};

void MouseMoveTo(int x, int y) {
    g_pointer = POINT{x, y};
    ::SetCursorPos(x, y);
    SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, x, y);
    // The move has been taken once the system reports the pointer there
    // (or at the screen's edge, for a point beyond it).
    int cx = ::GetSystemMetrics(SM_CXSCREEN), cy = ::GetSystemMetrics(SM_CYSCREEN);
    POINT want{std::min(std::max(x, 0), cx - 1), std::min(std::max(y, 0), cy - 1)};
    PumpUntil([&] {
        POINT at{};
        return ::GetCursorPos(&at) && at.x == want.x && at.y == want.y;
    }, 2000);
    PumpFor(30);
}

void MouseDown() {
    SendMouse(MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, g_pointer.x, g_pointer.y);
    PumpFor(30);
}

void MouseUp() {
    SendMouse(MOUSEEVENTF_LEFTUP | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, g_pointer.x, g_pointer.y);
    PumpFor(30);
}

void ClickAt(int x, int y) {
    MouseMoveTo(x, y);
    MouseDown();
    MouseUp();
}

void PressKey(WORD vk, WORD held) {
    std::vector<INPUT> in;
    auto key = [&](WORD k, DWORD flags) {
        INPUT i{};
        i.type = INPUT_KEYBOARD;
        i.ki.wVk = k;
        i.ki.dwFlags = flags;
        in.push_back(i);
    };
    if (held) key(held, 0);
    key(vk, 0);
    key(vk, KEYEVENTF_KEYUP);
    if (held) key(held, KEYEVENTF_KEYUP);
    ::SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT));
    PumpFor(50);
}

void SetLogPixels(DWORD dpi) {
    HKEY key;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                          nullptr) == ERROR_SUCCESS) {
        ::RegSetValueExW(key, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof(dpi));
        ::RegCloseKey(key);
    }
}

DWORD GetLogPixels() {
    DWORD dpi = 96, size = sizeof(dpi), type = 0;
    HKEY key;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
        if (::RegQueryValueExW(key, L"LogPixels", nullptr, &type, reinterpret_cast<BYTE*>(&dpi), &size) !=
                ERROR_SUCCESS ||
            type != REG_DWORD)
            dpi = 96;
        ::RegCloseKey(key);
    }
    return dpi;
}

int RunToExit(std::wstring commandLine, const std::wstring& folder, DWORD timeoutMs) {
    // A child copy of a test program would delete its parent's premature-exit
    // file when its own cases end: it gets a file of its own, checked here.
    static int children = 0;
    wchar_t parentFile[MAX_PATH] = {};
    DWORD n = ::GetEnvironmentVariableW(L"TEST_PREMATURE_EXIT_FILE", parentFile, MAX_PATH);
    std::wstring childFile;
    if (n > 0 && n < MAX_PATH) {
        childFile = std::wstring(parentFile) + L"-child" + std::to_wstring(++children);
        WriteFileBytes(childFile, "0");
        ::SetEnvironmentVariableW(L"TEST_PREMATURE_EXIT_FILE", childFile.c_str());
    }
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    BOOL started = ::CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                                    folder.empty() ? nullptr : folder.c_str(), &si, &pi);
    if (!childFile.empty()) ::SetEnvironmentVariableW(L"TEST_PREMATURE_EXIT_FILE", parentFile);
    if (!started) {
        std::fprintf(stderr, "CreateProcess failed, error %lu: %ls\n", ::GetLastError(), commandLine.c_str());
        if (!childFile.empty()) ::DeleteFileW(childFile.c_str());
        return -1;
    }
    int code = 99;
    if (::WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_OBJECT_0) {
        DWORD c = 0;
        ::GetExitCodeProcess(pi.hProcess, &c);
        code = static_cast<int>(c);
        if (!childFile.empty() && FileExists(childFile)) {
            std::fprintf(stderr, "the child ended (status %d) before all its cases had run: %ls\n", code,
                         commandLine.c_str());
            code = kEndedEarly;
        }
    } else {
        ::TerminateProcess(pi.hProcess, 99);
        ::WaitForSingleObject(pi.hProcess, 5000);
    }
    if (!childFile.empty()) ::DeleteFileW(childFile.c_str());
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    return code;
}

int RunSelfAtDpi(DWORD dpi, const std::string& filter, DWORD timeoutMs) {
    DWORD old = GetLogPixels();
    SetLogPixels(dpi);
    wchar_t exe[MAX_PATH];
    ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
    int code = RunToExit(L"\"" + std::wstring(exe) + L"\" --gtest_filter=" + std::wstring(filter.begin(), filter.end()),
                         std::wstring(), timeoutMs);
    SetLogPixels(old);
    return code;
}

std::wstring ProgramFolder() {
    wchar_t exe[MAX_PATH];
    DWORD n = ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring s(exe, n);
    return s.substr(0, s.find_last_of(L'\\') + 1);
}

static void RemoveTree(const std::wstring& dir) {
    WIN32_FIND_DATAW fd;
    HANDLE h = ::FindFirstFileW((dir + L"\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = fd.cFileName;
            if (name == L"." || name == L"..") continue;
            std::wstring p = dir + L"\\" + name;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(p);
            else {
                ::SetFileAttributesW(p.c_str(), FILE_ATTRIBUTE_NORMAL);
                ::DeleteFileW(p.c_str());
            }
        } while (::FindNextFileW(h, &fd));
        ::FindClose(h);
    }
    ::RemoveDirectoryW(dir.c_str());
}

std::wstring MakeTempFolder(const std::wstring& name) {
    wchar_t tmp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, tmp);
    std::wstring dir = std::wstring(tmp) + name;
    RemoveTree(dir);
    ::CreateDirectoryW(dir.c_str(), nullptr);
    return dir;
}

bool FileExists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::CloseHandle(h);
    return ok && written == bytes.size();
}

std::string ReadFileBytes(const std::wstring& path) {
    HANDLE h = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return std::string();
    std::string out;
    char buf[65536];
    DWORD n = 0;
    while (::ReadFile(h, buf, sizeof(buf), &n, nullptr) && n > 0) out.append(buf, n);
    ::CloseHandle(h);
    return out;
}

std::string RectText(const RECT& r) {
    char buf[96];
    std::snprintf(buf, sizeof(buf), "(%ld,%ld)-(%ld,%ld)", static_cast<long>(r.left), static_cast<long>(r.top),
                  static_cast<long>(r.right), static_cast<long>(r.bottom));
    return buf;
}
