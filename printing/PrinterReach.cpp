#include "printing/PrinterReach.h"

#include <algorithm>
#include <atomic>

#include "exec/BoundedCall.h"
#include "printing/LogText.h"

namespace {

const DWORD kLpr = 2;
const DWORD kSnmpWaitMs = 1000;

bool Same(const std::wstring& a, const wchar_t* b) { return _wcsicmp(a.c_str(), b) == 0; }

bool PortNumber(const std::wstring& text, unsigned short& out) {
    if (text.empty() || text.size() > 5 || text.find_first_not_of(L"0123456789") != std::wstring::npos) return false;
    unsigned long n = wcstoul(text.c_str(), nullptr, 10);
    if (n == 0 || n > 65535) return false;
    out = static_cast<unsigned short>(n);
    return true;
}

// A device URL's host and port; false for what can't be connected to (a
// urn:uuid: of a WSD device that was never given an address).
bool FromUrl(const std::wstring& url, ReachTarget& out) {
    struct Scheme {
        const wchar_t* name;
        unsigned short port;
    };
    const Scheme kSchemes[] = {{L"http", 80}, {L"https", 443}, {L"ipp", 631}, {L"ipps", 631}};
    size_t colon = url.find(L"://");
    if (colon == std::wstring::npos) return false;
    const Scheme* scheme = nullptr;
    for (const auto& s : kSchemes)
        if (Same(url.substr(0, colon), s.name)) scheme = &s;
    if (!scheme) return false;
    std::wstring authority = url.substr(colon + 3);
    authority = authority.substr(0, authority.find_first_of(L"/?#"));
    size_t at = authority.rfind(L'@');
    if (at != std::wstring::npos) authority = authority.substr(at + 1);
    std::wstring host = authority, port;
    if (!authority.empty() && authority[0] == L'[') {
        size_t close = authority.find(L']');
        if (close == std::wstring::npos) return false;
        host = authority.substr(1, close - 1);
        if (close + 1 < authority.size()) {
            if (authority[close + 1] != L':') return false;
            port = authority.substr(close + 2);
        }
    } else if (authority.find(L':') != std::wstring::npos) {
        host = authority.substr(0, authority.find(L':'));
        port = authority.substr(authority.find(L':') + 1);
    }
    out.port = scheme->port;
    if (!port.empty() && !PortNumber(port, out.port)) return false;
    out.host = host;
    out.known = true;
    return !host.empty();
}

ReachTarget Unknown() {
    ReachTarget t;
    t.known = false;
    return t;
}

// SNMP's community is bytes; the monitor keeps it as text of the PC's code page.
std::string AnsiOf(const std::wstring& text) {
    if (text.empty()) return std::string();
    int n = ::WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0) ::WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
    return out;
}

// The address from the registry where its key gives one; the status query
// always as the monitor gives it, which is what ConfigPort gets back.
ReachTarget FromTcpPort(IPortDirectory& directory, const std::wstring& port) {
    TcpPortConfig config, monitor;
    bool asked = directory.TcpPortFromMonitor(port, monitor);
    if (!directory.TcpPortFromRegistry(port, config)) {
        if (!asked) return Unknown();
        config.host = monitor.host;
        config.portNumber = monitor.portNumber;
        config.protocol = monitor.protocol;
    }
    DWORD number = config.protocol == kLpr ? 515 : config.portNumber;
    if (config.host.empty() || number == 0 || number > 65535) return Unknown();
    ReachTarget t{config.host, static_cast<unsigned short>(number), true};
    const TcpPortConfig& snmp = asked ? monitor : config;
    t.portName = port;
    t.snmp = snmp.snmpEnabled;
    t.community = AnsiOf(snmp.community);
    t.snmpIndex = snmp.snmpIndex;
    t.settingsKnown = asked;
    return t;
}

// A thread of its own that nobody waits for: the handle goes with the
// temporary, the thread goes on. False when none could be made.
bool StartHelper(std::function<void()> work) { return CBoundedWork().Start(std::move(work)); }

bool SamePort(const std::wstring& a, const std::wstring& b) { return _wcsicmp(a.c_str(), b.c_str()) == 0; }

}  // namespace

