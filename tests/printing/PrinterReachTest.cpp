#include <winsock2.h>
#include <ws2tcpip.h>

#include <gtest/gtest.h>
#include <windows.h>
#include <winspool.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "printing/LogText.h"
#include "printing/PrinterReach.h"

namespace {

struct FakeDirectory : IPortDirectory {
    std::map<std::wstring, std::wstring> monitors = {
        {L"USB001", L"Local Port"}, {L"IP_10.0.0.5", L"标准 TCP/IP 端口"}, {L"IP_old", L"标准 TCP/IP 端口"},
        {L"IP_lpr", L"标准 TCP/IP 端口"}, {L"WSD-1", L"WSD 端口"}, {L"WSD-2", L"WSD 端口"}};
    std::map<std::wstring, std::wstring> dlls = {{L"Local Port", L"localspl.dll"},
                                                 {L"标准 TCP/IP 端口", L"C:\\Windows\\system32\\TCPMON.DLL"},
                                                 {L"WSD 端口", L"WSDMon.dll"}};
    std::map<std::wstring, TcpPortConfig> registry = {{L"IP_10.0.0.5", {L"10.0.0.5", 9100, 1}},
                                                      {L"IP_lpr", {L"lpr.example", 9100, 2}}};
    std::map<std::wstring, TcpPortConfig> monitor = {{L"IP_old", {L"old.example", 9101, 1}}};
    std::map<std::wstring, std::wstring> urls = {{L"WSD-1", L"http://[fe80::1]/wsd"},
                                                 {L"WSD-2", L"urn:uuid:6d4ff0ce-0000-1000-8000-0022223333"}};

    std::wstring MonitorOf(const std::wstring& port) override { return monitors[port]; }
    std::wstring MonitorDll(const std::wstring& m) override { return dlls[m]; }
    bool TcpPortFromRegistry(const std::wstring& port, TcpPortConfig& out) override { return Take(registry, port, out); }
    bool TcpPortFromMonitor(const std::wstring& port, TcpPortConfig& out) override { return Take(monitor, port, out); }
    std::wstring DeviceUrl(const std::wstring& port) override { return urls[port]; }
    std::vector<std::wstring> switched;
    DWORD switchError = ERROR_SUCCESS;
    DWORD SwitchSnmpOff(const std::wstring& port) override {
        switched.push_back(port);
        return switchError;
    }
    static bool Take(const std::map<std::wstring, TcpPortConfig>& from, const std::wstring& port, TcpPortConfig& out) {
        auto it = from.find(port);
        if (it == from.end()) return false;
        out = it->second;
        return true;
    }
};

struct FakeQuery : IStatusQuery {
    bool answers;
    explicit FakeQuery(bool a) : answers(a) {}
    bool Answered(DWORD waitMs) override {
        if (!answers) ::Sleep(waitMs);
        return answers;
    }
};

// Answers by host; a host named "block" waits for `release`. A host in
// `status` gets a status query that answers or stays silent.
struct FakeConnector : IConnector {
    std::map<std::wstring, ReachOutcome> answers;
    std::map<std::wstring, bool> status;
    std::vector<std::string> communities;
    HANDLE release = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::atomic<int> calls{0};
    ~FakeConnector() override { ::CloseHandle(release); }
    ReachOutcome Connect(const std::wstring& host, unsigned short, DWORD) override {
        ++calls;
        if (host == L"block") ::WaitForSingleObject(release, INFINITE);
        auto it = answers.find(host);
        return it == answers.end() ? ReachOutcome::NoAnswer : it->second;
    }
    std::unique_ptr<IStatusQuery> AskStatus(const std::wstring& host, const std::string& community, DWORD) override {
        communities.push_back(community);
        auto it = status.find(host);
        return it == status.end() ? nullptr : std::make_unique<FakeQuery>(it->second);
    }
};

QueueReport Queue(const std::wstring& name, const std::wstring& port, bool connection = false, bool shared = false) {
    QueueReport q;
    q.name = name;
    q.connection = connection;
    q.shared = shared;
    q.state.port = port;
    return q;
}

struct Reach {
    std::shared_ptr<FakeDirectory> directory = std::make_shared<FakeDirectory>();
    std::shared_ptr<FakeConnector> connector = std::make_shared<FakeConnector>();
    CPrinterReach reach{[d = directory] { return d; }, [c = connector] { return c; }};
};

std::wstring Said(const PrinterNotice& n) { return n.Empty() ? std::wstring() : L"“" + n.name + L"”" + n.what; }

}  // namespace

