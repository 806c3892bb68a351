// The pages the library opens, caught by a stand-in browser registered for
// http for the length of each case.
#include <gtest/gtest.h>

#include <algorithm>

#include "feedback/DalvexFeedbackInformation.h"
#include "tests/feedback/FakeService.h"
#include "tests/feedback/LibraryFolder.h"
#include "tests/support/TestSupport.h"

namespace {

// Both schemes: the maker's own address is https, and no page may reach the
// machine's real browser.
const wchar_t* const kSchemes[] = {L"http", L"https"};

class FeedbackPages : public ::testing::Test {
protected:
    void SetUp() override {
        m_folder = FreshLibraryFolder();
        m_record = m_folder + L"opened.txt";
        // The system-wide class: this Wine takes no per-user http handler.
        // The value found is put back afterwards. The record file travels in
        // the command: a page opened through the desktop shell starts the
        // browser with the shell's environment.
        std::wstring command = L"\"" + ProgramFolder() + L"feedback_url_sink.exe\" \"" + m_record + L"\" \"%1\"";
        for (int i = 0; i < 2; ++i) {
            Handler& h = m_handlers[i];
            std::wstring path = Command(i);
            HKEY key = nullptr;
            DWORD created = 0;
            ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0,
                                                       KEY_READ | KEY_WRITE, nullptr, &key, &created));
            h.createdKey = created == REG_CREATED_NEW_KEY;
            wchar_t old[2048] = {};
            DWORD size = sizeof(old) - sizeof(wchar_t), type = 0;
            h.hadValue = ::RegQueryValueExW(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(old), &size) ==
                             ERROR_SUCCESS &&
                         (type == REG_SZ || type == REG_EXPAND_SZ);
            if (h.hadValue) {
                h.oldType = type;
                h.oldValue = old;
            }
            h.registered = true;
            ::RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                             static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
            ::RegCloseKey(key);
        }

        ::SetEnvironmentVariableW(L"FEEDBACK_URL_SINK", m_record.c_str());
        PointLibraryAt(m_folder, LoopbackBase(m_service.Port()));
        m_module = ::LoadLibraryW((m_folder + L"DalvexFeedbackInformation.dll").c_str());
        ASSERT_NE(nullptr, m_module);
    }
    void TearDown() override {
        if (m_module) ::FreeLibrary(m_module);
        for (int i = 0; i < 2; ++i)
            if (m_handlers[i].registered) Restore(i);
        ::SetEnvironmentVariableW(L"FEEDBACK_URL_SINK", nullptr);
    }
    static std::wstring Command(int i) { return std::wstring(L"Software\\Classes\\") + kSchemes[i] + L"\\shell\\open\\command"; }
    void Restore(int i) {
        const Handler& h = m_handlers[i];
        if (h.createdKey) {
            ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, (std::wstring(L"Software\\Classes\\") + kSchemes[i]).c_str());
            return;
        }
        HKEY key = nullptr;
        if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, Command(i).c_str(), 0, KEY_WRITE, &key) != ERROR_SUCCESS) return;
        if (h.hadValue)
            ::RegSetValueExW(key, nullptr, 0, h.oldType, reinterpret_cast<const BYTE*>(h.oldValue.c_str()),
                             static_cast<DWORD>((h.oldValue.size() + 1) * sizeof(wchar_t)));
        else
            ::RegDeleteValueW(key, nullptr);
        ::RegCloseKey(key);
    }
    template <typename Fn>
    Fn Get(const char* name) {
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(m_module, name)));
    }
    // What the stand-in browser was given, once it has run.
    std::string Opened() {
        PumpUntil([&] { return ReadFileBytes(m_record).find('\n') != std::string::npos; }, 10000);
        return ReadFileBytes(m_record);
    }

    CFakeService m_service;
    std::wstring m_folder, m_record;
    HMODULE m_module = nullptr;
    struct Handler {
        bool registered = false, createdKey = false, hadValue = false;
        DWORD oldType = REG_SZ;
        std::wstring oldValue;
    } m_handlers[2];
};

TEST_F(FeedbackPages, FeedbackQuestionOpensThePageForThatToolAndVersion) {
    auto init = Get<InitFreedbackDllFn>("InitFreedbackDll");
    auto question = Get<FeedbackQuestionFn>("FeedbackQuestion");
    question(L"10042", L"1.0.1");  // not started yet: nothing opens
    ASSERT_EQ(1, init());
    std::wstring trace = m_folder + L"trace.txt";
    ::SetEnvironmentVariableW(L"TARNWICK_OPEN_TRACE", trace.c_str());
    question(L"10042", L"1.0.1");
    ::SetEnvironmentVariableW(L"TARNWICK_OPEN_TRACE", nullptr);
    std::string opened = Opened();
    std::string expected = LoopbackBase(m_service.Port()) + "/feedback?tool=10042&version=1.0.1";
    EXPECT_NE(std::string::npos, opened.find(expected)) << opened;
    // Through the desktop shell, which Wine's explorer answers too.
    EXPECT_EQ("shell " + expected + "\n", ReadFileBytes(trace));
    EXPECT_EQ(1u, static_cast<size_t>(std::count(opened.begin(), opened.end(), '\n'))) << opened;
    EXPECT_TRUE(m_service.Requests().empty());
}

