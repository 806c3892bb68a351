// Stands in for winspool.drv in the test prefix's system folder (loaded only
// where WINEDLLOVERRIDES says "winspool.drv=n"). Its printers:
//   "Office LaserJet"      local, paused, two jobs queued
//   "Label Printer"        local, marked "use printer offline"
//   "HP LaserJet"          local, the default, out of paper
//   "Front Desk"           local and shared, paused
//   "\\server\Copier"      a connection to another computer's queue, paused
// all on port USB001. TARNWICK_FAKE_SPOOL_PRINTERS may name a file whose
// lines "name|port[|driver[|marks]]" (UTF-8) are the printers instead: local,
// ready, on that port; marks "default", "offline" ("use printer offline") and
// "shared" separated by commas. Without a default printer GetDefaultPrinterW fails.
// EnumPortsW answers every port with a monitor as Windows names it:
// "Standard TCP/IP Port" for a port named IP_..., "USB Monitor" for USB...,
// else "Local Port".
// OpenPrinterW(",XcvPort PORT") opens a port for XcvDataW, which answers
// "GetAPPortInfo" with the URL that a line "PORT|GetAPPortInfo|URL" of the
// file TARNWICK_FAKE_XCV names gives (a bare string, as some monitors answer),
// and "ERROR_INSUFFICIENT_BUFFER" with its size where it does not fit, and
// "ConfigPort" by recording the PORT_DATA_1 it was given, and
// "GetConfigInfo" with the PORT_DATA_1 that a line
// "PORT|GetConfigInfo|host=H|port=N|protocol=N|snmp=N|community=C|index=N"
// describes (fields in any order, any left out zero or empty).
// Every call is written to the file that TARNWICK_FAKE_SPOOL_LOG names, one
// line each, in UTF-8. TARNWICK_FAKE_SPOOL_BLOCK=1: every call blocks, as on
// a print server that never answers.
#include <windows.h>
#include <winspool.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

struct Job {
    const wchar_t* document;
    DWORD pages;
};

struct Printer {
    std::wstring name;
    DWORD attributes;
    DWORD status;
    std::vector<Job> jobs;
    std::wstring port;
    std::wstring driver = L"Stand-in Driver";
};

std::wstring Env(const wchar_t* name) {
    wchar_t buf[1024] = {};
    DWORD n = ::GetEnvironmentVariableW(name, buf, 1024);
    return n && n < 1024 ? std::wstring(buf, n) : std::wstring();
}

// The lines of the UTF-8 file that the environment variable names.
std::vector<std::wstring> LinesOf(const wchar_t* variable) {
    std::vector<std::wstring> lines;
    std::wstring list = Env(variable);
    if (list.empty()) return lines;
    HANDLE h = ::CreateFileW(list.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return lines;
    std::string utf8;
    char chunk[4096];
    DWORD got = 0;
    while (::ReadFile(h, chunk, sizeof(chunk), &got, nullptr) && got) utf8.append(chunk, got);
    ::CloseHandle(h);
    int n = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring text(static_cast<size_t>(n), L'\0');
    if (n) ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &text[0], n);
    for (size_t from = 0; from < text.size();) {
        size_t end = std::min(text.find(L'\n', from), text.size());
        lines.push_back(text.substr(from, end - from));
        from = end + 1;
        if (!lines.back().empty() && lines.back().back() == L'\r') lines.back().pop_back();
    }
    return lines;
}

// A line's fields between bars.
std::vector<std::wstring> Fields(const std::wstring& line) {
    std::vector<std::wstring> fields;
    for (size_t from = 0; from <= line.size();) {
        size_t bar = std::min(line.find(L'|', from), line.size());
        fields.push_back(line.substr(from, bar - from));
        from = bar + 1;
    }
    return fields;
}

// The lines of TARNWICK_FAKE_SPOOL_PRINTERS.
void AddListed(std::vector<Printer>& printers) {
    for (const std::wstring& line : LinesOf(L"TARNWICK_FAKE_SPOOL_PRINTERS")) {
        std::vector<std::wstring> f = Fields(line);
        if (f.size() < 2 || f[0].empty()) continue;
        Printer p{f[0], PRINTER_ATTRIBUTE_LOCAL, 0, {}, f[1]};
        if (f.size() > 2 && !f[2].empty()) p.driver = f[2];
        std::wstring marks = f.size() > 3 ? L"," + f[3] + L"," : L"";
        if (marks.find(L",default,") != std::wstring::npos) p.attributes |= PRINTER_ATTRIBUTE_DEFAULT;
        if (marks.find(L",offline,") != std::wstring::npos) p.attributes |= PRINTER_ATTRIBUTE_WORK_OFFLINE;
        if (marks.find(L",shared,") != std::wstring::npos) p.attributes |= PRINTER_ATTRIBUTE_SHARED;
        printers.push_back(p);
    }
}

