#pragma once
#include <windows.h>

#include <memory>
#include <string>

#include "printing/ReachReport.h"

// A status query sent to a printer, its answer awaited later.
class IStatusQuery {
public:
    virtual ~IStatusQuery() = default;
    // Whether the printer answered it without error within `waitMs`; an
    // answer already in counts at once.
    virtual bool Answered(DWORD waitMs) = 0;
};

// Opens a TCP connection and closes it at once, sending nothing. May block
// far beyond `limitMs` in a name lookup: callers bound it themselves.
class IConnector {
public:
    virtual ~IConnector() = default;
    // Answered, Refused, NoAnswer or NameNotFound.
    virtual ReachOutcome Connect(const std::wstring& host, unsigned short port, DWORD limitMs) = 0;
    // Sends the printer the query Windows' port monitor sends for its
    // state: an SNMP v1 GetRequest for hrDeviceStatus.<index> to UDP port
    // 161. Null when it could not be sent. May block in a name lookup.
    virtual std::unique_ptr<IStatusQuery> AskStatus(const std::wstring& host, const std::string& community,
                                                    DWORD index) = 0;
};

// Winsock's, started once for the process and never cleaned up: a call left
// behind may still be inside a socket.
std::shared_ptr<IConnector> OpenWindowsConnector();
