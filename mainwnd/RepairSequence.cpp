#include "mainwnd/RepairSequence.h"

#include <cstring>

namespace {
// Markers in code page 936 (GBK), as a Chinese Windows prints them.
const char kDone[] = "\xC3\xFC\xC1\xEE\xB3\xC9\xB9\xA6\xCD\xEA\xB3\xC9";             // 命令成功完成
const char kSuccess[] = "\xB3\xC9\xB9\xA6";                                              // 成功
const char kStopped[] = "\xB7\xFE\xCE\xF1\xD2\xD1\xB3\xC9\xB9\xA6\xCD\xA3\xD6\xB9";     // 服务已成功停止
const char kNotStarted[] = "\xC3\xBB\xD3\xD0\xC6\xF4\xB6\xAF";                          // 没有启动
const char kNoFile[] = "\xD5\xD2\xB2\xBB\xB5\xBD\xCE\xC4\xBC\xFE";                      // 找不到文件
const char kDeleted[] = "\xC9\xBE\xB3\xFD\xCE\xC4\xBC\xFE";                             // 删除文件
const char kStarted[] = "\xB7\xFE\xCE\xF1\xD2\xD1\xBE\xAD\xC6\xF4\xB6\xAF\xB3\xC9\xB9\xA6";  // 服务已经启动成功

const CRepairSequence::Step kSteps[] = {
    {13, "net session /delete /y", kDone, nullptr},
    {26, "sc config spooler start= disabled", kSuccess, nullptr},
    {39, "net stop spooler", kStopped, kNotStarted},
    {52, "attrib %systemroot%\\System32\\spool\\PRINTERS\\*.* -R /s", kNoFile, nullptr},
    {65, "del %systemroot%\\System32\\spool\\PRINTERS\\*.* /q /s", kNoFile, kDeleted},
    {78, "sc config spooler start= auto", kSuccess, nullptr},
    {90, "net start spooler", kStarted, nullptr},
};
const CRepairSequence::Step kRestoreAuto{-1, "sc config spooler start= auto", kSuccess, nullptr};
const CRepairSequence::Step kRestoreStart{-1, "net start spooler", kStarted, nullptr};
}

const CRepairSequence::Step* CRepairSequence::StepAt(int step) {
    if (step >= 1 && step <= 7) return &kSteps[step - 1];
    if (step == kStepRestoreAuto) return &kRestoreAuto;
    if (step == kStepRestoreStart) return &kRestoreStart;
    return nullptr;
}

void CRepairSequence::Start(DWORD now) {
    m_progress = 0;
    repairStep = 1;
    deletionSeen = false;
    attribWaitArmed = true;
    attribWaitPasses = 0;
    m_spoolerDisabled = false;
    m_stepSince = now;
    m_running = true;
    stepReady = true;
}

void CRepairSequence::Advance(int next) {
    repairStep = next;
    stepReady = true;
}

void CRepairSequence::Fail() {
    // A run must not leave printing broken: once the spooler was disabled it
    // is set back to automatic start and started before the failure shows.
    Advance(m_spoolerDisabled && m_actions.HasRunner() ? kStepRestoreAuto : kStepFailure);
}

void CRepairSequence::Pass(DWORD now) {
    int step = repairStep;
    bool hasRunner = m_actions.HasRunner();
    if (stepReady && (step == kStepSuccess || step == kStepFailure)) {
        m_progress = 100;
        stepReady = false;
        m_running = false;
        m_actions.CloseProgress();
        m_actions.ShowResult(step == kStepSuccess);
        return;
    }
    if (stepReady && hasRunner) {
        if (const Step* s = StepAt(step)) {
            if (s->progress >= 0) m_progress = s->progress;
            m_actions.Log(s->command);
            m_stepSince = now;
            stepReady = false;
            if (step == 2) m_spoolerDisabled = true;
            m_actions.RunCommand(s->command, static_cast<int>(std::strlen(s->command)));
        }
    }
    if (repairStep == 4 && attribWaitArmed) {
        if (++attribWaitPasses > kAttribWaitLimit) {
            attribWaitArmed = false;
            Advance(5);
        }
    }
    // A marker that never comes ends the run instead of holding the progress
    // window open; without a runner nothing is ever issued, so the same rule
    // ends such a run.
    step = repairStep;
    if (!m_running) return;
    if (!stepReady && step >= 1 && step <= 7 && now - m_stepSince > kStepTimeoutMs) {
        Fail();
    } else if (!stepReady && (step == kStepRestoreAuto || step == kStepRestoreStart) &&
               now - m_stepSince > kRestoreTimeoutMs) {
        Advance(step == kStepRestoreAuto ? kStepRestoreStart : kStepFailure);
    } else if (stepReady && !hasRunner && step >= 1 && step <= 7 && now - m_stepSince > kStepTimeoutMs) {
        Advance(kStepFailure);
    }
}

void CRepairSequence::OnOutput(const char* text, int length) {
    if (!text || length <= 0) return;
    std::string chunk(text, static_cast<size_t>(length));
    chunk.resize(std::strlen(chunk.c_str()));
    m_actions.Log(chunk);
    int step = repairStep;
    if (stepReady) return;
    const Step* s = StepAt(step);
    if (!s) return;
    int next = step == 7 ? kStepSuccess
             : step == 4 ? 6
             : step == kStepRestoreAuto ? kStepRestoreStart
             : step == kStepRestoreStart ? kStepFailure
             : step + 1;
    if (chunk.find(s->marker) != std::string::npos) {
        Advance(next);
    } else if (s->fallbackMarker && chunk.find(s->fallbackMarker) != std::string::npos) {
        if (step == 5) {
            if (deletionSeen) return;
            deletionSeen = true;
        }
        Advance(next);
    }
}
