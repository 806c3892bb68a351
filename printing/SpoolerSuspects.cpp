#include "printing/SpoolerSuspects.h"

#include <wchar.h>

#include "exec/SystemLibrary.h"
#include "printing/LogText.h"

#ifndef PROCESSOR_ARCHITECTURE_ARM64
#define PROCESSOR_ARCHITECTURE_ARM64 12
#endif

namespace {

const wchar_t kMonitorKind[] = L"端口监视器";
const wchar_t kProcessorKind[] = L"打印处理器";
const wchar_t kDriverKind[] = L"打印机驱动";

bool SameName(const std::wstring& a, const std::wstring& b) { return _wcsicmp(a.c_str(), b.c_str()) == 0; }

bool StartsWith(const std::wstring& text, const std::wstring& start) {
    return text.size() >= start.size() && _wcsnicmp(text.c_str(), start.c_str(), start.size()) == 0;
}

// False when `name` was already there.
bool AddOnce(std::vector<std::wstring>& seen, const std::wstring& name) {
    for (const auto& s : seen)
        if (SameName(s, name)) return false;
    seen.push_back(name);
    return true;
}

void AddMonitors(ISuspectSources& sources, std::vector<SpoolerSuspect>& out) {
    std::wstring system = sources.SystemFolder();
    for (const auto& monitor : sources.Monitors()) {
        // Without a DLL there is nothing the spooler could load.
        if (monitor.driver.empty()) continue;
        SpoolerSuspect s{kMonitorKind, monitor.name, monitor.driver, std::wstring(), ERROR_SUCCESS};
        // The spooler takes a bare name from the system folder.
        if (monitor.driver.find(L'\\') == std::wstring::npos) s.file = system + L"\\" + monitor.driver;
        s.readError = sources.CompanyName(s.file, s.maker);
        s.maker = Trimmed(s.maker);
        if (s.readError == ERROR_SUCCESS && SameName(s.maker, L"Microsoft Corporation")) continue;
        out.push_back(s);
    }
}

void AddProcessors(const PrinterSurvey& record, std::vector<SpoolerSuspect>& out) {
    std::vector<std::wstring> seen;
    for (const auto& q : record.queues) {
        const std::wstring& processor = q.state.processor;
        if (q.readError != ERROR_SUCCESS || processor.empty() || SameName(processor, L"winprint")) continue;
        if (AddOnce(seen, processor)) out.push_back(SpoolerSuspect{kProcessorKind, processor, L"", L"", ERROR_SUCCESS});
    }
}

// A connection's driver counts too: Windows loads it on this PC as well.
void AddDrivers(const PrinterSurvey& record, ISuspectSources& sources, std::vector<SpoolerSuspect>& out) {
    std::wstring environment = sources.Environment();
    std::vector<std::wstring> seen;
    for (const auto& q : record.queues) {
        const std::wstring& driver = q.state.driver;
        if (q.readError != ERROR_SUCCESS || driver.empty() || !AddOnce(seen, driver)) continue;
        SpoolerSuspect s{kDriverKind, driver, L"", L"", ERROR_FILE_NOT_FOUND};
        for (int version : {3, 4}) {
            if (!sources.DriverProvider(environment, version, driver, s.maker)) continue;
            s.readError = ERROR_SUCCESS;
            break;
        }
        s.maker = Trimmed(s.maker);
        if (s.readError == ERROR_SUCCESS && StartsWith(s.maker, L"Microsoft")) continue;
        out.push_back(s);
    }
}

std::wstring Hex4(WORD n) {
    const wchar_t digits[] = L"0123456789abcdef";
    std::wstring out(4, L'0');
    for (int i = 3; i >= 0; --i, n >>= 4) out[static_cast<size_t>(i)] = digits[n & 0xF];
    return out;
}

class CRegKey {
public:
    // The native view also from a 32-bit tool.
    CRegKey(HKEY parent, const std::wstring& path) {
        if (::RegOpenKeyExW(parent, path.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &m_key) != ERROR_SUCCESS)
            m_key = nullptr;
    }
    ~CRegKey() {
        if (m_key) ::RegCloseKey(m_key);
    }
    CRegKey(const CRegKey&) = delete;
    CRegKey& operator=(const CRegKey&) = delete;
    HKEY Get() const { return m_key; }

