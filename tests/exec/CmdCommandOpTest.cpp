#include <gtest/gtest.h>
#include <windows.h>
#include <tlhelp32.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "exec/CmdCommandOp.h"
#include "exec/LogFile.h"
#include "exec/ToolPaths.h"
#include "tests/support/TestSupport.h"

namespace {

struct Received {
    std::mutex lock;
    std::string text;
    std::vector<int> counts;
    std::atomic<bool> sawTerminator{true};

    std::string Text() {
        std::lock_guard<std::mutex> g(lock);
        return text;
    }
    size_t Chunks() {
        std::lock_guard<std::mutex> g(lock);
        return counts.size();
    }
};

bool OnOutput(const char* bytes, int length, void* context) {
    auto* r = static_cast<Received*>(context);
    std::lock_guard<std::mutex> g(r->lock);
    r->counts.push_back(length);
    if (length > 0) r->text.append(bytes, static_cast<size_t>(length));
    if (length >= 0 && bytes[length] != '\0') r->sawTerminator = false;
    return true;
}

// One runner per test: the process may hold only one.
class CmdCommandOpTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_op = CreateCmdCommandOp();
        ASSERT_NE(nullptr, m_op);
        ASSERT_TRUE(SetCmdOutputCallback(m_op, &OnOutput, &m_received));
    }
    void TearDown() override {
        if (m_op) {
            EXPECT_TRUE(DestroyCmdCommandOp(m_op));
        }
    }
    bool Run(const std::string& command) {
        return RunCmdCommand(m_op, command.data(), static_cast<int>(command.size()));
    }
    // Everything that arrived once `expected` bytes came or the time ran out.
    std::string WaitForBytes(size_t expected, DWORD timeoutMs = 15000) {
        PumpUntil([&] { return m_received.Text().size() >= expected; }, timeoutMs);
        return m_received.Text();
    }

    CCmdCommandOp* m_op = nullptr;
    Received m_received;
};

std::string NarrowPath(const std::wstring& path) {
    char buf[4 * MAX_PATH];
    int n = ::WideCharToMultiByte(CP_ACP, 0, path.c_str(), -1, buf, sizeof(buf), nullptr, nullptr);
    return n > 0 ? std::string(buf) : std::string();
}

const char kHangFileVariable[] = "TARNWICK_EXEC_HANG_FILE";

// A command line that runs this test program as a child that hangs.
std::string HangCommand() {
    wchar_t exe[MAX_PATH];
    ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
    return "\"" + NarrowPath(exe) + "\" --gtest_also_run_disabled_tests --gtest_filter=ExecHelper.DISABLED_Hang";
}

DWORD ReadPid(const std::wstring& file) { return static_cast<DWORD>(std::atoi(ReadFileBytes(file).c_str())); }

DWORD ParentOf(DWORD pid) {
    DWORD parent = 0;
    HANDLE snap = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W e{};
    e.dwSize = sizeof(e);
    for (BOOL ok = ::Process32FirstW(snap, &e); ok; ok = ::Process32NextW(snap, &e)) {
        if (e.th32ProcessID == pid) parent = e.th32ParentProcessID;
    }
    ::CloseHandle(snap);
    return parent;
}

bool Ended(HANDLE process, DWORD waitMs) { return ::WaitForSingleObject(process, waitMs) == WAIT_OBJECT_0; }

}  // namespace

// Not a test of its own: the child that the Close test leaves hanging.
TEST(ExecHelper, DISABLED_Hang) {
    char file[MAX_PATH] = {};
    if (::GetEnvironmentVariableA(kHangFileVariable, file, MAX_PATH))
        WriteFileBytes(std::wstring(file, file + std::strlen(file)), std::to_string(::GetCurrentProcessId()));
    ::Sleep(60000);
}