TEST(PrinterReach, EachKindOfPortLeadsToItsAddressOrToNone) {
    FakeDirectory d;
    auto one = [&](const std::wstring& ports) {
        std::vector<ReachTarget> t = TargetsOf(d, ports);
        EXPECT_EQ(1u, t.size()) << "ports " << Gbk(ports);
        return t.empty() ? ReachTarget{L"?", 0, false} : t[0];
    };
    ReachTarget t = one(L"IP_10.0.0.5");
    EXPECT_EQ(L"10.0.0.5", t.host);
    EXPECT_EQ(9100, t.port);
    t = one(L"IP_old");
    EXPECT_EQ(L"old.example", t.host) << "no registry key: the monitor is asked";
    EXPECT_EQ(9101, t.port);
    EXPECT_EQ(515, one(L"IP_lpr").port) << "LPR";
    t = one(L"WSD-1");
    EXPECT_EQ(L"fe80::1", t.host);
    EXPECT_EQ(80, t.port);
    EXPECT_FALSE(one(L"WSD-2").known) << "urn:uuid: has no address";
    d.urls[L"WSD-1"] = L"ipps://printer.local:8631/ipp/print";
    t = one(L"WSD-1");
    EXPECT_EQ(L"printer.local", t.host);
    EXPECT_EQ(8631, t.port);
    d.urls[L"WSD-1"] = L"IPP://printer.local/";
    EXPECT_EQ(631, one(L"WSD-1").port);

    EXPECT_TRUE(TargetsOf(d, L"USB001").empty());
    EXPECT_TRUE(TargetsOf(d, L"nul:").empty()) << "a port the spooler doesn't list";
    std::vector<ReachTarget> pooled = TargetsOf(d, L"USB001, IP_10.0.0.5,IP_lpr");
    ASSERT_EQ(2u, pooled.size());
    EXPECT_EQ(L"10.0.0.5", pooled[0].host);
    EXPECT_EQ(L"lpr.example", pooled[1].host);
}

TEST(PrinterReach, LocalNetworkPrintersAreTriedAndEachOutcomeIsLogged) {
    Reach r;
    r.connector->answers = {{L"10.0.0.5", ReachOutcome::Refused},
                            {L"old.example", ReachOutcome::NameNotFound},
                            {L"fe80::1", ReachOutcome::Answered}};
    PrinterSurvey record;
    record.queues = {Queue(L"财务部打印机", L"IP_10.0.0.5"), Queue(L"Old", L"IP_old"), Queue(L"Labels", L"USB001"),
                     Queue(L"\\\\server\\Copier", L"IP_10.0.0.5", true), Queue(L"Gone", L"IP_lpr"),
                     Queue(L"Wsd", L"WSD-1"), Queue(L"Unknown", L"WSD-2")};
    record.queues[4].readError = ERROR_INVALID_PRINTER_NAME;
    r.reach.Start(record);
    std::vector<ReachReport> reports = r.reach.Finish(nullptr);
    EXPECT_EQ(3, r.connector->calls.load()) << "a connection, an unreadable queue and USB are not tried";
    std::vector<std::string> lines = ReachLines(reports);
    ASSERT_EQ(4u, lines.size());
    EXPECT_EQ(Gbk(L"打印机“财务部打印机”（10.0.0.5:9100）：连接被拒绝"), lines[0]);
    EXPECT_EQ(Gbk(L"打印机“Old”（old.example:9101）：找不到主机名“old.example”"), lines[1]);
    EXPECT_EQ(0u, lines[2].find(Gbk(L"打印机“Wsd”（[fe80::1]:80）：可以连通（"))) << lines[2];
    EXPECT_EQ(Gbk(L"打印机“Unknown”：地址未知，未检查连接"), lines[3]);

    ReachReport silent{L"财务部打印机", L"192.168.1.23", 9100, ReachOutcome::NoAnswer, 2000};
    EXPECT_EQ(std::vector<std::string>{Gbk(L"打印机“财务部打印机”（192.168.1.23:9100）：没有应答（2 秒）")},
              ReachLines({silent}));
}

