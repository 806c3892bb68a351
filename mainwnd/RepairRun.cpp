#include "mainwnd/RepairRun.h"

#include "exec/LogFile.h"
#include "exec/ToolPaths.h"
#include "printing/LogText.h"
#include "printing/SpoolerService.h"
#include "printing/SpoolerSuspects.h"

namespace {
// The step thread sleeps this long per pass.
const DWORD kStepPassMs = 100;
// Covers one pass of the step thread, so it leaves between passes.
const DWORD kStepThreadGraceMs = 1000;
// How long ending a command may take before the next one goes anyway.
const DWORD kEndCommandMs = 3000;
// A killed run is mended at start-up only while no other repair runs; else
// its mark stays for a later start.
const DWORD kRestoreLockWaitMs = 3000;
const wchar_t kRunLockName[] = L"Global\\Tarnwick.Repair";
// How often the spooler is asked whether it still runs, after its start.
const DWORD kWatchPollMs = 100;
}

CRepairRun::CRepairRun(IRepairRunView& view, std::atomic<int>& progress)
    : m_view(view),
      m_sequence(*this, progress),
      m_runLock(kRunLockName),
      m_printers(&OpenWindowsPrintSystem, [](const std::string& line) { WriteLog(line, kLogFileName); },
                 CPrinterCheck::kLimitMs,
                 [] { return std::make_unique<CPortKinds>(OpenWindowsPortDirectory(), OpenUsbPorts()); }) {}

CRepairRun::~CRepairRun() { Close(); }

void CRepairRun::Open() {
    CCmdCommandOp* runner = CreateCmdCommandOp();
    m_runner = runner;
    if (runner) {
        m_sequence.Arm();
        SetCmdOutputCallback(runner, &CRepairRun::OnCommandOutput, this);
        SetCmdEndedCallback(runner, &CRepairRun::OnCommandEnded, this);
    }
    if (runner && SpoolerDisabledRecorded()) RestoreInterruptedRun();
}

void CRepairRun::StartSteps() {
    m_stepThread.Start(&CRepairRun::RunStep, this);
    m_stepThread.SetRunning(true);
}

void CRepairRun::Start(DWORD now) {
    m_sequence.Start(now);
    m_stepThread.Wake();
}

void CRepairRun::Close() {
    // The step thread goes before the runner: it may be inside a call on the
    // runner, which must not be freed under it.
    m_stepThread.Stop(kStepThreadGraceMs);
    if (CCmdCommandOp* runner = m_runner.exchange(nullptr)) {
        CloseCmdCommand(runner);
        DestroyCmdCommandOp(runner);
    }
}

bool CRepairRun::RunStep(void* context) {
    auto* run = static_cast<CRepairRun*>(context);
    // A run that has just begun issues its first command at once.
    if (run->m_sequence.Pass(::GetTickCount())) return true;
    // Sleeps the pass out, but leaves at once when asked to stop; between
    // runs it sleeps until Start wakes it.
    run->m_stepThread.WaitForStop(run->m_sequence.Running() ? kStepPassMs : INFINITE);
    return true;
}

bool CRepairRun::OnCommandOutput(const char* text, int length, void* context) {
    if (!context) return false;
    auto* run = static_cast<CRepairRun*>(context);
    CCmdCommandOp* runner = run->m_runner.load();
    // On the reader thread, inside its delivery: the tag is the chunk's own.
    run->m_sequence.OnOutput(text, length, runner ? runner->OutputTag() : 0);
    return true;
}

void CRepairRun::OnCommandEnded(unsigned tag, void* context) {
    if (context) static_cast<CRepairRun*>(context)->m_sequence.OnCommandEnded(tag);
}

void CRepairRun::RestoreInterruptedRun() {
    // Another session's repair sets the spooler itself; the mark waits.
    if (!TakeLock(kRestoreLockWaitMs)) return;
    // Before the window is up and before the step thread runs: the two
    // restoring commands, bounded by the sequence's own limits. The end of
    // the sequence gives the lock back, on this thread.
    m_sequence.StartRestore(::GetTickCount());
    while (m_sequence.Running()) {
        m_sequence.Pass(::GetTickCount());
        ::Sleep(kStepPassMs);
    }
}

bool CRepairRun::IsShutdownGuarded() const { return m_shutdownGuard.load(); }

void CRepairRun::OnSessionEnding() {
    // No time for a command: the start type goes straight back, so that the
    // spooler starts with the next boot.
    if (m_shutdownGuard.load()) SetSpoolerAutomaticStart();
}

