#include "exec/BoundedCall.h"

#include <memory>

namespace {
DWORD WINAPI Worker(LPVOID param) {
    std::unique_ptr<std::function<void()>> work(static_cast<std::function<void()>*>(param));
    (*work)();
    return 0;
}
}  // namespace

CBoundedWork::~CBoundedWork() {
    if (m_thread) ::CloseHandle(m_thread);
}

bool CBoundedWork::Start(std::function<void()> work) {
    if (m_thread) return false;
    auto* owned = new std::function<void()>(std::move(work));
    m_thread = ::CreateThread(nullptr, 0, Worker, owned, 0, nullptr);
    if (!m_thread) delete owned;
    return m_thread != nullptr;
}

BoundedCall CBoundedWork::Wait(DWORD deadline, HANDLE stop) {
    if (!m_thread) return BoundedCall::NotStarted;
    // Signed, so that a deadline already past waits not at all.
    LONG left = static_cast<LONG>(deadline - ::GetTickCount());
    HANDLE waits[] = {m_thread, stop};
    DWORD r = ::WaitForMultipleObjects(stop ? 2 : 1, waits, FALSE, left > 0 ? static_cast<DWORD>(left) : 0);
    if (r == WAIT_OBJECT_0) return BoundedCall::Done;
    return r == WAIT_OBJECT_0 + 1 ? BoundedCall::Stopped : BoundedCall::TimedOut;
}

bool CBoundedWork::Ended() const { return m_thread && ::WaitForSingleObject(m_thread, 0) == WAIT_OBJECT_0; }

BoundedCall RunBounded(std::function<void()> work, DWORD limitMs, HANDLE stop) {
    CBoundedWork helper;
    DWORD deadline = ::GetTickCount() + limitMs;
    if (!helper.Start(std::move(work))) return BoundedCall::NotStarted;
    return helper.Wait(deadline, stop);
}