// A lookup or a connect that never returns: the check still ends at its
// limit, and the printer has not answered.
TEST(PrinterReach, AnAddressThatHangsIsLeftBehindAtTheLimit) {
    Reach r;
    r.directory->registry[L"IP_10.0.0.5"].host = L"block";
    r.connector->answers = {{L"block", ReachOutcome::Answered}, {L"lpr.example", ReachOutcome::Answered}};
    PrinterSurvey record;
    record.queues = {Queue(L"Hangs", L"IP_10.0.0.5"), Queue(L"Fine", L"IP_lpr")};
    DWORD t0 = ::GetTickCount();
    r.reach.Start(record);
    EXPECT_LT(::GetTickCount() - t0, 200u) << "Start waited";
    std::vector<ReachReport> reports = r.reach.Finish(nullptr);
    DWORD spent = ::GetTickCount() - t0;
    EXPECT_GE(spent, CPrinterReach::kLimitMs - 100);
    EXPECT_LE(spent, 2500u);
    ASSERT_EQ(2u, reports.size());
    EXPECT_EQ(ReachOutcome::NoAnswer, reports[0].outcome);
    EXPECT_EQ(ReachOutcome::Answered, reports[1].outcome) << "the others are not held up";
    ::SetEvent(r.connector->release);

    // Closing the tool does not wait for the limit.
    Reach closing;
    closing.directory->registry[L"IP_10.0.0.5"].host = L"block";
    record.queues = {Queue(L"Hangs", L"IP_10.0.0.5")};
    HANDLE stop = ::CreateEventW(nullptr, TRUE, TRUE, nullptr);
    t0 = ::GetTickCount();
    closing.reach.Start(record);
    closing.reach.Finish(stop);
    EXPECT_LT(::GetTickCount() - t0, 500u);
    ::SetEvent(closing.connector->release);
    ::CloseHandle(stop);
}

TEST(PrinterReach, ThePromptNamesTheDefaultPrinterFirstThenOneThatCantBeReached) {
    PrinterSurvey look;
    QueueReport paper = Queue(L"Paper", L"USB001");
    paper.again.status = PRINTER_STATUS_PAPER_OUT;
    QueueReport office = Queue(L"财务部打印机", L"IP_1");
    office.again.status = PRINTER_STATUS_PAPER_OUT;
    look.queues = {paper, office, Queue(L"Far", L"IP_2")};
    std::vector<ReachReport> reach = {
        {L"财务部打印机", L"192.168.1.23", 9100, ReachOutcome::NoAnswer, 2000},
        {L"Far", L"a-very-long-printer-name.branch.example.com", 9100, ReachOutcome::NameNotFound, 5},
    };
    EXPECT_EQ(L"“财务部打印机”（192.168.1.23）连接不上，请检查打印机的电源和网络", Said(NoticeFor(nullptr, &look, &reach)))
        << "unreachable comes before another printer's notice and before its own paper";

    look.defaultPrinter = L"Paper";
    EXPECT_EQ(L"“Paper”缺纸", Said(NoticeFor(nullptr, &look, &reach)));
    look.defaultPrinter = L"Far";
    EXPECT_EQ(L"“Far”（a-very-long-printer-nam…）找不到，打印机的地址可能已改变", Said(NoticeFor(nullptr, &look, &reach)));

    look.defaultPrinter.clear();
    reach[0].outcome = ReachOutcome::Refused;
    EXPECT_EQ(L"“财务部打印机”（192.168.1.23）拒绝连接，打印机的端口或地址可能不对", Said(NoticeFor(nullptr, &look, &reach)));
    reach = {{L"财务部打印机", L"192.168.1.23", 9100, ReachOutcome::Answered, 3},
             {L"Far", L"", 0, ReachOutcome::AddressUnknown, 0}};
    EXPECT_EQ(L"“Paper”缺纸", Said(NoticeFor(nullptr, &look, &reach))) << "with every printer reached";
}

