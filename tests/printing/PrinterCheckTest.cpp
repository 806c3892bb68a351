#include <gtest/gtest.h>
#include <windows.h>
#include <winspool.h>

#include <memory>
#include <string>
#include <vector>

#include "printing/LogText.h"
#include "printing/PrinterCheck.h"

namespace {

struct FakePrinter {
    std::wstring name;
    DWORD attributes;
    DWORD status;
    std::vector<PrintJobInfo> jobs;
    std::wstring port = L"LPT1:", driver = L"Generic";
};

// A print system in memory; it records the changes asked of it. Shared with
// the helper threads, which may outlive the check.
struct FakeSystem : IPrintSystem {
    std::vector<FakePrinter> printers;
    DWORD listError = ERROR_SUCCESS;
    std::wstring defaultName;
    std::vector<std::wstring> changes;
    // Reads of this printer wait for the event.
    std::wstring blockOn;
    HANDLE unblock = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::atomic<int> blockedReads{0};
    ~FakeSystem() override { ::CloseHandle(unblock); }

    FakePrinter* Find(const std::wstring& name) {
        for (auto& p : printers)
            if (p.name == name) return &p;
        return nullptr;
    }
    DWORD ListPrinters(std::vector<PrinterListing>& out) override {
        for (const auto& p : printers) out.push_back(PrinterListing{p.name, p.attributes});
        return listError;
    }
    DWORD ReadPrinter(const std::wstring& name, PrinterStateRead& out) override {
        if (name == blockOn) {
            ::WaitForSingleObject(unblock, INFINITE);
            ++blockedReads;
        }
        FakePrinter* p = Find(name);
        if (!p) return ERROR_INVALID_PRINTER_NAME;
        out.status = p->status;
        out.attributes = p->attributes;
        out.port = p->port;
        out.driver = p->driver;
        return ERROR_SUCCESS;
    }
    DWORD ListJobs(const std::wstring& name, std::vector<PrintJobInfo>& out) override {
        FakePrinter* p = Find(name);
        if (!p) return ERROR_INVALID_PRINTER_NAME;
        out = p->jobs;
        return ERROR_SUCCESS;
    }
    DWORD Resume(const std::wstring& name, const std::atomic<bool>& leftBehind) override {
        if (leftBehind) return ERROR_CANCELLED;
        changes.push_back(L"resume " + name);
        Find(name)->status &= ~static_cast<DWORD>(PRINTER_STATUS_PAUSED);
        return ERROR_SUCCESS;
    }
    DWORD ClearWorkOffline(const std::wstring& name, const std::atomic<bool>& leftBehind) override {
        if (leftBehind) return ERROR_CANCELLED;
        changes.push_back(L"online " + name);
        Find(name)->attributes &= ~static_cast<DWORD>(PRINTER_ATTRIBUTE_WORK_OFFLINE);
        return ERROR_SUCCESS;
    }
    DWORD DefaultPrinter(std::wstring& name) override {
        name = defaultName;
        return defaultName.empty() ? ERROR_FILE_NOT_FOUND : ERROR_SUCCESS;
    }
};

const DWORD kLocal = PRINTER_ATTRIBUTE_LOCAL;

// Ports by their monitor's DLL: USB*, TS* and Microsoft.* are the USB
// monitor's and Store apps' monitor's; the rest are local ports.
struct PortsByMonitor : IPortDirectory {
    std::wstring MonitorOf(const std::wstring& port) override {
        if (port.compare(0, 3, L"USB") == 0 || port.compare(0, 2, L"TS") == 0) return L"USB 监视器";
        return port.compare(0, 10, L"Microsoft.") == 0 ? L"Appmon" : L"Local Port";
    }
    std::wstring MonitorDll(const std::wstring& monitor) override {
        if (monitor == L"USB 监视器") return L"usbmon.dll";
        return monitor == L"Appmon" ? L"C:\\Windows\\system32\\AppMon.dll" : L"localspl.dll";
    }
    bool TcpPortFromRegistry(const std::wstring&, TcpPortConfig&) override { return false; }
    bool TcpPortFromMonitor(const std::wstring&, TcpPortConfig&) override { return false; }
    DWORD SwitchSnmpOff(const std::wstring&) override { return ERROR_NOT_SUPPORTED; }
    std::wstring DeviceUrl(const std::wstring&) override { return std::wstring(); }
};

struct FakeUsbPorts : IUsbPorts {
    std::vector<UsbPort> ports;
    std::vector<UsbPort> Ports() override { return ports; }
};

struct Check {
    std::shared_ptr<FakeSystem> system = std::make_shared<FakeSystem>();
    std::shared_ptr<FakeUsbPorts> usb = std::make_shared<FakeUsbPorts>();
    std::vector<std::string> log;
    CPrinterCheck check{[this](std::string&) -> std::shared_ptr<IPrintSystem> { return system; },
                        [this](const std::string& line) { log.push_back(line); }, 300, [this] {
                            return std::make_unique<CPortKinds>(std::make_shared<PortsByMonitor>(), usb);
                        }};
    bool Logged(const std::wstring& line) const {
        for (const auto& l : log)
            if (l == Gbk(line)) return true;
        return false;
    }
    std::wstring Notice() const {
        PrinterNotice n = check.Notice();
        if (n.Empty()) return std::wstring();
        return L"“" + n.name + L"”" + n.what + (n.other.empty() ? L"" : L"“" + n.other + L"”" + n.after);
    }
};

}  // namespace