// The tool reports each answer and then asks for the page; only "not solved"
// and a request of the user's own open it.
TEST_F(FeedbackPages, FeedbackQuestionFollowsOnlyNotSolvedOrTheUsersOwnRequest) {
    auto init = Get<InitFreedbackDllFn>("InitFreedbackDll");
    auto question = Get<FeedbackQuestionFn>("FeedbackQuestion");
    auto answer = Get<CustomerFeedbackExFn>("CustomerFeedbackEx");
    ASSERT_EQ(1, init());
    for (int given : {kAnswerSolved, kAnswerClosed}) {
        answer(L"10042", L"1.0.1", given, L"2024-01-02 03:04:05");
        question(L"10042", L"1.0.1");
    }
    ASSERT_TRUE(PumpUntil([&] { return m_service.Requests().size() == 2; }, 10000));
    answer(L"10042", L"1.0.1", kAnswerNotSolved, L"2024-01-02 03:04:05");
    question(L"10042", L"1.0.1");
    std::string opened = Opened();
    EXPECT_EQ(1u, static_cast<size_t>(std::count(opened.begin(), opened.end(), '\n'))) << opened;
    // The answer is taken by the request that follows it: the link opens the page again.
    answer(L"10042", L"1.0.1", kAnswerSolved, L"2024-01-02 03:04:05");
    question(L"10042", L"1.0.1");
    question(L"10042", L"1.0.1");
    EXPECT_TRUE(PumpUntil([&] {
        std::string now = ReadFileBytes(m_record);
        return std::count(now.begin(), now.end(), '\n') == 2;
    }, 10000)) << ReadFileBytes(m_record);
    PumpFor(1000);
    opened = ReadFileBytes(m_record);
    EXPECT_EQ(2u, static_cast<size_t>(std::count(opened.begin(), opened.end(), '\n'))) << opened;
}

TEST_F(FeedbackPages, OpenToolDownUrlOpensTheDownloadPageOfTheCheckedTool) {
    auto init = Get<InitFreedbackDllFn>("InitFreedbackDll");
    auto isNew = Get<GetToolIsNewVersionFn>("GetToolIsNewVersion");
    auto openDown = Get<OpenToolDownUrlFn>("OpenToolDownUrl");
    auto release = Get<ReleaseFreedbackResFn>("ReleaseFreedbackRes");
    ASSERT_EQ(1, init());
    m_service.Set(CFakeService::Behaviour::Answer, 200, "1.0.2");
    ASSERT_EQ(kVersionCheckNewer, isNew(L"10042", L"1.0.1"));
    openDown();
    std::string opened = Opened();
    EXPECT_NE(std::string::npos, opened.find(LoopbackBase(m_service.Port()) + "/download?tool=10042")) << opened;

    release();
    openDown();
    PumpFor(1500);
    EXPECT_EQ(opened, ReadFileBytes(m_record));
}

// The settings file is there for the tests' own service on this machine: an
// address anywhere else is passed over for the maker's own.
TEST_F(FeedbackPages, OnlyALoopbackAddressIsTakenFromTheSettings) {
    auto init = Get<InitFreedbackDllFn>("InitFreedbackDll");
    auto question = Get<FeedbackQuestionFn>("FeedbackQuestion");
    struct Case {
        const char* base;
        bool taken;
    } cases[] = {
        {"http://staging.dalvex.com.cn/api", false}, {"http://127.0.0.1.example.com/api", false},
        {"http://localhost.example.com/api", false}, {"https://10.0.0.7:8443/api", false},
        {"http://128.0.0.1/api", false},             {"http://localhost:8080/api", true},
        {"http://127.45.6.7:8080/api", true},
    };
    for (const Case& c : cases) {
        ::DeleteFileW(m_record.c_str());
        PointLibraryAt(m_folder, c.base);
        ASSERT_EQ(1, init()) << c.base;
        question(L"10042", L"1.0.1");
        std::string base = c.taken ? c.base : "https://service.dalvex.com.cn/api";
        EXPECT_NE(std::string::npos, Opened().find(" \"" + base + "/feedback?tool=10042")) << c.base;
    }
    EXPECT_TRUE(m_service.Requests().empty());
}

}  // namespace
