#include "exec/NamedLock.h"

#include <sddl.h>

PSECURITY_DESCRIPTOR NewLockSecurityDescriptor() {
    // Protected, so nothing is inherited: a program without rights can
    // neither open the lock to hold it nor wait on it.
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;;GA;;;SY)(A;;GA;;;BA)", SDDL_REVISION_1,
                                                                &sd, nullptr))
        return nullptr;
    return sd;
}

CNamedLock::CNamedLock(const wchar_t* name) : m_name(name) {
    PSECURITY_DESCRIPTOR sd = NewLockSecurityDescriptor();
    SECURITY_ATTRIBUTES sa{sizeof(sa), sd, FALSE};
    m_mutex.Reset(::CreateMutexW(sd ? &sa : nullptr, FALSE, name));
    // ERROR_ACCESS_DENIED: somebody without rights made the name first, with
    // a descriptor that shuts us out.
    if (!m_mutex.Valid()) m_openError = ::GetLastError();
    if (sd) ::LocalFree(sd);
}

CNamedLock::~CNamedLock() { Release(); }

CNamedLock::Taken CNamedLock::Take(DWORD waitMs) {
    if (!m_mutex.Valid()) return Taken::Unavailable;
    if (m_held) return Taken::Yes;
    DWORD r = ::WaitForSingleObject(m_mutex.Get(), waitMs);
    if (r == WAIT_OBJECT_0 || r == WAIT_ABANDONED) {
        m_held = true;
        return Taken::Yes;
    }
    return r == WAIT_TIMEOUT ? Taken::Busy : Taken::Unavailable;
}

void CNamedLock::Release() {
    if (!m_held) return;
    m_held = false;
    ::ReleaseMutex(m_mutex.Get());
}

std::string CNamedLock::UnavailableLine() const {
    // 无法打开锁 <name>（错误 <n>），不加锁继续
    std::string line = "\xCE\xDE\xB7\xA8\xB4\xF2\xBF\xAA\xCB\xF8 ";
    for (wchar_t c : m_name) line += c < 0x80 ? static_cast<char>(c) : '?';
    char error[16];
    _ultoa(m_openError, error, 10);  // not std::to_string: no printf in the program
    line += "\xA3\xA8\xB4\xED\xCE\xF3 " + std::string(error) +
            "\xA3\xA9\xA3\xAC\xB2\xBB\xBC\xD3\xCB\xF8\xBC\xCC\xD0\xF8";
    return line;
}
