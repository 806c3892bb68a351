#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "printing/ReachReport.h"

struct PrinterSurvey;

// A printer that needs a person, for the result prompt: `name` between
// quotation marks, then `what`; where a second printer is named, `other`
// between quotation marks, then `after`.
struct PrinterNotice {
    std::wstring name;
    std::wstring what;
    std::wstring other, after;
    bool Empty() const { return name.empty(); }
};
// From the record before the repair (only states a restart can't have
// changed), the look after it (any such state) and the check of the network
// printers' addresses. The default printer first, whatever it needs; else
// the first printer that can't be reached (a USB printer that is away is
// one), else the first other one that needs a person, else the first whose
// status query (SNMP) does not answer. A printer that can't be reached is
// only said to be so. Last, a default printer that prints to no device.
PrinterNotice NoticeFor(const PrinterSurvey* record, const PrinterSurvey* look,
                        const std::vector<ReachReport>* reach = nullptr);
