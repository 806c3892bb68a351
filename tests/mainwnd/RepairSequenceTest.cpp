#include <gtest/gtest.h>

#include <algorithm>
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
    std::vector<std::string> events;  // records, guards and ends, in order
    std::vector<SpoolerCheck> asked;
    bool systemAgrees = false;
    unsigned lastTag = 0;
    int closes = 0;
    std::vector<bool> results;
    std::atomic<int>* progress = nullptr;
    bool HasRunner() override { return runner; }
    bool RunCommand(const char* c, int n, unsigned tag) override {
        commands.emplace_back(c, static_cast<size_t>(n));
        run.push_back("command");
        progressAtCommand.push_back(*progress);
        lastTag = tag;
        return true;
    }
    void EndCommand() override { events.push_back("end " + commands.back()); }
    void Log(const std::string& line) override { log.push_back(line); }
    void CloseProgress() override {
        ++closes;
        run.push_back("close");
    }
    std::vector<RunResult> ends;
    void ShowResult(RunResult result) override {
        bool ok = result == RunResult::Success;
        results.push_back(ok);
        ends.push_back(result);
        run.push_back(ok ? "success" : "failure");
    }
    bool Confirms(SpoolerCheck check) override {
        asked.push_back(check);
        return systemAgrees;
    }
    void RecordSpoolerDisabled(bool on) override { events.push_back(on ? "record" : "clear"); }
    void GuardShutdown(bool on) override { events.push_back(on ? "guard" : "unguard"); }
    // The lock, the progress and the printers, with the commands among them.
    bool lockFree = true;
    std::vector<std::string> run;
    bool TakeRunLock() override {
        run.push_back(lockFree ? "lock" : "lock busy");
        return lockFree;
    }
    void ReleaseRunLock() override { run.push_back("unlock"); }
    void ShowBusy() override { run.push_back("busy"); }
    void ShowProgress() override { run.push_back("progress"); }
    void RecordPrinters() override { run.push_back("record printers"); }
    // Whether the spooler stays up through each look, in turn; up once these run out.
    std::vector<bool> spoolerUp;
    bool LookAtPrinters() override {
        run.push_back("look at printers");
        if (spoolerUp.empty()) return true;
        bool up = spoolerUp.front();
        spoolerUp.erase(spoolerUp.begin());
        return up;
    }
};

struct RepairRun {
    Recorder rec;
    std::atomic<int> progress{0};
    CRepairSequence seq{rec, progress};
    DWORD now = 1000;
    RepairRun() { rec.progress = &progress; seq.Arm(); }
    // As the step thread passes: again at once when the sequence asks.
    void Pass(int n = 1) {
        for (int i = 0; i < n; ++i) {
            while (seq.Pass(now)) {
            }
            now += 100;
        }
    }
    // Output of the command issued last, or of an earlier one by its tag.
    void Out(const std::string& s) { seq.OnOutput(s.data(), static_cast<int>(s.size()), rec.lastTag); }
    void End() { seq.OnCommandEnded(rec.lastTag); }
    // The command prints and ends; the next pass issues the next one.
    void Done(const std::string& s) {
        Out(s);
        End();
        Pass();
    }
    bool Logged(const std::string& line) const {
        return std::find(rec.log.begin(), rec.log.end(), line) != rec.log.end();
    }
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
    r.Done(kNetSessionDone);
    r.Done(kScSuccess);
    r.Done(kStopped);  // and attrib issued; it prints nothing when files were found
    ASSERT_EQ(4u, r.rec.commands.size());
    r.End();
    r.Pass(19);
    EXPECT_EQ(4, r.seq.RepairStep()) << "step 4 waits 21 passes";
    r.Pass();  // the 21st pass counted moves on
    EXPECT_EQ(5, r.seq.RepairStep());
    r.Pass();
    r.Out(kDeleted);
    r.Pass(5);
    EXPECT_EQ(5, r.seq.RepairStep()) << "the delete is not cut off while it still works";
    r.Out(kDeleted);  // later chunks of the delete change nothing
    r.Done(kDeleted);
    r.Done(kScSuccess);
    r.Done(kStarted);
    EXPECT_EQ((std::vector<int>{13, 26, 39, 52, 65, 78, 90}), r.rec.progressAtCommand);
    EXPECT_EQ("net session /delete /y", r.rec.commands[0]);
    EXPECT_EQ("del %systemroot%\\System32\\spool\\PRINTERS\\*.* /q /s", r.rec.commands[4]);
    EXPECT_EQ("net stop spooler /y", r.rec.commands[2]);
    EXPECT_EQ("net start spooler", r.rec.commands[6]);
    ASSERT_GE(r.rec.events.size(), 4u);
    EXPECT_EQ((std::vector<std::string>{"record", "guard", "clear", "unguard"}),
              std::vector<std::string>(r.rec.events.begin(), r.rec.events.begin() + 4))
        << "every command ended by itself; the record lasts from step 2 to step 6";
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
    r.Done(kNetSessionDone);
    r.Done(kScSuccess);
    r.Done(kNotStarted);
    EXPECT_EQ(4, r.seq.RepairStep());
    r.Done(kNoFile);
    EXPECT_EQ((std::vector<int>{13, 26, 39, 52, 78}), r.rec.progressAtCommand);
    for (const auto& c : r.rec.commands) EXPECT_EQ(std::string::npos, c.find("del ")) << c;
    // Step 4's pass count no longer applies once it moved on.
    r.Pass(30);
    EXPECT_EQ(6, r.seq.RepairStep());
}

