#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mainwnd/RepairSequence.h"

namespace {


// What a Chinese Windows prints around the markers, in code page 936.
const std::string kNetSessionDone = "\xC3\xFC\xC1\xEE\xB3\xC9\xB9\xA6\xCD\xEA\xB3\xC9\xA1\xA3\r\n\r\n";
const std::string kScSuccess = "[SC] ChangeServiceConfig \xB3\xC9\xB9\xA6\r\n";
const std::string kStopped = "Print Spooler \xB7\xFE\xCE\xF1\xD5\xFD\xD4\xDA\xCD\xA3\xD6\xB9.\r\nPrint Spooler \xB7\xFE\xCE\xF1\xD2\xD1\xB3\xC9\xB9\xA6\xCD\xA3\xD6\xB9\xA1\xA3\r\n";
const std::string kNotStarted = "Print Spooler \xB7\xFE\xCE\xF1\xC3\xBB\xD3\xD0\xC6\xF4\xB6\xAF\xA1\xA3\r\n";
const std::string kNoFile = "\xD5\xD2\xB2\xBB\xB5\xBD\xCE\xC4\xBC\xFE - C:\\Windows\\System32\\spool\\PRINTERS\\*.*\r\n";
const std::string kDeleted = "\xC9\xBE\xB3\xFD\xCE\xC4\xBC\xFE - C:\\Windows\\System32\\spool\\PRINTERS\\00002.SHD\r\n";
const std::string kStarted = "Print Spooler \xB7\xFE\xCE\xF1\xD5\xFD\xD4\xDA\xC6\xF4\xB6\xAF .\r\nPrint Spooler \xB7\xFE\xCE\xF1\xD2\xD1\xBE\xAD\xC6\xF4\xB6\xAF\xB3\xC9\xB9\xA6\xA1\xA3\r\n";

struct Recorder : IRepairActions {
    bool runner = true;
    std::vector<std::string> commands;
    std::vector<std::string> log;
    std::vector<int> progressAtCommand;
    int closes = 0;
    std::vector<bool> results;
    std::atomic<int>* progress = nullptr;
    bool HasRunner() override { return runner; }
    void RunCommand(const char* c, int n) override {
        commands.emplace_back(c, static_cast<size_t>(n));
        progressAtCommand.push_back(*progress);
    }
    void Log(const std::string& line) override { log.push_back(line); }
    void CloseProgress() override { ++closes; }
    void ShowResult(bool ok) override { results.push_back(ok); }
};

struct RepairRun {
    Recorder rec;
    std::atomic<int> progress{0};
    CRepairSequence seq{rec, progress};
    DWORD now = 1000;
    RepairRun() { rec.progress = &progress; seq.repairStep = 1; }
    void Pass(int n = 1) {
        for (int i = 0; i < n; ++i) {
            seq.Pass(now);
            now += 100;
        }
    }
    void Out(const std::string& s) { seq.OnOutput(s.data(), static_cast<int>(s.size())); }
};

}  // namespace

TEST(RepairSequence, QueuedJobsRunAllSevenStepsToSuccess) {
    RepairRun r;
    r.now = 0x7FFF0000;  // a machine that has been up for weeks
    r.Pass(3);
    EXPECT_TRUE(r.rec.commands.empty()) << "idle passes only sleep";
    EXPECT_TRUE(r.rec.results.empty()) << "no run, so nothing can fail";
    r.seq.Start(r.now);
    r.Pass();
    r.Out(kNetSessionDone);
    r.Pass();
    r.Out(kScSuccess);
    r.Pass();
    r.Out(kStopped);
    r.Pass();  // attrib issued; it prints nothing when files were found
    ASSERT_EQ(4u, r.rec.commands.size());
    r.Pass(19);
    EXPECT_EQ(4, r.seq.repairStep.load()) << "step 4 waits 21 passes";
    r.Pass();  // the 21st pass counted moves on
    EXPECT_EQ(5, r.seq.repairStep.load());
    r.Pass();
    r.Out(kDeleted);
    r.Out(kDeleted);  // later chunks of the delete change nothing
    r.Pass();
    r.Out(kScSuccess);
    r.Pass();
    r.Out(kStarted);
    r.Pass();
    EXPECT_EQ((std::vector<int>{13, 26, 39, 52, 65, 78, 90}), r.rec.progressAtCommand);
    EXPECT_EQ("net session /delete /y", r.rec.commands[0]);
    EXPECT_EQ("del %systemroot%\\System32\\spool\\PRINTERS\\*.* /q /s", r.rec.commands[4]);
    EXPECT_EQ("net start spooler", r.rec.commands[6]);
    EXPECT_EQ(100, r.progress.load());
    EXPECT_EQ(1, r.rec.closes);
    EXPECT_EQ(std::vector<bool>{true}, r.rec.results);
    // Every command is logged before its output.
    ASSERT_GE(r.rec.log.size(), 3u);
    EXPECT_EQ("net session /delete /y", r.rec.log[0]);
    EXPECT_EQ(kNetSessionDone, r.rec.log[1]);
    r.Pass(5);
    EXPECT_EQ(1u, r.rec.results.size()) << "the end shows once";
}

