#pragma once
#include <windows.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

struct PrinterListing {
    std::wstring name;
    DWORD attributes = 0;  // PRINTER_ATTRIBUTE_*
};

struct PrinterStateRead {
    DWORD status = 0;      // PRINTER_STATUS_*
    DWORD attributes = 0;  // PRINTER_ATTRIBUTE_*
    // Where its jobs go and what renders them: the port may list several,
    // comma-separated.
    std::wstring port, driver, processor;
};

struct PrintJobInfo {
    std::wstring document;
    std::wstring printer;
    DWORD pages = 0;
};

// The print system, call by call. Each call answers ERROR_SUCCESS or the
// error it met. A call may block for long (a print server that doesn't
// answer): callers bound it in time and may leave it behind.
class IPrintSystem {
public:
    virtual ~IPrintSystem() = default;
    // The local queues and the connections of this PC, from its own list:
    // no server is asked.
    virtual DWORD ListPrinters(std::vector<PrinterListing>& out) = 0;
    virtual DWORD ReadPrinter(const std::wstring& name, PrinterStateRead& out) = 0;
    virtual DWORD ListJobs(const std::wstring& name, std::vector<PrintJobInfo>& out) = 0;
    // The two changes look at `leftBehind` right before they change
    // anything, and change nothing once it is set (ERROR_CANCELLED).
    virtual DWORD Resume(const std::wstring& name, const std::atomic<bool>& leftBehind) = 0;
    virtual DWORD ClearWorkOffline(const std::wstring& name, const std::atomic<bool>& leftBehind) = 0;
    virtual DWORD DefaultPrinter(std::wstring& name) = 0;
};

// Windows' print system, winspool.drv from the system folder, loaded on
// first use and never unloaded: a call left behind may still be inside it.
// Null when the library or one of its functions is missing, with the
// missing name in `missing`.
std::shared_ptr<IPrintSystem> OpenWindowsPrintSystem(std::string& missing);
