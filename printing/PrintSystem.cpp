#include "printing/PrintSystem.h"

#include <winspool.h>

#include "exec/SystemLibrary.h"

namespace {

typedef BOOL(WINAPI* EnumPrintersFn)(DWORD, LPWSTR, DWORD, LPBYTE, DWORD, LPDWORD, LPDWORD);
typedef BOOL(WINAPI* OpenPrinterFn)(LPWSTR, LPHANDLE, LPPRINTER_DEFAULTSW);
typedef BOOL(WINAPI* ClosePrinterFn)(HANDLE);
typedef BOOL(WINAPI* GetPrinterFn)(HANDLE, DWORD, LPBYTE, DWORD, LPDWORD);
typedef BOOL(WINAPI* SetPrinterFn)(HANDLE, DWORD, LPBYTE, DWORD);
typedef BOOL(WINAPI* EnumJobsFn)(HANDLE, DWORD, DWORD, DWORD, LPBYTE, DWORD, LPDWORD, LPDWORD);
typedef BOOL(WINAPI* GetDefaultPrinterFn)(LPWSTR, LPDWORD);

struct WinspoolCalls {
    EnumPrintersFn enumPrinters = nullptr;
    OpenPrinterFn openPrinter = nullptr;
    ClosePrinterFn closePrinter = nullptr;
    GetPrinterFn getPrinter = nullptr;
    SetPrinterFn setPrinter = nullptr;
    EnumJobsFn enumJobs = nullptr;
    GetDefaultPrinterFn getDefaultPrinter = nullptr;
};

// A failed call's error; a call that failed without one still failed.
DWORD LastError() {
    DWORD error = ::GetLastError();
    return error ? error : ERROR_GEN_FAILURE;
}

// A call's buffer, grown to what the call says it needs.
template <class Call>
DWORD CallWithBuffer(std::vector<BYTE>& buffer, Call call) {
    DWORD needed = 0;
    for (int attempt = 0; attempt < 4; ++attempt) {
        if (call(buffer.empty() ? nullptr : buffer.data(), static_cast<DWORD>(buffer.size()), &needed))
            return ERROR_SUCCESS;
        DWORD error = LastError();
        if (error != ERROR_INSUFFICIENT_BUFFER || needed <= buffer.size()) return error;
        buffer.assign(needed, 0);
    }
    return ERROR_INSUFFICIENT_BUFFER;
}

std::wstring Text(const wchar_t* s) { return s ? s : L""; }

// One printer handle, closed with its owner.
class CPrinterHandle {
public:
    CPrinterHandle(const WinspoolCalls& calls, const std::wstring& name, ACCESS_MASK access) : m_calls(calls) {
        PRINTER_DEFAULTSW defaults{nullptr, nullptr, access};
        std::wstring copy = name;
        if (!m_calls.openPrinter(&copy[0], &m_handle, &defaults)) {
            m_error = LastError();
            m_handle = nullptr;
        }
    }
    ~CPrinterHandle() {
        if (m_handle) m_calls.closePrinter(m_handle);
    }
    CPrinterHandle(const CPrinterHandle&) = delete;
    CPrinterHandle& operator=(const CPrinterHandle&) = delete;
    HANDLE Get() const { return m_handle; }
    DWORD Error() const { return m_error; }

private:
    const WinspoolCalls& m_calls;
    HANDLE m_handle = nullptr;
    DWORD m_error = ERROR_SUCCESS;
};

class CWindowsPrintSystem : public IPrintSystem {
public:
    explicit CWindowsPrintSystem(const WinspoolCalls& calls) : m_calls(calls) {}

    DWORD ListPrinters(std::vector<PrinterListing>& out) override {
        std::vector<BYTE> buffer;
        DWORD count = 0;
        DWORD error = CallWithBuffer(buffer, [&](LPBYTE data, DWORD size, LPDWORD needed) {
            return m_calls.enumPrinters(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 4, data, size,
                                        needed, &count);
        });
        if (error != ERROR_SUCCESS) return error;
        auto* info = reinterpret_cast<const PRINTER_INFO_4W*>(buffer.data());
        for (DWORD i = 0; i < count && info; ++i) out.push_back(PrinterListing{Text(info[i].pPrinterName), info[i].Attributes});
        return ERROR_SUCCESS;
    }

    DWORD ReadPrinter(const std::wstring& name, PrinterStateRead& out) override {
        CPrinterHandle printer(m_calls, name, PRINTER_ACCESS_USE);
        if (!printer.Get()) return printer.Error();
        std::vector<BYTE> buffer;
        PRINTER_INFO_2W* info = nullptr;
        if (DWORD error = GetLevel2(printer.Get(), buffer, info)) return error;
        out.status = info->Status;
        out.attributes = info->Attributes;
        out.port = Text(info->pPortName);
        out.driver = Text(info->pDriverName);
        out.processor = Text(info->pPrintProcessor);
        return ERROR_SUCCESS;
    }

