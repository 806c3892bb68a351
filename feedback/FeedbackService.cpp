#include "feedback/FeedbackService.h"

#include "feedback/BoundedHttp.h"
#include "feedback/DalvexFeedbackInformation.h"
#include "feedback/ShellOpen.h"
#include "feedback/VersionText.h"

#include <winhttp.h>

#include <cstdlib>
#include <vector>

namespace {

const wchar_t kDefaultBase[] = L"https://service.dalvex.com.cn/api";
const wchar_t kSettingsName[] = L"DalvexFeedbackInformation.ini";
// Everything the service is asked must be over within this, online or not.
const DWORD kTimeLimitMs = 3000;
const size_t kBodyLimit = 4096;
const size_t kMaxArgument = 64;

class CSharedLock {
public:
    explicit CSharedLock(SRWLOCK& l) : m_l(l) { ::AcquireSRWLockShared(&m_l); }
    ~CSharedLock() { ::ReleaseSRWLockShared(&m_l); }
    CSharedLock(const CSharedLock&) = delete;
    CSharedLock& operator=(const CSharedLock&) = delete;

private:
    SRWLOCK& m_l;
};

class CExclusiveLock {
public:
    explicit CExclusiveLock(SRWLOCK& l) : m_l(l) { ::AcquireSRWLockExclusive(&m_l); }
    ~CExclusiveLock() { ::ReleaseSRWLockExclusive(&m_l); }
    CExclusiveLock(const CExclusiveLock&) = delete;
    CExclusiveLock& operator=(const CExclusiveLock&) = delete;

private:
    SRWLOCK& m_l;
};

// A caller's string, or false when it is missing, empty or longer than any
// tool id, version or time text could be. Reads at most one past the cap.
bool TakeArgument(const wchar_t* text, std::wstring& out) {
    if (!text) return false;
    size_t n = 0;
    while (n <= kMaxArgument && text[n]) ++n;
    if (n == 0 || n > kMaxArgument) return false;
    out.assign(text, n);
    return true;
}

// UTF-8 with everything but unreserved characters percent-encoded; usable in
// a path segment, a query and a form body alike.
std::wstring Escape(const std::wstring& text) {
    std::string utf8;
    int length = static_cast<int>(text.size());
    int n = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), length, nullptr, 0, nullptr, nullptr);
    if (n > 0) {
        utf8.resize(n);
        ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), length, &utf8[0], n, nullptr, nullptr);
    }
    static const wchar_t hex[] = L"0123456789ABCDEF";
    std::wstring out;
    for (unsigned char c : utf8) {
        bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                     c == '.' || c == '_' || c == '~';
        if (plain) {
            out += static_cast<wchar_t>(c);
        } else {
            out += L'%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

// Not std::to_wstring: its printf would be most of this library's code.
std::wstring Decimal(unsigned long value) {
    wchar_t text[16];
    _ultow(value, text, 10);
    return text;
}

std::string Narrow(const std::wstring& ascii) { return std::string(ascii.begin(), ascii.end()); }

// The running Windows, e.g. "10.0.19045"; GetVersionEx would lie to a
// program without a matching manifest.
std::wstring WindowsVersion() {
    typedef LONG(WINAPI * RtlGetVersionFn)(OSVERSIONINFOW*);
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof(info);
    HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    auto get = ntdll ? reinterpret_cast<RtlGetVersionFn>(
                           reinterpret_cast<void*>(::GetProcAddress(ntdll, "RtlGetVersion")))
                     : nullptr;
    if (!get || get(&info) != 0) return L"unknown";
    return Decimal(info.dwMajorVersion) + L"." + Decimal(info.dwMinorVersion) + L"." + Decimal(info.dwBuildNumber);
}

std::wstring TrimAscii(const std::string& body) {
    size_t b = 0, e = body.size();
    while (b < e && (body[b] == ' ' || body[b] == '\t' || body[b] == '\r' || body[b] == '\n')) ++b;
    while (e > b && (body[e - 1] == ' ' || body[e - 1] == '\t' || body[e - 1] == '\r' || body[e - 1] == '\n')) --e;
    std::wstring out;
    for (size_t i = b; i < e; ++i) out += static_cast<wchar_t>(static_cast<unsigned char>(body[i]));
    return out;
}

std::wstring SettingsPath(HMODULE library) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = ::GetModuleFileNameW(library, &path[0], static_cast<DWORD>(path.size()));
        if (n == 0) return std::wstring();
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        if (path.size() >= 32768) return std::wstring();
        path.resize(path.size() * 2);
    }
    size_t slash = path.find_last_of(L'\\');
    if (slash == std::wstring::npos) return std::wstring();
    return path.substr(0, slash + 1) + kSettingsName;
}

