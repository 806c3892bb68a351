#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "exec/EventThread.h"
#include "tests/support/TestSupport.h"

namespace {

struct Counter {
    std::atomic<int> passes{0};
    std::atomic<bool> finished{false};
    int stopAfter = -1;  // the pass that returns false
    DWORD sleepMs = 10;
    HANDLE gate = nullptr;  // the first pass waits for it
};

bool CountPass(void* context) {
    auto* c = static_cast<Counter*>(context);
    int n = ++c->passes;
    if (c->gate && n == 1) ::WaitForSingleObject(c->gate, 10000);
    ::Sleep(c->sleepMs);
    c->finished = true;
    return n != c->stopAfter;
}

// The count once it has not moved for a while.
int SettledCount(const Counter& c) {
    int before;
    do {
        before = c.passes;
        ::Sleep(150);
    } while (before != c.passes);
    return before;
}

}  // namespace

TEST(EventThread, StartPauseResumeAndStop) {
    Counter c;
    CEventThread worker;
    ASSERT_TRUE(worker.Start(&CountPass, &c));
    EXPECT_TRUE(worker.IsAlive());
    ::Sleep(200);
    EXPECT_EQ(0, c.passes) << "no pass before the run event is set";

    ASSERT_TRUE(worker.SetRunning(true));
    ASSERT_TRUE(PumpUntil([&] { return c.passes >= 5; }, 5000));

    ASSERT_TRUE(worker.SetRunning(false));
    int paused = SettledCount(c);
    ::Sleep(200);
    EXPECT_EQ(paused, c.passes) << "paused after the current pass";

    ASSERT_TRUE(worker.SetRunning(true));
    EXPECT_TRUE(PumpUntil([&] { return c.passes >= paused + 5; }, 5000));

    DWORD start = ::GetTickCount();
    worker.Stop(2000);
    EXPECT_LT(::GetTickCount() - start, 1000u) << "a willing worker leaves within one pass";
    EXPECT_FALSE(worker.IsAlive());
    EXPECT_FALSE(worker.SetRunning(true));
    int stopped = c.passes;
    ::Sleep(200);
    EXPECT_EQ(stopped, c.passes);
}

TEST(EventThread, StopWinsOverRunWhenBothAreSet) {
    Counter c;
    c.gate = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    CEventThread worker;
    ASSERT_TRUE(worker.Start(&CountPass, &c));
    ASSERT_TRUE(worker.SetRunning(true));
    ASSERT_TRUE(PumpUntil([&] { return c.passes == 1; }, 5000));

    // The run event stays set while the stop is asked for during a pass.
    std::thread stopper([&] { worker.Stop(5000); });
    ::Sleep(200);
    ::SetEvent(c.gate);
    stopper.join();
    EXPECT_EQ(1, c.passes);
    EXPECT_TRUE(c.finished) << "the pass ran to its end, it was not cut off";
    EXPECT_FALSE(worker.IsAlive());
    ::CloseHandle(c.gate);
}

TEST(EventThread, CallbackReturningFalseEndsTheWorker) {
    Counter c;
    c.stopAfter = 3;
    CEventThread worker;
    ASSERT_TRUE(worker.Start(&CountPass, &c));
    ASSERT_TRUE(worker.SetRunning(true));
    ASSERT_TRUE(PumpUntil([&] { return !worker.IsAlive(); }, 5000));
    EXPECT_EQ(3, c.passes);
    EXPECT_FALSE(worker.SetRunning(true));
    DWORD start = ::GetTickCount();
    worker.Stop(3000);
    EXPECT_LT(::GetTickCount() - start, 500u) << "nothing left to wait for";
    EXPECT_EQ(3, c.passes);

    // The object can be started again afterwards.
    Counter again;
    ASSERT_TRUE(worker.Start(&CountPass, &again));
    ASSERT_TRUE(worker.SetRunning(true));
    EXPECT_TRUE(PumpUntil([&] { return again.passes >= 2; }, 5000));
    worker.Stop(1000);
}

TEST(EventThread, StopWithoutGraceEndsASleepingCallback) {
    Counter c;
    c.sleepMs = 10000;
    CEventThread worker;
    ASSERT_TRUE(worker.Start(&CountPass, &c));
    ASSERT_TRUE(worker.SetRunning(true));
    ASSERT_TRUE(PumpUntil([&] { return c.passes == 1; }, 5000));
    ::Sleep(100);

    DWORD start = ::GetTickCount();
    worker.Stop(0);
    EXPECT_LT(::GetTickCount() - start, 1000u);
    EXPECT_FALSE(worker.IsAlive());
    ::Sleep(300);
    EXPECT_FALSE(c.finished) << "the pass was ended where it slept";
    EXPECT_EQ(1, c.passes);
}

TEST(EventThread, StopOnANeverStartedObject) {
    CEventThread worker;
    worker.Stop(0);
    worker.Stop(100);
    EXPECT_FALSE(worker.IsAlive());
    EXPECT_FALSE(worker.SetRunning(true));
    EXPECT_FALSE(worker.WaitForStop(0));
}

namespace {
struct Waiter {
    CEventThread* worker = nullptr;
    std::atomic<bool> entered{false};
    std::atomic<bool> sawStop{false};
    std::atomic<bool> returned{false};
};

bool WaitPass(void* context) {
    auto* w = static_cast<Waiter*>(context);
    w->entered = true;
    w->sawStop = w->worker->WaitForStop(10000);
    w->returned = true;
    return true;
}
}  // namespace

TEST(EventThread, CallbackWaitingForTheStopLeavesAtOnce) {
    CEventThread worker;
    Waiter w;
    w.worker = &worker;
    ASSERT_TRUE(worker.Start(&WaitPass, &w));
    ASSERT_TRUE(worker.SetRunning(true));
    ASSERT_TRUE(PumpUntil([&] { return w.entered.load(); }, 5000));
    DWORD start = ::GetTickCount();
    worker.Stop(3000);
    EXPECT_LT(::GetTickCount() - start, 1000u);
    EXPECT_TRUE(w.sawStop);
    EXPECT_TRUE(w.returned) << "left by itself, not ended forcibly";
}

TEST(EventThread, DestructorStopsARunningWorker) {
    Counter c;
    {
        CEventThread worker;
        ASSERT_TRUE(worker.Start(&CountPass, &c));
        ASSERT_TRUE(worker.SetRunning(true));
        ASSERT_TRUE(PumpUntil([&] { return c.passes >= 2; }, 5000));
    }
    int after = c.passes;
    ::Sleep(200);
    EXPECT_EQ(after, c.passes);
}

namespace {
bool StopSelf(void* context) {
    auto* w = static_cast<Waiter*>(context);
    w->entered = true;
    w->worker->Stop(0);
    w->returned = true;
    return true;
}
}  // namespace

TEST(EventThread, StopFromInsideAPassEndsTheWorkerAfterIt) {
    CEventThread worker;
    Waiter w;
    w.worker = &worker;
    ASSERT_TRUE(worker.Start(&StopSelf, &w));
    ASSERT_TRUE(worker.SetRunning(true));
    ASSERT_TRUE(PumpUntil([&] { return !worker.IsAlive(); }, 5000));
    EXPECT_TRUE(w.returned) << "the pass was not cut off";
    worker.Stop(100);
}