TEST_F(CmdCommandOpTest, EchoArrivesWithExactlyItsBytes) {
    // "打印机修复" in code page 936, converted to UTF-16 for cmd and back.
    const std::string gbk = "\xB4\xF2\xD3\xA1\xBB\xFA\xD0\xDE\xB8\xB4";
    ASSERT_TRUE(Run("echo " + gbk + " ok"));
    std::string expected = gbk + " ok\r\n";
    EXPECT_EQ(expected, WaitForBytes(expected.size()));
    ::Sleep(700);
    EXPECT_EQ(expected, m_received.Text()) << "nothing more after the command ended";
    EXPECT_TRUE(m_received.sawTerminator) << "each chunk is followed by a zero byte";
}

TEST_F(CmdCommandOpTest, ZeroByteCutsTheCommand) {
    const std::string command("echo first\0& echo second", 24);
    ASSERT_TRUE(Run(command));
    EXPECT_EQ("first\r\n", WaitForBytes(7));
    ::Sleep(1200);
    EXPECT_EQ("first\r\n", m_received.Text());
}

TEST_F(CmdCommandOpTest, EmptyCommandRunsTheBarePrefix) {
    EXPECT_TRUE(m_op->Execute("", 0));
    EXPECT_TRUE(m_op->Execute(nullptr, 0));
    ::Sleep(1200);
    EXPECT_EQ("", m_received.Text());
    // The runner goes on with the next command.
    ASSERT_TRUE(Run("echo next"));
    EXPECT_EQ("next\r\n", WaitForBytes(6));
}

TEST_F(CmdCommandOpTest, LongOutputArrivesInOrderInSeveralChunks) {
    std::string expected;
    for (int i = 1; i <= 400; ++i) expected += "line " + std::to_string(i) + " of the long output\r\n";
    ASSERT_GT(expected.size(), 4095u * 2);
    ASSERT_TRUE(Run("for /L %i in (1,1,400) do @echo line %i of the long output"));
    EXPECT_EQ(expected, WaitForBytes(expected.size(), 30000));
    std::lock_guard<std::mutex> g(m_received.lock);
    EXPECT_GE(m_received.counts.size(), 3u);
    for (int count : m_received.counts) {
        EXPECT_GE(count, 1);
        EXPECT_LE(count, 4095);
    }
}

TEST_F(CmdCommandOpTest, EachLaunchHasItsOwnPipe) {
    ASSERT_TRUE(Run("echo one"));
    ASSERT_EQ("one\r\n", WaitForBytes(5));
    ASSERT_TRUE(Run("echo two"));
    ASSERT_EQ("one\r\ntwo\r\n", WaitForBytes(10));
    // Back to back: the first pipe gives way to the second, whatever the
    // reader had taken of it, and the second arrives whole after it.
    ASSERT_TRUE(Run("echo lost"));
    ASSERT_TRUE(Run("echo three"));
    ASSERT_TRUE(PumpUntil([&] { return m_received.Text().find("three\r\n") != std::string::npos; }, 5000));
    std::string text = m_received.Text();
    std::string between = text.substr(10, text.size() - 10 - 7);
    EXPECT_EQ(0u, std::string("lost\r\n").find(between)) << text;
    EXPECT_EQ("three\r\n", text.substr(text.size() - 7)) << text;
}

TEST_F(CmdCommandOpTest, LongestCommandRunsAndALongerOneIsRefused) {
    const std::string word(CCmdCommandOp::kMaxCommandBytes - 5, 'a');
    const std::string longest = "echo " + word;
    ASSERT_EQ(4096u - sizeof("cmd /D /C ") , longest.size()) << "the buffer less the prefix less its terminator";
    EXPECT_TRUE(m_op->Execute(longest.data(), static_cast<int>(longest.size())));
    EXPECT_EQ(word + "\r\n", WaitForBytes(word.size() + 2));

    const std::string over = longest + "b";
    EXPECT_FALSE(m_op->Execute(over.data(), static_cast<int>(over.size())));
    EXPECT_FALSE(m_op->Execute("echo x", -1));
    EXPECT_TRUE(RunCmdCommand(m_op, over.data(), static_cast<int>(over.size())))
        << "the facade reports only that the runner exists";
    ::Sleep(1200);
    EXPECT_EQ(word + "\r\n", m_received.Text()) << "nothing was launched";
}

