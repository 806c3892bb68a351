// Stands in for cmd.exe in the test prefix. Wine's cmd deletes silently where
// Windows prints "删除文件 - <path>" for every file that "del /s" removes;
// this prints that, and hands every other command line to Wine's own cmd,
// installed beside it as winecmd.exe.
#include <string>

#include "FakeConsole.h"

namespace {

std::wstring AfterSlashC(const std::wstring& line) {
    // The command line after the program name, an optional "/D" and "/C".
    size_t i = 0;
    if (!line.empty() && line[0] == L'"') i = line.find(L'"', 1) + 1;
    else while (i < line.size() && line[i] != L' ') ++i;
    while (i < line.size() && line[i] == L' ') ++i;
    if (i + 2 <= line.size() && line[i] == L'/' && (line[i + 1] == L'D' || line[i + 1] == L'd') &&
        (i + 2 == line.size() || line[i + 2] == L' ')) {
        i += 2;
        while (i < line.size() && line[i] == L' ') ++i;
    }
    if (i + 1 < line.size() && line[i] == L'/' && (line[i + 1] == L'C' || line[i + 1] == L'c')) {
        i += 2;
        while (i < line.size() && line[i] == L' ') ++i;
        std::wstring rest = line.substr(i);
        if (rest.size() >= 2 && rest.front() == L'"' && rest.back() == L'"') rest = rest.substr(1, rest.size() - 2);
        return rest;
    }
    return std::wstring();
}

bool IsRecursiveDelete(const std::wstring& command, std::wstring& pattern) {
    if (command.size() < 4 || _wcsnicmp(command.c_str(), L"del ", 4) != 0) return false;
    bool recurse = false;
    size_t i = 4;
    while (i < command.size()) {
        while (i < command.size() && command[i] == L' ') ++i;
        size_t end = command.find(L' ', i);
        std::wstring token = command.substr(i, end == std::wstring::npos ? std::wstring::npos : end - i);
        if (fake::Is(token, L"/s")) recurse = true;
        else if (!token.empty() && token[0] != L'/' && pattern.empty()) pattern = fake::Expand(token);
        if (end == std::wstring::npos) break;
        i = end;
    }
    return recurse && !pattern.empty();
}

int RunWineCmd(const std::wstring& line) {
    wchar_t sys[MAX_PATH] = {};
    ::GetSystemDirectoryW(sys, MAX_PATH);
    std::wstring exe = std::wstring(sys) + L"\\winecmd.exe";
    size_t i = 0;
    if (!line.empty() && line[0] == L'"') i = line.find(L'"', 1) + 1;
    else while (i < line.size() && line[i] != L' ') ++i;
    std::wstring cmdLine = L"\"" + exe + L"\"" + line.substr(i);
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = ::GetStdHandle(STD_OUTPUT_HANDLE);
    si.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION pi{};
    // Said, not silent: a command that never ran would otherwise look to the
    // tool like a Windows that printed nothing.
    if (!::CreateProcessW(exe.c_str(), &cmdLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
        fake::Print(L"stand-in cmd: winecmd.exe did not start, error " + std::to_wstring(::GetLastError()) + L"\r\n");
        return 1;
    }
    ::WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 0;
    ::GetExitCodeProcess(pi.hProcess, &code);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    return static_cast<int>(code);
}

// TARNWICK_FAKE_CMDLOG names a file that gets every command line this
// interpreter was started with, one a line, in UTF-8.
void RecordCommandLine(const std::wstring& line) {
    std::wstring target = fake::Env(L"TARNWICK_FAKE_CMDLOG");
    if (target.empty()) return;
    HANDLE h = ::CreateFileW(target.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    int n = ::WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), nullptr, 0, nullptr,
                                  nullptr);
    std::string utf8(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        ::WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), &utf8[0], n, nullptr, nullptr);
    utf8 += "\n";
    DWORD written = 0;
    ::WriteFile(h, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
    ::CloseHandle(h);
}

}  // namespace

int wmain() {
    std::wstring line = ::GetCommandLineW();
    RecordCommandLine(line);
    std::wstring pattern;
    if (IsRecursiveDelete(AfterSlashC(line), pattern)) {
        fake::HangIf(L"del");
        fake::Work();
        std::wstring dir, mask;
        fake::SplitPattern(pattern, dir, mask);
        std::vector<std::wstring> files;
        fake::FindFiles(dir, mask, files);
        if (files.empty()) {
            fake::Say(L"找不到 " + pattern + L"\r\n", L"Could Not Find " + pattern + L"\r\n");
            return 0;
        }
        for (const auto& f : files) {
            if (::DeleteFileW(f.c_str())) fake::Say(L"删除文件 - " + f + L"\r\n", L"Deleted file - " + f + L"\r\n");
            else fake::Say(L"拒绝访问。 - " + f + L"\r\n", L"Access is denied. - " + f + L"\r\n");
            ::Sleep(150);
        }
        return 0;
    }
    return RunWineCmd(line);
}
