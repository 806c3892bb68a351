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
// 网络会话未能删除，继续修复
const char kSessionsSkipped[] =
    "\xCD\xF8\xC2\xE7\xBB\xE1\xBB\xB0\xCE\xB4\xC4\xDC\xC9\xBE\xB3\xFD\xA3\xAC\xBC\xCC\xD0\xF8\xD0\xDE\xB8\xB4";

// "/y": a running dependent service (fax, a vendor's port monitor) would
// otherwise make the stop ask a question that a hidden command can't answer.
const CRepairSequence::Step kSteps[] = {
    {13, "net session /delete /y", kDone, nullptr},
    {26, "sc config spooler start= disabled", kSuccess, nullptr},
    {39, "net stop spooler /y", kStopped, kNotStarted},
    {52, "attrib %systemroot%\\System32\\spool\\PRINTERS\\*.* -R /s", kNoFile, nullptr},
    {65, "del %systemroot%\\System32\\spool\\PRINTERS\\*.* /q /s", kNoFile, kDeleted},
    {78, "sc config spooler start= auto", kSuccess, nullptr},
    {90, "net start spooler", kStarted, nullptr},
};
const CRepairSequence::Step kRestoreAuto{-1, "sc config spooler start= auto", kSuccess, nullptr};
const CRepairSequence::Step kRestoreStart{-1, "net start spooler", kStarted, nullptr};
const CRepairSequence::Step kStartAgain{-1, "net start spooler", kStarted, nullptr};
// 打印服务启动后又停止了，再启动一次 / 打印服务再次停止
const char kStoppedStartAgain[] =
    "\xB4\xF2\xD3\xA1\xB7\xFE\xCE\xF1\xC6\xF4\xB6\xAF\xBA\xF3\xD3\xD6\xCD\xA3\xD6\xB9\xC1\xCB\xA3\xAC\xD4\xD9\xC6\xF4\xB6\xAF\xD2\xBB\xB4\xCE";
const char kStoppedAgain[] = "\xB4\xF2\xD3\xA1\xB7\xFE\xCE\xF1\xD4\xD9\xB4\xCE\xCD\xA3\xD6\xB9";

// The serial takes the 21 bits above step and flags.
const unsigned kSerialMask = 0x1FFFFF;

bool IsRestoring(int step) {
    return step == CRepairSequence::kStepRestoreAuto || step == CRepairSequence::kStepRestoreStart;
}

// What the system is asked when a step's command ended without its words.
bool CheckFor(int step, SpoolerCheck& check) {
    switch (step) {
    case CRepairSequence::kStepDisable: check = SpoolerCheck::StartDisabled; return true;
    case CRepairSequence::kStepStop: check = SpoolerCheck::Stopped; return true;
    case CRepairSequence::kStepDelete: check = SpoolerCheck::QueueEmpty; return true;
    case CRepairSequence::kStepEnable:
    case CRepairSequence::kStepRestoreAuto: check = SpoolerCheck::StartAutomatic; return true;
    case CRepairSequence::kStepStart:
    case CRepairSequence::kStepStartAgain:
    case CRepairSequence::kStepRestoreStart: check = SpoolerCheck::Running; return true;
    default: return false;
    }
}
}  // namespace

const CRepairSequence::Step* CRepairSequence::StepAt(int step) {
    if (step >= kStepSessions && step <= kStepStart) return &kSteps[step - kStepSessions];
    if (step == kStepRestoreAuto) return &kRestoreAuto;
    if (step == kStepRestoreStart) return &kRestoreStart;
    if (step == kStepStartAgain) return &kStartAgain;
    return nullptr;
}

// step: 8 bits, then issued, worded and ended, then the serial in the rest.
CRepairSequence::State CRepairSequence::Decode(uint32_t word) {
    State s;
    s.step = static_cast<int>(word & 0xFF);
    s.issued = (word >> 8) & 1;
    s.worded = (word >> 9) & 1;
    s.ended = (word >> 10) & 1;
    s.serial = word >> 11;
    return s;
}

uint32_t CRepairSequence::Encode(const State& s) {
    return (static_cast<uint32_t>(s.step) & 0xFF) | (s.issued ? 1u << 8 : 0) | (s.worded ? 1u << 9 : 0) |
           (s.ended ? 1u << 10 : 0) | ((s.serial & kSerialMask) << 11);
}

bool CRepairSequence::Exchange(const State& from, const State& to) {
    uint32_t expected = Encode(from);
    return m_word.compare_exchange_strong(expected, Encode(to));
}

