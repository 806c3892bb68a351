#include "printing/PrinterReach.h"

#include <atomic>

#include "exec/BoundedCall.h"
#include "printing/LogText.h"

namespace {

const DWORD kLpr = 2;

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

ReachTarget FromTcpPort(IPortDirectory& directory, const std::wstring& port) {
    TcpPortConfig config;
    if (!directory.TcpPortFromRegistry(port, config) && !directory.TcpPortFromMonitor(port, config)) return Unknown();
    DWORD number = config.protocol == kLpr ? 515 : config.portNumber;
    if (config.host.empty() || number == 0 || number > 65535) return Unknown();
    return ReachTarget{config.host, static_cast<unsigned short>(number), true};
}

// A thread of its own that nobody waits for: the handle goes with the
// temporary, the thread goes on. False when none could be made.
bool StartHelper(std::function<void()> work) { return CBoundedWork().Start(std::move(work)); }

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
        case ReachOutcome::Answered: lines.push_back(Gbk(head + L"可以连通（" + took + L"）")); break;
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
    // `at` is null for the lead, which counts as pending until it is through.
    void Settle(const size_t* at, ReachOutcome outcome, DWORD ms) {
        ::AcquireSRWLockExclusive(&lock);
        if (at) {
            entries[*at].report.outcome = outcome;
            entries[*at].report.ms = ms;
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
    // Another computer's queue is its server's to reach.
    std::vector<std::pair<std::wstring, std::wstring>> queues;
    for (const auto& q : record.queues)
        if (q.readError == ERROR_SUCCESS && !q.connection && !q.state.port.empty())
            queues.emplace_back(q.name, q.state.port);
    OpenDirectory openDirectory = m_directory;
    OpenConnector openConnector = m_connector;
    auto lead = [work, queues, openDirectory, openConnector] {
        std::shared_ptr<IPortDirectory> directory = openDirectory();
        std::shared_ptr<IConnector> connector = openConnector();
        for (const auto& q : queues) {
            if (work->leftBehind || !directory) break;
            for (const auto& t : TargetsOf(*directory, q.second)) {
                ReachReport report{q.first, t.host, t.port, ReachOutcome::AddressUnknown, 0};
                if (!t.known) {
                    work->Add(report, true);
                    continue;
                }
                if (!connector) continue;
                report.outcome = ReachOutcome::NoAnswer;
                size_t at = work->Add(report, false);
                auto connect = [work, connector, at, t] {
                    DWORD begin = ::GetTickCount();
                    ReachOutcome outcome = ReachOutcome::NoAnswer;
                    if (!work->leftBehind) outcome = connector->Connect(t.host, t.port, work->Left());
                    work->Settle(&at, outcome, ::GetTickCount() - begin);
                };
                // Without a thread of its own, in turn: slower, still bounded.
                if (!StartHelper(connect)) connect();
            }
        }
        work->Settle(nullptr, ReachOutcome::NoAnswer, 0);
    };
    if (!StartHelper(lead)) work->Settle(nullptr, ReachOutcome::NoAnswer, 0);
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
        if (!e.done) {
            e.report.outcome = ReachOutcome::NoAnswer;
            e.report.ms = work->limitMs;
        }
        reports.push_back(e.report);
    }
    return reports;
}
