// The real DalvexFeedbackInformation.dll, loaded from a copy, against a
// service on loopback that each case shapes.
#include <gtest/gtest.h>

#include <map>

#include "feedback/DalvexFeedbackInformation.h"
#include "tests/feedback/FakeService.h"
#include "tests/feedback/LibraryFolder.h"
#include "tests/support/TestSupport.h"

namespace {

const DWORD kLimitMs = 3000;
// The limit plus room for a slow test machine; never a multiple of it.
const DWORD kWithinLimitMs = kLimitMs + 1500;

std::map<std::string, std::string> FormFields(const std::string& body) {
    std::map<std::string, std::string> fields;
    size_t start = 0;
    while (start <= body.size()) {
        size_t amp = body.find('&', start);
        std::string pair = body.substr(start, amp == std::string::npos ? std::string::npos : amp - start);
        size_t eq = pair.find('=');
        if (eq != std::string::npos) fields[pair.substr(0, eq)] = pair.substr(eq + 1);
        if (amp == std::string::npos) break;
        start = amp + 1;
    }
    return fields;
}

class FeedbackLibrary : public ::testing::Test {
protected:
    void SetUp() override {
        m_folder = FreshLibraryFolder();
        PointLibraryAt(m_folder, LoopbackBase(m_service.Port()));
    }
    void TearDown() override {
        if (m_module) ::FreeLibrary(m_module);
    }

    void Load() {
        m_module = ::LoadLibraryW((m_folder + L"DalvexFeedbackInformation.dll").c_str());
        ASSERT_NE(nullptr, m_module);
        Init = Get<InitFreedbackDllFn>("InitFreedbackDll");
        IsNew = Get<GetToolIsNewVersionFn>("GetToolIsNewVersion");
        OpenDown = Get<OpenToolDownUrlFn>("OpenToolDownUrl");
        Question = Get<FeedbackQuestionFn>("FeedbackQuestion");
        Answer = Get<CustomerFeedbackExFn>("CustomerFeedbackEx");
        Release = Get<ReleaseFreedbackResFn>("ReleaseFreedbackRes");
        ASSERT_TRUE(Init && IsNew && OpenDown && Question && Answer && Release);
    }
    void LoadReady() {
        Load();
        ASSERT_EQ(1, Init());
    }
    template <typename Fn>
    Fn Get(const char* name) {
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(m_module, name)));
    }
    // The version check against a service that answers `body`, timed.
    int CheckAgainst(const std::string& body, const wchar_t* mine, int status = 200) {
        m_service.Set(CFakeService::Behaviour::Answer, status, body);
        return IsNew(L"10042", mine);
    }

    CFakeService m_service;
    std::wstring m_folder;
    HMODULE m_module = nullptr;
    InitFreedbackDllFn Init = nullptr;
    GetToolIsNewVersionFn IsNew = nullptr;
    OpenToolDownUrlFn OpenDown = nullptr;
    FeedbackQuestionFn Question = nullptr;
    CustomerFeedbackExFn Answer = nullptr;
    ReleaseFreedbackResFn Release = nullptr;
};

TEST_F(FeedbackLibrary, NamesANewerVersionOnlyWhenTheServiceHasOne) {
    LoadReady();
    EXPECT_EQ(kVersionCheckNewer, CheckAgainst("1.0.10", L"1.0.9"));
    EXPECT_EQ(kVersionCheckCurrent, CheckAgainst("1.0.9", L"1.0.10"));
    EXPECT_EQ(kVersionCheckCurrent, CheckAgainst("1.0.1", L"1.0.1"));
    EXPECT_EQ(kVersionCheckCurrent, CheckAgainst("1.0.1\r\n", L"1.0.1"));
    EXPECT_EQ(kVersionCheckCurrent, CheckAgainst("1.0", L"1.0.0"));
    EXPECT_EQ(kVersionCheckNewer, CheckAgainst("1.0.1.1", L"1.0.1"));
    EXPECT_EQ(kVersionCheckNewer, CheckAgainst("2", L"1.9.99"));
    EXPECT_EQ(kVersionCheckCurrent, CheckAgainst("0.9.20", L"1.0.1"));

    auto requests = m_service.Requests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ("GET", requests[0].method);
    EXPECT_EQ("/api/tools/10042/latest", requests[0].path);
}