    // A REG_SZ, or a REG_EXPAND_SZ expanded; false when there is none.
    bool String(const wchar_t* value, std::wstring& out) const {
        DWORD bytes = 0;
        for (int attempt = 0; attempt < 4; ++attempt) {
            std::wstring buffer(bytes / sizeof(wchar_t) + 1, L'\0');
            DWORD size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
            LONG r = ::RegGetValueW(m_key, nullptr, value, RRF_RT_REG_SZ, nullptr, &buffer[0], &size);
            if (r == ERROR_SUCCESS) {
                out.assign(buffer.c_str());
                return true;
            }
            if (r != ERROR_MORE_DATA) return false;
            bytes = size;
        }
        return false;
    }

private:
    HKEY m_key = nullptr;
};

typedef DWORD(WINAPI* GetFileVersionInfoSizeWFn)(LPCWSTR, LPDWORD);
typedef BOOL(WINAPI* GetFileVersionInfoWFn)(LPCWSTR, DWORD, DWORD, LPVOID);
typedef BOOL(WINAPI* VerQueryValueWFn)(LPCVOID, LPCWSTR, LPVOID*, PUINT);

struct VersionCalls {
    GetFileVersionInfoSizeWFn size = nullptr;
    GetFileVersionInfoWFn info = nullptr;
    VerQueryValueWFn query = nullptr;
};

// The spooler's environment is the native one, also for a 32-bit tool.
std::wstring SpoolerEnvironment(WORD architecture) {
    if (architecture == PROCESSOR_ARCHITECTURE_AMD64) return L"Windows x64";
    if (architecture == PROCESSOR_ARCHITECTURE_ARM64) return L"Windows ARM64";
    return L"Windows NT x86";
}

const wchar_t kPrintKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Print\\";

class CWindowsSuspectSources : public ISuspectSources {
public:
    explicit CWindowsSuspectSources(const VersionCalls& calls) : m_calls(calls) {
        // GetSystemDirectoryW names System32 also in a 32-bit tool; what
        // differs is what the file system shows it there.
        wchar_t folder[MAX_PATH];
        UINT n = ::GetSystemDirectoryW(folder, MAX_PATH);
        if (n > 0 && n < MAX_PATH) m_system.assign(folder, n);
#ifndef _WIN64
        typedef BOOL(WINAPI * IsWow64ProcessFn)(HANDLE, PBOOL);
        HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
        auto isWow64 = kernel ? reinterpret_cast<IsWow64ProcessFn>(
                                    reinterpret_cast<void*>(::GetProcAddress(kernel, "IsWow64Process")))
                              : nullptr;
        BOOL wow64 = FALSE;
        n = ::GetSystemWindowsDirectoryW(folder, MAX_PATH);
        if (isWow64 && isWow64(::GetCurrentProcess(), &wow64) && wow64 && n > 0 && n < MAX_PATH)
            m_nativeSeen = std::wstring(folder, n) + L"\\Sysnative";
#endif
    }

    std::vector<PortMonitorEntry> Monitors() override {
        std::vector<PortMonitorEntry> out;
        CRegKey monitors(HKEY_LOCAL_MACHINE, std::wstring(kPrintKey) + L"Monitors");
        if (!monitors.Get()) return out;
        for (DWORD i = 0;; ++i) {
            wchar_t name[256];
            DWORD length = 256;
            LONG r = ::RegEnumKeyExW(monitors.Get(), i, name, &length, nullptr, nullptr, nullptr, nullptr);
            if (r == ERROR_MORE_DATA) continue;
            if (r != ERROR_SUCCESS) break;
            PortMonitorEntry entry{std::wstring(name, length), std::wstring()};
            CRegKey monitor(monitors.Get(), entry.name);
            if (monitor.Get()) monitor.String(L"Driver", entry.driver);
            out.push_back(entry);
        }
        return out;
    }

    std::wstring Environment() override {
        SYSTEM_INFO info{};
        ::GetNativeSystemInfo(&info);
        return SpoolerEnvironment(info.wProcessorArchitecture);
    }

    bool DriverProvider(const std::wstring& environment, int version, const std::wstring& driver,
                        std::wstring& provider) override {
        std::wstring path = std::wstring(kPrintKey) + L"Environments\\" + environment + L"\\Drivers\\Version-" +
                            static_cast<wchar_t>(L'0' + version) + L"\\" + driver;
        CRegKey key(HKEY_LOCAL_MACHINE, path);
        if (!key.Get()) return false;
        if (!key.String(L"Provider", provider)) provider.clear();
        return true;
    }

