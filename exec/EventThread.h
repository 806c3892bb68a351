#pragma once
#include <windows.h>

#include <atomic>

#include "framework/Handle.h"

// The work of one pass; false ends the worker.
typedef bool (*EventThreadCallback)(void* context);

// A worker that calls one callback pass after pass while its run event is set.
class CEventThread {
public:
    CEventThread() = default;
    virtual ~CEventThread();
    CEventThread(const CEventThread&) = delete;
    CEventThread& operator=(const CEventThread&) = delete;

    bool Start(EventThreadCallback callback, void* context);
    bool SetRunning(bool run);
    void Stop(DWORD graceMs);
    bool IsAlive() const;

    // For the callback: waits up to `ms` and answers true as soon as a stop
    // has been asked for, so a pass can end at once instead of sleeping on.
    // Wake() ends the wait early too, so an idle worker can wait without end.
    bool WaitForStop(DWORD ms) const;
    void Wake();
    // Set once a stop is asked for, for a pass that waits on more than that.
    HANDLE StopEvent() const { return m_stopEvent.Get(); }

private:
    static DWORD WINAPI Worker(LPVOID param);
    void CloseEvents();

    std::atomic<DWORD> m_threadId{0};
    std::atomic<HANDLE> m_thread{INVALID_HANDLE_VALUE};
    CHandle m_stopEvent;
    CHandle m_exitedEvent;
    CHandle m_runEvent;
    CHandle m_wakeEvent;
    std::atomic<EventThreadCallback> m_callback{nullptr};
    void* m_context = nullptr;
};
