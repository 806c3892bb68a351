#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "printing/PrinterCheck.h"

// A subkey of ...\Control\Print\Monitors and its Driver value.
struct PortMonitorEntry {
    std::wstring name;
    std::wstring driver;
};

// What the suspects are read from: the registry and the DLLs' version
// resources. Never the spooler, which may be down by then.
class ISuspectSources {
public:
    virtual ~ISuspectSources() = default;
    virtual std::vector<PortMonitorEntry> Monitors() = 0;
    // The spooler's environment, e.g. "Windows x64".
    virtual std::wstring Environment() = 0;
    // A driver's Provider under Drivers\Version-<version>; false when the
    // driver has no key there.
    virtual bool DriverProvider(const std::wstring& environment, int version, const std::wstring& driver,
                                std::wstring& provider) = 0;
    // The CompanyName of a DLL's version resource; ERROR_FILE_NOT_FOUND for
    // a missing file, another error for one without a version resource.
    virtual DWORD CompanyName(const std::wstring& path, std::wstring& company) = 0;
    // The native system folder, where a monitor's bare DLL name lies.
    virtual std::wstring SystemFolder() = 0;
};

struct SpoolerSuspect {
    std::wstring kind;   // 端口监视器, 打印处理器 or 打印机驱动
    std::wstring name;
    std::wstring file;   // a monitor's DLL
    std::wstring maker;  // a monitor DLL's CompanyName, a driver's Provider
    // A monitor's DLL missing (ERROR_FILE_NOT_FOUND) or without a version
    // resource; a driver without a key (ERROR_FILE_NOT_FOUND).
    DWORD readError = ERROR_SUCCESS;
};

// The monitors, and the print processors and drivers the recorded queues
// use, that aren't Microsoft's; each named once.
std::vector<SpoolerSuspect> FindSpoolerSuspects(const PrinterSurvey& record, ISuspectSources& sources);

// The registry and version.dll of this PC; null when version.dll or one of
// its functions is missing, with the missing name in `missing`.
std::unique_ptr<ISuspectSources> OpenWindowsSuspectSources(std::string& missing);

// LOG.txt's lines (code page 936).
std::vector<std::string> SuspectLines(const std::vector<SpoolerSuspect>& suspects);