TEST_F(CmdCommandOpTest, CommandsAreNotLookedUpBesideTheTool) {
    ASSERT_TRUE(Run("echo [%NoDefaultCurrentDirectoryInExePath%] & cd"));
    std::wstring cmd = SystemCmdPath();
    std::string folder = NarrowPath(cmd.substr(0, cmd.find_last_of(L'\\')));
    std::string expected = "[1] \r\n" + folder + "\r\n";
    std::string text = WaitForBytes(expected.size());
    EXPECT_EQ(0, _stricmp(expected.c_str(), text.c_str())) << text;
}

TEST_F(CmdCommandOpTest, NoOutputBeforeTheFirstLaunch) {
    ::Sleep(1200);
    EXPECT_EQ(0u, m_received.Chunks());
    // A reader that is only pausing leaves at once.
    DWORD start = ::GetTickCount();
    EXPECT_TRUE(DestroyCmdCommandOp(m_op));
    m_op = nullptr;
    EXPECT_LT(::GetTickCount() - start, 1000u);
}

TEST_F(CmdCommandOpTest, SingleInstanceAndCallsAfterDestroy) {
    EXPECT_EQ(nullptr, CreateCmdCommandOp());
    EXPECT_FALSE(SetCmdOutputCallback(nullptr, &OnOutput, nullptr));
    EXPECT_FALSE(RunCmdCommand(nullptr, "echo x", 6));
    EXPECT_FALSE(CloseCmdCommand(nullptr));
    EXPECT_FALSE(DestroyCmdCommandOp(nullptr));
    // The first runner is still the one.
    ASSERT_TRUE(Run("echo still"));
    EXPECT_EQ("still\r\n", WaitForBytes(7));

    ASSERT_TRUE(DestroyCmdCommandOp(m_op));
    CCmdCommandOp* gone = m_op;
    m_op = nullptr;
    EXPECT_FALSE(SetCmdOutputCallback(gone, &OnOutput, &m_received));
    EXPECT_FALSE(RunCmdCommand(gone, "echo x", 6));
    EXPECT_FALSE(CloseCmdCommand(gone));
    EXPECT_FALSE(DestroyCmdCommandOp(gone));

    // A new one can be made once the old one is gone.
    CCmdCommandOp* next = CreateCmdCommandOp();
    ASSERT_NE(nullptr, next);
    EXPECT_TRUE(DestroyCmdCommandOp(next));
}

