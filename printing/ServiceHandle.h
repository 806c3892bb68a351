#pragma once
#include <windows.h>

class CServiceHandle {
public:
    explicit CServiceHandle(SC_HANDLE h) : m_h(h) {}
    ~CServiceHandle() {
        if (m_h) ::CloseServiceHandle(m_h);
    }
    CServiceHandle(const CServiceHandle&) = delete;
    CServiceHandle& operator=(const CServiceHandle&) = delete;
    SC_HANDLE Get() const { return m_h; }

private:
    SC_HANDLE m_h;
};

// The spooler's service opened for `access`, with the manager it came from.
class CSpoolerService {
public:
    explicit CSpoolerService(DWORD access)
        : m_manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT)),
          m_service(m_manager.Get() ? ::OpenServiceW(m_manager.Get(), L"Spooler", access) : nullptr) {}
    SC_HANDLE Get() const { return m_service.Get(); }

private:
    CServiceHandle m_manager;
    CServiceHandle m_service;
};