TEST(PrinterCheck, PausedAndOfflineLocalQueuesAreSetRightWhileSharedQueuesAndConnectionsAreOnlyReported) {
    Check c;
    c.system->printers = {
        {L"Office", kLocal, PRINTER_STATUS_PAUSED, {{L"报表.docx", L"Office", 3}}},
        {L"Labels", kLocal | PRINTER_ATTRIBUTE_WORK_OFFLINE, 0, {}},
        {L"\\\\server\\Copier", PRINTER_ATTRIBUTE_NETWORK, PRINTER_STATUS_PAUSED, {{L"not ours", L"", 9}}},
        {L"Front Desk", kLocal | PRINTER_ATTRIBUTE_SHARED, PRINTER_STATUS_PAUSED | PRINTER_STATUS_OFFLINE, {}},
    };
    c.check.Record(nullptr);
    EXPECT_TRUE(c.Logged(L"待删除的打印任务：“报表.docx”，打印机“Office”，3 页"));
    EXPECT_TRUE(c.Logged(L"打印机“Office”：已暂停"));
    EXPECT_TRUE(c.Logged(L"打印机“Labels”：使用脱机打印机"));
    for (const auto& line : c.log) EXPECT_EQ(std::string::npos, line.find("not ours")) << "another PC's jobs listed";
    EXPECT_TRUE(c.system->changes.empty()) << "the record changed a printer";

    c.log.clear();
    c.check.Look(nullptr);
    EXPECT_EQ((std::vector<std::wstring>{L"resume Office", L"online Labels"}), c.system->changes);
    EXPECT_TRUE(c.Logged(L"打印机“Office”：已恢复打印，现在：就绪"));
    EXPECT_TRUE(c.Logged(L"打印机“Labels”：已取消“使用脱机打印机”，现在：就绪"));
    EXPECT_TRUE(c.Logged(L"打印机“Front Desk”：共享打印机，未作更改，现在：已暂停、脱机（共享）"));
    EXPECT_TRUE(c.Logged(L"打印机“\\\\server\\Copier”：网络打印机，未作更改，现在：已暂停（网络打印机）"));
    // A shared queue still offline after the restart needs its owner.
    EXPECT_EQ(L"“Front Desk”未连接，请检查电源和数据线", c.Notice());
}

TEST(PrinterCheck, WhatNeedsAPersonIsNamedDefaultPrinterFirstAndOfflineOnlyIfItLasts) {
    Check c;
    c.system->printers = {
        {L"Old", kLocal, PRINTER_STATUS_OFFLINE | PRINTER_STATUS_TONER_LOW, {}},
        {L"Main", kLocal, PRINTER_STATUS_PAPER_OUT, {}},
    };
    c.system->defaultName = L"Main";
    c.check.Record(nullptr);
    // Windows may not know the paper state right after the restart.
    c.system->printers[1].status = 0;
    c.system->printers[0].status = 0;
    c.check.Look(nullptr);
    EXPECT_EQ(L"“Main”缺纸", c.Notice()) << "what the record saw of the paper speaks";

    // Offline before the restart, fine after it: the restart mended it. Low toner never speaks.
    c.system->defaultName.clear();
    c.system->printers[1].status = 0;
    c.system->printers[0].status = PRINTER_STATUS_OFFLINE | PRINTER_STATUS_TONER_LOW;
    c.check.Record(nullptr);
    c.system->printers[0].status = PRINTER_STATUS_TONER_LOW;
    c.check.Look(nullptr);
    EXPECT_EQ(L"", c.Notice());

    // Still offline after it, and no default: the first such printer.
    c.system->printers[0].status = PRINTER_STATUS_NOT_AVAILABLE;
    c.system->printers[1].status = PRINTER_STATUS_DOOR_OPEN;
    c.check.Record(nullptr);
    c.check.Look(nullptr);
    EXPECT_EQ(L"“Old”未连接，请检查电源和数据线", c.Notice());
}

