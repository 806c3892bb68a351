#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "printing/SpoolerWatch.h"

namespace {
// The service manager's answers, one per reading; the last one repeats.
struct Answers {
    std::vector<SpoolerStatus> answers;
    size_t at = 0;
    SpoolerStatus operator()() { return answers[at < answers.size() ? at++ : answers.size() - 1]; }
};
SpoolerStatus Running(DWORD pid) { return SpoolerStatus{true, SERVICE_RUNNING, pid}; }
}  // namespace

TEST(SpoolerWatch, TheSpoolerMustStayRunningInOneProcess) {
    Answers up{{Running(40), SpoolerStatus{}, Running(40)}};
    CSpoolerWatch stays([&] { return up(); });
    stays.Begin(1000);
    EXPECT_TRUE(stays.Poll(1500)) << "a reading that fails proves nothing";
    EXPECT_TRUE(stays.Poll(2000));
    EXPECT_FALSE(stays.Stopped());
    EXPECT_EQ("", stays.Line());

    Answers stops{{Running(40), Running(40), SpoolerStatus{true, SERVICE_STOP_PENDING, 40}}};
    CSpoolerWatch stopped([&] { return stops(); });
    stopped.Begin(1000);
    EXPECT_TRUE(stopped.Poll(1500));
    EXPECT_FALSE(stopped.Poll(2640));
    EXPECT_FALSE(stopped.Poll(2800)) << "once stopped, it stays stopped";
    EXPECT_TRUE(stopped.Stopped());
    EXPECT_EQ("\xB4\xF2\xD3\xA1\xB7\xFE\xCE\xF1\xD4\xDA\xC6\xF4\xB6\xAF 1.6 \xC3\xEB\xBA\xF3\xCD\xA3\xD6\xB9",
              stopped.Line())
        << "打印服务在启动 1.6 秒后停止";

    // Crashed and started again by the service manager, in another process.
    Answers restarted{{Running(40), Running(40), Running(52)}};
    CSpoolerWatch again([&] { return restarted(); });
    again.Begin(1000);
    EXPECT_TRUE(again.Poll(1100));
    EXPECT_FALSE(again.Poll(1200));
    EXPECT_TRUE(again.Stopped());
}

TEST(SpoolerWatch, LastsTwoSecondsAndASecondPastTheLookOrItsLimit) {
    Answers up{{Running(40)}};
    CSpoolerWatch w([&] { return up(); });
    w.Begin(0xFFFFF000);  // the tick count wraps during the watch
    DWORD start = 0xFFFFF000;
    EXPECT_FALSE(w.LongEnough(start + 1999, start + 100)) << "never under two seconds";
    EXPECT_TRUE(w.LongEnough(start + 2000, start + 100));
    EXPECT_FALSE(w.LongEnough(start + 2400, start + 1500)) << "a second after a slow look";
    EXPECT_TRUE(w.LongEnough(start + 2500, start + 1500));
    EXPECT_FALSE(w.LongEnough(start + 2999, 0)) << "the look still runs";
    EXPECT_TRUE(w.LongEnough(start + 3000, 0)) << "its limit ends the wait for it";
    EXPECT_TRUE(w.LongEnough(start + 3000, start + 2800)) << "the limit comes before a second after a late look";
}
