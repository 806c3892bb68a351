#pragma once
#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "exec/BoundedCall.h"
#include "printing/PortKinds.h"
#include "printing/PrintSystem.h"
#include "printing/PrinterNotice.h"
#include "printing/ReachReport.h"

// One queue as the print system answered for it.
struct QueueReport {
    std::wstring name;
    bool connection = false;  // \\server\name: another computer's queue
    bool shared = false;      // this PC shares it with others
    DWORD readError = ERROR_SUCCESS;
    PrinterStateRead state;
    // The record: the jobs that the repair will delete.
    DWORD jobsError = ERROR_SUCCESS;
    std::vector<PrintJobInfo> jobs;
    // The look: what was set right, and the state read again afterwards.
    bool paused = false, workOffline = false;
    DWORD resumeError = ERROR_SUCCESS, onlineError = ERROR_SUCCESS;
    DWORD againError = ERROR_SUCCESS;
    PrinterStateRead again;
    // Where its ports lead, as the look found before it changed anything.
    PortKind kind;

    bool Changeable() const { return !connection && !shared; }
};

struct PrinterSurvey {
    DWORD listError = ERROR_SUCCESS;
    std::vector<QueueReport> queues;
    std::wstring defaultPrinter;
};

// What the helper thread shares with the step thread. The helper fills it
// queue by queue; once the step thread has stopped waiting, the helper
// changes no printer any more. Whichever ends last frees it.
struct PrinterWork {
    std::atomic<bool> leftBehind{false};
    SRWLOCK lock = SRWLOCK_INIT;
    PrinterSurvey survey;  // under `lock`
    bool complete = false;  // under `lock`
    // The step thread's copy, taken under the lock.
    PrinterSurvey Snapshot(bool* done = nullptr);
    void Publish(const QueueReport& queue);
};

// On the helper thread, each against a print system of its own.
// Before the repair: every queue's state, and the jobs of the local queues.
void RecordQueues(IPrintSystem& system, PrinterWork& work);
// After it: a paused local queue is resumed and "use printer offline" is
// cleared, on queues of this PC that it does not share, except where Windows
// set that mark for a USB printer that is away; every queue is read again.
// `kinds` (may be null) tells where each queue's ports lead.
void LookAtQueues(IPrintSystem& system, PrinterWork& work, CPortKinds* kinds = nullptr);

// LOG.txt's lines (code page 936).
std::vector<std::string> RecordLines(const PrinterSurvey& record);
std::vector<std::string> LookLines(const PrinterSurvey& look);
// One line per queue on a port of the USB monitor.
std::vector<std::string> UsbLines(const PrinterSurvey& look);
std::string TimedOutLine();
std::string UnavailableLine(const std::string& missing);

// The record and the look of one run, each on a helper thread and each
// bounded in time. On the step thread.
class CPrinterCheck {
public:
    static constexpr DWORD kLimitMs = 3000;
    // A print system of the check's own, shared with the helpers it runs on.
    using OpenSystem = std::function<std::shared_ptr<IPrintSystem>(std::string& missing)>;
    using LogLine = std::function<void(const std::string&)>;
    // Where the ports lead, made on the look's helper: it may block.
    using OpenKinds = std::function<std::unique_ptr<CPortKinds>()>;

    CPrinterCheck(OpenSystem open, LogLine log, DWORD limitMs = kLimitMs, OpenKinds kinds = OpenKinds())
        : m_open(std::move(open)), m_log(std::move(log)), m_limitMs(limitMs), m_kinds(std::move(kinds)) {}

    // `stop` ends either wait at once, leaving the helper behind.
    void Record(HANDLE stop);
    void Look(HANDLE stop) {
        BeginLook();
        EndLook(stop);
    }
    // The look, begun on its helper and waited for later, so that the step
    // thread can watch the spooler meanwhile.
    void BeginLook();
    bool LookEnded() const;
    void EndLook(HANDLE stop);
    // What the last record and look found that needs a person.
    PrinterNotice Notice(const std::vector<ReachReport>* reach = nullptr) const {
        return NoticeFor(m_recorded ? &m_record : nullptr, m_looked ? &m_look : nullptr, reach);
    }
    // The record taken before the repair, for the check of the addresses.
    const PrinterSurvey& Recorded() const { return m_record; }

private:
    // A record or a look under way.
    struct Pending {
        std::shared_ptr<PrinterWork> work;
        CBoundedWork helper;
        DWORD deadline = 0;
    };
    void Begin(std::function<void(IPrintSystem&, PrinterWork&)> step);
    BoundedCall End(HANDLE stop, PrinterSurvey& out);

    OpenSystem m_open;
    LogLine m_log;
    DWORD m_limitMs;
    OpenKinds m_kinds;
    PrinterSurvey m_record, m_look;
    bool m_recorded = false, m_looked = false;
    std::unique_ptr<Pending> m_pending;
};
