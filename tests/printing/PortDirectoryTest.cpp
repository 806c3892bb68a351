#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "printing/PortDirectory.h"
#include "tests/support/TestSupport.h"

// What the real port directory reads from a Standard TCP/IP port's registry
// key and from a monitor through XcvDataW (the stand-in winspool.drv, loaded
// under another name beside the real one).

namespace {

const wchar_t kPorts[] = L"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports\\";

class PortDirectory : public ::testing::Test {
protected:
    void SetUp() override {
        std::wstring folder = MakeTempFolder(L"Tarnwick ports");
        std::wstring copy = folder + L"\\fakespool.dll";
        ASSERT_TRUE(::CopyFileW((ProgramFolder() + L"fakes\\winspool.drv").c_str(), copy.c_str(), FALSE));
        m_module = ::LoadLibraryW(copy.c_str());
        ASSERT_NE(nullptr, m_module);
        m_xcv = folder + L"\\xcv.txt";
        ::SetEnvironmentVariableW(L"TARNWICK_FAKE_XCV", m_xcv.c_str());
        m_directory = OpenPortDirectory(m_module);
    }
    void TearDown() override {
        for (const wchar_t* port : {L"IP_nohost", L"IP_textport", L"IP_whole"})
            ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, (std::wstring(kPorts) + port).c_str());
        ::SetEnvironmentVariableW(L"TARNWICK_FAKE_XCV", nullptr);
        m_directory.reset();
        if (m_module) ::FreeLibrary(m_module);
    }
    static void Set(const wchar_t* port, const wchar_t* name, DWORD type, const void* data, DWORD size) {
        ASSERT_EQ(ERROR_SUCCESS, ::RegSetKeyValueW(HKEY_LOCAL_MACHINE, (std::wstring(kPorts) + port).c_str(), name,
                                                   type, data, size));
    }
    static void SetText(const wchar_t* port, const wchar_t* name, const wchar_t* text) {
        Set(port, name, REG_SZ, text, static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t)));
    }
    static void SetNumber(const wchar_t* port, const wchar_t* name, DWORD n) { Set(port, name, REG_DWORD, &n, sizeof(n)); }

    HMODULE m_module = nullptr;
    std::wstring m_xcv;
    std::shared_ptr<IPortDirectory> m_directory;
};

}  // namespace

// A key counts only with a host and a number that is a REG_DWORD; otherwise
// the monitor is asked, and nothing half-read reaches the caller.
TEST_F(PortDirectory, ARegistryKeyCountsOnlyWithAHostAndANumber) {
    SetNumber(L"IP_nohost", L"PortNumber", 9100);
    SetText(L"IP_textport", L"HostName", L"127.0.0.9");
    SetText(L"IP_textport", L"PortNumber", L"9");  // the bytes of "9" would read as 57
    SetText(L"IP_whole", L"IPAddress", L"127.0.0.8");
    SetNumber(L"IP_whole", L"PortNumber", 515);
    SetNumber(L"IP_whole", L"Protocol", 2);

    TcpPortConfig config{L"untouched", 1, 1};
    EXPECT_FALSE(m_directory->TcpPortFromRegistry(L"IP_nohost", config));
    EXPECT_FALSE(m_directory->TcpPortFromRegistry(L"IP_textport", config));
    EXPECT_EQ(L"untouched", config.host);
    EXPECT_EQ(1u, config.portNumber);
    ASSERT_TRUE(m_directory->TcpPortFromRegistry(L"IP_whole", config));
    EXPECT_EQ(L"127.0.0.8", config.host);
    EXPECT_EQ(515u, config.portNumber);
    EXPECT_EQ(2u, config.protocol);
}

// A URL longer than the documented structure holds is asked again at the
// size the monitor gave.
TEST_F(PortDirectory, ALongDeviceUrlIsAskedAgainAtTheSizeGiven) {
    std::string url = "http://127.0.0.7:80/" + std::string(400, 'x');
    ASSERT_TRUE(WriteFileBytes(m_xcv, "WSD-long|GetAPPortInfo|" + url + "\nWSD-short|GetAPPortInfo|http://127.0.0.6/\n"));
    EXPECT_EQ(std::wstring(url.begin(), url.end()), m_directory->DeviceUrl(L"WSD-long"));
    EXPECT_EQ(L"http://127.0.0.6/", m_directory->DeviceUrl(L"WSD-short"));
    EXPECT_EQ(L"", m_directory->DeviceUrl(L"WSD-none"));
}
