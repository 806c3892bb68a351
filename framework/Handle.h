#pragma once
#include <windows.h>
#include <utility>

// One owner of a kernel handle: closes it, cannot be copied, can be moved.
// Null and INVALID_HANDLE_VALUE both mean "none".
class CHandle {
public:
    CHandle() = default;
    explicit CHandle(HANDLE h) : m_h(h) {}
    ~CHandle() { Close(); }
    CHandle(const CHandle&) = delete;
    CHandle& operator=(const CHandle&) = delete;
    CHandle(CHandle&& o) noexcept : m_h(o.Detach()) {}
    CHandle& operator=(CHandle&& o) noexcept {
        if (this != &o) Reset(o.Detach());
        return *this;
    }
    HANDLE Get() const { return m_h; }
    bool Valid() const { return m_h && m_h != INVALID_HANDLE_VALUE; }
    HANDLE Detach() { HANDLE h = m_h; m_h = nullptr; return h; }
    void Reset(HANDLE h = nullptr) {
        if (Valid()) ::CloseHandle(m_h);
        m_h = h;
    }
    void Close() { Reset(); }

private:
    HANDLE m_h = nullptr;
};
