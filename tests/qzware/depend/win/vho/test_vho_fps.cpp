// Frame pacing on a manual clock: the 16.16 schedule, late frames, disabled pacing.
#include "qzware/depend/win/vho/vho_fps.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/clock/clock_null.h"

namespace {

using platform::clock::ManualClock;
using platform::clock::ScopedClock;

TEST(VhoFps, InitializeSetsPeriodAndRate) {
    vho::FPS fps;
    fps.Initialize(60);
    EXPECT_EQ(60u, fps.GetFPS());
    EXPECT_EQ(1092266u, fps.period);
    EXPECT_EQ(0u, fps.GetLateCount());
}

TEST(VhoFps, FrameLengthsFollowTheFixedPointSchedule) {
    ManualClock clock(5000);
    ScopedClock use(clock);
    vho::FPS fps;
    fps.Initialize(60);
    fps.frameStart = clock.now_ms();
    std::vector<std::uint32_t> lengths;
    for (int i = 0; i < 9; ++i) {
        const std::uint32_t before = fps.frameStart;
        clock.advance(1);  // the message loop's share of the frame
        fps.Wait();
        lengths.push_back(fps.frameStart - before);
    }
    EXPECT_EQ((std::vector<std::uint32_t>{16, 17, 16, 17, 17, 16, 17, 17, 16}), lengths);
    // Each sleep stops one millisecond short, leaving it to the message loop.
    EXPECT_EQ(fps.frameStart - 1u, clock.now_ms());
}

TEST(VhoFps, LateFrameDoesNotSleepAndRestartsTheScheduleAtNow) {
    ManualClock clock(1000);
    ScopedClock use(clock);
    vho::FPS fps;
    fps.Initialize(60);
    fps.frameStart = clock.now_ms();
    clock.advance(40);
    fps.Wait();
    EXPECT_EQ(0u, clock.total_slept());
    EXPECT_EQ(1040u, fps.frameStart);
    clock.advance(5);
    fps.Wait();  // the next frame is measured from the end of the late one
    EXPECT_EQ(1040u + 17u, fps.frameStart);
    EXPECT_EQ(17u - 5u - 1u, clock.total_slept());
}

TEST(VhoFps, FirstWaitAfterInitializeCountsAsLate) {
    ManualClock clock(123456);
    ScopedClock use(clock);
    vho::FPS fps;
    fps.Initialize(60);
    fps.Wait();
    EXPECT_EQ(123456u, fps.frameStart);
    EXPECT_EQ(0u, clock.total_slept());
}

TEST(VhoFps, FramesWithoutWorkStillLastTheFramePeriod) {
    ManualClock clock(700);
    ScopedClock use(clock);
    vho::FPS fps;
    fps.Initialize(60);
    fps.Wait();  // starts the schedule
    for (int i = 0; i < 60; ++i) {
        fps.Wait();  // no work at all between waits
    }
    // 60 frames of 16.67 ms: one second, less the millisecond left to the loop.
    EXPECT_EQ(700u + 1000u - 1u, clock.now_ms());
}

TEST(VhoFps, ZeroRateDisablesPacing) {
    ManualClock clock(10);
    ScopedClock use(clock);
    vho::FPS fps;
    fps.Initialize(0);
    fps.Wait();
    EXPECT_EQ(0u, clock.total_slept());
    EXPECT_EQ(0u, fps.frameStart);
}

TEST(VhoFps, ElapsedCountsOneLessAcrossTheClockWrap) {
    EXPECT_EQ(10u, vho::ElapsedMs(5u, 15u));
    EXPECT_EQ(6u, vho::ElapsedMs(0xFFFFFFFBu, 2u));  // 7 ms across the wrap, counted as 6
}

}  // namespace
