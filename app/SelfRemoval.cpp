#include "app/SelfRemoval.h"

#include <windows.h>

#include <atomic>

#include "exec/LogFile.h"
#include "exec/ToolPaths.h"
#include "feedback/ShellOpen.h"

namespace {
// Which way the removal went, for LOG.txt (code page 936).
// 工具文件交由桌面外壳以用户权限删除
const char kRemovalAsUser[] =
    "\xB9\xA4\xBE\xDF\xCE\xC4\xBC\xFE\xBD\xBB\xD3\xC9\xD7\xC0\xC3\xE6\xCD\xE2\xBF\xC7\xD2\xD4"
    "\xD3\xC3\xBB\xA7\xC8\xA8\xCF\xDE\xC9\xBE\xB3\xFD";
// 桌面外壳不可用，工具文件保留
const char kRemovalLeft[] =
    "\xD7\xC0\xC3\xE6\xCD\xE2\xBF\xC7\xB2\xBB\xBF\xC9\xD3\xC3\xA3\xAC\xB9\xA4\xBE\xDF\xCE\xC4"
    "\xBC\xFE\xB1\xA3\xC1\xF4";
}  // namespace

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
    // By full path: a cmd.exe planted beside the tool must not run.
    std::wstring cmd = SystemCmdPath();
    // Started from the system folder: a command interpreter whose current
    // folder is the tool's own would keep that folder from being removed.
    std::wstring systemDir = cmd.substr(0, cmd.find_last_of(L'\\'));
    // With the user's rights, never ours: in the three seconds it waits, any
    // program of the user can swap the folder for a link to a system folder,
    // and an elevated del would follow it. Without a desktop shell the files
    // stay rather than go elevated.
    return StartAsDesktopUser(cmd.c_str(), params.c_str(), systemDir.c_str(), SW_HIDE);
}

void ScheduleSelfRemoval() {
    static std::atomic<bool> done{false};
    if (done.exchange(true)) return;
    // The line below makes the log when none is there yet: then it is ours.
    // A path too long to look at counts as a log that was there, and stays.
    wchar_t log[MAX_PATH];
    bool logExisted = !GetLogFilePath(log, kLogFileName) || ::GetFileAttributesW(log) != INVALID_FILE_ATTRIBUTES;
    bool started = ScheduleSelfRemovalFor(ModulePath(), LogCreatedByThisRun(kLogFileName) || !logExisted);
    // Within the interpreter's three seconds.
    WriteLog(started ? kRemovalAsUser : kRemovalLeft, kLogFileName);
}
