#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "exec/LogFile.h"
#include "tests/support/TestSupport.h"

namespace {

// A log of its own beside the test program, removed before and after.
class LogFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_name = L"log_" + std::wstring(info->name(), info->name() + std::strlen(info->name())) + L".txt";
        m_path = ProgramFolder() + m_name;
        Remove();
    }
    void TearDown() override { Remove(); }
    void Remove() {
        ::SetFileAttributesW(m_path.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileW(m_path.c_str());
    }
    std::string Content() const { return ReadFileBytes(m_path); }

    // Writes through `write` and expects exactly one line: a stamp taken
    // around the call, then `expected`.
    template <class Write>
    void ExpectLine(Write write, const std::string& expected) {
        Remove();
        std::string before = GetLogTimeStamp();
        write();
        std::string after = GetLogTimeStamp();
        std::string content = Content();
        EXPECT_TRUE(content == before + expected || content == after + expected) << content;
    }

    std::wstring m_name, m_path;
};

std::string StampOf(const SYSTEMTIME& t) {
    char s[32];
    std::snprintf(s, sizeof(s), "[%04u-%02u-%02u %02u:%02u:%02u] ", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
                  t.wSecond);
    return s;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    EXPECT_EQ(text.size(), start) << "the file ends with CR LF";
    return lines;
}

}  // namespace

TEST_F(LogFileTest, StampIsLocalTimeWithLeadingZeros) {
    SYSTEMTIME before, after;
    ::GetLocalTime(&before);
    std::string stamp = GetLogTimeStamp();
    ::GetLocalTime(&after);
    ASSERT_EQ(22u, stamp.size());
    EXPECT_TRUE(stamp == StampOf(before) || stamp == StampOf(after)) << stamp;
}

TEST_F(LogFileTest, LineByteForByte) {
    ExpectLine([&] { WriteLog("net stop spooler", m_name.c_str()); }, "net stop spooler\r\n");
    ExpectLine([&] { WriteLog(std::string("net stop spooler"), m_name.c_str()); }, "net stop spooler\r\n");
    // Output lines already end in CR LF: the CR stays, the LF gains one.
    ExpectLine([&] { WriteLog(std::string("a\r\nb\r\n"), m_name.c_str()); }, "a\r\r\nb\r\r\n\r\n");
    // Only the first of several lines carries a stamp.
    ExpectLine([&] { WriteLog("one\ntwo\n\nthree", m_name.c_str()); }, "one\r\ntwo\r\n\r\nthree\r\n");
    ExpectLine([&] { WriteLog("", m_name.c_str()); }, "\r\n");
    ExpectLine([&] { WriteLog(std::string(), m_name.c_str()); }, "\r\n");
    ExpectLine([&] { WriteLog(static_cast<const char*>(nullptr), m_name.c_str()); }, "\r\n");
    // Bytes pass unconverted: GBK text, and the whole string object even
    // past a zero byte.
    ExpectLine([&] { WriteLog("\xB4\xF2\xD3\xA1\xBB\xFA", m_name.c_str()); }, "\xB4\xF2\xD3\xA1\xBB\xFA\r\n");
    ExpectLine([&] { WriteLog(std::string("x\0y", 3), m_name.c_str()); }, std::string("x\0y\r\n", 5));
}

TEST_F(LogFileTest, AppendsToAnExistingFile) {
    ASSERT_TRUE(WriteFileBytes(m_path, "earlier line\r\n"));
    WriteLog("first", m_name.c_str());
    WriteLog(std::string("second"), m_name.c_str());
    std::vector<std::string> lines = Lines(Content());
    ASSERT_EQ(3u, lines.size());
    EXPECT_EQ("earlier line", lines[0]);
    EXPECT_EQ("first", lines[1].substr(22));
    EXPECT_EQ("second", lines[2].substr(22));
}

TEST_F(LogFileTest, TwoThreadsNeverTearOrLoseALine) {
    const int kLines = 1000;  // each
    auto writer = [&](char who) {
        for (int i = 0; i < kLines; ++i) {
            char text[160];
            std::snprintf(text, sizeof(text), "%c %04d %s", who, i, std::string(100, who).c_str());
            if (i % 2)
                WriteLog(text, m_name.c_str());
            else
                WriteLog(std::string(text), m_name.c_str());
        }
    };
    std::thread a(writer, 'A'), b(writer, 'B');
    a.join();
    b.join();

    std::vector<std::string> lines = Lines(Content());
    ASSERT_EQ(2u * kLines, lines.size());
    int next[2] = {0, 0};
    for (const std::string& line : lines) {
        ASSERT_GT(line.size(), 22u);
        std::string text = line.substr(22);
        char who = text[0];
        ASSERT_TRUE(who == 'A' || who == 'B') << line;
        char expected[160];
        std::snprintf(expected, sizeof(expected), "%c %04d %s", who, next[who - 'A']++, std::string(100, who).c_str());
        ASSERT_EQ(expected, text);
    }
    EXPECT_EQ(kLines, next[0]);
    EXPECT_EQ(kLines, next[1]);
}

