#include "printing/UsbPorts.h"

#include <setupapi.h>

#include "printing/LogText.h"

namespace {

// GUID_DEVINTERFACE_USBPRINT, {28d78fad-5a12-11d1-ae5b-0000f803a8c2}, as
// Microsoft documents it (usbprint.h, not in mingw-w64).
const GUID kUsbPrint = {0x28d78fad, 0x5a12, 0x11d1, {0xae, 0x5b, 0x00, 0x00, 0xf8, 0x03, 0xa8, 0xc2}};

// The port of each interface, from the "Base Name" and "Port Number" that
// usbprint keeps in the interface's own key.
std::vector<std::wstring> PortsOf(DWORD flags) {
    std::vector<std::wstring> ports;
    HDEVINFO set = ::SetupDiGetClassDevsW(&kUsbPrint, nullptr, nullptr, DIGCF_DEVICEINTERFACE | flags);
    if (set == INVALID_HANDLE_VALUE) return ports;
    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = sizeof(data);
    for (DWORD i = 0; ::SetupDiEnumDeviceInterfaces(set, nullptr, &kUsbPrint, i, &data); ++i) {
        HKEY key = ::SetupDiOpenDeviceInterfaceRegKey(set, &data, 0, KEY_READ);
        if (key == INVALID_HANDLE_VALUE) continue;
        wchar_t base[64] = {};
        DWORD number = 0, type = 0, size = sizeof(base) - sizeof(wchar_t);
        bool named = ::RegQueryValueExW(key, L"Base Name", nullptr, &type, reinterpret_cast<BYTE*>(base), &size) ==
                         ERROR_SUCCESS &&
                     type == REG_SZ && base[0];
        size = sizeof(number);
        bool numbered = ::RegQueryValueExW(key, L"Port Number", nullptr, &type, reinterpret_cast<BYTE*>(&number),
                                           &size) == ERROR_SUCCESS &&
                        type == REG_DWORD && size == sizeof(number);
        ::RegCloseKey(key);
        if (named && numbered) ports.push_back(UsbPortName(base, number));
    }
    ::SetupDiDestroyDeviceInfoList(set);
    return ports;
}

class CSetupApiUsbPorts : public IUsbPorts {
public:
    std::vector<UsbPort> Ports() override {
        std::vector<std::wstring> present = PortsOf(DIGCF_PRESENT);
        std::vector<UsbPort> ports;
        for (const std::wstring& name : PortsOf(0)) {
            bool there = false;
            for (const std::wstring& p : present) there = there || _wcsicmp(p.c_str(), name.c_str()) == 0;
            ports.push_back(UsbPort{name, there});
        }
        return ports;
    }
};

}  // namespace

std::wstring UsbPortName(const std::wstring& baseName, DWORD number) {
    std::wstring digits = Number(number);
    if (digits.size() < 3) digits.insert(0, 3 - digits.size(), L'0');
    return baseName + digits;
}

std::shared_ptr<IUsbPorts> OpenUsbPorts() { return std::make_shared<CSetupApiUsbPorts>(); }