TEST_F(CmdCommandOpTest, CloseEndsOnlyWhatTheRunnerStarted) {
    std::wstring folder = MakeTempFolder(L"tarnwick exec close");
    std::wstring runnerFile = folder + L"\\runner.txt", ownFile = folder + L"\\own.txt";

    // Through the runner: cmd.exe, and under it this program hanging.
    ::SetEnvironmentVariableA(kHangFileVariable, NarrowPath(runnerFile).c_str());
    ASSERT_TRUE(Run(HangCommand()));

    // A cmd.exe of the test's own, the same way but not through the runner;
    // its own job only cleans up after the test.
    ::SetEnvironmentVariableA(kHangFileVariable, NarrowPath(ownFile).c_str());
    std::wstring cmd = SystemCmdPath();
    std::string narrow = "cmd /C " + HangCommand() + " >nul";
    std::wstring line(narrow.begin(), narrow.end());
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION own{};
    HANDLE cleanup = ::CreateJobObjectW(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    ::SetInformationJobObject(cleanup, JobObjectExtendedLimitInformation, &limits, sizeof(limits));
    ASSERT_TRUE(::CreateProcessW(cmd.c_str(), &line[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr,
                                 &si, &own));
    ::AssignProcessToJobObject(cleanup, own.hProcess);
    ::ResumeThread(own.hThread);
    ::SetEnvironmentVariableA(kHangFileVariable, nullptr);

    ASSERT_TRUE(PumpUntil([&] { return ReadPid(runnerFile) && ReadPid(ownFile); }, 30000));
    DWORD runnerChild = ReadPid(runnerFile);
    DWORD runnerCmd = ParentOf(runnerChild);
    DWORD ownChild = ReadPid(ownFile);
    HANDLE child = ::OpenProcess(SYNCHRONIZE, FALSE, runnerChild);
    HANDLE childCmd = runnerCmd ? ::OpenProcess(SYNCHRONIZE, FALSE, runnerCmd) : nullptr;
    HANDLE ownGrandchild = ::OpenProcess(SYNCHRONIZE, FALSE, ownChild);
    ASSERT_NE(nullptr, child);
    ASSERT_NE(nullptr, childCmd) << "the runner's cmd.exe above the hanging program";
    ASSERT_NE(nullptr, ownGrandchild);
    EXPECT_FALSE(Ended(child, 0));

    EXPECT_TRUE(CloseCmdCommand(m_op));
    EXPECT_TRUE(Ended(child, 5000)) << "the hanging command is ended";
    EXPECT_TRUE(Ended(childCmd, 5000)) << "and the cmd.exe that ran it";
    EXPECT_FALSE(Ended(own.hProcess, 500)) << "a cmd.exe the runner did not start survives";
    EXPECT_FALSE(Ended(ownGrandchild, 0));

    // The runner still works after Close. What the hanging program printed
    // may have been read before the Close, depending on the reader's pass.
    size_t before = m_received.Text().size();
    ASSERT_TRUE(Run("echo after close"));
    EXPECT_EQ("after close\r\n", WaitForBytes(before + 13).substr(before));

    ::CloseHandle(child);
    ::CloseHandle(childCmd);
    ::CloseHandle(ownGrandchild);
    ::CloseHandle(own.hThread);
    ::CloseHandle(own.hProcess);
    ::CloseHandle(cleanup);
}

namespace {
struct Ends {
    std::mutex lock;
    std::vector<unsigned> tags;
    std::vector<unsigned> Tags() {
        std::lock_guard<std::mutex> g(lock);
        return tags;
    }
};
void OnEnded(unsigned tag, void* context) {
    auto* e = static_cast<Ends*>(context);
    std::lock_guard<std::mutex> g(e->lock);
    e->tags.push_back(tag);
}
CCmdCommandOp* g_tagged = nullptr;
std::vector<unsigned> g_chunkTags;
bool OnTaggedOutput(const char* bytes, int length, void* context) {
    g_chunkTags.push_back(g_tagged->OutputTag());
    return OnOutput(bytes, length, context);
}
}  // namespace

TEST_F(CmdCommandOpTest, EachCommandsOutputAndEndComeWithItsTagAndAHungOneCanBeEnded) {
    Ends ends;
    g_tagged = m_op;
    ASSERT_TRUE(SetCmdOutputCallback(m_op, &OnTaggedOutput, &m_received));
    ASSERT_TRUE(SetCmdEndedCallback(m_op, &OnEnded, &ends));
    // Nobody can answer a hidden command: its input ends at once.
    ASSERT_TRUE(m_op->Execute("set /p answer=? & echo after", 28, 7));
    ASSERT_TRUE(PumpUntil([&] { return !ends.Tags().empty(); }, 5000)) << "the end of a command was not told";
    EXPECT_EQ(std::vector<unsigned>{7}, ends.Tags());
    EXPECT_NE(std::string::npos, m_received.Text().find("after")) << "all output comes before the end";

    std::wstring file = MakeTempFolder(L"tarnwick exec end") + L"\\runner.txt";
    ::SetEnvironmentVariableA(kHangFileVariable, NarrowPath(file).c_str());
    std::string hang = HangCommand();
    ASSERT_TRUE(m_op->Execute(hang.data(), static_cast<int>(hang.size()), 8));
    ::SetEnvironmentVariableA(kHangFileVariable, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return ReadPid(file) != 0; }, 30000));
    HANDLE child = ::OpenProcess(SYNCHRONIZE, FALSE, ReadPid(file));
    ASSERT_NE(nullptr, child);
    EXPECT_TRUE(m_op->EndCommand(3000));
    EXPECT_TRUE(Ended(child, 0)) << "EndCommand returned before the command was gone";
    ::CloseHandle(child);
    EXPECT_TRUE(PumpUntil([&] { return ends.Tags().size() == 2; }, 2000)) << "the reader stayed on the dead pipe";

    size_t before = m_received.Text().size();
    ASSERT_TRUE(m_op->Execute("echo next", 9, 9));
    EXPECT_EQ("next\r\n", WaitForBytes(before + 6).substr(before));
    EXPECT_EQ(9u, g_chunkTags.back());
    EXPECT_TRUE(PumpUntil([&] { return ends.Tags().size() == 3; }, 2000));
    EXPECT_EQ((std::vector<unsigned>{7, 8, 9}), ends.Tags());
}