int CRepairSequence::NextStep(int step) {
    switch (step) {
    case kStepUnlock: return kStepEnable;
    case kStepStart:
    case kStepStartAgain: return kStepSuccess;
    case kStepRestoreAuto: return kStepRestoreStart;
    case kStepRestoreStart: return kStepFailure;
    default: return step + 1;
    }
}

void CRepairSequence::Arm() {
    State idle = Decode(m_word.load());
    idle.step = kStepSessions;
    idle.issued = true;  // nothing to issue until a run starts
    m_word = Encode(idle);
}

void CRepairSequence::Start(DWORD now) {
    m_progress = 0;
    deletionSeen = false;
    attribWaitArmed = true;
    attribWaitPasses = 0;
    m_startedAgain = m_stopsAgain = false;
    // Before the step is set: the step thread never sees a run without it.
    m_beginPending = true;
    Begin(kStepSessions, now, false);
}

void CRepairSequence::StartRestore(DWORD now) { Begin(kStepRestoreAuto, now, true); }

void CRepairSequence::Begin(int step, DWORD now, bool quiet) {
    // A restore alone runs only because the spooler was left disabled.
    m_spoolerDisabled = quiet;
    m_quiet = quiet;
    m_stepSince = now;
    m_running = true;
    State start;
    start.step = step;
    start.serial = Decode(m_word.load()).serial;
    m_word = Encode(start);
}

bool CRepairSequence::MoveOn(const State& from, int next) {
    State to;
    to.step = next;
    to.serial = from.serial;
    return Exchange(from, to);
}

void CRepairSequence::Fail(const State& from) {
    // A run must not leave printing broken: once the spooler was disabled it
    // is set back to automatic start and started before the failure shows.
    MoveOn(from, m_spoolerDisabled && m_actions.HasRunner() ? kStepRestoreAuto : kStepFailure);
}

void CRepairSequence::Confirmed(const State& s) {
    if (!MoveOn(s, NextStep(s.step))) return;
    if (s.step == kStepEnable || s.step == kStepRestoreAuto) {
        m_actions.RecordSpoolerDisabled(false);
        m_actions.GuardShutdown(false);
    }
}

// The look at the printers, with the spooler watched meanwhile. A spooler
// that stops by itself is started once more; if it stops again, step 7 was
// never really done and the run fails. False when the run goes on instead.
bool CRepairSequence::Watched(const State& s) {
    if (m_actions.LookAtPrinters()) return true;
    if (!m_startedAgain) {
        m_startedAgain = true;
        m_actions.Log(kStoppedStartAgain);
        MoveOn(s, kStepStartAgain);
    } else {
        m_stopsAgain = true;
        m_actions.Log(kStoppedAgain);
        Fail(s);
    }
    return false;
}

bool CRepairSequence::Pass(DWORD now) {
    if (m_beginPending.exchange(false)) {
        if (!m_actions.TakeRunLock()) {
            // Another repair is at work on this PC: this one never began.
            m_running = false;
            Arm();
            m_actions.ShowBusy();
            return false;
        }
        m_actions.ShowProgress();
        m_actions.RecordPrinters();
        // The first command's time starts from the next pass's clock.
        return true;
    }
    State s = Decode(m_word.load());
    // The step in hand first, so that a step that has ended gives way to the
    // next within the same pass.
    if (m_running && s.issued && StepAt(s.step)) {
        Judge(s, now);
        s = Decode(m_word.load());
    }
    if (!s.issued && s.step == kStepSuccess && !m_quiet && !Watched(s)) return false;
    if (!s.issued && (s.step == kStepSuccess || s.step == kStepFailure)) {
        State done = s;
        done.issued = true;
        if (!Exchange(s, done)) return false;
        // Nothing of this run may outlive it.
        if (m_commandOpen) m_actions.EndCommand();
        m_commandOpen = false;
        m_actions.GuardShutdown(false);
        m_running = false;
        m_actions.ReleaseRunLock();
        if (m_quiet) return false;
        m_progress = 100;
        m_actions.CloseProgress();
        m_actions.ShowResult(s.step == kStepSuccess ? RunResult::Success
                             : m_stopsAgain          ? RunResult::SpoolerStopsAgain
                                                     : RunResult::Failure);
        return false;
    }
    if (!m_running || s.issued) return false;
    const Step* step = StepAt(s.step);
    if (!step) return false;
    if (!m_actions.HasRunner()) {
        // Nothing can ever be issued; the same time limit ends the run.
        if (now - m_stepSince > kStepTimeoutMs) MoveOn(s, kStepFailure);
        return false;
    }
    // One command at a time: whatever still runs goes before the next.
    if (m_commandOpen) m_actions.EndCommand();
    State issued = s;
    issued.issued = true;
    issued.worded = issued.ended = false;
    issued.serial = (s.serial + 1) & kSerialMask;
    if (!Exchange(s, issued)) return false;
    if (step->progress >= 0) m_progress = step->progress;
    if (s.step == kStepDisable) {
        // Recorded before the command runs: a kill at any later moment
        // leaves the record behind for the next start.
        m_spoolerDisabled = true;
        m_actions.RecordSpoolerDisabled(true);
        m_actions.GuardShutdown(true);
    }
    m_actions.Log(step->command);
    m_stepSince = now;
    m_wordsSeen = false;
    m_commandOpen = true;
    if (!m_actions.RunCommand(step->command, static_cast<int>(std::strlen(step->command)), issued.serial))
        OnCommandEnded(issued.serial);
    // The pass that issues the unlock step is the first of its count.
    if (s.step == kStepUnlock) Judge(Decode(m_word.load()), now);
    return false;
}

