#include "printing/PrinterCheck.h"

#include <winspool.h>

#include "exec/BoundedCall.h"
#include "printing/LogText.h"

namespace {

bool IsConnection(const PrinterListing& p) {
    return p.name.compare(0, 2, L"\\\\") == 0 || (p.attributes & PRINTER_ATTRIBUTE_NETWORK);
}

struct StateName {
    DWORD bit;
    const wchar_t* name;
};
const StateName kStateNames[] = {
    {PRINTER_STATUS_PAUSED, L"已暂停"},
    {PRINTER_STATUS_OFFLINE, L"脱机"},
    {PRINTER_STATUS_NOT_AVAILABLE, L"不可用"},
    {PRINTER_STATUS_ERROR, L"错误"},
    {PRINTER_STATUS_PAPER_OUT, L"缺纸"},
    {PRINTER_STATUS_PAPER_JAM, L"卡纸"},
    {PRINTER_STATUS_PAPER_PROBLEM, L"纸张问题"},
    {PRINTER_STATUS_MANUAL_FEED, L"需要手动送纸"},
    {PRINTER_STATUS_DOOR_OPEN, L"盖板打开"},
    {PRINTER_STATUS_NO_TONER, L"墨粉或墨水用完"},
    {PRINTER_STATUS_TONER_LOW, L"碳粉不足"},
    {PRINTER_STATUS_OUTPUT_BIN_FULL, L"出纸盒已满"},
    {PRINTER_STATUS_USER_INTERVENTION, L"需要人工处理"},
    {PRINTER_STATUS_PENDING_DELETION, L"正在删除"},
    {PRINTER_STATUS_PRINTING, L"正在打印"},
};

std::wstring Describe(const PrinterStateRead& s) {
    std::wstring out;
    auto add = [&](const wchar_t* part) {
        if (!out.empty()) out += L"、";
        out += part;
    };
    for (const auto& n : kStateNames)
        if (s.status & n.bit) add(n.name);
    if (s.attributes & PRINTER_ATTRIBUTE_WORK_OFFLINE) add(L"使用脱机打印机");
    return out.empty() ? L"就绪" : out;
}

std::wstring Failed(const wchar_t* what, DWORD error) { return std::wstring(what) + L"（错误 " + Number(error) + L"）"; }

std::wstring Kind(const QueueReport& q) {
    if (q.connection) return L"（网络打印机）";
    if (q.shared) return L"（共享）";
    return std::wstring();
}

// Local queues first: a connection's server may not answer at all.
std::vector<PrinterListing> LocalFirst(std::vector<PrinterListing> list) {
    std::vector<PrinterListing> out;
    for (int pass = 0; pass < 2; ++pass)
        for (const auto& p : list)
            if (IsConnection(p) == (pass == 1)) out.push_back(p);
    return out;
}

// Every queue in turn, local ones first: its listing and its state, then
// `each`, then published for the step thread. Stops once left behind.
void Survey(IPrintSystem& system, PrinterWork& work, const std::function<void(QueueReport&)>& each) {
    std::vector<PrinterListing> list;
    DWORD error = system.ListPrinters(list);
    std::wstring def;
    if (error == ERROR_SUCCESS && system.DefaultPrinter(def) != ERROR_SUCCESS) def.clear();
    ::AcquireSRWLockExclusive(&work.lock);
    work.survey.listError = error;
    work.survey.defaultPrinter = def;
    ::ReleaseSRWLockExclusive(&work.lock);
    if (error != ERROR_SUCCESS) list.clear();
    for (const auto& p : LocalFirst(std::move(list))) {
        if (work.leftBehind) return;
        QueueReport q;
        q.name = p.name;
        q.connection = IsConnection(p);
        q.shared = (p.attributes & PRINTER_ATTRIBUTE_SHARED) != 0;
        q.readError = system.ReadPrinter(q.name, q.state);
        if (q.readError == ERROR_SUCCESS) q.shared = (q.state.attributes & PRINTER_ATTRIBUTE_SHARED) != 0;
        each(q);
        work.Publish(q);
    }
    ::AcquireSRWLockExclusive(&work.lock);
    work.complete = true;
    ::ReleaseSRWLockExclusive(&work.lock);
}


}  // namespace

