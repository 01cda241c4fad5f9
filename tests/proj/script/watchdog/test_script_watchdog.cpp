// The runaway-script watchdog's own thread against a script VM that never
// returns: a quit signal or a close request ends the program with the stuck
// script's report, and a request the game thread answered ends nothing.
// Each case runs in a child process (the watchdog starts once per process).
// Time is a manual clock that the fake signal source moves on by the wait
// the watchdog asked for, so a case counts the watchdog's turns, not seconds,
// and the report names exactly the grace time the watchdog gave.
#include <gtest/gtest.h>
#include <squirrel.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <ostream>
#include <thread>

#include "platform/clock/clock.h"
#include "proj/script/script_watchdog.h"
#include "proj/script/sq_error_handler.h"

namespace {

using Sample::CScriptWatchdog;

class ManualClock final : public platform::clock::Clock {
public:
    std::uint32_t now_ms() override { return now.load(); }
    void sleep_ms(std::uint32_t ms) override { now += ms; }
    std::atomic<std::uint32_t> now{5000};
};

// The quit-signal source the watchdog waits on: a raised signal is handed
// out once; every wait moves the clock on by the time asked for.
class FakeSignals {
public:
    explicit FakeSignals(ManualClock& c) : clock(c) {}

    const char* Wait(std::uint32_t ms) {
        std::unique_lock<std::mutex> hold(lock);
        // Bounded so the watchdog does not spin; a raise ends it early.
        changed.wait_for(hold, std::chrono::milliseconds(1), [&] { return raised != nullptr; });
        clock.sleep_ms(ms);
        ++turns;
        const char* out = raised;
        raised = nullptr;
        if (out) {
            takenAt = turns;
        }
        changed.notify_all();
        return out;
    }
    void Raise(const char* name) {
        std::lock_guard<std::mutex> hold(lock);
        raised = name;
        changed.notify_all();
    }
    // Blocks until the watchdog has come round `count` times in all.
    void WaitForTurns(std::uint64_t count) {
        std::unique_lock<std::mutex> hold(lock);
        changed.wait(hold, [&] { return turns >= count; });
    }
    // Blocks until the watchdog has come round `more` times after taking the
    // raised signal (one turn: it has dealt with it).
    void WaitForTurnsAfterTaken(std::uint64_t more) {
        std::unique_lock<std::mutex> hold(lock);
        changed.wait(hold, [&] { return takenAt != 0 && turns >= takenAt + more; });
    }

private:
    ManualClock& clock;
    std::mutex lock;
    std::condition_variable changed;
    const char* raised = nullptr;
    std::uint64_t turns = 0;
    std::uint64_t takenAt = 0;
};

// The process-wide fakes of one child.
ManualClock& Clock() {
    static ManualClock* clock = new ManualClock();
    return *clock;
}
FakeSignals& Signals() {
    static FakeSignals* signals = new FakeSignals(Clock());
    return *signals;
}

// Starts the watchdog on the fakes; grace and stall times are the program's.
void StartWatchdog(bool closeRequested) {
    platform::clock::set_current(&Clock());
    CScriptWatchdog::Settings s;
    s.waitForSignal = [](std::uint32_t ms) { return Signals().Wait(ms); };
    s.finishWrites = [] { std::fputs("queued writes finished\n", stderr); };
    if (closeRequested) {
        s.closeRequested = [] { return true; };
    }
    CScriptWatchdog::Start(std::move(s));
}

// Runs a script that never returns inside a script-call mark named `what`;
// `inside` runs after the mark is made, before the script starts. A watchdog
// that lets the script run for 600 turns (a minute) ends the child with
// status 2.
template <typename Inside>
[[noreturn]] void RunRunawayScript(const char* what, Inside inside) {
    std::thread([] {
        Signals().WaitForTurns(600);
        std::fputs("the watchdog let the script run for 600 turns\n", stderr);
        _exit(2);
    }).detach();
    HSQUIRRELVM v = sq_open(1024);
    const char* source = "local n = 0; while (true) { n = n + 1; }";
    if (SQ_FAILED(sq_compilebuffer(v, source, SQInteger(std::strlen(source)), "runaway", SQTrue))) {
        std::fputs("the runaway script does not compile\n", stderr);
        _exit(1);
    }
    CScriptWatchdog::Scope running(what);
    inside();
    sq_pushroottable(v);
    sq_call(v, 1, SQFalse, SQTrue);
    std::fputs("the runaway script returned\n", stderr);
    _exit(1);
}

[[noreturn]] void SignalDuringTheScript() {
    StartWatchdog(false);
    RunRunawayScript("runaway.nut", [] { Signals().Raise("SIGTERM"); });
}

[[noreturn]] void SignalBetweenCallsThenARunawayCall() {
    StartWatchdog(false);
    Signals().Raise("SIGINT");
    Signals().WaitForTurnsAfterTaken(1);
    RunRunawayScript("SQUpdate", [] {});
}

[[noreturn]] void CloseRequestDuringTheScript() {
    StartWatchdog(true);
    RunRunawayScript("runaway.nut (SQ_Include)", [] {});
}

// The game thread comes back from the call the signal came in and goes into
// a long one; the watchdog leaves the request to the game thread. The child
// ends itself well past the grace time (in the watchdog's turns).
[[noreturn]] void SignalAnsweredByTheGameThread() {
    StartWatchdog(false);
    {
        CScriptWatchdog::Scope answered("SQUpdate");
        Signals().Raise("SIGTERM");
        Signals().WaitForTurnsAfterTaken(1);
    }
    std::thread([] {
        // 100 ms turns: 60 of them are three times the 2 s grace time.
        Signals().WaitForTurnsAfterTaken(60);
        std::fputs("the watchdog left the answered request alone\n", stderr);
        _exit(0);
    }).detach();
    RunRunawayScript("SQUpdate", [] {});
}

struct WatchdogCase {
    const char* name;
    void (*child)();
    int exitStatus;
    const char* stderrPattern;
};

void PrintTo(const WatchdogCase& c, std::ostream* os) {
    *os << c.name;
}

class ScriptWatchdogTest : public ::testing::TestWithParam<WatchdogCase> {
protected:
    // The child re-runs this program: its threads start from a clean process.
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

TEST_P(ScriptWatchdogTest, EndsTheProgramOnlyForAStuckScript) {
    const WatchdogCase& c = GetParam();
    EXPECT_EXIT(c.child(), ::testing::ExitedWithCode(c.exitStatus), c.stderrPattern) << c.name;
}

constexpr int kStuck = Sample::kScriptFatalExitStatus;

INSTANTIATE_TEST_SUITE_P(
    Cases, ScriptWatchdogTest,
    ::testing::Values(
        WatchdogCase{"SignalDuringTheScript", &SignalDuringTheScript, kStuck,
                     "queued writes finished\nscript host: quit requested \\(SIGTERM\\) but "
                     "the script has not returned; stuck in runaway\\.nut for [0-9]+ s, "
                     "2000 ms after the request\\. Ending the program\\."},
        WatchdogCase{"SignalBetweenCallsThenARunawayCall", &SignalBetweenCallsThenARunawayCall,
                     kStuck,
                     "quit requested \\(SIGINT\\) but the script has not returned; "
                     "stuck in SQUpdate for [0-9]+ s, 2000 ms after the request\\."},
        WatchdogCase{"CloseRequestDuringTheScript", &CloseRequestDuringTheScript, kStuck,
                     "quit requested \\(window close or Escape\\) but the script has not "
                     "returned; stuck in runaway\\.nut \\(SQ_Include\\) for [0-9]+ s, 2000 ms "
                     "after the request\\."},
        WatchdogCase{"SignalAnsweredByTheGameThread", &SignalAnsweredByTheGameThread, 0,
                     "the watchdog left the answered request alone"}),
    [](const ::testing::TestParamInfo<WatchdogCase>& info) { return info.param.name; });

}  // namespace