TEST_F(FeedbackLibrary, MalformedOrFailedAnswersNeverNameANewerVersion) {
    LoadReady();
    for (const char* body : {"", "abc", "1..2", "1.0.", ".1", "-1.0.2", "1.0.2 beta", "v1.0.2", "1.0.2.0.0.0.0.0.1",
                             "9999999999.0", "{\"version\":\"9.0\"}"})
        EXPECT_EQ(kVersionCheckUnknown, CheckAgainst(body, L"1.0.1")) << "body: " << body;
    EXPECT_EQ(kVersionCheckUnknown, CheckAgainst("9.9.9", L"1.0.1", 404));
    EXPECT_EQ(kVersionCheckUnknown, CheckAgainst("9.9.9", L"1.0.1", 500));
}

TEST_F(FeedbackLibrary, AnOverlongAnswerIsNoAnswer) {
    LoadReady();
    // Would read as a newer version if the library took it all in.
    EXPECT_EQ(kVersionCheckUnknown, CheckAgainst("9.0.0" + std::string(64 * 1024, ' '), L"1.0.1"));
    EXPECT_EQ(kVersionCheckUnknown, CheckAgainst(std::string(1024 * 1024, '7'), L"1.0.1"));
    m_service.Set(CFakeService::Behaviour::Garbage);
    EXPECT_EQ(kVersionCheckUnknown, IsNew(L"10042", L"1.0.1"));
}

TEST_F(FeedbackLibrary, ASilentOrTricklingServiceCostsNoMoreThanTheLimit) {
    LoadReady();
    for (auto b : {CFakeService::Behaviour::Silent, CFakeService::Behaviour::Trickle}) {
        m_service.Set(b);
        DWORD start = ::GetTickCount();
        EXPECT_EQ(kVersionCheckUnknown, IsNew(L"10042", L"1.0.1"));
        EXPECT_LT(::GetTickCount() - start, kWithinLimitMs);

        start = ::GetTickCount();
        Answer(L"10042", L"1.0.1", 1, L"1712345678");
        EXPECT_LT(::GetTickCount() - start, kWithinLimitMs);
    }
    EXPECT_EQ(4u, m_service.Requests().size());
}

TEST_F(FeedbackLibrary, AClosedPortAnswersAtOnce) {
    PointLibraryAt(m_folder, LoopbackBase(CFakeService::ClosedPort()));
    LoadReady();
    DWORD start = ::GetTickCount();
    EXPECT_EQ(kVersionCheckUnknown, IsNew(L"10042", L"1.0.1"));
    Answer(L"10042", L"1.0.1", 2, L"1712345678");
    EXPECT_LT(::GetTickCount() - start, kWithinLimitMs);
}

TEST_F(FeedbackLibrary, TheAnswerCarriesToolVersionAnswerTimeAndSystem) {
    LoadReady();
    m_service.Set(CFakeService::Behaviour::Answer, 204);
    Answer(L"10042", L"1.0.1", 2, L"1712345678");
    auto requests = m_service.Requests();
    ASSERT_EQ(1u, requests.size());
    EXPECT_EQ("POST", requests[0].method);
    EXPECT_EQ("/api/tools/10042/feedback", requests[0].path);
    auto fields = FormFields(requests[0].body);
    EXPECT_EQ("10042", fields["tool"]);
    EXPECT_EQ("1.0.1", fields["version"]);
    EXPECT_EQ("2", fields["answer"]);
    EXPECT_EQ("1712345678", fields["time"]);
    EXPECT_FALSE(fields["os"].empty());
    EXPECT_EQ(5u, fields.size()) << requests[0].body;
}

TEST_F(FeedbackLibrary, OnlyAnswersOneToThreeAreSent) {
    LoadReady();
    for (int answer : {0, 4, -1, 100}) Answer(L"10042", L"1.0.1", answer, L"1712345678");
    EXPECT_TRUE(m_service.Requests().empty());
    for (int answer : {1, 2, 3}) Answer(L"10042", L"1.0.1", answer, L"1712345678");
    auto requests = m_service.Requests();
    ASSERT_EQ(3u, requests.size());
    for (int i = 0; i < 3; ++i) EXPECT_EQ(std::to_string(i + 1), FormFields(requests[i].body)["answer"]);
}