PrinterSurvey PrinterWork::Snapshot(bool* done) {
    ::AcquireSRWLockExclusive(&lock);
    PrinterSurvey copy = survey;
    if (done) *done = complete;
    ::ReleaseSRWLockExclusive(&lock);
    return copy;
}

void PrinterWork::Publish(const QueueReport& queue) {
    ::AcquireSRWLockExclusive(&lock);
    survey.queues.push_back(queue);
    ::ReleaseSRWLockExclusive(&lock);
}

void RecordQueues(IPrintSystem& system, PrinterWork& work) {
    Survey(system, work, [&system](QueueReport& q) {
        // Another computer's queue holds other people's documents, and the
        // repair deletes none of them.
        if (!q.connection) q.jobsError = system.ListJobs(q.name, q.jobs);
    });
}

void LookAtQueues(IPrintSystem& system, PrinterWork& work, CPortKinds* kinds) {
    Survey(system, work, [&system, &work, kinds](QueueReport& q) {
        if (q.readError == ERROR_SUCCESS) {
            if (kinds) q.kind = kinds->Of(q.state.port, q.connection);
            q.paused = (q.state.status & PRINTER_STATUS_PAUSED) != 0;
            q.workOffline = (q.state.attributes & PRINTER_ATTRIBUTE_WORK_OFFLINE) != 0;
            // A connection belongs to its server, and whoever runs a shared
            // queue may have paused it on purpose: both are only reported.
            // Windows marks a USB printer offline while its device is away,
            // and marks it again at once if the mark is cleared.
            if (q.Changeable() && q.paused) q.resumeError = system.Resume(q.name, work.leftBehind);
            if (q.Changeable() && q.workOffline && q.kind.usb != UsbState::Absent)
                q.onlineError = system.ClearWorkOffline(q.name, work.leftBehind);
        }
        q.againError = system.ReadPrinter(q.name, q.again);
    });
}

// The lines of a survey that found no queue to speak of; false when it did.
static bool NothingListed(const PrinterSurvey& survey, std::vector<std::string>& lines) {
    if (survey.listError != ERROR_SUCCESS) lines.push_back(Gbk(Failed(L"无法列出打印机", survey.listError)));
    else if (survey.queues.empty()) lines.push_back(Gbk(L"未找到打印机"));
    return !lines.empty();
}

std::vector<std::string> RecordLines(const PrinterSurvey& record) {
    std::vector<std::string> lines;
    if (NothingListed(record, lines)) return lines;
    for (const auto& q : record.queues) {
        std::wstring head = L"打印机" + Quoted(q.name) + L"：";
        lines.push_back(Gbk(head + (q.readError ? Failed(L"无法读取状态", q.readError) : Describe(q.state)) + Kind(q)));
        if (q.jobsError) lines.push_back(Gbk(head + Failed(L"无法列出打印任务", q.jobsError)));
        for (const auto& job : q.jobs)
            lines.push_back(Gbk(L"待删除的打印任务：" + Quoted(job.document) + L"，打印机" +
                                Quoted(job.printer.empty() ? q.name : job.printer) + L"，" + Number(job.pages) +
                                L" 页"));
    }
    return lines;
}

std::vector<std::string> LookLines(const PrinterSurvey& look) {
    std::vector<std::string> lines;
    if (NothingListed(look, lines)) return lines;
    for (const auto& q : look.queues) {
        std::wstring done;
        auto add = [&](const std::wstring& part) {
            if (!done.empty()) done += L"、";
            done += part;
        };
        if (q.readError) add(Failed(L"无法读取状态", q.readError));
        else if (q.connection && (q.paused || q.workOffline)) add(L"网络打印机，未作更改");
        else if (q.shared && (q.paused || q.workOffline)) add(L"共享打印机，未作更改");
        else {
            if (q.paused) add(q.resumeError ? Failed(L"恢复打印失败", q.resumeError) : L"已恢复打印");
            if (q.workOffline && q.kind.usb == UsbState::Absent)
                add(L"“使用脱机打印机”由 Windows 因 USB 设备未连接而设置，未作更改");
            else if (q.workOffline)
                add(q.onlineError ? Failed(L"取消“使用脱机打印机”失败", q.onlineError) : L"已取消“使用脱机打印机”");
            if (done.empty()) add(L"无需处理");
        }
        std::wstring now = q.againError ? Failed(L"无法读取状态", q.againError) : Describe(q.again);
        lines.push_back(Gbk(L"打印机" + Quoted(q.name) + L"：" + done + L"，现在：" + now + Kind(q)));
    }
    return lines;
}

