#pragma once
#include <windows.h>

#include <string>

enum class ReachOutcome { Answered, Refused, NoAnswer, NameNotFound, AddressUnknown };
// The port monitor's status query of the printer (SNMP), asked beside the
// connection where the port has it on, and judged only where the print
// port answered.
enum class SnmpOutcome { NotAsked, Answered, Silent };
// What became of the query of a port whose printer answers but not to it.
enum class SnmpChange { None, SwitchedOff, Failed, SharedPort, SettingsUnknown };

// One network printer's address as tried after the spooler restarted.
struct ReachReport {
    std::wstring printer;
    std::wstring host;  // empty with AddressUnknown
    unsigned short port = 0;
    ReachOutcome outcome = ReachOutcome::NoAnswer;
    DWORD ms = 0;
    std::wstring portName{};
    SnmpOutcome snmp = SnmpOutcome::NotAsked;
    SnmpChange change = SnmpChange::None;
    DWORD changeError = ERROR_SUCCESS;

    bool Unreachable() const {
        return outcome == ReachOutcome::Refused || outcome == ReachOutcome::NoAnswer ||
               outcome == ReachOutcome::NameNotFound;
    }
};
