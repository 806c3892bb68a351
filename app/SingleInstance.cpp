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
}

bool BringFirstToolForward(DWORD waitMs) {
    DWORD start = ::GetTickCount();
    for (;;) {
        FrontWindows windows = FindFrontWindows();
        if (windows.front) {
            // The user has just started us, so Windows lets us hand the
            // foreground on. Asynchronous: the first tool may be busy, and a
            // second start must not wait on it.
            if (windows.main && ::IsIconic(windows.main)) ::ShowWindowAsync(windows.main, SW_RESTORE);
            ::SetForegroundWindow(windows.front);
            return true;
        }
        if (::GetTickCount() - start >= waitMs) return false;
        ::Sleep(kLookEveryMs);
    }
}

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
