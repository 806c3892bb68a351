#include "printing/SpoolerWatch.h"

#include "printing/LogText.h"
#include "printing/ServiceHandle.h"

SpoolerStatus ReadSpoolerStatus() {
    SpoolerStatus out;
    CSpoolerService service(SERVICE_QUERY_STATUS);
    if (!service.Get()) return out;
    SERVICE_STATUS_PROCESS status{};
    DWORD needed = 0;
    if (!::QueryServiceStatusEx(service.Get(), SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status),
                                sizeof(status), &needed))
        return out;
    out.read = true;
    out.state = status.dwCurrentState;
    out.processId = status.dwProcessId;
    return out;
}

void CSpoolerWatch::Begin(DWORD now) {
    m_began = now;
    m_stopped = m_newProcess = false;
    SpoolerStatus s = m_read();
    m_processId = s.read && s.state == SERVICE_RUNNING ? s.processId : 0;
}

bool CSpoolerWatch::Poll(DWORD now) {
    if (m_stopped) return false;
    SpoolerStatus s = m_read();
    if (!s.read) return true;
    if (s.state == SERVICE_RUNNING && !m_processId) m_processId = s.processId;
    m_newProcess = s.state == SERVICE_RUNNING && s.processId != m_processId;
    if (s.state != SERVICE_RUNNING || m_newProcess) {
        m_stopped = true;
        m_stoppedAfter = now - m_began;
    }
    return !m_stopped;
}

bool CSpoolerWatch::LongEnough(DWORD now, DWORD lookEndedAt) const {
    if (now - m_began < kAfterStartMs) return false;
    // A second after the look, or its limit, whichever comes first.
    return now - m_began >= kLookLimitMs || (lookEndedAt && now - lookEndedAt >= kAfterLookMs);
}

std::string CSpoolerWatch::Line() const {
    if (!m_stopped) return std::string();
    DWORD tenths = (m_stoppedAfter + 50) / 100;
    std::wstring after = std::to_wstring(tenths / 10) + L"." + std::to_wstring(tenths % 10);
    return Gbk(L"打印服务在启动 " + after + L" 秒后停止" + (m_newProcess ? L"，已被系统重新启动" : L""));
}
