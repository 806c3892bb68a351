#include "printing/PortDirectory.h"

#include <winspool.h>

#include <cstddef>
#include <vector>

#include "exec/SystemLibrary.h"
#include "printing/LogText.h"

namespace {

// tcpxcv.h is not in mingw-w64; as Microsoft documents them ("CONFIG_INFO_DATA_1"
// and "PORT_DATA_1", Standard TCP/IP port monitor, XcvData), with the
// alignment the Windows headers' compilers give them, the same on 32- and
// 64-bit builds: neither holds a pointer.
const int kMaxPortNameLen = 64;
const int kMaxNetworkNameLen = 49;
const int kMaxSnmpCommunityStrLen = 33;
const int kMaxQueueNameLen = 33;
const int kMaxIpAddrStrLen = 16;

struct ConfigInfoData1 {
    BYTE Reserved[128];
    DWORD dwVersion;
};

struct PortData1 {
    WCHAR sztPortName[kMaxPortNameLen];
    DWORD dwVersion;
    DWORD dwProtocol;
    DWORD cbSize;
    DWORD dwReserved;
    WCHAR sztHostAddress[kMaxNetworkNameLen];
    WCHAR sztSNMPCommunity[kMaxSnmpCommunityStrLen];
    DWORD dwDoubleSpool;
    WCHAR sztQueue[kMaxQueueNameLen];
    WCHAR sztIPAddress[kMaxIpAddrStrLen];
    BYTE Reserved[540];
    DWORD dwPortNumber;
    DWORD dwSNMPEnabled;
    DWORD dwSNMPDevIndex;
};
static_assert(sizeof(ConfigInfoData1) == 132, "CONFIG_INFO_DATA_1");
static_assert(offsetof(PortData1, sztHostAddress) == 144 && offsetof(PortData1, sztSNMPCommunity) == 242 &&
                  offsetof(PortData1, dwDoubleSpool) == 308 && offsetof(PortData1, sztIPAddress) == 378 &&
                  offsetof(PortData1, dwPortNumber) == 952 && sizeof(PortData1) == 964,
              "PORT_DATA_1");

// APMON's port data (MS-RPRN): a version, a protocol, then the device's URL.
struct ApPortData1 {
    DWORD Version;
    DWORD Protocol;
    WCHAR DeviceOrServiceUrl[260];
};
static_assert(sizeof(ApPortData1) == 528, "AP_PORT_DATA_1");

typedef BOOL(WINAPI* EnumPortsFn)(LPWSTR, DWORD, LPBYTE, DWORD, LPDWORD, LPDWORD);
typedef BOOL(WINAPI* OpenPrinterFn)(LPWSTR, LPHANDLE, LPPRINTER_DEFAULTSW);
typedef BOOL(WINAPI* ClosePrinterFn)(HANDLE);
typedef BOOL(WINAPI* XcvDataFn)(HANDLE, PCWSTR, PBYTE, DWORD, PBYTE, DWORD, PDWORD, PDWORD);

const wchar_t kMonitors[] = L"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\";

// A registry value, or false when the key or the value is missing.
bool ReadText(HKEY key, const wchar_t* name, std::wstring& out) {
    DWORD type = 0, size = 0;
    if (::RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return false;
    if ((type != REG_SZ && type != REG_EXPAND_SZ) || size < sizeof(wchar_t)) return false;
    std::vector<wchar_t> text(size / sizeof(wchar_t) + 1, L'\0');
    if (::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<LPBYTE>(text.data()), &size) != ERROR_SUCCESS)
        return false;
    out = text.data();
    return !out.empty();
}

// Only a REG_DWORD is a number: the text "9" read as bytes would make
// port 57. Anything else leaves `out` as it was.
bool ReadNumber(HKEY key, const wchar_t* name, DWORD& out) {
    DWORD type = 0, value = 0, size = sizeof(value);
    if (::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<LPBYTE>(&value), &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof(value))
        return false;
    out = value;
    return true;
}

class CRegistryKey {
public:
    explicit CRegistryKey(const std::wstring& path) {
        if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &m_key) != ERROR_SUCCESS) m_key = nullptr;
    }
    ~CRegistryKey() {
        if (m_key) ::RegCloseKey(m_key);
    }
    CRegistryKey(const CRegistryKey&) = delete;
    CRegistryKey& operator=(const CRegistryKey&) = delete;
    HKEY Get() const { return m_key; }

private:
    HKEY m_key = nullptr;
};

