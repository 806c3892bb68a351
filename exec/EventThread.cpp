#include "exec/EventThread.h"

#include <initializer_list>

CEventThread::~CEventThread() {
    // Also releases the events of a worker that already ended by itself.
    Stop(100);
}

bool CEventThread::Start(EventThreadCallback callback, void* context) {
    if (IsAlive()) return false;
    CloseEvents();
    CHandle* events[] = {&m_stopEvent, &m_exitedEvent, &m_runEvent, &m_wakeEvent};
    for (CHandle* e : events) {
        e->Reset(::CreateEventW(nullptr, e != &m_wakeEvent, FALSE, nullptr));
        if (!e->Get()) {
            Stop(100);
            return false;
        }
        ::ResetEvent(e->Get());
    }
    m_callback.store(callback);
    m_context = context;

    // Suspended until the handle is stored, so that a worker leaving early
    // always finds the handle it has to release.
    DWORD id = 0;
    HANDLE thread = ::CreateThread(nullptr, 0, &CEventThread::Worker, this, CREATE_SUSPENDED, &id);
    if (!thread) {
        Stop(100);
        return false;
    }
    m_threadId.store(id);
    m_thread.store(thread);
    ::ResumeThread(thread);
    return true;
}

bool CEventThread::SetRunning(bool run) {
    if (!IsAlive() || !m_runEvent.Get()) return false;
    if (run)
        ::SetEvent(m_runEvent.Get());
    else
        ::ResetEvent(m_runEvent.Get());
    return true;
}

void CEventThread::Stop(DWORD graceMs) {
    m_callback.store(nullptr);
    DWORD worker = m_threadId.exchange(0);
    if (worker != 0 && worker == ::GetCurrentThreadId()) {
        // Asked from inside a pass: the worker cannot wait for or end
        // itself; it leaves after this pass, and the events stay until the
        // owner's next Stop or the destructor.
        ::SetEvent(m_stopEvent.Get());
        return;
    }
    if (m_thread.load() != INVALID_HANDLE_VALUE) {
        ::SetEvent(m_stopEvent.Get());
        bool exited = ::WaitForSingleObject(m_exitedEvent.Get(), graceMs) == WAIT_OBJECT_0;
        HANDLE thread = m_thread.exchange(INVALID_HANDLE_VALUE);
        if (thread != INVALID_HANDLE_VALUE) {
            // The last resort: the worker did not come back within the grace.
            ::TerminateThread(thread, 0xFFFFFFFF);
            ::WaitForSingleObject(thread, 50);
            ::CloseHandle(thread);
        } else if (!exited) {
            // The worker took its handle itself and is in its last lines;
            // it still touches the events until it signals its exit.
            ::WaitForSingleObject(m_exitedEvent.Get(), INFINITE);
        }
        ::ResetEvent(m_exitedEvent.Get());
    }
    CloseEvents();
}

bool CEventThread::IsAlive() const { return m_thread.load() != INVALID_HANDLE_VALUE; }

bool CEventThread::WaitForStop(DWORD ms) const {
    if (!m_stopEvent.Get() || !m_wakeEvent.Get()) {
        ::Sleep(ms == INFINITE ? 100 : ms);
        return false;
    }
    HANDLE events[] = {m_stopEvent.Get(), m_wakeEvent.Get()};
    return ::WaitForMultipleObjects(2, events, FALSE, ms) == WAIT_OBJECT_0;
}

void CEventThread::Wake() {
    if (m_wakeEvent.Get()) ::SetEvent(m_wakeEvent.Get());
}

void CEventThread::CloseEvents() {
    for (CHandle* e : {&m_stopEvent, &m_exitedEvent, &m_runEvent, &m_wakeEvent}) e->Close();
}

DWORD WINAPI CEventThread::Worker(LPVOID param) {
    auto* self = static_cast<CEventThread*>(param);
    if (!self) return 0;
    HANDLE waits[2] = {self->m_stopEvent.Get(), self->m_runEvent.Get()};
    for (;;) {
        DWORD r = ::WaitForMultipleObjects(2, waits, FALSE, INFINITE);
        if (r == WAIT_OBJECT_0) break;
        if (r == WAIT_OBJECT_0 + 1) {
            EventThreadCallback callback = self->m_callback.load();
            if (callback && !callback(self->m_context)) break;
        } else if (r == WAIT_FAILED) {
            // A vanished event would otherwise spin this loop forever.
            break;
        }
    }
    self->m_callback.store(nullptr);
    self->m_threadId.store(0);
    ::ResetEvent(self->m_stopEvent.Get());
    HANDLE thread = self->m_thread.exchange(INVALID_HANDLE_VALUE);
    if (thread != INVALID_HANDLE_VALUE) ::CloseHandle(thread);
    // The owner may release everything once this is set; nothing of the
    // object is touched after it.
    ::SetEvent(self->m_exitedEvent.Get());
    return 1;
}
