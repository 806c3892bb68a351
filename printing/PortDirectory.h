#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

// A Standard TCP/IP port's settings.
struct TcpPortConfig {
    std::wstring host;
    DWORD portNumber = 0;
    DWORD protocol = 0;  // 1 raw, 2 LPR
    // The monitor's status query of the printer (SNMP): on, with which
    // community, for which device index.
    bool snmpEnabled = false;
    std::wstring community{};
    DWORD snmpIndex = 0;
};

// Where this PC's printer ports lead, as the spooler and its monitors say.
// Each call may block on the spooler: callers bound it in time.
class IPortDirectory {
public:
    virtual ~IPortDirectory() = default;
    // The name of the port's monitor; empty when the port is not listed.
    virtual std::wstring MonitorOf(const std::wstring& port) = 0;
    // The monitor's DLL as registered (a file name, perhaps with a folder).
    virtual std::wstring MonitorDll(const std::wstring& monitor) = 0;
    // From the monitor's registry key; false when the port has none.
    virtual bool TcpPortFromRegistry(const std::wstring& port, TcpPortConfig& out) = 0;
    // Asked of the monitor itself.
    virtual bool TcpPortFromMonitor(const std::wstring& port, TcpPortConfig& out) = 0;
    // Turns the monitor's status query of the port off, every other setting
    // as the monitor gives it: ERROR_SUCCESS or the error met.
    virtual DWORD SwitchSnmpOff(const std::wstring& port) = 0;
    // A WSD or IPP port's device URL; empty when the monitor gives none.
    virtual std::wstring DeviceUrl(const std::wstring& port) = 0;
};

// Windows' ports through winspool.drv and the registry. Never null: where
// winspool lacks EnumPortsW or XcvDataW, it just knows fewer ports.
std::shared_ptr<IPortDirectory> OpenWindowsPortDirectory();
// The same through another module that exports the print system's calls.
std::shared_ptr<IPortDirectory> OpenPortDirectory(HMODULE winspool);

// The ports of a queue's comma-separated list, without spaces around them.
std::vector<std::wstring> PortsIn(const std::wstring& list);
// The file name of the DLL of the port's monitor ("tcpmon.dll"); empty when
// the port is not listed. Monitors' names are translated, their DLLs' are not.
std::wstring MonitorDllOf(IPortDirectory& directory, const std::wstring& port);