class CWindowsPortDirectory : public IPortDirectory {
public:
    CWindowsPortDirectory(EnumPortsFn enumPorts, OpenPrinterFn open, ClosePrinterFn close, XcvDataFn xcv)
        : m_enumPorts(enumPorts), m_open(open), m_close(close), m_xcv(xcv) {}

    std::wstring MonitorOf(const std::wstring& port) override {
        if (!m_listed) List();
        for (const auto& p : m_ports)
            if (_wcsicmp(p.first.c_str(), port.c_str()) == 0) return p.second;
        return std::wstring();
    }

    std::wstring MonitorDll(const std::wstring& monitor) override {
        CRegistryKey key(kMonitors + monitor);
        std::wstring dll;
        if (!key.Get() || !ReadText(key.Get(), L"Driver", dll)) return std::wstring();
        return dll;
    }

    // The key counts only when it gives a host and a port number; a key
    // without them (values missing or spelled otherwise) leaves the port to
    // the monitor's own GetConfigInfo.
    bool TcpPortFromRegistry(const std::wstring& port, TcpPortConfig& out) override {
        CRegistryKey key(std::wstring(kMonitors) + L"Standard TCP/IP Port\\Ports\\" + port);
        if (!key.Get()) return false;
        TcpPortConfig read;
        if (!ReadText(key.Get(), L"HostName", read.host) && !ReadText(key.Get(), L"IPAddress", read.host)) return false;
        if (!ReadNumber(key.Get(), L"PortNumber", read.portNumber) || read.portNumber == 0) return false;
        ReadNumber(key.Get(), L"Protocol", read.protocol);
        // The status query's values beside them, as TCPMON writes them (the
        // fields of PORT_DATA_1 of the same names): the printer is asked with
        // them, the port is never changed from them.
        DWORD snmp = 0;
        read.snmpEnabled = ReadNumber(key.Get(), L"SNMP Enabled", snmp) && snmp;
        ReadText(key.Get(), L"SNMP Community", read.community);
        ReadNumber(key.Get(), L"SNMP Index", read.snmpIndex);
        out = read;
        return true;
    }

    bool TcpPortFromMonitor(const std::wstring& port, TcpPortConfig& out) override {
        PortData1 data{};
        if (!ConfigOf(port, data)) return false;
        data.sztHostAddress[kMaxNetworkNameLen - 1] = L'\0';
        data.sztIPAddress[kMaxIpAddrStrLen - 1] = L'\0';
        data.sztSNMPCommunity[kMaxSnmpCommunityStrLen - 1] = L'\0';
        out.host = data.sztHostAddress[0] ? data.sztHostAddress : data.sztIPAddress;
        out.portNumber = data.dwPortNumber;
        out.protocol = data.dwProtocol;
        out.snmpEnabled = data.dwSNMPEnabled != 0;
        out.community = data.sztSNMPCommunity;
        out.snmpIndex = data.dwSNMPDevIndex;
        return true;
    }

    // TCPMON's "ConfigPort" (Microsoft's TCPMON XCV commands) takes a whole
    // PORT_DATA_1 and SERVER_ACCESS_ADMINISTER: what GetConfigInfo gave goes
    // back unchanged but for the status query.
    DWORD SwitchSnmpOff(const std::wstring& port) override {
        PortData1 data{};
        DWORD status = ERROR_GEN_FAILURE;
        if (!ConfigOf(port, data, &status)) return status;
        data.dwSNMPEnabled = FALSE;
        Xcv(port, L"ConfigPort", reinterpret_cast<PBYTE>(&data), sizeof(data), nullptr, 0, &status);
        return status;
    }

    std::wstring DeviceUrl(const std::wstring& port) override {
        // Room for the documented structure or a bare URL; zeroed, so either
        // ends. A longer answer is asked once more at the size the monitor gave.
        std::vector<BYTE> buffer(sizeof(ApPortData1) + 2 * sizeof(wchar_t), 0);
        DWORD status = ERROR_GEN_FAILURE, needed = 0;
        if (!Xcv(port, L"GetAPPortInfo", nullptr, 0, buffer.data(), static_cast<DWORD>(buffer.size() - 4), &status,
                 &needed)) {
            if (status != ERROR_INSUFFICIENT_BUFFER || needed <= buffer.size() - 4) return std::wstring();
            buffer.assign(needed + 2 * sizeof(wchar_t), 0);
            if (!Xcv(port, L"GetAPPortInfo", nullptr, 0, buffer.data(), needed, &status, &needed)) return std::wstring();
        }
        // A bare string's first two characters are never the version 1.
        auto* data = reinterpret_cast<const ApPortData1*>(buffer.data());
        if (data->Version == 1) return data->DeviceOrServiceUrl;
        return reinterpret_cast<const wchar_t*>(buffer.data());
    }

private:
    bool ConfigOf(const std::wstring& port, PortData1& data, DWORD* status = nullptr) {
        ConfigInfoData1 in{};
        in.dwVersion = 1;
        return Xcv(port, L"GetConfigInfo", reinterpret_cast<PBYTE>(&in), sizeof(in), reinterpret_cast<PBYTE>(&data),
                   sizeof(data), status);
    }

