#pragma once
#include <windows.h>

#include <functional>

enum class BoundedCall {
    Done,        // the work returned in time
    TimedOut,    // left behind at the limit
    Stopped,     // left behind because the caller was asked to stop
    NotStarted,  // no thread could be made; nothing ran
};

// Work on a thread of its own, begun now and waited for later, so that the
// caller can do something else meanwhile. Work still running when the wait
// ends is left behind and never ended: ending a thread inside a system call
// can leave that system's locks held. It finishes by itself or with the
// process, so it must own everything it touches.
class CBoundedWork {
public:
    CBoundedWork() = default;
    ~CBoundedWork();
    CBoundedWork(const CBoundedWork&) = delete;
    CBoundedWork& operator=(const CBoundedWork&) = delete;

    // False when no thread could be made; nothing runs then.
    bool Start(std::function<void()> work);
    // Until the work returns, the tick count `deadline` passes or `stop`
    // (may be null) is set.
    BoundedCall Wait(DWORD deadline, HANDLE stop);
    // Whether the work has returned, without waiting.
    bool Ended() const;

private:
    HANDLE m_thread = nullptr;
};

// Runs `work` and waits until it returns, `limitMs` passes or `stop` is set.
BoundedCall RunBounded(std::function<void()> work, DWORD limitMs, HANDLE stop);
