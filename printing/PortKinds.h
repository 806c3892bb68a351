#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "printing/PortDirectory.h"
#include "printing/UsbPorts.h"

// Whether a queue's USB printing device is there. NoInterface: a port of the
// USB monitor that no device ever named (never plugged in, or a remote
// desktop's port such as TS001).
enum class UsbState { None, Present, Absent, NoInterface };

// Where a queue's ports lead.
struct PortKind {
    UsbState usb = UsbState::None;
    std::wstring usbPort;   // its first port of the USB monitor
    bool noDevice = false;  // every port leads to a file, a window or nowhere
};

// A port that leads to no device by its name alone: "FILE:", "PORTPROMPT:",
// "XPSPort:", "nul:", "SHRFAX:", or a file's path.
bool LeadsNowhereByName(const std::wstring& port);

// The kinds of one look's queues. Asks the devices once, on first need; may
// block as the calls it makes do.
class CPortKinds {
public:
    CPortKinds(std::shared_ptr<IPortDirectory> directory, std::shared_ptr<IUsbPorts> usb)
        : m_directory(std::move(directory)), m_usb(std::move(usb)) {}
    // Another computer's queue is judged by its ports' names only: they are
    // its server's ports, not this PC's.
    PortKind Of(const std::wstring& ports, bool connection);

private:
    std::shared_ptr<IPortDirectory> m_directory;
    std::shared_ptr<IUsbPorts> m_usb;
    bool m_asked = false;
    std::vector<UsbPort> m_devices;
};