void CRepairSequence::Judge(const State& s, DWORD now) {
    if (s.ended) m_commandOpen = false;
    if (s.worded) {
        if (!m_wordsSeen) {
            m_wordsSeen = true;
            m_wordsSince = now;
        }
        if (s.ended || now - m_wordsSince >= kAfterWordsMs) Confirmed(s);
        return;
    }
    if (s.step == kStepUnlock) {
        // attrib says nothing when it succeeds: the count of passes moves on,
        // but not past an attrib that still works on a slow PC. Cut off, it
        // would leave read-only jobs that the delete can't remove.
        if (attribWaitArmed && ++attribWaitPasses > kAttribWaitLimit &&
            (s.ended || now - m_stepSince > kStepTimeoutMs)) {
            if (MoveOn(s, kStepDelete)) attribWaitArmed = false;
        }
        return;
    }
    if (s.ended) {
        SpoolerCheck check;
        if (CheckFor(s.step, check) && m_actions.Confirms(check)) {
            m_actions.Log(kJudgedByState);
            Confirmed(s);
        } else {
            NotDone(s);
        }
    } else if (now - m_stepSince > (IsRestoring(s.step) ? kRestoreTimeoutMs : kStepTimeoutMs)) {
        NotDone(s);
    }
}

// A step that neither printed its words nor was confirmed by the system.
void CRepairSequence::NotDone(const State& s) {
    if (s.step == kStepSessions) {
        // Dropping sessions only helps; a PC without the Server service has
        // none to drop.
        if (MoveOn(s, kStepDisable)) m_actions.Log(kSessionsSkipped);
    } else if (IsRestoring(s.step)) {
        // Putting the spooler back is tried to its end; the failure shows after.
        MoveOn(s, NextStep(s.step));
    } else {
        Fail(s);
    }
}

void CRepairSequence::OnOutput(const char* text, int length, unsigned tag) {
    if (!text || length <= 0) return;
    std::string chunk(text, static_cast<size_t>(length));
    chunk.resize(std::strlen(chunk.c_str()));
    m_actions.Log(chunk);
    for (;;) {
        State s = Decode(m_word.load());
        if (!s.issued || s.worded || s.serial != (tag & kSerialMask)) return;
        const Step* step = StepAt(s.step);
        if (!step) return;
        bool match = chunk.find(step->marker) != std::string::npos;
        bool deletion = false;
        if (!match && step->fallbackMarker && chunk.find(step->fallbackMarker) != std::string::npos) {
            // Step 5 counts "删除文件" once per run.
            if (s.step == kStepDelete && deletionSeen) return;
            match = true;
            deletion = s.step == kStepDelete;
        }
        if (!match) return;
        State worded = s;
        worded.worded = true;
        if (Exchange(s, worded)) {
            if (deletion) deletionSeen = true;
            return;
        }
    }
}

void CRepairSequence::OnCommandEnded(unsigned tag) {
    for (;;) {
        State s = Decode(m_word.load());
        if (!s.issued || s.ended || s.serial != (tag & kSerialMask)) return;
        State ended = s;
        ended.ended = true;
        if (Exchange(s, ended)) return;
    }
}