// 127.0.0.0/8 written as four plain decimal parts, ::1, or localhost.
bool IsLoopbackHost(const std::wstring& host) {
    if (_wcsicmp(host.c_str(), L"localhost") == 0 || host == L"::1" || host == L"[::1]") return true;
    unsigned parts[4] = {};
    size_t at = 0;
    for (int i = 0; i < 4; ++i) {
        if (i > 0 && (at >= host.size() || host[at++] != L'.')) return false;
        size_t digits = 0;
        while (at < host.size() && host[at] >= L'0' && host[at] <= L'9' && digits < 4) {
            parts[i] = parts[i] * 10 + (host[at++] - L'0');
            ++digits;
        }
        if (digits == 0 || digits > 3 || parts[i] > 255) return false;
    }
    return at == host.size() && parts[0] == 127;
}

// The host of an http(s) address, or nothing when it has none.
std::wstring HostOf(const std::wstring& address) {
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof(parts);
    parts.dwHostNameLength = static_cast<DWORD>(-1);
    if (address.empty() || !::WinHttpCrackUrl(address.c_str(), static_cast<DWORD>(address.size()), 0, &parts))
        return std::wstring();
    return std::wstring(parts.lpszHostName, parts.dwHostNameLength);
}

// The settings file lets the tests point the library at their own service
// on this machine, and nowhere else: a file planted beside the program must
// not send its questions, its "newer version" prompt or its download page
// to a stranger. An address elsewhere is passed over for the maker's own.
std::wstring ConfiguredBase(HMODULE library) {
    std::wstring ini = SettingsPath(library);
    if (ini.empty() || ::GetFileAttributesW(ini.c_str()) == INVALID_FILE_ATTRIBUTES) return kDefaultBase;
    wchar_t value[1024] = {};
    ::GetPrivateProfileStringW(L"service", L"base", L"", value, 1024, ini.c_str());
    if (!value[0]) return kDefaultBase;
    std::wstring host = HostOf(value);
    if (!host.empty() && !IsLoopbackHost(host)) return kDefaultBase;
    return value;
}

}  // namespace

CFeedbackService::CFeedbackService() { ::InitializeSRWLock(&m_lock); }

CFeedbackService::Endpoint CFeedbackService::Snapshot() {
    CSharedLock lock(m_lock);
    return m_endpoint;
}

// Ready when the service address is usable; the service itself is not asked,
// so an offline start is not held up here.
int CFeedbackService::Init(HMODULE library) {
    std::wstring base = ConfiguredBase(library);
    while (!base.empty() && base.back() == L'/') base.pop_back();

    Endpoint e;
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof(parts);
    parts.dwHostNameLength = static_cast<DWORD>(-1);
    parts.dwUrlPathLength = static_cast<DWORD>(-1);
    parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (base.empty() || !::WinHttpCrackUrl(base.c_str(), static_cast<DWORD>(base.size()), 0, &parts)) return 0;
    if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS) return 0;
    if (parts.dwHostNameLength == 0 || parts.dwExtraInfoLength != 0) return 0;
    e.secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
    e.host.assign(parts.lpszHostName, parts.dwHostNameLength);
    e.port = parts.nPort;
    e.path.assign(parts.lpszUrlPath, parts.dwUrlPathLength);
    e.base = base;
    e.ready = true;

    CExclusiveLock lock(m_lock);
    m_endpoint = e;
    return 1;
}

