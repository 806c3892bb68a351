#pragma once
#include <windows.h>

#include <functional>

enum class BoundedCall {
    Done,        // the work returned in time
    TimedOut,    // left behind at the limit
    Stopped,     // left behind because the caller was asked to stop
    NotStarted,  // no thread could be made; nothing ran
};

// Runs `work` on a thread of its own and waits until it returns, `limitMs`
// passes or `stop` (may be null) is set. Work still running then is left
// behind and never ended: ending a thread inside a system call can leave
// that system's locks held. It finishes by itself or with the process, so
// it must own everything it touches.
BoundedCall RunBounded(std::function<void()> work, DWORD limitMs, HANDLE stop);
