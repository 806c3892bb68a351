#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>

#include "printing/SpoolerService.h"

// How a run ended, for the prompt.
enum class RunResult {
    Success,
    Failure,
    // The spooler stopped by itself after its start, and again after one more.
    SpoolerStopsAgain,
};

// What a run does to the world; the operation panel supplies it, tests record it.
class IRepairActions {
public:
    virtual ~IRepairActions() = default;
    virtual bool HasRunner() = 0;
    // False when the command could not be started. Its output and its end
    // come back with `tag`.
    virtual bool RunCommand(const char* command, int length, unsigned tag) = 0;
    // Ends the running command with everything it started.
    virtual void EndCommand() = 0;
    virtual void Log(const std::string& line) = 0;
    virtual void CloseProgress() = 0;
    virtual void ShowResult(RunResult result) = 0;
    virtual bool Confirms(SpoolerCheck check) = 0;
    // A record that outlives the process: the spooler was disabled by us and
    // not yet set back.
    virtual void RecordSpoolerDisabled(bool disabled) = 0;
    // While printing is switched off, Windows should not shut down under us.
    virtual void GuardShutdown(bool on) = 0;
    // The lock that keeps repairs on this PC apart, taken and given back by
    // the thread that runs the sequence; false when another repair has it.
    virtual bool TakeRunLock() = 0;
    virtual void ReleaseRunLock() = 0;
    // A run that could not have the lock: nothing ran.
    virtual void ShowBusy() = 0;
    // The run has the lock and begins.
    virtual void ShowProgress() = 0;
    // The printers themselves: what the run will delete and how each queue
    // stands, before the first command; after the last is confirmed, a look
    // at each queue that sets right what a restart leaves, with the spooler
    // watched meanwhile: false when it did not stay up.
    virtual void RecordPrinters() = 0;
    virtual bool LookAtPrinters() = 0;
};

// The spooler reset as a state machine shared by three threads: the user
// interface starts a run, the step thread issues commands and moves the run
// on, the reader thread reports what each command printed and when it ended.
// The step, whether its command was issued, what the reader saw of it and
// the command's serial number live in one atomic word, and every change is a
// compare-and-exchange on the value it was decided from: no thread overwrites
// another's transition, and output of an older command is never judged
// against a newer step.
class CRepairSequence {
public:
    enum : int {
        // The seven commands of a run, in order.
        kStepSessions = 1,
        kStepDisable = 2,
        kStepStop = 3,
        kStepUnlock = 4,
        kStepDelete = 5,
        kStepEnable = 6,
        kStepStart = 7,
        kStepSuccess = 8,
        kStepFailure = 9,
        // After a failure that left the spooler disabled: put it back first.
        kStepRestoreAuto = 10,
        kStepRestoreStart = 11,
        // The spooler stopped by itself after step 7: started once more.
        kStepStartAgain = 12,
    };
    // A command that neither ends nor answers this long after it was issued
    // fails its step.
    static constexpr DWORD kStepTimeoutMs = 30000;
    static constexpr DWORD kRestoreTimeoutMs = 15000;
    // A command that printed its words moves the run on when it ends, or
    // this long after the words at the latest.
    static constexpr DWORD kAfterWordsMs = 10000;
    static constexpr int kAttribWaitLimit = 20;
    static constexpr char kJudgedByState[] = "\xD3\xC9\xB7\xFE\xCE\xF1\xD7\xB4\xCC\xAC\xC5\xD0\xB6\xA8";  // 由服务状态判定

    CRepairSequence(IRepairActions& actions, std::atomic<int>& progress) : m_actions(actions), m_progress(progress) {}

    void Start(DWORD now);
    // Only the two restoring commands, with no result shown: for a run that
    // was killed while the spooler was disabled.
    void StartRestore(DWORD now);
    // One pass of the step thread, without its sleep. True when the next
    // pass should follow at once: a run has just begun.
    bool Pass(DWORD now);
    void OnOutput(const char* text, int length, unsigned tag);
    void OnCommandEnded(unsigned tag);
    // Makes step 1 the idle step once a runner exists.
    void Arm();

    int RepairStep() const { return Decode(m_word.load()).step; }
    bool StepReady() const { return !Decode(m_word.load()).issued; }
    bool Running() const { return m_running; }

    struct Step {
        int progress;
        const char* command;
        const char* marker;
        const char* fallbackMarker;
    };
    static const Step* StepAt(int step);

    std::atomic<bool> attribWaitArmed{false};
    std::atomic<int> attribWaitPasses{0};
    std::atomic<bool> deletionSeen{false};

private:
    struct State {
        int step = 0;
        bool issued = false;
        bool worded = false;  // the command printed its words
        bool ended = false;   // the command ended and all its output was read
        unsigned serial = 0;
    };
    static State Decode(uint32_t word);
    static uint32_t Encode(const State& s);
    bool Exchange(const State& from, const State& to);
    void Begin(int step, DWORD now, bool quiet);
    bool MoveOn(const State& from, int next);
    void Fail(const State& from);
    void Judge(const State& s, DWORD now);
    void NotDone(const State& s);
    void Confirmed(const State& s);
    bool Watched(const State& s);
    static int NextStep(int step);

    IRepairActions& m_actions;
    std::atomic<int>& m_progress;
    std::atomic<uint32_t> m_word{0};
    // The step thread's own bookkeeping.
    std::atomic<DWORD> m_stepSince{0};
    DWORD m_wordsSince = 0;
    bool m_wordsSeen = false;
    bool m_commandOpen = false;
    std::atomic<bool> m_spoolerDisabled{false};
    // Between Start and the end display; the failure rule applies only then.
    std::atomic<bool> m_running{false};
    std::atomic<bool> m_quiet{false};
    // Set by Start: the run takes its lock before its first command.
    std::atomic<bool> m_beginPending{false};
    // The step thread's: the spooler was started once more, and stopped again.
    bool m_startedAgain = false;
    bool m_stopsAgain = false;
};
