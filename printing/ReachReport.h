#pragma once
#include <windows.h>

#include <string>

enum class ReachOutcome { Answered, Refused, NoAnswer, NameNotFound, AddressUnknown };

// One network printer's address as tried after the spooler restarted.
struct ReachReport {
    std::wstring printer;
    std::wstring host;  // empty with AddressUnknown
    unsigned short port = 0;
    ReachOutcome outcome = ReachOutcome::NoAnswer;
    DWORD ms = 0;

    bool Unreachable() const {
        return outcome == ReachOutcome::Refused || outcome == ReachOutcome::NoAnswer ||
               outcome == ReachOutcome::NameNotFound;
    }
};
