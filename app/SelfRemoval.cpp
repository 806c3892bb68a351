#include "app/SelfRemoval.h"

#include <windows.h>
#include <shellapi.h>

#include <atomic>

#include "exec/LogFile.h"
#include "exec/ToolPaths.h"

std::wstring BuildSelfRemovalParameters(const std::wstring& exePath, bool removeLog) {
    size_t slash = exePath.find_last_of(L'\\');
    if (slash == std::wstring::npos) return std::wstring();
    std::wstring folder = exePath.substr(0, slash);
    std::wstring exeName = exePath.substr(slash + 1);
    auto quoted = [&](const std::wstring& name) { return L"\"" + folder + L"\\" + name + L"\""; };
    // Only what the tool brought or wrote goes; a download folder or the
    // desktop keeps everything else, and rmdir without /s spares a folder
    // that still holds anything. A LOG.txt this run did not make is the
    // user's, or a killed run's that can't be told from the user's: it stays.
    // /D: the interpreter runs elevated, and the registry's AutoRun command
    // must not run with it.
    std::wstring files = quoted(exeName) + L" " + quoted(kFeedbackDllName);
    if (removeLog) files += L" " + quoted(kLogFileName);
    return L"/D /C timeout /t 3 /nobreak >nul & del /f /q " + files + L" >nul 2>nul & rmdir \"" + folder +
           L"\" >nul 2>nul";
}

bool ScheduleSelfRemovalFor(const std::wstring& exePath, bool removeLog) {
    std::wstring params = BuildSelfRemovalParameters(exePath, removeLog);
    if (params.empty()) return false;
    // By full path: a cmd.exe planted beside the tool must not run elevated.
    std::wstring cmd = SystemCmdPath();
    // Started from the system folder: a command interpreter whose current
    // folder is the tool's own would keep that folder from being removed.
    std::wstring systemDir = cmd.substr(0, cmd.find_last_of(L'\\'));
    HINSTANCE r = ::ShellExecuteW(nullptr, L"open", cmd.c_str(), params.c_str(), systemDir.c_str(), SW_HIDE);
    return reinterpret_cast<INT_PTR>(r) > 32;
}

void ScheduleSelfRemoval() {
    static std::atomic<bool> done{false};
    if (done.exchange(true)) return;
    ScheduleSelfRemovalFor(ModulePath(), LogCreatedByThisRun(kLogFileName));
}
