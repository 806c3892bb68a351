#pragma once
#include <windows.h>

#include <memory>
#include <string>

#include "printing/ReachReport.h"

// Opens a TCP connection and closes it at once, sending nothing. May block
// far beyond `limitMs` in a name lookup: callers bound it themselves.
class IConnector {
public:
    virtual ~IConnector() = default;
    // Answered, Refused, NoAnswer or NameNotFound.
    virtual ReachOutcome Connect(const std::wstring& host, unsigned short port, DWORD limitMs) = 0;
};

// Winsock's, started once for the process and never cleaned up: a call left
// behind may still be inside a socket.
std::shared_ptr<IConnector> OpenWindowsConnector();