void CFeedbackService::Release() {
    CExclusiveLock lock(m_lock);
    m_endpoint = Endpoint();
    m_lastToolId.clear();
    m_pendingAnswer = 0;
}

int CFeedbackService::CheckVersion(const wchar_t* toolId, const wchar_t* version) {
    std::wstring id, mine;
    std::vector<unsigned long> myParts;
    if (!TakeArgument(toolId, id) || !TakeArgument(version, mine) || !ParseVersion(mine, myParts))
        return kVersionCheckNotReady;
    Endpoint e = Snapshot();
    if (!e.ready) return kVersionCheckNotReady;
    {
        CExclusiveLock lock(m_lock);
        m_lastToolId = id;
    }

    BoundedHttpRequest rq;
    rq.secure = e.secure;
    rq.host = e.host;
    rq.port = e.port;
    rq.verb = L"GET";
    rq.pathAndQuery = e.path + L"/tools/" + Escape(id) + L"/latest";
    BoundedHttpResult r = RunBoundedHttp(rq, kTimeLimitMs, kBodyLimit);
    if (!r.answered || r.status != 200) return kVersionCheckUnknown;

    std::vector<unsigned long> latest;
    if (!ParseVersion(TrimAscii(r.body), latest)) return kVersionCheckUnknown;
    return CompareVersions(latest, myParts) > 0 ? kVersionCheckNewer : kVersionCheckCurrent;
}

void CFeedbackService::SendAnswer(const wchar_t* toolId, const wchar_t* version, int answer,
                                  const wchar_t* timeText) {
    if (answer < 1 || answer > 3) return;
    {
        CExclusiveLock lock(m_lock);
        m_pendingAnswer = answer;
    }
    std::wstring id, ver, time;
    if (!TakeArgument(toolId, id) || !TakeArgument(version, ver) || !TakeArgument(timeText, time)) return;
    Endpoint e = Snapshot();
    if (!e.ready) return;

    BoundedHttpRequest rq;
    rq.secure = e.secure;
    rq.host = e.host;
    rq.port = e.port;
    rq.verb = L"POST";
    rq.pathAndQuery = e.path + L"/tools/" + Escape(id) + L"/feedback";
    rq.body = Narrow(L"tool=" + Escape(id) + L"&version=" + Escape(ver) +
                     L"&answer=" + Decimal(static_cast<unsigned long>(answer)) + L"&time=" + Escape(time) +
                     L"&os=" + Escape(WindowsVersion()));
    // Whatever happens, the user is not told: an answer that does not arrive
    // is only a lost vote.
    RunBoundedHttp(rq, kTimeLimitMs, kBodyLimit);
}

void CFeedbackService::OpenDownloadPage() {
    Endpoint e = Snapshot();
    if (!e.ready) return;
    std::wstring id;
    {
        CSharedLock lock(m_lock);
        id = m_lastToolId;
    }
    std::wstring url = e.base + L"/download";
    if (!id.empty()) url += L"?tool=" + Escape(id);
    OpenWebPage(url.c_str());
}

void CFeedbackService::OpenFeedbackPage(const wchar_t* toolId, const wchar_t* version) {
    int answer = 0;
    {
        CExclusiveLock lock(m_lock);
        answer = m_pendingAnswer;
        m_pendingAnswer = 0;
    }
    // "Solved" and the close button ask for nothing more.
    if (answer != 0 && answer != kAnswerNotSolved) return;
    std::wstring id, ver;
    if (!TakeArgument(toolId, id) || !TakeArgument(version, ver)) return;
    Endpoint e = Snapshot();
    if (!e.ready) return;
    std::wstring url = e.base + L"/feedback?tool=" + Escape(id) + L"&version=" + Escape(ver);
    OpenWebPage(url.c_str());
}
