#include "app/SingleInstance.h"

#include "dialogs/FrontWindow.h"
#include "exec/LogFile.h"
#include "exec/NamedLock.h"
#include "exec/ToolPaths.h"

const wchar_t kInstanceLockName[] = L"Local\\Tarnwick.Instance";

namespace {
// A tool started at the same moment may not have its window up yet.
const DWORD kFirstToolWindowMs = 10000;
const DWORD kLookEveryMs = 50;
const DWORD kRestoreMs = 1000;

// Waits up to `waitMs` for a window of the first tool to show, then brings
// its front window forward.
void BringFirstToolForward(DWORD waitMs) {
    DWORD start = ::GetTickCount();
    FrontWindows windows;
    while (!(windows = FindFrontWindows()).front) {
        if (::GetTickCount() - start >= waitMs) return;
        ::Sleep(kLookEveryMs);
    }
    // Asynchronous: the first tool may be busy, and a second start must not
    // wait on it. Its progress or result window comes back with it and is
    // looked for again.
    if (windows.main && ::IsIconic(windows.main)) {
        ::ShowWindowAsync(windows.main, SW_RESTORE);
        for (DWORD t = ::GetTickCount(); ::IsIconic(windows.main) && ::GetTickCount() - t < kRestoreMs;)
            ::Sleep(kLookEveryMs);
        FrontWindows restored = FindFrontWindows();
        if (restored.front) windows = restored;
    }
    // The user has just started us, so Windows lets us hand the foreground on.
    ::SetForegroundWindow(windows.front);
}
}  // namespace

bool BecomeTheSessionsTool(CNamedLock& instance) {
    switch (instance.Take(0)) {
    case CNamedLock::Taken::Yes:
        return true;
    case CNamedLock::Taken::Busy:
        BringFirstToolForward(kFirstToolWindowMs);
        return false;
    case CNamedLock::Taken::Unavailable:
    default:
        // A name taken by a program without rights must not keep the user
        // from the tool.
        WriteLog(instance.UnavailableLine(), kLogFileName);
        return true;
    }
}