    void List() {
        m_listed = true;
        if (!m_enumPorts) return;
        std::vector<BYTE> buffer;
        DWORD needed = 0, count = 0;
        for (int attempt = 0; attempt < 4; ++attempt) {
            if (m_enumPorts(nullptr, 2, buffer.empty() ? nullptr : buffer.data(), static_cast<DWORD>(buffer.size()),
                            &needed, &count)) {
                auto* info = reinterpret_cast<const PORT_INFO_2W*>(buffer.data());
                for (DWORD i = 0; i < count && info; ++i)
                    if (info[i].pPortName)
                        m_ports.emplace_back(info[i].pPortName, info[i].pMonitorName ? info[i].pMonitorName : L"");
                return;
            }
            if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed <= buffer.size()) return;
            buffer.assign(needed, 0);
        }
    }

    // A TRUE return only says the call reached the monitor; its own answer
    // is in the status.
    bool Xcv(const std::wstring& port, const wchar_t* command, PBYTE in, DWORD inSize, PBYTE out, DWORD outSize,
             DWORD* statusOut = nullptr, DWORD* neededOut = nullptr) {
        if (!m_xcv || !m_open || !m_close) return false;
        std::wstring name = L",XcvPort " + port;
        PRINTER_DEFAULTSW defaults{nullptr, nullptr, SERVER_ACCESS_ADMINISTER};
        HANDLE xcv = nullptr;
        if (!m_open(&name[0], &xcv, &defaults)) {
            if (statusOut) *statusOut = ::GetLastError() ? ::GetLastError() : ERROR_ACCESS_DENIED;
            return false;
        }
        DWORD needed = 0, status = ERROR_GEN_FAILURE;
        BOOL called = m_xcv(xcv, command, in, inSize, out, outSize, &needed, &status);
        DWORD error = called ? status : ::GetLastError();
        m_close(xcv);
        if (statusOut) *statusOut = called ? status : (error ? error : ERROR_GEN_FAILURE);
        if (neededOut) *neededOut = needed;
        return called && status == ERROR_SUCCESS;
    }

    EnumPortsFn m_enumPorts;
    OpenPrinterFn m_open;
    ClosePrinterFn m_close;
    XcvDataFn m_xcv;
    bool m_listed = false;
    std::vector<std::pair<std::wstring, std::wstring>> m_ports;  // port, monitor
};

template <class Fn>
Fn Find(HMODULE module, const char* name) {
    return module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name))) : nullptr;
}

}  // namespace

std::shared_ptr<IPortDirectory> OpenPortDirectory(HMODULE winspool) {
    return std::make_shared<CWindowsPortDirectory>(Find<EnumPortsFn>(winspool, "EnumPortsW"),
                                                   Find<OpenPrinterFn>(winspool, "OpenPrinterW"),
                                                   Find<ClosePrinterFn>(winspool, "ClosePrinter"),
                                                   Find<XcvDataFn>(winspool, "XcvDataW"));
}

std::shared_ptr<IPortDirectory> OpenWindowsPortDirectory() {
    // Loaded as the print system loads it, and never unloaded either.
    static HMODULE module = LoadSystemLibrary(L"winspool.drv");
    return OpenPortDirectory(module);
}

std::vector<std::wstring> PortsIn(const std::wstring& list) {
    std::vector<std::wstring> ports;
    for (size_t from = 0; from <= list.size();) {
        size_t comma = list.find(L',', from);
        if (comma == std::wstring::npos) comma = list.size();
        std::wstring port = Trimmed(list.substr(from, comma - from));
        from = comma + 1;
        if (!port.empty()) ports.push_back(port);
    }
    return ports;
}

std::wstring MonitorDllOf(IPortDirectory& directory, const std::wstring& port) {
    std::wstring monitor = directory.MonitorOf(port);
    if (monitor.empty()) return std::wstring();
    // "C:\Windows\system32\tcpmon.dll" and "tcpmon.dll" name the same monitor.
    std::wstring dll = directory.MonitorDll(monitor);
    size_t slash = dll.find_last_of(L"\\/");
    return slash == std::wstring::npos ? dll : dll.substr(slash + 1);
}