std::vector<Printer>& Printers() {
    static std::vector<Printer> printers = [] {
        std::vector<Printer> all = {
            {L"Office LaserJet", PRINTER_ATTRIBUTE_LOCAL, PRINTER_STATUS_PAUSED,
             {{L"季度报表.docx", 3}, {L"发票.pdf", 1}}, L"USB001"},
            {L"Label Printer", PRINTER_ATTRIBUTE_LOCAL | PRINTER_ATTRIBUTE_WORK_OFFLINE, 0, {}, L"USB001"},
            {L"HP LaserJet", PRINTER_ATTRIBUTE_LOCAL | PRINTER_ATTRIBUTE_DEFAULT, PRINTER_STATUS_PAPER_OUT, {},
             L"USB001"},
            {L"Front Desk", PRINTER_ATTRIBUTE_LOCAL | PRINTER_ATTRIBUTE_SHARED, PRINTER_STATUS_PAUSED, {}, L"USB001"},
            {L"\\\\server\\Copier", PRINTER_ATTRIBUTE_NETWORK, PRINTER_STATUS_PAUSED, {}, L"USB001"},
        };
        std::vector<Printer> listed;
        AddListed(listed);
        return listed.empty() ? all : listed;
    }();
    return printers;
}

void Call(const std::wstring& line) {
    std::wstring target = Env(L"TARNWICK_FAKE_SPOOL_LOG");
    if (!target.empty()) {
        HANDLE h = ::CreateFileW(target.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_ALWAYS, 0, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            std::wstring text = line + L"\n";
            int n = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                          nullptr, nullptr);
            std::string utf8(static_cast<size_t>(n), '\0');
            ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &utf8[0], n, nullptr,
                                  nullptr);
            DWORD written = 0;
            ::WriteFile(h, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
            ::CloseHandle(h);
        }
    }
    if (Env(L"TARNWICK_FAKE_SPOOL_BLOCK") == L"1") ::Sleep(INFINITE);
}

Printer* FromHandle(HANDLE h) {
    size_t i = reinterpret_cast<size_t>(h);
    return i >= 1 && i <= Printers().size() ? &Printers()[i - 1] : nullptr;
}

// Structures first, their strings after them, as the real calls lay them out.
class Layout {
public:
    Layout(size_t fixed, LPBYTE buffer, DWORD size) : m_fixed(fixed), m_buffer(buffer), m_size(size) {}
    wchar_t* Add(const wchar_t* s) {
        size_t bytes = (lstrlenW(s) + 1) * sizeof(wchar_t);
        size_t at = m_fixed + m_strings;
        m_strings += bytes;
        if (!m_buffer || at + bytes > m_size) return nullptr;
        memcpy(m_buffer + at, s, bytes);
        return reinterpret_cast<wchar_t*>(m_buffer + at);
    }
    DWORD Needed() const { return static_cast<DWORD>(m_fixed + m_strings); }
    bool Fits() const { return m_buffer && Needed() <= m_size; }

private:
    size_t m_fixed, m_strings = 0;
    LPBYTE m_buffer;
    DWORD m_size;
};

BOOL Answer(const Layout& layout, LPDWORD needed) {
    *needed = layout.Needed();
    // Nothing to answer needs no buffer, as a queue without jobs answers.
    if (layout.Fits() || layout.Needed() == 0) return TRUE;
    ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
}

// PORT_DATA_1 as Microsoft documents it (Standard TCP/IP port monitor,
// XcvData "GetConfigInfo"); tcpxcv.h is not in mingw-w64.
struct PortData1 {
    WCHAR sztPortName[64];
    DWORD dwVersion;
    DWORD dwProtocol;
    DWORD cbSize;
    DWORD dwReserved;
    WCHAR sztHostAddress[49];
    WCHAR sztSNMPCommunity[33];
    DWORD dwDoubleSpool;
    WCHAR sztQueue[33];
    WCHAR sztIPAddress[16];
    BYTE Reserved[540];
    DWORD dwPortNumber;
    DWORD dwSNMPEnabled;
    DWORD dwSNMPDevIndex;
};
static_assert(sizeof(PortData1) == 964, "PORT_DATA_1");