TEST_F(CmdCommandOpTest, DestroyEndsAHangingCommandPromptly) {
    std::wstring folder = MakeTempFolder(L"tarnwick exec destroy");
    std::wstring file = folder + L"\\runner.txt";
    ::SetEnvironmentVariableA(kHangFileVariable, NarrowPath(file).c_str());
    ASSERT_TRUE(Run(HangCommand()));
    ::SetEnvironmentVariableA(kHangFileVariable, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return ReadPid(file) != 0; }, 30000));
    HANDLE child = ::OpenProcess(SYNCHRONIZE, FALSE, ReadPid(file));
    ASSERT_NE(nullptr, child);

    // The reader sits in a read on the hanging command's pipe.
    DWORD start = ::GetTickCount();
    EXPECT_TRUE(DestroyCmdCommandOp(m_op));
    m_op = nullptr;
    EXPECT_LT(::GetTickCount() - start, CCmdCommandOp::kReaderGraceMs) << "the reader left within its grace";
    EXPECT_TRUE(Ended(child, 5000));
    ::CloseHandle(child);
}

namespace {
const wchar_t kOutputLog[] = L"log_CommandOutput.txt";

bool LogOutput(const char* bytes, int length, void* context) {
    WriteLog(std::string(bytes, static_cast<size_t>(length)), kOutputLog);
    return OnOutput(bytes, length, context);
}
}  // namespace

TEST_F(CmdCommandOpTest, DestroyWhileOutputIsLoggedLeavesTheLogUsable) {
    std::wstring log = ProgramFolder() + kOutputLog;
    ::DeleteFileW(log.c_str());
    ASSERT_TRUE(SetCmdOutputCallback(m_op, &LogOutput, &m_received));
    ASSERT_TRUE(Run("for /L %i in (1,1,5000) do @echo output line %i"));
    ASSERT_TRUE(PumpUntil([&] { return m_received.Chunks() >= 2; }, 15000));

    DWORD start = ::GetTickCount();
    ASSERT_TRUE(DestroyCmdCommandOp(m_op));
    m_op = nullptr;
    EXPECT_LT(::GetTickCount() - start, CCmdCommandOp::kReaderGraceMs) << "the reader left by itself";

    // Neither the file nor the heap was left held by the reader.
    std::string before = ReadFileBytes(log);
    WriteLog(std::string("after the runner"), kOutputLog);
    std::string after = ReadFileBytes(log);
    ASSERT_EQ(before.size() + 22 + 18, after.size());
    EXPECT_EQ("after the runner\r\n", after.substr(before.size() + 22));
    ::DeleteFileW(log.c_str());
}
