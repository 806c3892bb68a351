#include "printing/PortKinds.h"

namespace {

bool NamedAs(const std::wstring& a, const wchar_t* b) { return _wcsicmp(a.c_str(), b) == 0; }

}  // namespace

bool LeadsNowhereByName(const std::wstring& port) {
    for (const wchar_t* name : {L"FILE:", L"PORTPROMPT:", L"XPSPort:", L"nul:", L"SHRFAX:"})
        if (NamedAs(port, name)) return true;
    // A local port named after a file: "C:\Users\me\out.prn".
    return port.size() > 3 && iswalpha(port[0]) && port[1] == L':' && (port[2] == L'\\' || port[2] == L'/');
}

PortKind CPortKinds::Of(const std::wstring& ports, bool connection) {
    PortKind kind;
    std::vector<std::wstring> list = PortsIn(ports);
    kind.noDevice = !list.empty();
    for (const std::wstring& port : list) {
        std::wstring dll = connection || !m_directory ? std::wstring() : MonitorDllOf(*m_directory, port);
        // The monitor of Store apps' printers (OneNote, say) prints to a window.
        bool nowhere = LeadsNowhereByName(port) || NamedAs(dll, L"AppMon.dll");
        kind.noDevice = kind.noDevice && nowhere;
        if (kind.usb != UsbState::None || !NamedAs(dll, L"usbmon.dll")) continue;
        if (!m_asked && m_usb) m_devices = m_usb->Ports();
        m_asked = true;
        kind.usb = UsbState::NoInterface;
        kind.usbPort = port;
        for (const UsbPort& device : m_devices)
            if (NamedAs(device.name, port.c_str())) kind.usb = device.present ? UsbState::Present : UsbState::Absent;
    }
    return kind;
}
