// The progress waits: a wait gives up once what it watches stands still for
// the stall limit, never while it keeps moving, and at its ceiling however
// it goes. Time is a clock the test moves.
#include <gtest/gtest.h>

#include <chrono>

#include "tests/support/poll_until.h"

namespace {

using namespace std::chrono_literals;

struct TestClock {
    using duration = std::chrono::milliseconds;
    using rep = duration::rep;
    using period = duration::period;
    using time_point = std::chrono::time_point<TestClock>;
    static time_point now() { return time_point(elapsed); }
    static inline duration elapsed{0};
};

using Limit = qz_test::ProgressLimit<int, TestClock>;

TEST(ProgressLimit, AValueThatKeepsMovingOutlastsTheStallLimitUntilTheCeiling) {
    TestClock::elapsed = 0ms;
    Limit limit(0, 30000ms, 200000ms);
    // A frame every 10 s on a crawling machine: never stalled.
    for (int frame = 1; frame < 20; ++frame) {
        TestClock::elapsed = frame * 10000ms;
        ASSERT_TRUE(limit.Allows(frame)) << "gave up at " << TestClock::elapsed.count() << " ms";
    }
    TestClock::elapsed = 200000ms;
    EXPECT_FALSE(limit.Allows(20)) << "the ceiling passed";
    EXPECT_NE(std::string::npos, limit.Reason().find("ceiling of 200000 ms")) << limit.Reason();
}

TEST(ProgressLimit, AValueThatStandsStillGivesUpAtTheStallLimit) {
    TestClock::elapsed = 0ms;
    Limit limit(7, 30000ms, 200000ms);
    TestClock::elapsed = 20000ms;
    EXPECT_TRUE(limit.Allows(8));  // moved at 20 s
    TestClock::elapsed = 49999ms;
    EXPECT_TRUE(limit.Allows(8));
    TestClock::elapsed = 50000ms;
    EXPECT_FALSE(limit.Allows(8)) << "30 s without a change";
    EXPECT_EQ("no progress for 30000 ms", limit.Reason());
}

TEST(PollWhileProgressing, EndsWhenDoneAndGivesUpOnAStandstill) {
    int steps = 0;
    EXPECT_TRUE(qz_test::PollWhileProgressing([&] { return steps == 5; }, [&] { ++steps; },
                                              [&] { return steps; }, 30000ms));
    EXPECT_EQ(5, steps);
    // Steps that change nothing it watches: it gives up after the stall,
    // long before its ceiling.
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(qz_test::PollWhileProgressing([] { return false; }, [] {}, [] { return 0; }, 20ms,
                                               60000ms));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 30000ms);
}

}  // namespace