TEST_F(LogFileTest, LockedLogLosesOnlyItsOwnLines) {
    ASSERT_TRUE(WriteFileBytes(m_path, "kept\r\n"));
    // Held by another program that lets others read but not write.
    HANDLE lock = ::CreateFileW(m_path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, lock);
    WriteLog("lost", m_name.c_str());
    WriteLog(std::string("lost too"), m_name.c_str());
    EXPECT_EQ("kept\r\n", Content());

    // Another log is not affected, and once released this one goes on.
    std::wstring other = L"other_" + m_name;
    WriteLog("elsewhere", other.c_str());
    EXPECT_EQ("elsewhere\r\n", ReadFileBytes(ProgramFolder() + other).substr(22));
    ::DeleteFileW((ProgramFolder() + other).c_str());
    ::CloseHandle(lock);
    WriteLog("back", m_name.c_str());
    std::vector<std::string> lines = Lines(Content());
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ("kept", lines[0]);
    EXPECT_EQ("back", lines[1].substr(22));
}

TEST_F(LogFileTest, PathBesideTheProgram) {
    wchar_t path[MAX_PATH];
    ASSERT_TRUE(GetLogFilePath(path, L"LOG.txt"));
    EXPECT_EQ(ProgramFolder() + L"LOG.txt", std::wstring(path));
}

TEST_F(LogFileTest, PathBeyond260Characters) {
    // A name long enough that folder and name pass MAX_PATH together.
    std::wstring longName(MAX_PATH - ProgramFolder().size() + 10, L'n');
    longName += L".txt";
    std::wstring full = ProgramFolder() + longName;
    ASSERT_GT(full.size(), static_cast<size_t>(MAX_PATH));

    wchar_t path[MAX_PATH];
    path[0] = L'x';
    EXPECT_FALSE(GetLogFilePath(path, longName.c_str())) << "refused, not cut";
    EXPECT_EQ(L'\0', path[0]);

    WriteLog("long", longName.c_str());
    std::wstring extended = L"\\\\?\\" + full;
    EXPECT_EQ("long\r\n", ReadFileBytes(extended).substr(22));
    ::DeleteFileW(extended.c_str());
}

namespace {
void MarkReparsePoint(BY_HANDLE_FILE_INFORMATION& info) { info.dwFileAttributes |= FILE_ATTRIBUTE_REPARSE_POINT; }
}  // namespace

// Beside a program running elevated anyone may plant a link under the log's
// name; the log never writes through one, and says nothing.
TEST_F(LogFileTest, ALinkUnderTheLogsNameIsNeverWrittenTo) {
    std::wstring target = ProgramFolder() + L"linked_" + m_name;
    ASSERT_TRUE(WriteFileBytes(target, "system file\r\n"));
    ASSERT_TRUE(::CreateHardLinkW(m_path.c_str(), target.c_str(), nullptr));
    WriteLog("through a hard link", m_name.c_str());
    EXPECT_EQ("system file\r\n", ReadFileBytes(target));
    ::DeleteFileW(target.c_str());
    EXPECT_EQ("system file\r\n", Content());

    // A reparse point, as the file system would report it.
    Remove();
    ASSERT_TRUE(WriteFileBytes(m_path, "kept\r\n"));
    SetLogFileInfoFilterForTests(&MarkReparsePoint);
    WriteLog("through a reparse point", m_name.c_str());
    SetLogFileInfoFilterForTests(nullptr);
    EXPECT_EQ("kept\r\n", Content());
    WriteLog("plain again", m_name.c_str());
    EXPECT_EQ("plain again\r\n", Content().substr(6 + 22));
}

TEST_F(LogFileTest, OnlyALogThisRunMadeCountsAsItsOwn) {
    std::wstring made = L"made_" + m_name;
    ::DeleteFileW((ProgramFolder() + made).c_str());
    EXPECT_FALSE(LogCreatedByThisRun(made.c_str())) << "nothing written yet";
    WriteLog("first", made.c_str());
    WriteLog("second", made.c_str());
    EXPECT_TRUE(LogCreatedByThisRun(made.c_str()));
    ::DeleteFileW((ProgramFolder() + made).c_str());

    ASSERT_TRUE(WriteFileBytes(m_path, "the user's\r\n"));
    WriteLog("appended", m_name.c_str());
    EXPECT_FALSE(LogCreatedByThisRun(m_name.c_str()));
    EXPECT_EQ(0u, Content().find("the user's\r\n"));
}