TEST_F(FeedbackLibrary, MissingOrOverlongTextsAskNothing) {
    LoadReady();
    std::wstring longest(64, L'7'), tooLong(65, L'7');
    EXPECT_EQ(kVersionCheckNotReady, IsNew(nullptr, L"1.0.1"));
    EXPECT_EQ(kVersionCheckNotReady, IsNew(L"10042", nullptr));
    EXPECT_EQ(kVersionCheckNotReady, IsNew(L"", L"1.0.1"));
    EXPECT_EQ(kVersionCheckNotReady, IsNew(tooLong.c_str(), L"1.0.1"));
    EXPECT_EQ(kVersionCheckNotReady, IsNew(L"10042", L"1.0.x"));
    Answer(nullptr, L"1.0.1", 1, L"1712345678");
    Answer(L"10042", nullptr, 1, L"1712345678");
    Answer(L"10042", L"1.0.1", 1, nullptr);
    Answer(L"10042", L"1.0.1", 1, tooLong.c_str());
    Answer(tooLong.c_str(), L"1.0.1", 1, L"1712345678");
    Question(nullptr, nullptr);
    EXPECT_TRUE(m_service.Requests().empty());

    m_service.Set(CFakeService::Behaviour::Answer, 200);
    Answer(longest.c_str(), L"1.0.1", 1, longest.c_str());
    auto requests = m_service.Requests();
    ASSERT_EQ(1u, requests.size());
    EXPECT_EQ(std::string(64, '7'), FormFields(requests[0].body)["time"]);
}

TEST_F(FeedbackLibrary, TextsOutsideAsciiTravelEscaped) {
    LoadReady();
    m_service.Set(CFakeService::Behaviour::Answer, 200);
    Answer(L"\x5DE5\x5177 a&b=c", L"1.0.1", 3, L"-5");
    auto requests = m_service.Requests();
    ASSERT_EQ(1u, requests.size());
    EXPECT_EQ("/api/tools/%E5%B7%A5%E5%85%B7%20a%26b%3Dc/feedback", requests[0].path);
    auto fields = FormFields(requests[0].body);
    EXPECT_EQ("%E5%B7%A5%E5%85%B7%20a%26b%3Dc", fields["tool"]);
    EXPECT_EQ("-5", fields["time"]);
}

TEST_F(FeedbackLibrary, CallsBeforeInitAndAfterReleaseDoNothing) {
    Load();
    m_service.Set(CFakeService::Behaviour::Answer, 200, "9.0.0");
    EXPECT_EQ(kVersionCheckNotReady, IsNew(L"10042", L"1.0.1"));
    Answer(L"10042", L"1.0.1", 1, L"1712345678");
    OpenDown();
    Question(L"10042", L"1.0.1");
    Release();
    EXPECT_TRUE(m_service.Requests().empty());

    ASSERT_EQ(1, Init());
    EXPECT_EQ(kVersionCheckNewer, IsNew(L"10042", L"1.0.1"));
    Release();
    Release();
    EXPECT_EQ(kVersionCheckNotReady, IsNew(L"10042", L"1.0.1"));
    Answer(L"10042", L"1.0.1", 1, L"1712345678");
    OpenDown();
    EXPECT_EQ(1u, m_service.Requests().size());

    // Ready again after a second start.
    ASSERT_EQ(1, Init());
    EXPECT_EQ(kVersionCheckNewer, IsNew(L"10042", L"1.0.1"));
}

TEST_F(FeedbackLibrary, StartsOnlyWithAUsableServiceAddress) {
    for (const char* base : {"ftp://127.0.0.1/api", "not an address", "http://", "http://127.0.0.1/api?x=1"}) {
        PointLibraryAt(m_folder, base);
        if (!m_module) Load();
        EXPECT_EQ(0, Init()) << base;
        EXPECT_EQ(kVersionCheckNotReady, IsNew(L"10042", L"1.0.1")) << base;
    }
    // A trailing slash on the address changes nothing.
    PointLibraryAt(m_folder, LoopbackBase(m_service.Port()) + "/");
    ASSERT_EQ(1, Init());
    EXPECT_EQ(kVersionCheckNewer, CheckAgainst("1.0.2", L"1.0.1"));
    EXPECT_EQ("/api/tools/10042/latest", m_service.Requests().back().path);

    // Without a settings file the library is ready for the maker's own address.
    ::DeleteFileW((m_folder + L"DalvexFeedbackInformation.ini").c_str());
    EXPECT_EQ(1, Init());
}

}  // namespace
