#include <gtest/gtest.h>

#include <algorithm>

#include "printing/UsbPorts.h"
#include "tests/support/UsbDevices.h"

TEST(UsbPorts, APortIsItsBaseNameAndThreeDigits) {
    EXPECT_EQ(L"USB001", UsbPortName(L"USB", 1));
    EXPECT_EQ(L"DOT4_002", UsbPortName(L"DOT4_", 2));
    EXPECT_EQ(L"USB123", UsbPortName(L"USB", 123));
    EXPECT_EQ(L"USB1000", UsbPortName(L"USB", 1000));
}

// Through setupapi, as the registry lays the devices out.
TEST(UsbPorts, EveryDeviceIsFoundWithWhetherItIsPluggedIn) {
    RemoveUsbPrintDevices();
    EXPECT_TRUE(OpenUsbPorts()->Ports().empty());
    AddUsbPrintDevice(L"SER1", L"USB", 1, true);
    AddUsbPrintDevice(L"SER2", L"USB", 2, false);
    AddUsbPrintDevice(L"SER3", L"DOT4_", 3, true);
    std::vector<UsbPort> ports = OpenUsbPorts()->Ports();
    RemoveUsbPrintDevices();
    std::vector<std::wstring> seen;
    for (const auto& p : ports) seen.push_back(p.name + (p.present ? L" present" : L" away"));
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ((std::vector<std::wstring>{L"DOT4_003 present", L"USB001 present", L"USB002 away"}), seen);
}