std::vector<ReachTarget> TargetsOf(IPortDirectory& directory, const std::wstring& ports) {
    std::vector<ReachTarget> out;
    for (const std::wstring& port : PortsIn(ports)) {
        std::wstring dll = MonitorDllOf(directory, port);
        if (Same(dll, L"tcpmon.dll")) {
            out.push_back(FromTcpPort(directory, port));
        } else if (Same(dll, L"wsdmon.dll") || Same(dll, L"apmon.dll")) {
            ReachTarget t;
            out.push_back(FromUrl(directory.DeviceUrl(port), t) ? t : Unknown());
        }
    }
    return out;
}

namespace {

// What LOG.txt says of a printer that answers on its print port but not to its status query.
std::wstring SnmpLine(const ReachReport& r) {
    std::wstring seen = L"打印端口可以连通，但不回答状态查询（SNMP）";
    switch (r.change) {
    case SnmpChange::SwitchedOff: return seen + L"，已关闭端口 " + r.portName + L" 的“SNMP 状态已启用”";
    case SnmpChange::Failed: return seen + L"，未能关闭端口 " + r.portName + L" 的 SNMP 状态（错误 " + Number(r.changeError) + L"）";
    case SnmpChange::SharedPort: return seen + L"，端口 " + r.portName + L" 有共享打印机使用，未作更改";
    case SnmpChange::SettingsUnknown: return seen + L"，无法读取端口 " + r.portName + L" 的设置，未作更改";
    default: return seen + L"，未作更改";
    }
}

}  // namespace

std::vector<std::string> ReachLines(const std::vector<ReachReport>& reports) {
    std::vector<std::string> lines;
    for (const auto& r : reports) {
        std::wstring head = L"打印机" + Quoted(r.printer);
        if (r.outcome == ReachOutcome::AddressUnknown) {
            lines.push_back(Gbk(head + L"：地址未知，未检查连接"));
            continue;
        }
        bool v6 = r.host.find(L':') != std::wstring::npos;
        head += L"（" + (v6 ? L"[" + r.host + L"]" : r.host) + L":" + Number(r.port) + L"）：";
        std::wstring took = r.ms >= 1000 ? Number((r.ms + 500) / 1000) + L" 秒" : Number(r.ms) + L" 毫秒";
        switch (r.outcome) {
        case ReachOutcome::Answered:
            if (r.snmp == SnmpOutcome::Silent) lines.push_back(Gbk(head + SnmpLine(r)));
            else if (r.snmp == SnmpOutcome::Answered)
                lines.push_back(Gbk(head + L"可以连通（" + took + L"），状态查询（SNMP）有应答"));
            else lines.push_back(Gbk(head + L"可以连通（" + took + L"）"));
            break;
        case ReachOutcome::Refused: lines.push_back(Gbk(head + L"连接被拒绝")); break;
        case ReachOutcome::NoAnswer: lines.push_back(Gbk(head + L"没有应答（" + took + L"）")); break;
        default: lines.push_back(Gbk(head + L"找不到主机名" + Quoted(r.host))); break;
        }
    }
    return lines;
}

// What the helpers share with the step thread; whichever ends last frees it.
struct CPrinterReach::Work {
    struct Entry {
        ReachReport report;
        bool done;
    };
    explicit Work(DWORD limit) : limitMs(limit) {}
    ~Work() {
        if (settled) ::CloseHandle(settled);
    }
    Work(const Work&) = delete;
    Work& operator=(const Work&) = delete;

    DWORD Left() const {
        DWORD spent = ::GetTickCount() - start;
        return spent < limitMs ? limitMs - spent : 0;
    }
    size_t Add(const ReachReport& report, bool done) {
        ::AcquireSRWLockExclusive(&lock);
        entries.push_back(Entry{report, done});
        if (!done) ++pending;
        size_t at = entries.size() - 1;
        ::ReleaseSRWLockExclusive(&lock);
        return at;
    }
    // What is known so far, before the entry is through.
    void Note(size_t at, const ReachReport& found) {
        ::AcquireSRWLockExclusive(&lock);
        entries[at].report = found;
        ::ReleaseSRWLockExclusive(&lock);
    }
    // `at` is null for the lead, which counts as pending until it is through.
    void Settle(const size_t* at, const ReachReport& found) {
        ::AcquireSRWLockExclusive(&lock);
        if (at) {
            entries[*at].report = found;
            entries[*at].done = true;
        }
        bool last = --pending == 0;
        ::ReleaseSRWLockExclusive(&lock);
        if (last) ::SetEvent(settled);
    }

