#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "printing/SpoolerSuspects.h"

namespace {

// A registry and a system folder in memory.
struct FakeSuspectSources : ISuspectSources {
    std::vector<PortMonitorEntry> monitors;
    std::map<std::wstring, std::wstring> providers;  // by Key()
    std::map<std::wstring, std::wstring> companies;  // by path; a file not in it is missing
    std::vector<std::wstring> unversioned;           // files without a version resource

    static std::wstring Key(const std::wstring& environment, int version, const std::wstring& driver) {
        return environment + L"|" + static_cast<wchar_t>(L'0' + version) + L"|" + driver;
    }
    std::vector<PortMonitorEntry> Monitors() override { return monitors; }
    std::wstring Environment() override { return L"Windows x64"; }
    bool DriverProvider(const std::wstring& environment, int version, const std::wstring& driver,
                        std::wstring& provider) override {
        auto it = providers.find(Key(environment, version, driver));
        if (it == providers.end()) return false;
        provider = it->second;
        return true;
    }
    DWORD CompanyName(const std::wstring& path, std::wstring& company) override {
        for (const auto& u : unversioned)
            if (u == path) return ERROR_RESOURCE_TYPE_NOT_FOUND;
        auto it = companies.find(path);
        if (it == companies.end()) return ERROR_FILE_NOT_FOUND;
        company = it->second;
        return ERROR_SUCCESS;
    }
    std::wstring SystemFolder() override { return L"C:\\windows\\system32"; }
};

QueueReport UsingDriver(const std::wstring& name, const std::wstring& driver, const std::wstring& processor) {
    QueueReport q;
    q.name = name;
    q.state.driver = driver;
    q.state.processor = processor;
    return q;
}

std::vector<std::wstring> Named(const std::vector<SpoolerSuspect>& suspects) {
    std::vector<std::wstring> out;
    for (const auto& s : suspects) out.push_back(s.kind + L" " + s.name);
    return out;
}

std::wstring Wide(const std::string& gbk) {
    int n = ::MultiByteToWideChar(936, 0, gbk.c_str(), static_cast<int>(gbk.size()), nullptr, 0);
    std::wstring w(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(936, 0, gbk.c_str(), static_cast<int>(gbk.size()), &w[0], n);
    return w;
}

TEST(SpoolerSuspects, MonitorsAreJudgedByTheirDllsCompany) {
    FakeSuspectSources sources;
    sources.monitors = {{L"Local Port", L"localspl.dll"},
                        {L"Vendor Port", L"vendormon.dll"},
                        {L"Gone Port", L"D:\\vendor\\gone.dll"},
                        {L"Bare Port", L"bare.dll"}};
    sources.companies = {{L"C:\\windows\\system32\\localspl.dll", L"Microsoft Corporation"},
                         {L"C:\\windows\\system32\\vendormon.dll", L"Vendor Inc. "}};
    sources.unversioned = {L"C:\\windows\\system32\\bare.dll"};

    auto suspects = FindSpoolerSuspects(PrinterSurvey{}, sources);
    ASSERT_EQ(Named(suspects),
              (std::vector<std::wstring>{L"端口监视器 Vendor Port", L"端口监视器 Gone Port", L"端口监视器 Bare Port"}));
    EXPECT_EQ(suspects[0].file, L"C:\\windows\\system32\\vendormon.dll");
    EXPECT_EQ(suspects[1].readError, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

    auto lines = SuspectLines(suspects);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(Wide(lines[0]), L"可能的原因：端口监视器“Vendor Port”（C:\\windows\\system32\\vendormon.dll，Vendor Inc.）");
    EXPECT_EQ(Wide(lines[1]), L"可能的原因：端口监视器“Gone Port”（D:\\vendor\\gone.dll，文件不存在）");
    EXPECT_EQ(Wide(lines[2]), L"可能的原因：端口监视器“Bare Port”（C:\\windows\\system32\\bare.dll，无版本信息）");
}

TEST(SpoolerSuspects, DriversAndProcessorsAreOnlyThoseQueuesUse) {
    FakeSuspectSources sources;
    sources.providers = {{FakeSuspectSources::Key(L"Windows x64", 3, L"Contoso PCL"), L"Contoso"},
                         {FakeSuspectSources::Key(L"Windows x64", 4, L"Microsoft Print To PDF"), L"microsoft"},
                         {FakeSuspectSources::Key(L"Windows x64", 3, L"Generic Text"), L"Microsoft Corporation"},
                         {FakeSuspectSources::Key(L"Windows x64", 3, L"Unused Vendor"), L"Vendor"}};
    PrinterSurvey record;
    record.queues = {UsingDriver(L"A", L"Contoso PCL", L"winprint"), UsingDriver(L"B", L"Contoso PCL", L"WinPrint"),
                     UsingDriver(L"PDF", L"Microsoft Print To PDF", L"winprint"),
                     UsingDriver(L"T", L"Generic Text", L"ContosoPP"),
                     UsingDriver(L"\\\\server\\C", L"Vanished", L"ContosoPP"),
                     UsingDriver(L"Unread", L"Hidden", L"HiddenPP")};
    record.queues[4].connection = true;
    record.queues[5].readError = ERROR_ACCESS_DENIED;

    auto suspects = FindSpoolerSuspects(record, sources);
    ASSERT_EQ(Named(suspects), (std::vector<std::wstring>{L"打印处理器 ContosoPP", L"打印机驱动 Contoso PCL",
                                                          L"打印机驱动 Vanished"}));
    auto lines = SuspectLines(suspects);
    EXPECT_EQ(Wide(lines[0]), L"可能的原因：打印处理器“ContosoPP”");
    EXPECT_EQ(Wide(lines[1]), L"可能的原因：打印机驱动“Contoso PCL”（提供商：Contoso）");
    EXPECT_EQ(Wide(lines[2]), L"可能的原因：打印机驱动“Vanished”（注册表中未找到）");

    EXPECT_EQ(Wide(SuspectLines({}).at(0)), L"未发现第三方端口监视器、打印处理器或驱动");
}

// The registry stays a fake; the DLLs are real files: the monitor built for
// the end-to-end tests and one of Wine's own.
struct RealDlls : FakeSuspectSources {
    std::unique_ptr<ISuspectSources> windows;
    DWORD CompanyName(const std::wstring& path, std::wstring& company) override {
        return windows->CompanyName(path, company);
    }
    std::wstring SystemFolder() override { return windows->SystemFolder(); }
};

TEST(WindowsSuspectSources, ReadsTheCompanyFromTheVersionResource) {
    RealDlls sources;
    std::string missing;
    sources.windows = OpenWindowsSuspectSources(missing);
    ASSERT_TRUE(sources.windows) << missing;
    wchar_t exe[MAX_PATH];
    DWORD n = ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring fakes = std::wstring(exe, n).substr(0, std::wstring(exe, n).rfind(L'\\')) + L"\\fakes\\";
    sources.monitors = {{L"Local Port", L"localspl.dll"},
                        {L"Contoso Port", fakes + L"vendormon.dll"},
                        {L"Gone Port", fakes + L"gone.dll"}};

    auto suspects = FindSpoolerSuspects(PrinterSurvey{}, sources);
    ASSERT_EQ(Named(suspects), (std::vector<std::wstring>{L"端口监视器 Contoso Port", L"端口监视器 Gone Port"}));
    EXPECT_EQ(suspects[0].maker, L"Contoso Printing Ltd.");
    EXPECT_EQ(suspects[0].readError, static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(suspects[1].readError, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

}  // namespace
