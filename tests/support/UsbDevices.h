#pragma once
#include <windows.h>

#include <string>

// A USB printing device in the registry as Windows lays it out, which is
// where Wine's setupapi finds it: an interface of GUID_DEVINTERFACE_USBPRINT
// under Control\DeviceClasses naming its device instance under Enum, its
// "Base Name" and "Port Number" in the interface's Device Parameters, and
// Control\Linked = 1 while the device is plugged in.
void AddUsbPrintDevice(const std::wstring& serial, const std::wstring& baseName, DWORD portNumber, bool present);
// Every device added above.
void RemoveUsbPrintDevices();
