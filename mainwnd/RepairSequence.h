#pragma once
#include <windows.h>

#include <atomic>
#include <string>

// What a run does to the world; the operation panel supplies it, tests record it.
class IRepairActions {
public:
    virtual ~IRepairActions() = default;
    virtual bool HasRunner() = 0;
    virtual void RunCommand(const char* command, int length) = 0;
    virtual void Log(const std::string& line) = 0;
    virtual void CloseProgress() = 0;
    virtual void ShowResult(bool success) = 0;
};

// The spooler reset as a state machine shared by three threads: the user
// interface starts a run, the step thread issues commands pass after pass,
// the reader thread judges their output. Every field is atomic; a transition
// stores the new step before it raises stepReady.
class CRepairSequence {
public:
    enum : int {
        kStepSuccess = 8,
        kStepFailure = 9,
        // After a failure that left the spooler disabled: put it back first.
        kStepRestoreAuto = 10,
        kStepRestoreStart = 11,
    };
    // A step whose marker has not come this long after it was issued fails the run.
    static constexpr DWORD kStepTimeoutMs = 30000;
    // Each restoring command gets this long before the next one goes.
    static constexpr DWORD kRestoreTimeoutMs = 15000;
    static constexpr int kAttribWaitLimit = 20;

    CRepairSequence(IRepairActions& actions, std::atomic<int>& progress) : m_actions(actions), m_progress(progress) {}

    void Start(DWORD now);
    // One pass of the step thread, without its sleep.
    void Pass(DWORD now);
    void OnOutput(const char* text, int length);

    struct Step {
        int progress;
        const char* command;
        const char* marker;
        const char* fallbackMarker;
    };
    static const Step* StepAt(int step);

    std::atomic<int> repairStep{0};
    std::atomic<bool> stepReady{false};
    std::atomic<bool> attribWaitArmed{false};
    std::atomic<int> attribWaitPasses{0};
    std::atomic<bool> deletionSeen{false};

private:
    void Advance(int next);
    void Fail();

    IRepairActions& m_actions;
    std::atomic<int>& m_progress;
    std::atomic<DWORD> m_stepSince{0};
    std::atomic<bool> m_spoolerDisabled{false};
    // Between Start and the end display; the failure rule applies only then.
    std::atomic<bool> m_running{false};
};
