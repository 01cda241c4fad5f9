// The engine worker thread: no Run before Start, a worker built before Start
// waits instead of ending, sleeps are taken once and are cut short by a wake
// or a stop, and destruction waits for a busy Run and starts no other.
#include "qzware/win/qz_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/clock/clock_null.h"

namespace {

using namespace std::chrono_literals;
using Steady = std::chrono::steady_clock;

class CountingThread : public QZW::Win::CQzThread {
public:
    explicit CountingThread(std::int32_t sleepAfterFirst = 0, bool sleepEveryRun = false)
        : CQzThread("Counting"), sleepMs(sleepAfterFirst), everyRun(sleepEveryRun) {}
    ~CountingThread() override { StopAndJoin(); }
    void Run() override {
        const int n = runs.load(std::memory_order_relaxed);
        if (n < 8) {
            stampsMs[n].store(platform::clock::now_ms());
            steady[n] = Steady::now();
        }
        // Counted only once this run's stamps are written: a reader that
        // sees the count may read them.
        runs.fetch_add(1, std::memory_order_release);
        if (sleepMs && (n == 0 || everyRun)) {
            SetSleep(sleepMs);
        }
        std::this_thread::sleep_for(100us);
    }
    std::atomic<int> runs{0};
    std::atomic<std::uint32_t> stampsMs[8] = {};
    Steady::time_point steady[8];
    std::int32_t sleepMs;
    bool everyRun;
};

// Waits for what the worker shows; the limit is only there so a broken
// worker fails the test instead of hanging it.
bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit = 30000ms) {
    const auto end = Steady::now() + limit;
    while (!done()) {
        if (Steady::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

TEST(QzThreadTest, WaitsForStartWithoutEndingAndThenLoops) {
    CountingThread thread;
    // Time in which it must not run: a busy machine can only make this check
    // weaker, never fail it.
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(thread.runs.load(), 0);
    EXPECT_TRUE(thread.IsRunning()) << "a worker built before Start must not end";
    thread.Start();
    EXPECT_TRUE(WaitFor([&] { return thread.runs.load() >= 3; }));
    std::string name;
    thread.GetName(name);
    EXPECT_EQ(name, "Counting");
    thread.StopAndJoin();
    EXPECT_FALSE(thread.IsRunning());
}

TEST(QzThreadTest, StoppedBeforeStartNeverRuns) {
    auto thread = std::make_unique<CountingThread>();
    std::this_thread::sleep_for(5ms);  // the worker may reach its wait for Start
    thread->StopAndJoin();
    EXPECT_FALSE(thread->IsRunning());
    thread->Start();                   // too late: the worker is gone
    std::this_thread::sleep_for(5ms);  // a time in which nothing may run
    EXPECT_EQ(thread->runs.load(), 0);
}

TEST(QzThreadTest, SleepRequestIsTakenOnceOnTheThreadClock) {
    platform::clock::ManualClock clock(1000);
    platform::clock::ScopedClock scoped(clock);
    CountingThread thread(100);
    thread.Start();
    ASSERT_TRUE(WaitFor([&] { return thread.runs.load() >= 4; }));
    thread.StopAndJoin();
    EXPECT_EQ(clock.total_slept(), 100u);
    EXPECT_EQ(thread.stampsMs[0].load(), 1000u);
    EXPECT_EQ(thread.stampsMs[1].load(), 1100u);
    EXPECT_EQ(thread.stampsMs[2].load(), 1100u);
}

// On the system clock the sleep is real: never shorter than asked (how much
// longer a busy machine makes it is not the worker's doing; that the request
// is taken once is checked on the thread clock above).
TEST(QzThreadTest, SleepsAtLeastAsLongAsAsked) {
    CountingThread thread(100, true);
    thread.Start();
    ASSERT_TRUE(WaitFor([&] { return thread.runs.load() >= 2; }));
    const auto gap = thread.steady[1] - thread.steady[0];
    EXPECT_GE(gap, 95ms) << "slept " << std::chrono::duration<double>(gap).count() << " s";
}

// Each run asks for a minute's sleep; a wake and a stop end it in less than
// half of that (a ratio of the sleep, which a busy machine does not reach).
TEST(QzThreadTest, WakeAndStopCutALongSleepShort) {
    constexpr auto kSleep = 60000ms;
    CountingThread thread(std::int32_t(kSleep.count()), true);
    thread.Start();
    ASSERT_TRUE(WaitFor([&] { return thread.runs.load() >= 1; }));
    // Mostly lets the worker enter its sleep first; a wake that comes before
    // it is kept, so either order must pass.
    std::this_thread::sleep_for(5ms);
    const auto woken = Steady::now();
    thread.Wake();
    ASSERT_TRUE(WaitFor([&] { return thread.runs.load() >= 2; }, kSleep / 2))
        << "the wake did not cut the sleep short";
    EXPECT_LT(Steady::now() - woken, kSleep / 2);
    const auto stopping = Steady::now();
    thread.StopAndJoin();
    EXPECT_LT(Steady::now() - stopping, kSleep / 2) << "the stop waited out the sleep";
    EXPECT_EQ(thread.runs.load(), 2);
}

// Each Run is busy for 50 ms and then asks for a minute's sleep, so the
// worker cannot start a second Run unless something ends that sleep: the
// stop does, and must end the loop instead. The count of runs is then exact
// however the test thread is scheduled.
class BusyThread : public QZW::Win::CQzThread {
public:
    BusyThread() : CQzThread("Busy") {}
    ~BusyThread() override { StopAndJoin(); }
    void Run() override {
        started.fetch_add(1);
        SetSleep(60000);
        std::this_thread::sleep_for(50ms);
        finished.fetch_add(1);
    }
    std::atomic<int> started{0};
    std::atomic<int> finished{0};
};

TEST(QzThreadTest, DestructionWaitsForTheBusyRunAndStartsNoOther) {
    auto thread = std::make_unique<BusyThread>();
    thread->Start();
    ASSERT_TRUE(WaitFor([&] { return thread->started.load() >= 1; }));
    const auto stopping = Steady::now();
    thread->StopAndJoin();
    // Joined only after the Run in progress returned (when the stop came
    // during it; a late one finds the worker in its sleep)...
    EXPECT_EQ(thread->started.load(), thread->finished.load());
    // ...the stop ended the sleep rather than waiting it out, and no Run
    // started after it.
    EXPECT_LT(Steady::now() - stopping, 30000ms) << "the stop waited out the sleep";
    EXPECT_EQ(thread->started.load(), 1);
    // Nothing runs afterwards either (a time in which nothing may happen).
    std::this_thread::sleep_for(60ms);
    EXPECT_EQ(thread->started.load(), 1);
}

}  // namespace