template <size_t N>
void CopyField(WCHAR (&field)[N], const std::wstring& text) {
    lstrcpynW(field, text.c_str(), static_cast<int>(N));
}

// The case's fields, "name=value" each, after "PORT|GetConfigInfo|".
PortData1 PortDataFrom(const std::wstring& port, const std::wstring& fields) {
    PortData1 data{};
    CopyField(data.sztPortName, port);
    data.dwVersion = 1;
    data.cbSize = sizeof(data);
    size_t at = 0;
    while (at <= fields.size()) {
        size_t end = fields.find(L'|', at);
        if (end == std::wstring::npos) end = fields.size();
        std::wstring field = fields.substr(at, end - at);
        at = end + 1;
        size_t eq = field.find(L'=');
        if (eq == std::wstring::npos) continue;
        std::wstring name = field.substr(0, eq), value = field.substr(eq + 1);
        DWORD number = static_cast<DWORD>(wcstoul(value.c_str(), nullptr, 10));
        if (name == L"host") CopyField(data.sztHostAddress, value);
        else if (name == L"ip") CopyField(data.sztIPAddress, value);
        else if (name == L"port") data.dwPortNumber = number;
        else if (name == L"protocol") data.dwProtocol = number;
        else if (name == L"snmp") data.dwSNMPEnabled = number;
        else if (name == L"community") CopyField(data.sztSNMPCommunity, value);
        else if (name == L"index") data.dwSNMPDevIndex = number;
        else if (name == L"queue") CopyField(data.sztQueue, value);
    }
    return data;
}

// Writes an answer of `bytes` bytes to XcvDataW's output, as a monitor does.
BOOL XcvAnswer(const void* answer, DWORD bytes, PBYTE out, DWORD outSize, PDWORD needed, PDWORD status) {
    *needed = bytes;
    if (!out || outSize < bytes) {
        *status = ERROR_INSUFFICIENT_BUFFER;
        return TRUE;
    }
    memcpy(out, answer, bytes);
    *status = ERROR_SUCCESS;
    return TRUE;
}

const size_t kXcvHandles = 0x10000;
std::vector<std::wstring>& XcvPorts() {
    static std::vector<std::wstring> ports;
    return ports;
}

}  // namespace