TEST(RepairSequence, EmptyQueueSkipsTheDeleteAndAStoppedSpoolerStillRunsThrough) {
    RepairRun r;
    r.seq.Start(r.now);
    r.Pass();
    r.Out(kNetSessionDone);
    r.Pass();
    r.Out(kScSuccess);
    r.Pass();
    r.Out(kNotStarted);
    EXPECT_EQ(4, r.seq.repairStep.load());
    r.Pass();
    r.Out(kNoFile);
    r.Pass();
    EXPECT_EQ((std::vector<int>{13, 26, 39, 52, 78}), r.rec.progressAtCommand);
    for (const auto& c : r.rec.commands) EXPECT_EQ(std::string::npos, c.find("del ")) << c;
    // Step 4's pass count no longer applies once it moved on.
    r.Pass(30);
    EXPECT_EQ(6, r.seq.repairStep.load());
}

TEST(RepairSequence, OutputIsJudgedOnlyWholeAndOnlyWhileACommandRuns) {
    RepairRun r;
    r.seq.Start(r.now);
    r.Out(kNetSessionDone);  // before step 1 is issued: logged, not judged
    EXPECT_EQ(1, r.seq.repairStep.load());
    EXPECT_EQ(1u, r.rec.log.size());
    r.Pass();
    std::string split = kNetSessionDone;
    r.Out(split.substr(0, 5));
    r.Out(split.substr(5));
    EXPECT_EQ(1, r.seq.repairStep.load()) << "a marker split over two chunks is not seen";
    std::string cut = std::string("x\0", 2) + kNetSessionDone;
    r.Out(cut);
    EXPECT_EQ(1, r.seq.repairStep.load()) << "text after a zero byte is not looked at";
    EXPECT_EQ("x", r.rec.log.back());
    r.Out(std::string());
    r.seq.OnOutput(nullptr, 10);
    EXPECT_EQ(5u, r.rec.log.size()) << "empty chunks are not logged";
}

TEST(RepairSequence, AStepThatNeverAnswersFailsAndPutsTheSpoolerBack) {
    RepairRun r;
    r.seq.Start(r.now);
    r.Pass();
    r.Out(kNetSessionDone);
    r.Pass();
    r.Out(kScSuccess);
    r.Pass();  // net stop hangs
    r.Pass(CRepairSequence::kStepTimeoutMs / 100 - 1);
    EXPECT_EQ(3, r.seq.repairStep.load());
    EXPECT_TRUE(r.rec.results.empty());
    r.Pass(3);
    ASSERT_EQ(4u, r.rec.commands.size());
    EXPECT_EQ("sc config spooler start= auto", r.rec.commands[3]);
    r.Out(kScSuccess);
    r.Pass();
    ASSERT_EQ(5u, r.rec.commands.size());
    EXPECT_EQ("net start spooler", r.rec.commands[4]);
    EXPECT_TRUE(r.rec.results.empty()) << "the failure shows after the spooler is back";
    r.Out(kStarted);
    r.Pass();
    EXPECT_EQ(std::vector<bool>{false}, r.rec.results);
    EXPECT_EQ(100, r.progress.load());
    EXPECT_EQ(1, r.rec.closes);
}

TEST(RepairSequence, FailureBeforeTheSpoolerWasTouchedAndWithoutARunner) {
    RepairRun early;
    early.seq.Start(early.now);
    early.Pass(CRepairSequence::kStepTimeoutMs / 100 + 3);
    EXPECT_EQ(1u, early.rec.commands.size()) << "nothing to put back before the service was disabled";
    EXPECT_EQ(std::vector<bool>{false}, early.rec.results);

    RepairRun none;
    none.rec.runner = false;
    none.seq.Start(none.now);
    none.Pass(CRepairSequence::kStepTimeoutMs / 100 + 3);
    EXPECT_TRUE(none.rec.commands.empty());
    EXPECT_EQ(std::vector<bool>{false}, none.rec.results) << "a run without a runner must still end";

    // The restoring commands are bounded too.
    RepairRun hung;
    hung.seq.Start(hung.now);
    hung.Pass();
    hung.Out(kNetSessionDone);
    hung.Pass();
    hung.Out(kScSuccess);
    hung.Pass((CRepairSequence::kStepTimeoutMs + 2 * CRepairSequence::kRestoreTimeoutMs) / 100 + 10);
    EXPECT_EQ(std::vector<bool>{false}, hung.rec.results);
}

TEST(RepairSequence, ASecondRunStartsFromStepOne) {
    RepairRun r;
    r.seq.Start(r.now);
    r.Pass();
    r.Out(kNetSessionDone);
    r.Pass(CRepairSequence::kStepTimeoutMs / 100 + 400);
    ASSERT_EQ(1u, r.rec.results.size());
    r.rec.commands.clear();
    r.rec.progressAtCommand.clear();
    r.seq.Start(r.now);
    EXPECT_EQ(0, r.progress.load());
    r.Pass();
    EXPECT_EQ(std::vector<int>{13}, r.rec.progressAtCommand);
    EXPECT_FALSE(r.seq.deletionSeen.load());
}