    DWORD CompanyName(const std::wstring& path, std::wstring& company) override {
        std::wstring file = Reachable(path);
        if (::GetFileAttributesW(file.c_str()) == INVALID_FILE_ATTRIBUTES) return ERROR_FILE_NOT_FOUND;
        DWORD ignored = 0;
        DWORD size = m_calls.size(file.c_str(), &ignored);
        std::vector<BYTE> block(size);
        if (!size || !m_calls.info(file.c_str(), 0, size, block.data())) return ERROR_RESOURCE_DATA_NOT_FOUND;
        // The first language listed; a block without the list most often
        // holds US English in Unicode.
        WORD language = 0x0409, codePage = 0x04B0;
        void* data = nullptr;
        UINT length = 0;
        if (m_calls.query(block.data(), L"\\VarFileInfo\\Translation", &data, &length) && data && length >= 4) {
            language = static_cast<const WORD*>(data)[0];
            codePage = static_cast<const WORD*>(data)[1];
        }
        std::wstring name = L"\\StringFileInfo\\" + Hex4(language) + Hex4(codePage) + L"\\CompanyName";
        company.clear();
        if (m_calls.query(block.data(), name.c_str(), &data, &length) && data && length > 0) {
            const wchar_t* text = static_cast<const wchar_t*>(data);
            company.assign(text, wcsnlen(text, length));
        }
        return ERROR_SUCCESS;
    }

    std::wstring SystemFolder() override { return m_system; }

private:
    // A 32-bit tool on 64-bit Windows sees SysWOW64 as System32; the
    // spooler's own DLLs are read through Sysnative.
    std::wstring Reachable(const std::wstring& path) const {
        if (m_nativeSeen.empty() || m_system.empty() || !StartsWith(path, m_system + L"\\")) return path;
        return m_nativeSeen + path.substr(m_system.size());
    }

    VersionCalls m_calls;
    std::wstring m_system;
    std::wstring m_nativeSeen;
};

}  // namespace

std::vector<SpoolerSuspect> FindSpoolerSuspects(const PrinterSurvey& record, ISuspectSources& sources) {
    std::vector<SpoolerSuspect> out;
    AddMonitors(sources, out);
    AddProcessors(record, out);
    AddDrivers(record, sources, out);
    return out;
}

std::unique_ptr<ISuspectSources> OpenWindowsSuspectSources(std::string& missing) {
    missing.clear();
    // Not among the DLLs the release may import: by its full path, never
    // delay-loaded.
    static HMODULE module = LoadSystemLibrary(L"version.dll");
    if (!module) {
        missing = "version.dll";
        return nullptr;
    }
    VersionCalls calls;
    bool all = Resolve(module, "GetFileVersionInfoSizeW", calls.size, missing);
    all = Resolve(module, "GetFileVersionInfoW", calls.info, missing) && all;
    all = Resolve(module, "VerQueryValueW", calls.query, missing) && all;
    if (!all) return nullptr;
    return std::make_unique<CWindowsSuspectSources>(calls);
}

std::vector<std::string> SuspectLines(const std::vector<SpoolerSuspect>& suspects) {
    std::vector<std::string> lines;
    if (suspects.empty()) lines.push_back(Gbk(L"未发现第三方端口监视器、打印处理器或驱动"));
    for (const auto& s : suspects) {
        std::wstring line = L"可能的原因：" + s.kind + Quoted(s.name);
        if (s.kind == kMonitorKind) {
            std::wstring maker = s.readError == ERROR_FILE_NOT_FOUND ? L"文件不存在"
                                 : s.readError != ERROR_SUCCESS     ? L"无版本信息"
                                 : s.maker.empty()                  ? L"未注明公司"
                                                                    : s.maker;
            line += L"（" + s.file + L"，" + maker + L"）";
        } else if (s.kind == kDriverKind) {
            line += s.readError != ERROR_SUCCESS ? L"（注册表中未找到）"
                    : s.maker.empty()            ? L"（未注明提供商）"
                                                 : L"（提供商：" + s.maker + L"）";
        }
        lines.push_back(Gbk(line));
    }
    return lines;
}
