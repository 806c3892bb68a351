// The pages the library opens, caught by a stand-in browser registered for
// http for the length of each case.
#include <gtest/gtest.h>

#include <algorithm>

#include "feedback/DalvexFeedbackInformation.h"
#include "tests/feedback/FakeService.h"
#include "tests/feedback/LibraryFolder.h"
#include "tests/support/TestSupport.h"

namespace {

const wchar_t kHttpCommand[] = L"Software\\Classes\\http\\shell\\open\\command";

class FeedbackPages : public ::testing::Test {
protected:
    void SetUp() override {
        // The system-wide class: this Wine takes no per-user http handler.
        // The value found is put back afterwards.
        HKEY key = nullptr;
        DWORD created = 0;
        ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kHttpCommand, 0, nullptr, 0,
                                                   KEY_READ | KEY_WRITE, nullptr, &key, &created));
        m_createdKey = created == REG_CREATED_NEW_KEY;
        wchar_t old[2048] = {};
        DWORD size = sizeof(old) - sizeof(wchar_t), type = 0;
        m_hadValue = ::RegQueryValueExW(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(old), &size) ==
                         ERROR_SUCCESS &&
                     (type == REG_SZ || type == REG_EXPAND_SZ);
        if (m_hadValue) {
            m_oldType = type;
            m_oldValue = old;
        }
        m_registered = true;
        std::wstring command = L"\"" + ProgramFolder() + L"feedback_url_sink.exe\" \"%1\"";
        ::RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                         static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
        ::RegCloseKey(key);

        m_folder = FreshLibraryFolder();
        m_record = m_folder + L"opened.txt";
        ::SetEnvironmentVariableW(L"FEEDBACK_URL_SINK", m_record.c_str());
        PointLibraryAt(m_folder, LoopbackBase(m_service.Port()));
        m_module = ::LoadLibraryW((m_folder + L"DalvexFeedbackInformation.dll").c_str());
        ASSERT_NE(nullptr, m_module);
    }
    void TearDown() override {
        if (m_module) ::FreeLibrary(m_module);
        if (m_registered) Restore();
        ::SetEnvironmentVariableW(L"FEEDBACK_URL_SINK", nullptr);
    }
    void Restore() {
        if (m_createdKey) {
            ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\Classes\\http");
            return;
        }
        HKEY key = nullptr;
        if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kHttpCommand, 0, KEY_WRITE, &key) != ERROR_SUCCESS) return;
        if (m_hadValue)
            ::RegSetValueExW(key, nullptr, 0, m_oldType, reinterpret_cast<const BYTE*>(m_oldValue.c_str()),
                             static_cast<DWORD>((m_oldValue.size() + 1) * sizeof(wchar_t)));
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
    bool m_registered = false, m_createdKey = false, m_hadValue = false;
    DWORD m_oldType = REG_SZ;
    std::wstring m_oldValue;
};

TEST_F(FeedbackPages, FeedbackQuestionOpensThePageForThatToolAndVersion) {
    auto init = Get<InitFreedbackDllFn>("InitFreedbackDll");
    auto question = Get<FeedbackQuestionFn>("FeedbackQuestion");
    question(L"10042", L"1.0.1");  // not started yet: nothing opens
    ASSERT_EQ(1, init());
    question(L"10042", L"1.0.1");
    std::string opened = Opened();
    std::string expected = LoopbackBase(m_service.Port()) + "/feedback?tool=10042&version=1.0.1";
    EXPECT_NE(std::string::npos, opened.find(expected)) << opened;
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

}  // namespace