TEST(PrinterCheck, FailuresAreLoggedAndNothingElseHappens) {
    Check none;
    none.check.Record(nullptr);
    none.check.Look(nullptr);
    EXPECT_EQ((std::vector<std::string>{Gbk(L"未找到打印机"), Gbk(L"未找到打印机")}), none.log);
    EXPECT_EQ(L"", none.Notice());

    Check failing;
    failing.system->listError = RPC_S_SERVER_UNAVAILABLE;
    failing.check.Record(nullptr);
    EXPECT_EQ(std::vector<std::string>{Gbk(L"无法列出打印机（错误 1722）")}, failing.log);

    Check missing;
    missing.check = CPrinterCheck([](std::string& what) -> std::shared_ptr<IPrintSystem> {
        what = "EnumJobsW";
        return nullptr;
    }, [&](const std::string& line) { missing.log.push_back(line); });
    missing.check.Record(nullptr);
    EXPECT_EQ(std::vector<std::string>{Gbk(L"打印系统不可用（EnumJobsW），跳过打印机检查")}, missing.log);
}

// A print server that doesn't answer: the check gives up at its limit, logs
// what it has, and the call left behind changes nothing when it comes back.
TEST(PrinterCheck, ACallThatBlocksIsLeftBehindAndChangesNothingAfterwards) {
    Check c;
    c.system->printers = {
        {L"Desk", kLocal, PRINTER_STATUS_PAPER_JAM, {}},
        {L"Office", kLocal, PRINTER_STATUS_PAUSED, {}},
    };
    c.system->blockOn = L"Office";
    DWORD t0 = ::GetTickCount();
    c.check.Record(nullptr);
    EXPECT_LT(::GetTickCount() - t0, 1000u);
    EXPECT_TRUE(c.Logged(L"打印机“Desk”：卡纸")) << "what was read in time is kept";
    EXPECT_EQ(Gbk(L"打印机状态检查超时"), c.log.back());

    c.log.clear();
    c.check.Look(nullptr);
    EXPECT_EQ(Gbk(L"打印机状态检查超时"), c.log.back());
    EXPECT_EQ(L"“Desk”卡纸", c.Notice());
    // The calls come back long after the result: they must not resume
    // Office. The look's helper has passed its change once it reads Office again.
    ::SetEvent(c.system->unblock);
    for (DWORD t = ::GetTickCount(); c.system->blockedReads < 3 && ::GetTickCount() - t < 2000;) ::Sleep(10);
    EXPECT_EQ(3, c.system->blockedReads.load());
    EXPECT_TRUE(c.system->changes.empty());

    // Closing the tool does not wait for the limit.
    Check closing;
    closing.system->printers = {{L"Office", kLocal, 0, {}}};
    closing.system->blockOn = L"Office";
    HANDLE stop = ::CreateEventW(nullptr, TRUE, TRUE, nullptr);
    t0 = ::GetTickCount();
    closing.check.Record(stop);
    EXPECT_LT(::GetTickCount() - t0, 500u);
    ::SetEvent(closing.system->unblock);
    ::CloseHandle(stop);
}