// Against real sockets on this PC: a listener takes the connection and gets
// nothing, a port nobody listens on refuses it.
TEST(PrinterReach, TheWindowsConnectorConnectsWithoutSendingAndSeesARefusal) {
    std::shared_ptr<IConnector> connector = OpenWindowsConnector();
    ASSERT_TRUE(connector);
    auto bound = [](bool listening, unsigned short& port) {
        SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in at{};
        at.sin_family = AF_INET;
        at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int size = sizeof(at);
        EXPECT_EQ(0, ::bind(s, reinterpret_cast<sockaddr*>(&at), sizeof(at)));
        if (listening) {
            EXPECT_EQ(0, ::listen(s, 4));
        }
        ::getsockname(s, reinterpret_cast<sockaddr*>(&at), &size);
        port = ntohs(at.sin_port);
        return s;
    };
    unsigned short open = 0, closed = 0;
    SOCKET listener = bound(true, open);
    SOCKET idle = bound(false, closed);

    EXPECT_EQ(ReachOutcome::Answered, connector->Connect(L"127.0.0.1", open, 2000));
    EXPECT_EQ(ReachOutcome::Refused, connector->Connect(L"127.0.0.1", closed, 2000));

    SOCKET taken = ::accept(listener, nullptr, nullptr);
    ASSERT_NE(INVALID_SOCKET, taken);
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(taken, &readable);
    timeval wait{2, 0};
    ASSERT_EQ(1, ::select(0, &readable, nullptr, nullptr, &wait)) << "the connector did not close";
    char byte;
    EXPECT_EQ(0, ::recv(taken, &byte, 1, 0)) << "something was sent";
    ::closesocket(taken);
    ::closesocket(listener);
    ::closesocket(idle);
}

