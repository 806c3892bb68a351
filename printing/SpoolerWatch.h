#pragma once
#include <windows.h>

#include <functional>
#include <string>

// What the service manager says of the spooler at one moment.
struct SpoolerStatus {
    bool read = false;
    DWORD state = 0;      // SERVICE_RUNNING and the like
    DWORD processId = 0;  // the process it runs in
};
SpoolerStatus ReadSpoolerStatus();

// Whether the spooler that was just started stays up: a third-party driver,
// port monitor or print processor that crashes inside it brings it down
// again a moment later, often when the first printer is asked about. It
// must keep running in one process: a new one means the service manager
// restarted it after a crash.
class CSpoolerWatch {
public:
    // Long enough after the start, and after the look at the queues, which
    // loads every printer's driver into the spooler.
    static constexpr DWORD kAfterStartMs = 2000;
    static constexpr DWORD kAfterLookMs = 1000;
    static constexpr DWORD kLookLimitMs = 3000;

    explicit CSpoolerWatch(std::function<SpoolerStatus()> read) : m_read(std::move(read)) {}

    // The first reading, when the start was confirmed; the look begins then too.
    void Begin(DWORD now);
    // One more reading. False once the spooler is seen down or in another
    // process; a reading that fails proves nothing either way.
    bool Poll(DWORD now);
    // Whether the watch has lasted long enough: 2 s, and a second after the
    // look or the look's limit, whichever comes first; `lookEndedAt` is 0
    // while the look still runs.
    bool LongEnough(DWORD now, DWORD lookEndedAt) const;
    bool Stopped() const { return m_stopped; }
    // LOG.txt's line for what was seen (code page 936).
    std::string Line() const;

private:
    std::function<SpoolerStatus()> m_read;
    DWORD m_began = 0;
    DWORD m_processId = 0;
    bool m_stopped = false;
    bool m_newProcess = false;
    DWORD m_stoppedAfter = 0;
};