bool CRepairRun::HasRunner() { return m_runner.load() != nullptr; }

bool CRepairRun::RunCommand(const char* command, int length, unsigned tag) {
    CCmdCommandOp* runner = m_runner.load();
    if (!runner) return false;
    if (runner->Execute(command, length, tag)) return true;
    // 命令未能启动（错误 N）: the step is then judged by the system's state.
    Log("\xC3\xFC\xC1\xEE\xCE\xB4\xC4\xDC\xC6\xF4\xB6\xAF\xA3\xA8\xB4\xED\xCE\xF3 " +
        std::to_string(runner->StartError()) + "\xA3\xA9");
    return false;
}

void CRepairRun::EndCommand() {
    if (CCmdCommandOp* runner = m_runner.load()) runner->EndCommand(kEndCommandMs);
}

bool CRepairRun::Confirms(SpoolerCheck check) { return SpoolerConfirms(check); }

void CRepairRun::RecordSpoolerDisabled(bool disabled) { ::RecordSpoolerDisabled(disabled); }

void CRepairRun::GuardShutdown(bool on) {
    if (m_shutdownGuard.exchange(on) == on) return;
    m_view.ShutdownGuardChanged(on);
}

void CRepairRun::Log(const std::string& line) { WriteLog(line, kLogFileName); }

void CRepairRun::CloseProgress() { m_view.CloseProgress(); }

void CRepairRun::ShowResult(RunResult result) {
    m_view.ShowResult(result, result == RunResult::Success ? m_printers.Notice(&m_reached) : PrinterNotice());
}

bool CRepairRun::TakeLock(DWORD waitMs) {
    switch (m_runLock.Take(waitMs)) {
    case CNamedLock::Taken::Busy:
        return false;
    case CNamedLock::Taken::Unavailable:
        // A name squatted by a program without rights never keeps the
        // user from the repair.
        Log(m_runLock.UnavailableLine());
        return true;
    case CNamedLock::Taken::Yes:
    default:
        return true;
    }
}

bool CRepairRun::TakeRunLock() { return TakeLock(0); }

void CRepairRun::ReleaseRunLock() { m_runLock.Release(); }

void CRepairRun::ShowBusy() { m_view.ShowBusy(); }

void CRepairRun::ShowProgress() { m_view.ShowProgress(); }

void CRepairRun::RecordPrinters() {
    m_reached.clear();
    m_reachChecked = m_suspectsLogged = false;
    m_printers.Record(m_stepThread.StopEvent());
}

bool CRepairRun::LookAtPrinters() {
    HANDLE stop = m_stepThread.StopEvent();
    CSpoolerWatch watch(&ReadSpoolerStatus);
    watch.Begin(::GetTickCount());
    // The printers' addresses are tried once a run, beside the first look.
    bool reach = !m_reachChecked;
    if (reach) m_reach.Start(m_printers.Recorded());
    m_printers.BeginLook();
    DWORD lookEndedAt = 0;
    for (;;) {
        DWORD now = ::GetTickCount();
        // Never 0, which means a look still under way.
        if (!lookEndedAt && m_printers.LookEnded()) lookEndedAt = now ? now : 1;
        if (!watch.Poll(now) || watch.LongEnough(now, lookEndedAt)) break;
        if (::WaitForSingleObject(stop, kWatchPollMs) == WAIT_OBJECT_0) break;
    }
    m_printers.EndLook(stop);
    if (reach) {
        m_reached = m_reach.Finish(stop);
        m_reachChecked = true;
        // Stopped early, an address not yet answered is no finding.
        if (::WaitForSingleObject(stop, 0) == WAIT_OBJECT_0) m_reached.clear();
        for (const auto& line : ReachLines(m_reached)) Log(line);
    }
    if (!watch.Stopped()) return true;
    Log(watch.Line());
    if (!m_suspectsLogged) LogSuspects();
    m_suspectsLogged = true;
    return false;
}

// From the registry and the files alone: the spooler is down.
void CRepairRun::LogSuspects() {
    std::string missing;
    std::unique_ptr<ISuspectSources> sources = OpenWindowsSuspectSources(missing);
    if (!sources) {
        Log(Gbk(L"无法读取文件的版本信息（") + missing + Gbk(L"），未列出可能的原因"));
        return;
    }
    for (const auto& line : SuspectLines(FindSpoolerSuspects(m_printers.Recorded(), *sources))) Log(line);
}
