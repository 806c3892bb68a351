#pragma once
#include <windows.h>

// What the system itself says a step has done, asked when a command ended
// without its words.
enum class SpoolerCheck {
    StartDisabled,
    StartAutomatic,
    Stopped,
    Running,
    QueueEmpty,
};

// The print spooler as the system itself reports it, through the service
// control manager and the spool folder; works on a Windows in any language.
bool SpoolerConfirms(SpoolerCheck check);

// Set straight through the service control manager, without a command:
// for a session that is ending and leaves no time for one.
bool SetSpoolerAutomaticStart();

// HKLM\Software\Dalvex\Tarnwick (64-bit view), value SpoolerDisabled: set while a run has
// the spooler disabled, so that a killed run is mended at the next start.
bool RecordSpoolerDisabled(bool disabled);
bool SpoolerDisabledRecorded();