// A printer that answers on its print port but not to the monitor's status
// query is shown offline by Windows: that query of its port is switched off,
// where the port is this PC's alone and its settings are known.
TEST(PrinterReach, AStatusQueryThatFailsBesideAPrintPortThatAnswersIsSwitchedOff) {
    Reach r;
    auto port = [&](const wchar_t* name, const wchar_t* host, bool fromMonitor = true) {
        TcpPortConfig c{host, 9100, 1, true, L"public", 1};
        (fromMonitor ? r.directory->monitor : r.directory->registry)[name] = c;
        r.directory->monitors[name] = L"标准 TCP/IP 端口";
    };
    port(L"IP_silent", L"10.0.0.1");
    port(L"IP_fine", L"10.0.0.2");
    port(L"IP_away", L"10.0.0.3");
    port(L"IP_shared", L"10.0.0.4");
    port(L"IP_unread", L"10.0.0.5", false);
    r.directory->monitor[L"IP_off"] = {L"10.0.0.6", 9100, 1, false, L"public", 1};
    r.directory->monitors[L"IP_off"] = L"标准 TCP/IP 端口";
    for (const wchar_t* host : {L"10.0.0.1", L"10.0.0.2", L"10.0.0.4", L"10.0.0.5", L"10.0.0.6"})
        r.connector->answers[host] = ReachOutcome::Answered;
    r.connector->status = {{L"10.0.0.1", false}, {L"10.0.0.2", true}, {L"10.0.0.3", false},
                           {L"10.0.0.4", false}, {L"10.0.0.5", false}};
    PrinterSurvey record;
    record.queues = {Queue(L"Silent", L"IP_silent"), Queue(L"Fine", L"IP_fine"), Queue(L"Away", L"IP_away"),
                     Queue(L"Shared", L"IP_shared", false, true), Queue(L"Unread", L"IP_unread"),
                     Queue(L"Off", L"IP_off")};
    DWORD t0 = ::GetTickCount();
    r.reach.Start(record);
    std::vector<ReachReport> reports = r.reach.Finish(nullptr);
    EXPECT_LE(::GetTickCount() - t0, 1500u) << "a silent query costs its second, beside the others";
    EXPECT_EQ(std::vector<std::wstring>{L"IP_silent"}, r.directory->switched)
        << "only the silent query of a port of this PC alone whose printer answers";
    EXPECT_EQ(5u, r.connector->communities.size()) << "a port whose query is off is not asked";
    EXPECT_EQ("public", r.connector->communities[0]);

    std::vector<std::string> lines = ReachLines(reports);
    ASSERT_EQ(6u, lines.size());
    const std::wstring seen = L"打印端口可以连通，但不回答状态查询（SNMP）";
    EXPECT_EQ(Gbk(L"打印机“Silent”（10.0.0.1:9100）：" + seen + L"，已关闭端口 IP_silent 的“SNMP 状态已启用”"), lines[0]);
    EXPECT_EQ(0u, lines[1].find(Gbk(L"打印机“Fine”（10.0.0.2:9100）：可以连通（"))) << lines[1];
    EXPECT_EQ(0u, lines[2].find(Gbk(L"打印机“Away”（10.0.0.3:9100）：没有应答（"))) << "a silent printer is only away";
    EXPECT_EQ(Gbk(L"打印机“Shared”（10.0.0.4:9100）：" + seen + L"，端口 IP_shared 有共享打印机使用，未作更改"), lines[3]);
    EXPECT_EQ(Gbk(L"打印机“Unread”（10.0.0.5:9100）：" + seen + L"，无法读取端口 IP_unread 的设置，未作更改"), lines[4]);

    // The printer away comes first; the one switched off before the advice.
    EXPECT_EQ(L"“Away”（10.0.0.3）连接不上，请检查打印机的电源和网络", Said(NoticeFor(nullptr, nullptr, &reports)));
    reports.erase(reports.begin() + 2);
    EXPECT_EQ(L"“Silent”不回答状态查询（SNMP），已关闭该查询，不再误报脱机", Said(NoticeFor(nullptr, nullptr, &reports)));
    reports.erase(reports.begin());
    EXPECT_EQ(L"“Shared”不回答状态查询（SNMP），可在端口设置中关闭“SNMP 状态已启用”",
              Said(NoticeFor(nullptr, nullptr, &reports)));

    // A monitor that refuses the change: the port is named with its error.
    Reach refused;
    refused.directory->monitor[L"IP_silent"] = {L"10.0.0.1", 9100, 1, true, L"public", 1};
    refused.directory->monitors[L"IP_silent"] = L"标准 TCP/IP 端口";
    refused.directory->switchError = ERROR_ACCESS_DENIED;
    refused.connector->answers[L"10.0.0.1"] = ReachOutcome::Answered;
    refused.connector->status[L"10.0.0.1"] = false;
    record.queues = {Queue(L"Silent", L"IP_silent")};
    refused.reach.Start(record);
    EXPECT_EQ(std::vector<std::string>{Gbk(L"打印机“Silent”（10.0.0.1:9100）：" + seen + L"，未能关闭端口 IP_silent 的 SNMP 状态（错误 5）")},
              ReachLines(refused.reach.Finish(nullptr)));
}