    const DWORD start = ::GetTickCount();
    const DWORD limitMs;
    std::atomic<bool> leftBehind{false};
    HANDLE settled = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    SRWLOCK lock = SRWLOCK_INIT;
    std::vector<Entry> entries;  // under `lock`
    int pending = 1;             // under `lock`
};

void CPrinterReach::Start(const PrinterSurvey& record) {
    if (m_work) m_work->leftBehind = true;
    auto work = std::make_shared<Work>(m_limitMs);
    m_work = work;
    // Another computer's queue is its server's to reach. A port that a
    // shared queue prints to is not this PC's alone to change.
    std::vector<std::pair<std::wstring, std::wstring>> queues;
    std::vector<std::wstring> sharedPorts;
    for (const auto& q : record.queues) {
        if (q.readError != ERROR_SUCCESS || q.connection || q.state.port.empty()) continue;
        queues.emplace_back(q.name, q.state.port);
        if (q.shared)
            for (const auto& p : PortsIn(q.state.port)) sharedPorts.push_back(p);
    }
    OpenDirectory openDirectory = m_directory;
    OpenConnector openConnector = m_connector;
    auto lead = [work, queues, sharedPorts, openDirectory, openConnector] {
        std::shared_ptr<IPortDirectory> directory = openDirectory();
        std::shared_ptr<IConnector> connector = openConnector();
        for (const auto& q : queues) {
            if (work->leftBehind || !directory) break;
            for (const auto& t : TargetsOf(*directory, q.second)) {
                ReachReport report{q.first, t.host, t.port, ReachOutcome::AddressUnknown, 0};
                report.portName = t.portName;
                if (!t.known) {
                    work->Add(report, true);
                    continue;
                }
                if (!connector) continue;
                report.outcome = ReachOutcome::NoAnswer;
                size_t at = work->Add(report, false);
                bool shared = false;
                for (const auto& p : sharedPorts) shared = shared || SamePort(p, t.portName);
                auto connect = [work, connector, directory, at, t, report, shared]() mutable {
                    DWORD begin = ::GetTickCount();
                    std::unique_ptr<IStatusQuery> query;
                    if (t.snmp && !work->leftBehind) query = connector->AskStatus(t.host, t.community, t.snmpIndex);
                    DWORD sent = ::GetTickCount();
                    if (!work->leftBehind) report.outcome = connector->Connect(t.host, t.port, work->Left());
                    report.ms = ::GetTickCount() - begin;
                    // A printer that answered stays answered, whatever the query after it.
                    work->Note(at, report);
                    if (query && report.outcome == ReachOutcome::Answered) {
                        // The monitor's own query waits about a second for its answer.
                        DWORD since = ::GetTickCount() - sent;
                        bool answered = query->Answered(since < kSnmpWaitMs ? std::min(kSnmpWaitMs - since, work->Left()) : 0);
                        report.snmp = answered ? SnmpOutcome::Answered : SnmpOutcome::Silent;
                    }
                    if (report.snmp == SnmpOutcome::Silent) {
                        if (shared) report.change = SnmpChange::SharedPort;
                        else if (!t.settingsKnown) report.change = SnmpChange::SettingsUnknown;
                        else if (!work->leftBehind) {
                            report.changeError = directory->SwitchSnmpOff(t.portName);
                            report.change = report.changeError ? SnmpChange::Failed : SnmpChange::SwitchedOff;
                        }
                    }
                    work->Settle(&at, report);
                };
                // Without a thread of its own, in turn: slower, still bounded.
                if (!StartHelper(connect)) connect();
            }
        }
        work->Settle(nullptr, ReachReport());
    };
    if (!StartHelper(lead)) work->Settle(nullptr, ReachReport());
}

std::vector<ReachReport> CPrinterReach::Finish(HANDLE stop) {
    std::shared_ptr<Work> work = std::move(m_work);
    if (!work) return {};
    HANDLE waits[] = {work->settled, stop};
    ::WaitForMultipleObjects(stop ? 2 : 1, waits, FALSE, work->Left());
    work->leftBehind = true;
    ::AcquireSRWLockExclusive(&work->lock);
    std::vector<Work::Entry> entries = work->entries;
    ::ReleaseSRWLockExclusive(&work->lock);
    std::vector<ReachReport> reports;
    for (auto& e : entries) {
        if (!e.done && e.report.outcome != ReachOutcome::Answered) {
            e.report.outcome = ReachOutcome::NoAnswer;
            e.report.ms = work->limitMs;
        }
        reports.push_back(e.report);
    }
    return reports;
}