TEST(RepairSequence, OutputIsJudgedOnlyWholeAndOnlyWhileACommandRuns) {
    RepairRun r;
    r.seq.Start(r.now);
    r.Out(kNetSessionDone);  // before step 1 is issued: logged, not judged
    EXPECT_EQ(1, r.seq.RepairStep());
    EXPECT_EQ(1u, r.rec.log.size());
    r.Pass();
    std::string split = kNetSessionDone;
    r.Out(split.substr(0, 5));
    r.Out(split.substr(5));
    std::string cut = std::string("x\0", 2) + kNetSessionDone;
    r.Out(cut);
    EXPECT_EQ("x", r.rec.log.back());
    r.Out(std::string());
    r.seq.OnOutput(nullptr, 10, r.rec.lastTag);
    EXPECT_EQ(5u, r.rec.log.size()) << "empty chunks are not logged";
    r.End();
    r.Pass();
    EXPECT_TRUE(r.Logged("\xCD\xF8\xC2\xE7\xBB\xE1\xBB\xB0\xCE\xB4\xC4\xDC\xC9\xBE\xB3\xFD\xA3\xAC"
                         "\xBC\xCC\xD0\xF8\xD0\xDE\xB8\xB4"))
        << "neither a split marker nor one after a zero byte is seen";
}

TEST(RepairSequence, AHungStopIsEndedAndTheRestoreIsReadAndJudged) {
    RepairRun r;
    r.seq.Start(r.now);
    r.Pass();
    r.Done(kNetSessionDone);
    r.Done(kScSuccess);  // and net stop issued; it hangs
    unsigned hungTag = r.rec.lastTag;
    r.Pass(CRepairSequence::kStepTimeoutMs / 100 - 1);
    EXPECT_EQ(3, r.seq.RepairStep());
    EXPECT_TRUE(r.rec.results.empty());
    r.Pass(3);
    ASSERT_EQ(4u, r.rec.commands.size());
    EXPECT_EQ("sc config spooler start= auto", r.rec.commands[3]);
    EXPECT_EQ("end net stop spooler /y", r.rec.events.at(2)) << "the hung command goes before the restore";
    // The killed command's last words arrive late: they belong to no step.
    r.seq.OnOutput(kStopped.data(), static_cast<int>(kStopped.size()), hungTag);
    r.seq.OnCommandEnded(hungTag);
    r.Pass(3);
    EXPECT_EQ(4u, r.rec.commands.size()) << "a late chunk moved the restore on";
    r.Done(kScSuccess);
    ASSERT_EQ(5u, r.rec.commands.size());
    EXPECT_EQ("net start spooler", r.rec.commands[4]);
    EXPECT_EQ(1, std::count(r.rec.events.begin(), r.rec.events.end(), "clear"))
        << "the restored start type clears the record";
    EXPECT_TRUE(r.rec.results.empty()) << "the failure shows after the spooler is back";
    r.Done(kStarted);
    EXPECT_EQ(std::vector<bool>{false}, r.rec.results);
    EXPECT_EQ(100, r.progress.load());
    EXPECT_EQ(1, r.rec.closes);
}

