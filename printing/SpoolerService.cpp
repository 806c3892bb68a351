#include "printing/SpoolerService.h"

#include "printing/ServiceHandle.h"

#include <string>

namespace {
const wchar_t kRecordKey[] = L"Software\\Dalvex\\Tarnwick";
const wchar_t kRecordValue[] = L"SpoolerDisabled";

bool QueryStartType(DWORD& startType) {
    CSpoolerService service(SERVICE_QUERY_CONFIG);
    if (!service.Get()) return false;
    DWORD needed = 0;
    ::QueryServiceConfigW(service.Get(), nullptr, 0, &needed);
    if (needed == 0) return false;
    std::string buffer(needed, '\0');
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(&buffer[0]);
    if (!::QueryServiceConfigW(service.Get(), config, needed, &needed)) return false;
    startType = config->dwStartType;
    return true;
}

bool QueryState(DWORD& state) {
    CSpoolerService service(SERVICE_QUERY_STATUS);
    if (!service.Get()) return false;
    SERVICE_STATUS status{};
    if (!::QueryServiceStatus(service.Get(), &status)) return false;
    state = status.dwCurrentState;
    return true;
}

// Nothing left to delete below the folder; a folder that can't be read is
// no proof of anything.
bool FolderHoldsNoFiles(const std::wstring& dir) {
    WIN32_FIND_DATAW fd;
    HANDLE h = ::FindFirstFileW((dir + L"\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) {
        DWORD error = ::GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    }
    bool empty = true;
    do {
        std::wstring name = fd.cFileName;
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) empty = false;
        else if (name != L"." && name != L"..") empty = FolderHoldsNoFiles(dir + L"\\" + name);
    } while (empty && ::FindNextFileW(h, &fd));
    ::FindClose(h);
    return empty;
}

bool SpoolQueueEmpty() {
    // The spool folder is exempt from the file-system redirection of a
    // 32-bit program, so System32 is the real one.
    wchar_t system[MAX_PATH] = {};
    UINT n = ::GetSystemDirectoryW(system, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return false;
    return FolderHoldsNoFiles(std::wstring(system) + L"\\spool\\PRINTERS");
}
}  // namespace

bool SpoolerConfirms(SpoolerCheck check) {
    DWORD value = 0;
    switch (check) {
    case SpoolerCheck::StartDisabled: return QueryStartType(value) && value == SERVICE_DISABLED;
    case SpoolerCheck::StartAutomatic: return QueryStartType(value) && value == SERVICE_AUTO_START;
    case SpoolerCheck::Stopped: return QueryState(value) && value == SERVICE_STOPPED;
    case SpoolerCheck::Running: return QueryState(value) && value == SERVICE_RUNNING;
    case SpoolerCheck::QueueEmpty: return SpoolQueueEmpty();
    }
    return false;
}

bool SetSpoolerAutomaticStart() {
    CSpoolerService service(SERVICE_CHANGE_CONFIG);
    if (!service.Get()) return false;
    return ::ChangeServiceConfigW(service.Get(), SERVICE_NO_CHANGE, SERVICE_AUTO_START, SERVICE_NO_CHANGE, nullptr,
                                  nullptr, nullptr, nullptr, nullptr, nullptr, nullptr) != FALSE;
}

// Both builds keep the mark in the 64-bit view, so that a 64-bit tool mends
// what a killed 32-bit one left and the other way round; a 32-bit tool of an
// earlier version kept it under WOW6432Node, which is read and cleared too.
// (KEY_WOW64_64KEY / KEY_WOW64_32KEY: "Accessing an Alternate Registry View",
// Microsoft Learn; ignored on 32-bit Windows, which has one view.)
bool RecordSpoolerDisabled(bool disabled) {
    if (!disabled) {
        bool cleared = true;
        for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
            HKEY key = nullptr;
            LSTATUS r = ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRecordKey, 0, KEY_SET_VALUE | view, &key);
            if (r == ERROR_SUCCESS) {
                r = ::RegDeleteValueW(key, kRecordValue);
                ::RegCloseKey(key);
            }
            if (r != ERROR_SUCCESS && r != ERROR_FILE_NOT_FOUND) cleared = false;
        }
        return cleared;
    }
    HKEY key = nullptr;
    if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kRecordKey, 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr,
                          &key, nullptr) != ERROR_SUCCESS)
        return false;
    DWORD one = 1;
    LSTATUS r = ::RegSetValueExW(key, kRecordValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof(one));
    // On disk before the command that disables the spooler runs.
    ::RegFlushKey(key);
    ::RegCloseKey(key);
    return r == ERROR_SUCCESS;
}

bool SpoolerDisabledRecorded() {
    for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
        HKEY key = nullptr;
        if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRecordKey, 0, KEY_QUERY_VALUE | view, &key) != ERROR_SUCCESS)
            continue;
        DWORD value = 0, size = sizeof(value);
        bool set = ::RegGetValueW(key, nullptr, kRecordValue, RRF_RT_REG_DWORD, nullptr, &value, &size) ==
                       ERROR_SUCCESS &&
                   value != 0;
        ::RegCloseKey(key);
        if (set) return true;
    }
    return false;
}
