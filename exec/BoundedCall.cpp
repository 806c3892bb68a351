#include "exec/BoundedCall.h"

#include <memory>

namespace {
DWORD WINAPI Worker(LPVOID param) {
    std::unique_ptr<std::function<void()>> work(static_cast<std::function<void()>*>(param));
    (*work)();
    return 0;
}
}  // namespace

BoundedCall RunBounded(std::function<void()> work, DWORD limitMs, HANDLE stop) {
    auto* owned = new std::function<void()>(std::move(work));
    HANDLE thread = ::CreateThread(nullptr, 0, Worker, owned, 0, nullptr);
    if (!thread) {
        delete owned;
        return BoundedCall::NotStarted;
    }
    HANDLE waits[] = {thread, stop};
    DWORD r = ::WaitForMultipleObjects(stop ? 2 : 1, waits, FALSE, limitMs);
    ::CloseHandle(thread);
    if (r == WAIT_OBJECT_0) return BoundedCall::Done;
    return r == WAIT_OBJECT_0 + 1 ? BoundedCall::Stopped : BoundedCall::TimedOut;
}
