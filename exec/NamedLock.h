#pragma once
#include <windows.h>

#include <string>

#include "framework/Handle.h"

// SYSTEM and Administrators, full access; nobody else. Owned by LocalFree.
PSECURITY_DESCRIPTOR NewLockSecurityDescriptor();

// A named kernel mutex that only SYSTEM and Administrators can open. It
// belongs to the thread that took it: that thread gives it back.
class CNamedLock {
public:
    enum class Taken {
        Yes,          // ours, also when a killed holder left it abandoned
        Busy,         // another holds it
        Unavailable,  // the name could not be opened: go on without it
    };

    explicit CNamedLock(const wchar_t* name);
    ~CNamedLock();
    CNamedLock(const CNamedLock&) = delete;
    CNamedLock& operator=(const CNamedLock&) = delete;

    // Waits up to `waitMs` for the lock.
    Taken Take(DWORD waitMs);
    // Only on the thread that took it.
    void Release();
    // Why the name could not be opened, for the log; 0 when it was.
    DWORD OpenError() const { return m_openError; }
    // The log's line for a lock that could not be opened (code page 936).
    std::string UnavailableLine() const;

private:
    std::wstring m_name;
    CHandle m_mutex;
    DWORD m_openError = 0;
    bool m_held = false;
};