    DWORD ListJobs(const std::wstring& name, std::vector<PrintJobInfo>& out) override {
        CPrinterHandle printer(m_calls, name, PRINTER_ACCESS_USE);
        if (!printer.Get()) return printer.Error();
        std::vector<BYTE> buffer;
        DWORD count = 0;
        DWORD error = CallWithBuffer(buffer, [&](LPBYTE data, DWORD size, LPDWORD needed) {
            return m_calls.enumJobs(printer.Get(), 0, 0xFFFF, 1, data, size, needed, &count);
        });
        if (error != ERROR_SUCCESS) return error;
        auto* jobs = reinterpret_cast<const JOB_INFO_1W*>(buffer.data());
        for (DWORD i = 0; i < count && jobs; ++i)
            out.push_back(PrintJobInfo{Text(jobs[i].pDocument), Text(jobs[i].pPrinterName), jobs[i].TotalPages});
        return ERROR_SUCCESS;
    }

    DWORD Resume(const std::wstring& name, const std::atomic<bool>& leftBehind) override {
        CPrinterHandle printer(m_calls, name, PRINTER_ACCESS_ADMINISTER);
        if (!printer.Get()) return printer.Error();
        if (leftBehind) return ERROR_CANCELLED;
        if (!m_calls.setPrinter(printer.Get(), 0, nullptr, PRINTER_CONTROL_RESUME)) return LastError();
        return ERROR_SUCCESS;
    }

    DWORD ClearWorkOffline(const std::wstring& name, const std::atomic<bool>& leftBehind) override {
        CPrinterHandle printer(m_calls, name, PRINTER_ACCESS_ADMINISTER);
        if (!printer.Get()) return printer.Error();
        std::vector<BYTE> buffer;
        PRINTER_INFO_2W* info = nullptr;
        if (DWORD error = GetLevel2(printer.Get(), buffer, info)) return error;
        info->Attributes &= ~static_cast<DWORD>(PRINTER_ATTRIBUTE_WORK_OFFLINE);
        // Everything else as read; the descriptor is left as it is.
        info->pSecurityDescriptor = nullptr;
        if (leftBehind) return ERROR_CANCELLED;
        if (!m_calls.setPrinter(printer.Get(), 2, buffer.data(), 0)) return LastError();
        return ERROR_SUCCESS;
    }

    DWORD DefaultPrinter(std::wstring& name) override {
        wchar_t buffer[MAX_PATH + 1] = {};
        DWORD size = MAX_PATH + 1;
        if (m_calls.getDefaultPrinter(buffer, &size)) {
            name = buffer;
            return ERROR_SUCCESS;
        }
        return LastError();
    }

private:
    // GetPrinterW level 2 into `buffer`, which `info` then points into.
    DWORD GetLevel2(HANDLE printer, std::vector<BYTE>& buffer, PRINTER_INFO_2W*& info) {
        DWORD error = CallWithBuffer(buffer, [&](LPBYTE data, DWORD size, LPDWORD needed) {
            return m_calls.getPrinter(printer, 2, data, size, needed);
        });
        if (error != ERROR_SUCCESS) return error;
        if (buffer.size() < sizeof(PRINTER_INFO_2W)) return ERROR_INVALID_DATA;
        info = reinterpret_cast<PRINTER_INFO_2W*>(buffer.data());
        return ERROR_SUCCESS;
    }

    // A copy: a call left behind keeps its own.
    WinspoolCalls m_calls;
};

}  // namespace

std::shared_ptr<IPrintSystem> OpenWindowsPrintSystem(std::string& missing) {
    missing.clear();
    // Not one of the DLLs Windows always takes from its own folder: by its
    // full path, never by name and never delay-loaded, where a missing
    // function would raise what nothing here can catch.
    static HMODULE module = LoadSystemLibrary(L"winspool.drv");
    if (!module) {
        missing = "winspool.drv";
        return nullptr;
    }
    WinspoolCalls calls;
    bool all = Resolve(module, "EnumPrintersW", calls.enumPrinters, missing);
    all = Resolve(module, "OpenPrinterW", calls.openPrinter, missing) && all;
    all = Resolve(module, "ClosePrinter", calls.closePrinter, missing) && all;
    all = Resolve(module, "GetPrinterW", calls.getPrinter, missing) && all;
    all = Resolve(module, "SetPrinterW", calls.setPrinter, missing) && all;
    all = Resolve(module, "EnumJobsW", calls.enumJobs, missing) && all;
    all = Resolve(module, "GetDefaultPrinterW", calls.getDefaultPrinter, missing) && all;
    if (!all) return nullptr;
    return std::make_shared<CWindowsPrintSystem>(calls);
}