TEST(RepairSequence, ACommandThatEndsWithoutItsWordsIsJudgedByTheSystem) {
    const std::string english = "[SC] ChangeServiceConfig SUCCESS\r\n";
    RepairRun agreed;
    agreed.rec.systemAgrees = true;
    agreed.seq.Start(agreed.now);
    agreed.Pass();
    agreed.Done("The command completed successfully.\r\n");
    agreed.Done(english);
    agreed.Done("The Print Spooler service was stopped successfully.\r\n");
    agreed.End();  // attrib
    agreed.Pass(21);
    agreed.Done("Deleted file - C:\\Windows\\System32\\spool\\PRINTERS\\00002.SHD\r\n");
    agreed.Done(english);
    agreed.Done("The Print Spooler service was started successfully.\r\n");
    EXPECT_EQ(std::vector<bool>{true}, agreed.rec.results);
    EXPECT_EQ((std::vector<SpoolerCheck>{SpoolerCheck::StartDisabled, SpoolerCheck::Stopped, SpoolerCheck::QueueEmpty,
                                         SpoolerCheck::StartAutomatic, SpoolerCheck::Running}),
              agreed.rec.asked);
    EXPECT_EQ(5, std::count(agreed.rec.log.begin(), agreed.rec.log.end(), CRepairSequence::kJudgedByState));

    // Without the system's word the step fails at once, and the spooler is put back.
    RepairRun refused;
    refused.seq.Start(refused.now);
    refused.Pass();
    refused.Done(kNetSessionDone);
    refused.Done(english);
    ASSERT_EQ(3u, refused.rec.commands.size());
    EXPECT_EQ("sc config spooler start= auto", refused.rec.commands[2]);
}

TEST(RepairSequence, DroppingSessionsNeverStopsTheRepair) {
    RepairRun failed;
    failed.seq.Start(failed.now);
    failed.Pass();
    failed.Done("\xB7\xA2\xC9\xFA\xCF\xB5\xCD\xB3\xB4\xED\xCE\xF3 2102\r\n");  // 发生系统错误
    ASSERT_EQ(2u, failed.rec.commands.size());
    EXPECT_EQ("sc config spooler start= disabled", failed.rec.commands[1]);

    RepairRun hung;
    hung.seq.Start(hung.now);
    hung.Pass(CRepairSequence::kStepTimeoutMs / 100 + 3);
    ASSERT_EQ(2u, hung.rec.commands.size());
    EXPECT_EQ("end net session /delete /y", hung.rec.events.at(0));
    EXPECT_TRUE(hung.rec.results.empty());
}

TEST(RepairSequence, WordsWithoutAnEndMoveOnAfterTenSeconds) {
    RepairRun r;
    r.seq.Start(r.now);
    r.Pass();
    r.Out(kNetSessionDone);
    r.Pass(CRepairSequence::kAfterWordsMs / 100 - 1);
    EXPECT_EQ(1u, r.rec.commands.size());
    r.Pass(2);
    ASSERT_EQ(2u, r.rec.commands.size());
    EXPECT_EQ("end net session /delete /y", r.rec.events.at(0));
}