// Windows marks a USB printer offline while its device is away: the mark
// stays, the printer is named, and a queue of the same driver whose device
// is there is offered instead. Ports no device ever named are only logged.
TEST(PrinterCheck, AUsbPrinterThatIsAwayKeepsItsMarkAndIsNamedWithItsTwin) {
    Check c;
    const DWORD offline = kLocal | PRINTER_ATTRIBUTE_WORK_OFFLINE;
    c.system->printers = {
        {L"Remote", offline, 0, {}, L"TS001", L"HP"},
        {L"HP LaserJet", offline, PRINTER_STATUS_OFFLINE, {}, L"USB001", L"HP"},
        {L"Label", kLocal, 0, {}, L"USB004", L"Zebra"},
        {L"HP LaserJet (副本 1)", kLocal, 0, {}, L"USB002", L"hp"},
    };
    c.usb->ports = {{L"USB001", false}, {L"USB002", true}, {L"USB003", true}, {L"USB004", true}};
    c.check.Record(nullptr);
    c.check.Look(nullptr);
    EXPECT_EQ(std::vector<std::wstring>{L"online Remote"}, c.system->changes) << "a mark of an absent printer cleared";
    EXPECT_TRUE(c.Logged(L"打印机“HP LaserJet”：“使用脱机打印机”由 Windows 因 USB 设备未连接而设置，未作更改，现在：脱机、使用脱机打印机"));
    EXPECT_TRUE(c.Logged(L"打印机“HP LaserJet”：USB 打印机（USB001），设备未连接"));
    EXPECT_TRUE(c.Logged(L"打印机“HP LaserJet (副本 1)”：USB 打印机（USB002），设备已连接"));
    EXPECT_TRUE(c.Logged(L"打印机“Remote”：端口 TS001 从未连接过 USB 打印设备，未检查"));
    EXPECT_EQ(L"“HP LaserJet”未连接，请改用“HP LaserJet (副本 1)”打印", c.Notice());

    // Without a twin; and the default printer, whatever it needs, still comes first.
    c.usb->ports[1].present = false;
    c.check.Look(nullptr);
    EXPECT_EQ(L"“HP LaserJet”未连接，请打开电源并检查 USB 线", c.Notice());
    c.system->printers[2].status = PRINTER_STATUS_PAPER_OUT;
    c.system->defaultName = L"Label";
    c.check.Look(nullptr);
    EXPECT_EQ(L"“Label”缺纸", c.Notice());
}

// Print to PDF, XPS, OneNote or a fax as the default: documents never reach
// paper. Said only when nothing else needs a person, and nothing is changed.
TEST(PrinterCheck, ADefaultPrinterThatPrintsToNoDeviceIsNamedLast) {
    for (const wchar_t* port : {L"FILE:", L"portprompt:", L"XPSPort:", L"nul:", L"SHRFAX:", L"C:\\out.prn"})
        EXPECT_TRUE(LeadsNowhereByName(port)) << port;
    for (const wchar_t* port : {L"LPT1:", L"USB001", L"\\\\server\\share", L"IP_10.0.0.5", L"C:"})
        EXPECT_FALSE(LeadsNowhereByName(port)) << port;

    Check c;
    c.system->printers = {
        {L"Microsoft Print to PDF", kLocal, 0, {}, L"PORTPROMPT:", L"PDF"},
        {L"OneNote", kLocal, 0, {}, L"Microsoft.Office.OneNote_16001", L"Store"},
        {L"Fax", kLocal, 0, {}, L"SHRFAX:,nul:", L"Fax"},
    };
    c.system->defaultName = L"Microsoft Print to PDF";
    c.check.Record(nullptr);
    c.check.Look(nullptr);
    EXPECT_EQ(L"", c.Notice()) << "no printer prints on paper: there is nothing to choose";

    c.system->printers.push_back({L"HP", kLocal, 0, {}, L"USB001", L"HP"});
    c.usb->ports = {{L"USB001", true}};
    c.check.Look(nullptr);
    EXPECT_EQ(L"“Microsoft Print to PDF”不打印到纸上，请把“HP”设为默认打印机", c.Notice());
    EXPECT_TRUE(c.system->changes.empty());

    c.system->printers.push_back({L"\\\\server\\Copier", PRINTER_ATTRIBUTE_NETWORK, 0, {}, L"IP_10.0.0.9", L"X"});
    c.check.Look(nullptr);
    EXPECT_EQ(L"“Microsoft Print to PDF”不打印到纸上，请另选默认打印机", c.Notice());

    c.system->printers[3].status = PRINTER_STATUS_PAPER_JAM;
    c.check.Look(nullptr);
    EXPECT_EQ(L"“HP”卡纸", c.Notice());
}
