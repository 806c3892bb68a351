#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

// A USB printing device's port, as the device's interface names it.
struct UsbPort {
    std::wstring name;  // "USB001"
    bool present = false;
};

// The base name, then the number in three digits: "USB" and 1 make "USB001".
std::wstring UsbPortName(const std::wstring& baseName, DWORD number);

// Which devices stand behind this PC's USB printer ports. May block on the
// device manager: callers bound it in time.
class IUsbPorts {
public:
    virtual ~IUsbPorts() = default;
    // Every port a device was ever given, and whether that device is there now.
    virtual std::vector<UsbPort> Ports() = 0;
};

// Through setupapi's interfaces of USB printing devices. Never null.
std::shared_ptr<IUsbPorts> OpenUsbPorts();
