#pragma once
#include <atomic>
#include <string>

#include "exec/CmdCommandOp.h"
#include "exec/EventThread.h"
#include "exec/NamedLock.h"
#include "printing/PrinterCheck.h"
#include "printing/PrinterReach.h"
#include "printing/SpoolerWatch.h"
#include "mainwnd/RepairSequence.h"

// What a run shows; the operation panel supplies it.
class IRepairRunView {
public:
    virtual ~IRepairRunView() = default;
    // From the step thread: the run has begun, or is over.
    virtual void ShowProgress() = 0;
    virtual void CloseProgress() = 0;
    // Runs on the step thread, which waits for it. `notice` names a printer
    // that needs a person, after a success.
    virtual void ShowResult(RunResult result, const PrinterNotice& notice) = 0;
    // Another repair holds the lock; runs on the step thread too.
    virtual void ShowBusy() = 0;
    // From the step thread, when the guard against shutting down changes.
    virtual void ShutdownGuardChanged(bool on) = 0;
};

// One repair run's machinery: the step thread, the command runner and the
// sequence that drives them, and the actions the sequence asks for.
class CRepairRun : private IRepairActions {
public:
    CRepairRun(IRepairRunView& view, std::atomic<int>& progress);
    ~CRepairRun() override;
    CRepairRun(const CRepairRun&) = delete;
    CRepairRun& operator=(const CRepairRun&) = delete;

    // Makes the runner and mends a run that was killed while the spooler was
    // disabled, before anything that may end the process.
    void Open();
    // The step thread starts passing.
    void StartSteps();
    void Start(DWORD now);
    // The step thread, then the runner.
    void Close();

    // While the spooler is switched off by a run, Windows is asked not to
    // shut down, and a session that ends anyway gets it back.
    bool IsShutdownGuarded() const;
    void OnSessionEnding();

private:
    static bool RunStep(void* run);
    static bool OnCommandOutput(const char* text, int length, void* run);
    static void OnCommandEnded(unsigned tag, void* run);
    void RestoreInterruptedRun();
    bool TakeLock(DWORD waitMs);
    void LogSuspects();

    bool HasRunner() override;
    bool RunCommand(const char* command, int length, unsigned tag) override;
    void EndCommand() override;
    bool Confirms(SpoolerCheck check) override;
    void RecordSpoolerDisabled(bool disabled) override;
    void GuardShutdown(bool on) override;
    void Log(const std::string& line) override;
    void CloseProgress() override;
    void ShowResult(RunResult result) override;
    bool TakeRunLock() override;
    void ReleaseRunLock() override;
    void ShowBusy() override;
    void ShowProgress() override;
    void RecordPrinters() override;
    bool LookAtPrinters() override;

    IRepairRunView& m_view;
    CEventThread m_stepThread;
    std::atomic<CCmdCommandOp*> m_runner{nullptr};
    CRepairSequence m_sequence;
    std::atomic<bool> m_shutdownGuard{false};
    // Repairs stay apart across the whole PC: every session, every user.
    CNamedLock m_runLock;
    CPrinterCheck m_printers;
    // Whether each local network printer answers, once a run, after its start.
    CPrinterReach m_reach;
    std::vector<ReachReport> m_reached;
    bool m_reachChecked = false;
    // The likely causes of a spooler that stops are named once a run.
    bool m_suspectsLogged = false;
};