extern "C" {

BOOL WINAPI EnumPrintersW(DWORD flags, LPWSTR, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed,
                          LPDWORD returned) {
    Call(L"EnumPrintersW flags=" + std::to_wstring(flags) + L" level=" + std::to_wstring(level));
    *returned = 0;
    if (level != 4) {
        ::SetLastError(ERROR_INVALID_LEVEL);
        return FALSE;
    }
    auto& all = Printers();
    Layout layout(all.size() * sizeof(PRINTER_INFO_4W), buffer, size);
    auto* info = reinterpret_cast<PRINTER_INFO_4W*>(buffer);
    bool fits = buffer && all.size() * sizeof(PRINTER_INFO_4W) <= size;
    for (size_t i = 0; i < all.size(); ++i) {
        wchar_t* name = layout.Add(all[i].name.c_str());
        if (fits) info[i] = PRINTER_INFO_4W{name, nullptr, all[i].attributes};
    }
    if (!Answer(layout, needed)) return FALSE;
    *returned = static_cast<DWORD>(all.size());
    return TRUE;
}

BOOL WINAPI OpenPrinterW(LPWSTR name, LPHANDLE handle, LPPRINTER_DEFAULTSW defaults) {
    Call(std::wstring(L"OpenPrinterW ") + (name ? name : L"") + L" access=" +
         std::to_wstring(defaults ? defaults->DesiredAccess : 0));
    const std::wstring xcv = L",XcvPort ";
    if (name && std::wstring(name).compare(0, xcv.size(), xcv) == 0) {
        XcvPorts().push_back(std::wstring(name).substr(xcv.size()));
        *handle = reinterpret_cast<HANDLE>(kXcvHandles + XcvPorts().size() - 1);
        return TRUE;
    }
    for (size_t i = 0; i < Printers().size(); ++i)
        if (name && lstrcmpiW(name, Printers()[i].name.c_str()) == 0) {
            *handle = reinterpret_cast<HANDLE>(i + 1);
            return TRUE;
        }
    ::SetLastError(ERROR_INVALID_PRINTER_NAME);
    return FALSE;
}

BOOL WINAPI ClosePrinter(HANDLE) { return TRUE; }

BOOL WINAPI GetPrinterW(HANDLE h, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed) {
    Printer* p = FromHandle(h);
    Call(std::wstring(L"GetPrinterW ") + (p ? p->name : std::wstring(L"?")) + L" level=" + std::to_wstring(level));
    if (!p || level != 2) {
        ::SetLastError(p ? ERROR_INVALID_LEVEL : ERROR_INVALID_HANDLE);
        return FALSE;
    }
    Layout layout(sizeof(PRINTER_INFO_2W), buffer, size);
    PRINTER_INFO_2W info{};
    info.pPrinterName = layout.Add(p->name.c_str());
    info.pPortName = layout.Add(p->port.c_str());
    info.pDriverName = layout.Add(p->driver.c_str());
    info.pPrintProcessor = layout.Add(L"winprint");
    info.Attributes = p->attributes;
    info.Status = p->status;
    info.cJobs = static_cast<DWORD>(p->jobs.size());
    if (!Answer(layout, needed)) return FALSE;
    memcpy(buffer, &info, sizeof(info));
    return TRUE;
}

BOOL WINAPI SetPrinterW(HANDLE h, DWORD level, LPBYTE buffer, DWORD command) {
    Printer* p = FromHandle(h);
    std::wstring line =
        std::wstring(L"SetPrinterW ") + (p ? p->name : std::wstring(L"?")) + L" level=" + std::to_wstring(level);
    if (level == 0) line += L" command=" + std::to_wstring(command);
    auto* info = reinterpret_cast<PRINTER_INFO_2W*>(buffer);
    if (level == 2 && info)
        line += L" attributes=" + std::to_wstring(info->Attributes) +
                (info->pSecurityDescriptor ? L" descriptor" : L" no-descriptor");
    Call(line);
    if (!p) {
        ::SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (level == 0 && command == PRINTER_CONTROL_RESUME) p->status &= ~static_cast<DWORD>(PRINTER_STATUS_PAUSED);
    else if (level == 2 && info) p->attributes = info->Attributes;
    else {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return TRUE;
}

BOOL WINAPI EnumJobsW(HANDLE h, DWORD first, DWORD count, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed,
                      LPDWORD returned) {
    Printer* p = FromHandle(h);
    Call(std::wstring(L"EnumJobsW ") + (p ? p->name : std::wstring(L"?")) + L" level=" + std::to_wstring(level));
    *returned = 0;
    if (!p || level != 1) {
        ::SetLastError(p ? ERROR_INVALID_LEVEL : ERROR_INVALID_HANDLE);
        return FALSE;
    }
    size_t n = first < p->jobs.size() ? std::min<size_t>(count, p->jobs.size() - first) : 0;
    Layout layout(n * sizeof(JOB_INFO_1W), buffer, size);
    bool fits = buffer && n * sizeof(JOB_INFO_1W) <= size;
    auto* jobs = reinterpret_cast<JOB_INFO_1W*>(buffer);
    for (size_t i = 0; i < n; ++i) {
        JOB_INFO_1W j{};
        j.JobId = static_cast<DWORD>(first + i + 1);
        j.pPrinterName = layout.Add(p->name.c_str());
        j.pDocument = layout.Add(p->jobs[first + i].document);
        j.TotalPages = p->jobs[first + i].pages;
        if (fits) jobs[i] = j;
    }
    if (!Answer(layout, needed)) return FALSE;
    *returned = static_cast<DWORD>(n);
    return TRUE;
}

BOOL WINAPI EnumPortsW(LPWSTR, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed, LPDWORD returned) {
    Call(L"EnumPortsW level=" + std::to_wstring(level));
    *returned = 0;
    if (level != 2) {
        ::SetLastError(ERROR_INVALID_LEVEL);
        return FALSE;
    }
    // Each port once, though several printers print to it or one lists several.
    std::vector<std::wstring> ports;
    for (const auto& p : Printers())
        for (size_t from = 0; from <= p.port.size();) {
            size_t comma = std::min(p.port.find(L',', from), p.port.size());
            std::wstring port = p.port.substr(from, comma - from);
            from = comma + 1;
            if (!port.empty() && std::find(ports.begin(), ports.end(), port) == ports.end()) ports.push_back(port);
        }
    Layout layout(ports.size() * sizeof(PORT_INFO_2W), buffer, size);
    bool fits = buffer && ports.size() * sizeof(PORT_INFO_2W) <= size;
    auto* info = reinterpret_cast<PORT_INFO_2W*>(buffer);
    for (size_t i = 0; i < ports.size(); ++i) {
        PORT_INFO_2W port{};
        port.pPortName = layout.Add(ports[i].c_str());
        const wchar_t* monitor = L"Local Port";
        if (ports[i].compare(0, 3, L"IP_") == 0) monitor = L"Standard TCP/IP Port";
        else if (ports[i].compare(0, 3, L"USB") == 0) monitor = L"USB Monitor";
        port.pMonitorName = layout.Add(monitor);
        port.pDescription = layout.Add(L"");
        port.fPortType = PORT_TYPE_WRITE;
        if (fits) info[i] = port;
    }
    if (!Answer(layout, needed)) return FALSE;
    *returned = static_cast<DWORD>(ports.size());
    return TRUE;
}

BOOL WINAPI GetDefaultPrinterW(LPWSTR buffer, LPDWORD size) {
    Call(L"GetDefaultPrinterW");
    const wchar_t* name = nullptr;
    for (const auto& p : Printers())
        if (p.attributes & PRINTER_ATTRIBUTE_DEFAULT) name = p.name.c_str();
    if (!name) {
        ::SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    DWORD need = lstrlenW(name) + 1;
    if (!buffer || *size < need) {
        *size = need;
        ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    lstrcpyW(buffer, name);
    *size = need;
    return TRUE;
}

BOOL WINAPI XcvDataW(HANDLE h, PCWSTR command, PBYTE in, DWORD inSize, PBYTE out, DWORD outSize, PDWORD needed,
                     PDWORD status) {
    size_t i = reinterpret_cast<size_t>(h) - kXcvHandles;
    std::wstring port = i < XcvPorts().size() ? XcvPorts()[i] : L"";
    std::wstring name = command ? command : L"";
    Call(L"XcvDataW " + port + L" " + name + L" in=" + std::to_wstring(inSize) + L" out=" + std::to_wstring(outSize));
    *needed = 0;
    *status = ERROR_INVALID_PARAMETER;
    if (name == L"ConfigPort") {
        // Recorded field by field, so a case sees what the tool kept and what it changed.
        if (!in || inSize != sizeof(PortData1)) return TRUE;
        PortData1 data;
        memcpy(&data, in, sizeof(data));
        Call(L"ConfigPort " + std::wstring(data.sztPortName) + L" version=" + std::to_wstring(data.dwVersion) +
             L" protocol=" + std::to_wstring(data.dwProtocol) + L" size=" + std::to_wstring(data.cbSize) +
             L" host=" + data.sztHostAddress + L" community=" + data.sztSNMPCommunity + L" doublespool=" +
             std::to_wstring(data.dwDoubleSpool) + L" queue=" + data.sztQueue + L" ip=" + data.sztIPAddress +
             L" port=" + std::to_wstring(data.dwPortNumber) + L" snmp=" + std::to_wstring(data.dwSNMPEnabled) +
             L" index=" + std::to_wstring(data.dwSNMPDevIndex));
        *status = ERROR_SUCCESS;
        return TRUE;
    }
    std::wstring key = port + L"|" + name + L"|";
    for (const std::wstring& line : LinesOf(L"TARNWICK_FAKE_XCV")) {
        if (line.compare(0, key.size(), key) != 0) continue;
        std::wstring rest = line.substr(key.size());
        if (name == L"GetAPPortInfo")
            return XcvAnswer(rest.c_str(), static_cast<DWORD>((rest.size() + 1) * sizeof(wchar_t)), out, outSize,
                             needed, status);
        if (name == L"GetConfigInfo") {
            // The monitor asks for CONFIG_INFO_DATA_1 (132 bytes, dwVersion 1).
            if (!in || inSize < 132 || *reinterpret_cast<DWORD*>(in + 128) != 1) return TRUE;
            PortData1 data = PortDataFrom(port, rest);
            return XcvAnswer(&data, sizeof(data), out, outSize, needed, status);
        }
    }
    return TRUE;
}

}  // extern "C"