TEST(RepairSequence, FailureBeforeTheSpoolerWasTouchedAndWithoutARunner) {
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
    hung.Done(kNetSessionDone);
    hung.Done(kScSuccess);
    hung.Pass((CRepairSequence::kStepTimeoutMs + 2 * CRepairSequence::kRestoreTimeoutMs) / 100 + 10);
    EXPECT_EQ(std::vector<bool>{false}, hung.rec.results);
    EXPECT_EQ("record", hung.rec.events.front());
    EXPECT_EQ(0, std::count(hung.rec.events.begin(), hung.rec.events.end(), "clear"))
        << "nothing confirmed the start type: the record stays for the next start";
}

TEST(RepairSequence, ARestoreAloneShowsNothing) {
    RepairRun r;
    r.seq.StartRestore(r.now);
    r.Pass();
    r.Done(kScSuccess);
    r.Done(kStarted);
    r.Pass(3);
    EXPECT_FALSE(r.seq.Running());
    EXPECT_EQ((std::vector<std::string>{"sc config spooler start= auto", "net start spooler"}), r.rec.commands);
    EXPECT_EQ("clear", r.rec.events.at(0));
    EXPECT_TRUE(r.rec.results.empty());
    EXPECT_EQ(0, r.rec.closes);
}

TEST(RepairSequence, ASecondRunStartsFromStepOne) {
    RepairRun r;
    r.seq.Start(r.now);
    r.Pass();
    r.Done(kNetSessionDone);
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

// Up to step 7's words, with an empty queue.
static void RunToTheStart(RepairRun& r) {
    r.seq.Start(r.now);
    r.Pass();
    r.Done(kNetSessionDone);
    r.Done(kScSuccess);
    r.Done(kStopped);
    r.End();
    r.Pass(21);
    r.Done(kNoFile);
    r.Done(kScSuccess);
    r.Done(kStarted);
    r.Pass();  // issues what follows the look
}

TEST(RepairSequence, ARunHoldsTheLockFromItsStartToItsEndAndLooksAtThePrintersAroundTheCommands) {
    RepairRun r;
    RunToTheStart(r);
    std::vector<std::string> expected = {"lock", "progress", "record printers"};
    expected.insert(expected.end(), 7, "command");
    for (const char* e : {"look at printers", "unlock", "close", "success"}) expected.push_back(e);
    EXPECT_EQ(expected, r.rec.run);

    // A failure gives the lock back too, with no look at the printers.
    RepairRun failed;
    failed.seq.Start(failed.now);
    failed.Pass();
    failed.Done(kNetSessionDone);
    failed.Done("[SC] OpenService FAILED 5\r\n");
    failed.Done(kScSuccess);
    failed.Done(kStarted);
    ASSERT_EQ(std::vector<bool>{false}, failed.rec.results);
    EXPECT_EQ(0, std::count(failed.rec.run.begin(), failed.rec.run.end(), "look at printers"));
    EXPECT_EQ((std::vector<std::string>{"unlock", "close", "failure"}),
              std::vector<std::string>(failed.rec.run.end() - 3, failed.rec.run.end()));
}

TEST(RepairSequence, WhileAnotherRepairHoldsTheLockNothingRunsAndTheNextStartMayTryAgain) {
    RepairRun r;
    r.rec.lockFree = false;
    r.seq.Start(r.now);
    r.Pass(5);
    EXPECT_EQ((std::vector<std::string>{"lock busy", "busy"}), r.rec.run);
    EXPECT_FALSE(r.seq.Running());
    EXPECT_TRUE(r.rec.events.empty()) << "the spooler was touched";

    r.rec.lockFree = true;
    r.rec.run.clear();
    r.seq.Start(r.now);
    r.Pass();
    EXPECT_EQ((std::vector<std::string>{"lock", "progress", "record printers", "command"}), r.rec.run);
    EXPECT_EQ("net session /delete /y", r.rec.commands.at(0));
}

TEST(RepairSequence, ASlowAttribIsWaitedForAndAHungOneOnlyUntilTheStepsLimit) {
    for (bool hangs : {false, true}) {
        RepairRun r;
        r.seq.Start(r.now);
        r.Pass();
        r.Done(kNetSessionDone);
        r.Done(kScSuccess);
        r.Done(kStopped);
        r.Pass(40);
        EXPECT_EQ(4, r.seq.RepairStep()) << "an attrib still at work is not cut off";
        if (hangs) {
            r.Pass(262);
            EXPECT_EQ(5, r.seq.RepairStep()) << "a hung attrib holds the repair for the step's 30 s at most";
            continue;
        }
        r.End();
        r.Pass();
        EXPECT_EQ(5, r.seq.RepairStep()) << "the delete follows as soon as attrib has ended";
        EXPECT_EQ(r.rec.events.end(), std::find(r.rec.events.begin(), r.rec.events.end(),
                                                "end attrib %systemroot%\\System32\\spool\\PRINTERS\\*.* -R /s"));
    }
}

TEST(RepairSequence, ASpoolerThatStopsByItselfIsStartedOnceMoreAndFailsTheRunIfItStopsAgain) {
    const std::string kStartAgainLine =
        "\xB4\xF2\xD3\xA1\xB7\xFE\xCE\xF1\xC6\xF4\xB6\xAF\xBA\xF3\xD3\xD6\xCD\xA3\xD6\xB9"
        "\xC1\xCB\xA3\xAC\xD4\xD9\xC6\xF4\xB6\xAF\xD2\xBB\xB4\xCE";
    // Stops once, then stays: the second start is judged as the first was.
    RepairRun once;
    once.rec.spoolerUp = {false};
    RunToTheStart(once);
    ASSERT_EQ(8u, once.rec.commands.size());
    EXPECT_EQ("net start spooler", once.rec.commands[7]);
    EXPECT_EQ(1, std::count(once.rec.log.begin(), once.rec.log.end(), kStartAgainLine));
    EXPECT_TRUE(once.rec.ends.empty());
    once.Done(kStarted);
    EXPECT_EQ(std::vector<RunResult>{RunResult::Success}, once.rec.ends);
    EXPECT_EQ(2, std::count(once.rec.run.begin(), once.rec.run.end(), "look at printers"));

    // Stops twice: the restore runs as after any failure, then the failure
    // says why.
    RepairRun twice;
    twice.rec.spoolerUp = {false, false};
    RunToTheStart(twice);
    twice.Done(kStarted);
    twice.Pass();
    twice.Done(kScSuccess);
    twice.Done(kStarted);
    ASSERT_EQ(10u, twice.rec.commands.size());
    EXPECT_EQ("sc config spooler start= auto", twice.rec.commands[8]);
    EXPECT_EQ("net start spooler", twice.rec.commands[9]);
    EXPECT_EQ(std::vector<RunResult>{RunResult::SpoolerStopsAgain}, twice.rec.ends);
    EXPECT_EQ(1, std::count(twice.rec.log.begin(), twice.rec.log.end(), kStartAgainLine)) << "one more start only";
    EXPECT_EQ(2, std::count(twice.rec.run.begin(), twice.rec.run.end(), "look at printers"));

    // A second start that fails is a plain failure, restored too; the next
    // run may start the spooler once more again.
    RepairRun refused;
    refused.rec.spoolerUp = {false};
    RunToTheStart(refused);
    refused.Done("\xB7\xA2\xC9\xFA\xCF\xB5\xCD\xB3\xB4\xED\xCE\xF3 1058\xA1\xA3\r\n");  // 发生系统错误 1058。
    refused.Pass();
    refused.Done(kScSuccess);
    refused.Done(kStarted);
    EXPECT_EQ(std::vector<RunResult>{RunResult::Failure}, refused.rec.ends);
    refused.rec.spoolerUp = {false};
    RunToTheStart(refused);
    EXPECT_EQ("net start spooler", refused.rec.commands.back()) << "started once more in the next run";
    EXPECT_EQ(1u, refused.rec.ends.size());
}
