#include "tests/support/UsbDevices.h"

namespace {

const wchar_t kInterfaces[] =
    L"SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\{28d78fad-5a12-11d1-ae5b-0000f803a8c2}";
const wchar_t kDevices[] = L"SYSTEM\\CurrentControlSet\\Enum\\USBPRINT\\TarnwickTestPrinter";

void SetText(const std::wstring& key, const wchar_t* name, const std::wstring& value) {
    ::RegSetKeyValueW(HKEY_LOCAL_MACHINE, key.c_str(), name, REG_SZ, value.c_str(),
                      static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

void SetNumber(const std::wstring& key, const wchar_t* name, DWORD value) {
    ::RegSetKeyValueW(HKEY_LOCAL_MACHINE, key.c_str(), name, REG_DWORD, &value, sizeof(value));
}

}  // namespace

void AddUsbPrintDevice(const std::wstring& serial, const std::wstring& baseName, DWORD portNumber, bool present) {
    std::wstring instance = L"USBPRINT\\TarnwickTestPrinter\\" + serial;
    std::wstring device = std::wstring(kDevices) + L"\\" + serial;
    SetText(device, L"ClassGUID", L"{4d36e979-e325-11ce-bfc1-08002be10318}");
    SetText(device, L"DeviceDesc", L"Tarnwick test printer");
    std::wstring link = std::wstring(kInterfaces) + L"\\##?#USBPRINT#TarnwickTestPrinter#" + serial +
                        L"#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}";
    SetText(link, L"DeviceInstance", instance);
    SetText(link + L"\\#", L"SymbolicLink",
            L"\\\\?\\USBPRINT#TarnwickTestPrinter#" + serial + L"#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}");
    SetText(link + L"\\#\\Device Parameters", L"Base Name", baseName);
    SetNumber(link + L"\\#\\Device Parameters", L"Port Number", portNumber);
    SetNumber(link + L"\\#\\Control", L"Linked", present ? 1 : 0);
}

void RemoveUsbPrintDevices() {
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kInterfaces);
    ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, kInterfaces);
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kDevices);
    ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, kDevices);
}
