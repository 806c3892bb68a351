#pragma once
// What the stand-in commands share: printing as a Chinese Windows prints
// (code page 936, CR LF), the spooler's state kept in a file between
// commands, and the switches a test uses to make a command misbehave.
#include <windows.h>

#include <cwchar>
#include <string>
#include <vector>

namespace fake {

inline void Print(const std::wstring& text) {
    int n = ::WideCharToMultiByte(936, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(n), '\0');
    if (n > 0) ::WideCharToMultiByte(936, 0, text.c_str(), static_cast<int>(text.size()), &bytes[0], n, nullptr, nullptr);
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::FlushFileBuffers(::GetStdHandle(STD_OUTPUT_HANDLE));
}

inline std::wstring Env(const wchar_t* name) {
    wchar_t buf[1024] = {};
    DWORD n = ::GetEnvironmentVariableW(name, buf, 1024);
    return n && n < 1024 ? std::wstring(buf, n) : std::wstring();
}

// TARNWICK_FAKE_LANG=en: a Windows that answers in English.
inline void Say(const std::wstring& chinese, const std::wstring& english) {
    Print(Env(L"TARNWICK_FAKE_LANG") == L"en" ? english : chinese);
}

// TARNWICK_FAKE_FAIL names a command ("net session") that fails.
inline bool FailsHere(const std::wstring& name) { return Env(L"TARNWICK_FAKE_FAIL") == name; }

// How long a command "works" before its last line; the run is paced like a
// real machine so that every progress value is seen.
inline void Work() {
    std::wstring ms = Env(L"TARNWICK_FAKE_DELAY_MS");
    ::Sleep(ms.empty() ? 600 : static_cast<DWORD>(_wtoi(ms.c_str())));
}

// TARNWICK_FAKE_HANG names a command ("net stop", "sc config", ...) that never answers.
inline void HangIf(const std::wstring& name) {
    if (Env(L"TARNWICK_FAKE_HANG") == name) ::Sleep(INFINITE);
}

inline std::wstring StatePath() {
    std::wstring p = Env(L"TARNWICK_FAKE_STATE");
    if (!p.empty()) return p;
    wchar_t dir[MAX_PATH] = {};
    ::GetWindowsDirectoryW(dir, MAX_PATH);
    return std::wstring(dir) + L"\\temp\\tarnwick-fake-spooler.txt";
}

// "running auto" and the like: whether the spooler runs, and its start type.
inline std::wstring ReadState() {
    HANDLE h = ::CreateFileW(StatePath().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return L"running auto";
    char buf[64] = {};
    DWORD n = 0;
    ::ReadFile(h, buf, sizeof(buf) - 1, &n, nullptr);
    ::CloseHandle(h);
    std::string s(buf, n);
    return std::wstring(s.begin(), s.end());
}

// Wine's own service manager follows every change, so that what the tool
// asks the system agrees with what the commands did.
inline void MirrorService(const std::wstring& state) {
    SC_HANDLE manager = ::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (!manager) return;
    SC_HANDLE service = ::OpenServiceW(manager, L"Spooler", SERVICE_ALL_ACCESS);
    if (service) {
        DWORD type = state.find(L"disabled") != std::wstring::npos ? SERVICE_DISABLED
                   : state.find(L"auto") != std::wstring::npos     ? SERVICE_AUTO_START
                                                                   : SERVICE_DEMAND_START;
        bool run = state.find(L"running") == 0;
        SERVICE_STATUS status{};
        if (!run) ::ControlService(service, SERVICE_CONTROL_STOP, &status);
        ::ChangeServiceConfigW(service, SERVICE_NO_CHANGE, run ? SERVICE_AUTO_START : type, SERVICE_NO_CHANGE,
                               nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
        if (run) ::StartServiceW(service, 0, nullptr);
        if (run) ::ChangeServiceConfigW(service, SERVICE_NO_CHANGE, type, SERVICE_NO_CHANGE, nullptr, nullptr,
                                        nullptr, nullptr, nullptr, nullptr, nullptr);
        // Done once the service manager says so, as net waits for it.
        DWORD want = run ? SERVICE_RUNNING : SERVICE_STOPPED;
        for (int i = 0; i < 100 && ::QueryServiceStatus(service, &status) && status.dwCurrentState != want; ++i)
            ::Sleep(50);
        ::CloseServiceHandle(service);
    }
    ::CloseServiceHandle(manager);
}

inline void WriteState(const std::wstring& state) {
    MirrorService(state);
    HANDLE h = ::CreateFileW(StatePath().c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    std::string s(state.begin(), state.end());
    DWORD n = 0;
    ::WriteFile(h, s.data(), static_cast<DWORD>(s.size()), &n, nullptr);
    ::CloseHandle(h);
}

inline std::vector<std::wstring> Args(int argc, wchar_t** argv) {
    std::vector<std::wstring> a;
    for (int i = 1; i < argc; ++i) a.push_back(argv[i]);
    return a;
}

inline bool Is(const std::wstring& a, const wchar_t* b) { return _wcsicmp(a.c_str(), b) == 0; }

inline std::wstring Expand(const std::wstring& s) {
    wchar_t buf[4096] = {};
    DWORD n = ::ExpandEnvironmentStringsW(s.c_str(), buf, 4096);
    return n && n <= 4096 ? std::wstring(buf) : s;
}

// Every file under the folder of `pattern` (recursively) whose name matches it.
inline void FindFiles(const std::wstring& dir, const std::wstring& mask, std::vector<std::wstring>& out) {
    WIN32_FIND_DATAW fd;
    HANDLE h = ::FindFirstFileW((dir + L"\\" + mask).c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) out.push_back(dir + L"\\" + fd.cFileName);
        } while (::FindNextFileW(h, &fd));
        ::FindClose(h);
    }
    h = ::FindFirstFileW((dir + L"\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = fd.cFileName;
            if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != L"." && name != L"..")
                FindFiles(dir + L"\\" + name, mask, out);
        } while (::FindNextFileW(h, &fd));
        ::FindClose(h);
    }
}

inline void SplitPattern(const std::wstring& pattern, std::wstring& dir, std::wstring& mask) {
    size_t slash = pattern.find_last_of(L'\\');
    dir = slash == std::wstring::npos ? L"." : pattern.substr(0, slash);
    mask = slash == std::wstring::npos ? pattern : pattern.substr(slash + 1);
}

}  // namespace fake
