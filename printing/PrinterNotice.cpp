#include "printing/PrinterNotice.h"

#include <winspool.h>

#include "printing/PrinterCheck.h"

namespace {

// States a person must see to, that a restart of the spooler can't change.
const DWORD kLasting = PRINTER_STATUS_PAPER_OUT | PRINTER_STATUS_PAPER_JAM | PRINTER_STATUS_DOOR_OPEN |
                       PRINTER_STATUS_NO_TONER | PRINTER_STATUS_USER_INTERVENTION;
// States the restart clears until the printer reports them again: a false
// "offline" is one of the things it mends.
const DWORD kOnlyAfter = PRINTER_STATUS_OFFLINE | PRINTER_STATUS_NOT_AVAILABLE | PRINTER_STATUS_ERROR;

struct NeedText {
    DWORD bits;
    const wchar_t* what;
};
// The first that applies is said.
const NeedText kNeeds[] = {
    {PRINTER_STATUS_OFFLINE | PRINTER_STATUS_NOT_AVAILABLE, L"未连接，请检查电源和数据线"},
    {PRINTER_STATUS_DOOR_OPEN, L"盖板未关好"},
    {PRINTER_STATUS_PAPER_JAM, L"卡纸"},
    {PRINTER_STATUS_PAPER_OUT, L"缺纸"},
    {PRINTER_STATUS_NO_TONER, L"墨粉或墨水已用完"},
    {PRINTER_STATUS_USER_INTERVENTION, L"需要人工处理"},
    {PRINTER_STATUS_ERROR, L"出错，请查看打印机"},
};

const PrinterStateRead* LatestState(const QueueReport& q) {
    if (q.againError == ERROR_SUCCESS && q.readError == ERROR_SUCCESS) return &q.again;
    return q.readError == ERROR_SUCCESS ? &q.state : nullptr;
}

// The address as the prompt shows it: a long name loses its end.
std::wstring ShortHost(const std::wstring& host) {
    const size_t kMost = 24;
    return host.size() > kMost ? host.substr(0, kMost - 1) + L"…" : host;
}

std::wstring Unreachable(const ReachReport& r) {
    std::wstring at = L"（" + ShortHost(r.host) + L"）";
    switch (r.outcome) {
    case ReachOutcome::Refused: return at + L"拒绝连接，打印机的端口或地址可能不对";
    case ReachOutcome::NameNotFound: return at + L"找不到，打印机的地址可能已改变";
    default: return at + L"连接不上，请检查打印机的电源和网络";
    }
}

// A USB printer that is away, and the queue of the same driver whose device
// is there, if one is: Windows often makes a second queue when the printer
// is plugged into another socket.
void AwayUsb(const PrinterSurvey& look, const QueueReport& q, std::wstring& what, std::wstring& twin) {
    what = L"未连接，请打开电源并检查 USB 线";
    twin.clear();
    for (const auto& t : look.queues)
        if (twin.empty() && !t.connection && t.kind.usb == UsbState::Present && !q.state.driver.empty() &&
            _wcsicmp(t.state.driver.c_str(), q.state.driver.c_str()) == 0)
            twin = t.name;
    if (!twin.empty()) what = L"未连接，请改用";
}

// A default printer whose every port leads to a file or a window, beside
// printers that print on paper: the one to choose where there is only one.
PrinterNotice PaperlessDefault(const PrinterSurvey& look) {
    const QueueReport* def = nullptr;
    std::vector<std::wstring> real;
    for (const auto& q : look.queues) {
        if (q.readError != ERROR_SUCCESS || q.state.port.empty()) continue;
        if (_wcsicmp(q.name.c_str(), look.defaultPrinter.c_str()) == 0) def = &q;
        else if (!q.kind.noDevice) real.push_back(q.name);
    }
    if (!def || !def->kind.noDevice || real.empty()) return PrinterNotice();
    if (real.size() > 1) return PrinterNotice{def->name, L"不打印到纸上，请另选默认打印机", L"", L""};
    return PrinterNotice{def->name, L"不打印到纸上，请把", real[0], L"设为默认打印机"};
}

}  // namespace

PrinterNotice NoticeFor(const PrinterSurvey* record, const PrinterSurvey* look, const std::vector<ReachReport>* reach) {
    // Each printer's notice, in the order the printers were met; one that
    // can't be reached says only that: whether it has paper can't be known.
    struct Need {
        std::wstring name;
        DWORD bits;
        std::wstring unreachable, other, after, snmp;
        bool Speaks() const { return bits || !unreachable.empty() || !snmp.empty(); }
    };
    std::vector<Need> needs;
    auto find = [&](const std::wstring& name) -> Need& {
        for (auto& n : needs)
            if (_wcsicmp(n.name.c_str(), name.c_str()) == 0) return n;
        needs.push_back(Need{name, 0, std::wstring(), std::wstring(), std::wstring(), std::wstring()});
        return needs.back();
    };
    if (record)
        for (const auto& q : record->queues)
            if (q.readError == ERROR_SUCCESS) find(q.name).bits |= q.state.status & kLasting;
    if (look)
        for (const auto& q : look->queues) {
            if (const PrinterStateRead* s = LatestState(q)) find(q.name).bits |= s->status & (kLasting | kOnlyAfter);
            if (q.kind.usb != UsbState::Absent || q.connection) continue;
            Need& n = find(q.name);
            AwayUsb(*look, q, n.unreachable, n.other);
            if (!n.other.empty()) n.after = L"打印";
        }
    if (reach)
        for (const auto& r : *reach) {
            Need& n = find(r.printer);
            if (r.Unreachable() && n.unreachable.empty()) n.unreachable = Unreachable(r);
            if (r.snmp == SnmpOutcome::Silent && n.snmp.empty())
                n.snmp = r.change == SnmpChange::SwitchedOff ? L"不回答状态查询（SNMP），已关闭该查询，不再误报脱机"
                                                             : L"不回答状态查询（SNMP），可在端口设置中关闭“SNMP 状态已启用”";
        }

    std::wstring def = look && !look->defaultPrinter.empty() ? look->defaultPrinter
                       : record                               ? record->defaultPrinter
                                                              : std::wstring();
    const Need* chosen = nullptr;
    for (const auto& n : needs)
        if (n.Speaks() && !def.empty() && _wcsicmp(n.name.c_str(), def.c_str()) == 0) chosen = &n;
    for (const auto& n : needs)
        if (!chosen && !n.unreachable.empty()) chosen = &n;
    for (const auto& n : needs)
        if (!chosen && n.bits) chosen = &n;
    for (const auto& n : needs)
        if (!chosen && !n.snmp.empty()) chosen = &n;
    if (!chosen) return look ? PaperlessDefault(*look) : PrinterNotice();
    if (!chosen->unreachable.empty()) return PrinterNotice{chosen->name, chosen->unreachable, chosen->other, chosen->after};
    for (const auto& need : kNeeds)
        if (chosen->bits & need.bits) return PrinterNotice{chosen->name, need.what, L"", L""};
    return PrinterNotice{chosen->name, chosen->snmp, L"", L""};
}