std::vector<std::string> UsbLines(const PrinterSurvey& look) {
    std::vector<std::string> lines;
    for (const auto& q : look.queues) {
        std::wstring head = L"打印机" + Quoted(q.name) + L"：";
        switch (q.kind.usb) {
        case UsbState::Present: lines.push_back(Gbk(head + L"USB 打印机（" + q.kind.usbPort + L"），设备已连接")); break;
        case UsbState::Absent: lines.push_back(Gbk(head + L"USB 打印机（" + q.kind.usbPort + L"），设备未连接")); break;
        case UsbState::NoInterface:
            lines.push_back(Gbk(head + L"端口 " + q.kind.usbPort + L" 从未连接过 USB 打印设备，未检查"));
            break;
        default: break;
        }
    }
    return lines;
}

std::string TimedOutLine() { return Gbk(L"打印机状态检查超时"); }

std::string UnavailableLine(const std::string& missing) {
    return Gbk(L"打印系统不可用（") + missing + Gbk(L"），跳过打印机检查");
}

void CPrinterCheck::Begin(std::function<void(IPrintSystem&, PrinterWork&)> step) {
    m_pending.reset();
    std::string missing;
    std::shared_ptr<IPrintSystem> system = m_open(missing);
    if (!system) {
        m_log(UnavailableLine(missing));
        return;
    }
    auto pending = std::make_unique<Pending>();
    auto work = pending->work = std::make_shared<PrinterWork>();
    pending->deadline = ::GetTickCount() + m_limitMs;
    if (pending->helper.Start([work, system, step] { step(*system, *work); })) m_pending = std::move(pending);
}

BoundedCall CPrinterCheck::End(HANDLE stop, PrinterSurvey& out) {
    std::unique_ptr<Pending> pending = std::move(m_pending);
    if (!pending) return BoundedCall::NotStarted;
    BoundedCall result = pending->helper.Wait(pending->deadline, stop);
    // From here on the helper, if it still runs, changes no printer.
    if (result != BoundedCall::Done) pending->work->leftBehind = true;
    out = pending->work->Snapshot();
    return result;
}

void CPrinterCheck::Record(HANDLE stop) {
    m_record = PrinterSurvey();
    m_look = PrinterSurvey();
    m_recorded = m_looked = false;
    Begin(&RecordQueues);
    BoundedCall r = End(stop, m_record);
    if (r == BoundedCall::NotStarted || r == BoundedCall::Stopped) return;
    m_recorded = true;
    for (const auto& line : RecordLines(m_record)) m_log(line);
    if (r == BoundedCall::TimedOut) m_log(TimedOutLine());
}

void CPrinterCheck::BeginLook() {
    m_look = PrinterSurvey();
    m_looked = false;
    OpenKinds open = m_kinds;
    Begin([open](IPrintSystem& system, PrinterWork& work) {
        std::unique_ptr<CPortKinds> kinds = open ? open() : nullptr;
        LookAtQueues(system, work, kinds.get());
    });
}

// A look that never began has nothing to wait for.
bool CPrinterCheck::LookEnded() const { return !m_pending || m_pending->helper.Ended(); }

void CPrinterCheck::EndLook(HANDLE stop) {
    BoundedCall r = End(stop, m_look);
    if (r == BoundedCall::NotStarted || r == BoundedCall::Stopped) return;
    m_looked = true;
    for (const auto& line : LookLines(m_look)) m_log(line);
    for (const auto& line : UsbLines(m_look)) m_log(line);
    if (r == BoundedCall::TimedOut) m_log(TimedOutLine());
}
