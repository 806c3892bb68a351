#pragma once
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "printing/Connector.h"
#include "printing/PortDirectory.h"
#include "printing/PrinterCheck.h"
#include "printing/ReachReport.h"

// Where one port of a printer is reached; `known` false for a network port
// whose address its monitor doesn't give.
struct ReachTarget {
    std::wstring host;
    unsigned short port = 0;
    bool known = true;
    // A Standard TCP/IP port's name and its status query (SNMP), as its
    // monitor gives them (`settingsKnown`) or else as its registry key does.
    std::wstring portName{};
    bool snmp = false;
    std::string community{};
    DWORD snmpIndex = 0;
    bool settingsKnown = false;
};
// The network ports among a queue's comma-separated ports; USB, LPT, FILE:
// and the like have nothing to reach.
std::vector<ReachTarget> TargetsOf(IPortDirectory& directory, const std::wstring& ports);

// LOG.txt's lines (code page 936), one per address checked.
std::vector<std::string> ReachLines(const std::vector<ReachReport>& reports);

// Whether every local network printer answers at its address, all at once
// on helper threads, within kLimitMs of Start; beside each connection, the
// printer's status query (SNMP) where its port has it on. A printer that
// answers on its print port but not to that query is shown offline by
// Windows though it prints: the query of its port is switched off, unless
// a shared queue prints to the port or the check is left behind. On the
// step thread.
class CPrinterReach {
public:
    static constexpr DWORD kLimitMs = 2000;
    using OpenDirectory = std::function<std::shared_ptr<IPortDirectory>()>;
    using OpenConnector = std::function<std::shared_ptr<IConnector>()>;

    explicit CPrinterReach(OpenDirectory directory = OpenWindowsPortDirectory,
                           OpenConnector connector = OpenWindowsConnector, DWORD limitMs = kLimitMs)
        : m_directory(std::move(directory)), m_connector(std::move(connector)), m_limitMs(limitMs) {}

    // Returns at once: even the spooler is asked on a helper.
    void Start(const PrinterSurvey& record);
    // Waits until every address answered, kLimitMs after Start or `stop`
    // (may be null). An address unanswered by then has NoAnswer.
    std::vector<ReachReport> Finish(HANDLE stop);

private:
    struct Work;
    OpenDirectory m_directory;
    OpenConnector m_connector;
    DWORD m_limitMs;
    std::shared_ptr<Work> m_work;
};
