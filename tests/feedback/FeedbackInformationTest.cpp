// The program's client of the feedback library: what it loads, and that
// nothing reaches a library it did not fully accept.
#include <gtest/gtest.h>

#include "exec/FeedbackInformation.h"
#include "tests/feedback/FakeService.h"
#include "tests/feedback/LibraryFolder.h"
#include "tests/support/TestSupport.h"

namespace {

bool IsLoaded(const std::wstring& path) { return ::GetModuleHandleW(path.c_str()) != nullptr; }

// Every call of the client, each of which must be harmless.
void CallEverything(CFeedbackInformation& client) {
    EXPECT_EQ(0, client.GetToolIsNewVersion(L"10042", L"1.0.1"));
    client.OpenToolDownUrl();
    client.FeedbackQuestion(L"10042", L"1.0.1");
    client.CustomerFeedbackEx(L"10042", L"1.0.1", 1, L"1712345678");
    client.ReleaseFreedbackRes();
}

TEST(FeedbackInformation, AMissingLibraryFailsTheStartAndSilencesTheRest) {
    std::wstring folder = MakeTempFolder(L"feedback client missing") + L"\\";
    CFeedbackInformation client(folder + L"DalvexFeedbackInformation.dll");
    EXPECT_EQ(0, client.InitFreedbackDll());
    CallEverything(client);

    CFeedbackInformation nowhere{std::wstring()};
    EXPECT_EQ(0, nowhere.InitFreedbackDll());
}

TEST(FeedbackInformation, ALibraryLackingOneExportIsNeverCalled) {
    std::wstring folder = FreshLibraryFolder(L"feedback_five_exports.dll");
    std::wstring dll = folder + L"DalvexFeedbackInformation.dll";
    ASSERT_TRUE(FileExists(dll));
    {
        CFeedbackInformation client(dll);
        EXPECT_EQ(0, client.InitFreedbackDll());
        EXPECT_FALSE(IsLoaded(dll));
        CallEverything(client);
        EXPECT_EQ(0, client.InitFreedbackDll());
    }
    EXPECT_FALSE(FileExists(folder + L"calls.txt")) << ReadFileBytes(folder + L"calls.txt");
    EXPECT_FALSE(IsLoaded(dll));
}

TEST(FeedbackInformation, ABrokenFileIsNoLibrary) {
    std::wstring folder = MakeTempFolder(L"feedback client broken") + L"\\";
    WriteFileBytes(folder + L"DalvexFeedbackInformation.dll", "MZ this is no library");
    CFeedbackInformation client(folder + L"DalvexFeedbackInformation.dll");
    EXPECT_EQ(0, client.InitFreedbackDll());
    CallEverything(client);
}

TEST(FeedbackInformation, PassesCallsToTheLibraryUntilReleased) {
    CFakeService service;
    service.Set(CFakeService::Behaviour::Answer, 200, "1.0.2");
    std::wstring folder = FreshLibraryFolder();
    PointLibraryAt(folder, LoopbackBase(service.Port()));
    std::wstring dll = folder + L"DalvexFeedbackInformation.dll";

    CFeedbackInformation client(dll);
    CallEverything(client);  // before the start: nothing reaches the service
    EXPECT_TRUE(service.Requests().empty());

    ASSERT_EQ(1, client.InitFreedbackDll());
    EXPECT_TRUE(IsLoaded(dll));
    EXPECT_EQ(3, client.GetToolIsNewVersion(L"10042", L"1.0.1"));
    EXPECT_EQ(1, client.GetToolIsNewVersion(L"10042", L"1.0.2"));
    client.CustomerFeedbackEx(L"10042", L"1.0.1", 3, L"1712345678");
    auto requests = service.Requests();
    ASSERT_EQ(3u, requests.size());
    EXPECT_EQ("POST", requests[2].method);
    EXPECT_NE(std::string::npos, requests[2].body.find("answer=3"));

    client.ReleaseFreedbackRes();
    EXPECT_FALSE(IsLoaded(dll));
    CallEverything(client);
    EXPECT_EQ(3u, service.Requests().size());
}

TEST(FeedbackInformation, ALibraryThatRefusesToStartIsLetGo) {
    std::wstring folder = FreshLibraryFolder();
    PointLibraryAt(folder, "ftp://127.0.0.1/api");
    std::wstring dll = folder + L"DalvexFeedbackInformation.dll";
    CFeedbackInformation client(dll);
    EXPECT_EQ(0, client.InitFreedbackDll());
    EXPECT_FALSE(IsLoaded(dll));
    CallEverything(client);
}

TEST(FeedbackInformation, DestructionReleasesTheLibrary) {
    std::wstring dll = FreshLibraryFolder() + L"DalvexFeedbackInformation.dll";
    {
        CFeedbackInformation client(dll);
        ASSERT_EQ(1, client.InitFreedbackDll());
        ASSERT_TRUE(IsLoaded(dll));
    }
    EXPECT_FALSE(IsLoaded(dll));
}

TEST(FeedbackInformation, LoadsTheLibraryBesideTheProgram) {
    std::wstring beside = ProgramFolder() + L"DalvexFeedbackInformation.dll";
    ASSERT_TRUE(FileExists(beside));
    CFeedbackInformation client;
    EXPECT_EQ(1, client.InitFreedbackDll());
    EXPECT_TRUE(IsLoaded(beside));
    client.ReleaseFreedbackRes();
    EXPECT_FALSE(IsLoaded(beside));
}

}  // namespace
