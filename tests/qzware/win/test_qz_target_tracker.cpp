// The render-target tracker: which clears still have work to do and which
// targets are blank, across clears, draws, a shared depth buffer and frames.
#include <gtest/gtest.h>

#include "qzware/win/qz_target_tracker.h"

namespace {

using QZW::Win::CQzTargetTracker;

// Stand-ins for a colour texture and depth buffers (only their addresses count).
int colorA, colorB, sharedDepth;
constexpr std::uint32_t kZero = 0x00000000u;
constexpr std::uint32_t kWhite = 0xFFFFFFFFu;

TEST(TargetTracker, UnknownTargetsNeedTheirWholeClearAndAreNotBlank) {
    CQzTargetTracker t(4);
    const auto need = t.NeededClear(0, &colorA, &sharedDepth, kZero);
    EXPECT_TRUE(need.color);
    EXPECT_TRUE(need.depth);
    EXPECT_FALSE(t.IsBlank(0, &colorA));
    // No depth buffer: there is no depth to clear.
    EXPECT_FALSE(t.NeededClear(1, &colorB, nullptr, kZero).depth);
}

TEST(TargetTracker, ASecondClearToTheSameColourHasNothingLeftToDo) {
    CQzTargetTracker t(4);
    t.NoteClear(0, &colorA, &sharedDepth, kZero, true, true, true);
    const auto same = t.NeededClear(0, &colorA, &sharedDepth, kZero);
    EXPECT_FALSE(same.color);
    EXPECT_FALSE(same.depth);
    EXPECT_TRUE(t.IsBlank(0, &colorA));
    // Another colour, or another texture attached since, needs the clear.
    EXPECT_TRUE(t.NeededClear(0, &colorA, &sharedDepth, kWhite).color);
    EXPECT_TRUE(t.NeededClear(0, &colorB, &sharedDepth, kZero).color);
    EXPECT_FALSE(t.IsBlank(0, &colorB));
}

TEST(TargetTracker, OnlyAClearOfAlphaZeroIsBlank) {
    CQzTargetTracker t(4);
    t.NoteClear(3, &colorA, nullptr, kWhite, false, true, false);
    EXPECT_FALSE(t.NeededClear(3, &colorA, nullptr, kWhite).color);
    EXPECT_FALSE(t.IsBlank(3, &colorA));
}

TEST(TargetTracker, DrawsDirtyColourAlwaysAndDepthOnlyWhenWritten) {
    CQzTargetTracker t(4);
    t.NoteClear(0, &colorA, &sharedDepth, kZero, true, true, true);
    t.NoteDraw(0, &sharedDepth, false);
    EXPECT_TRUE(t.NeededClear(0, &colorA, &sharedDepth, kZero).color);
    EXPECT_FALSE(t.NeededClear(0, &colorA, &sharedDepth, kZero).depth);
    EXPECT_FALSE(t.IsBlank(0, &colorA));
    t.NoteDraw(0, &sharedDepth, true);
    EXPECT_TRUE(t.NeededClear(0, &colorA, &sharedDepth, kZero).depth);
}

TEST(TargetTracker, TargetsSharingADepthBufferSeeEachOthersClearsAndDraws) {
    CQzTargetTracker t(4);
    t.NoteClear(0, &colorA, &sharedDepth, kZero, true, true, true);
    // Target 2 shares target 0's depth: only its colour is left to clear.
    auto need = t.NeededClear(2, &colorB, &sharedDepth, kZero);
    EXPECT_TRUE(need.color);
    EXPECT_FALSE(need.depth);
    t.NoteClear(2, &colorB, &sharedDepth, kZero, true, true, false);
    // A depth-writing draw into 2 leaves 0's depth to be cleared too, but not
    // 0's colour.
    t.NoteDraw(2, &sharedDepth, true);
    need = t.NeededClear(0, &colorA, &sharedDepth, kZero);
    EXPECT_FALSE(need.color);
    EXPECT_TRUE(need.depth);
}

TEST(TargetTracker, AClearWithDepthWritesOffLeavesTheDepthUnknown) {
    CQzTargetTracker t(4);
    t.NoteClear(0, &colorA, &sharedDepth, kZero, true, true, false);
    EXPECT_TRUE(t.NeededClear(0, &colorA, &sharedDepth, kZero).depth);
}

TEST(TargetTracker, ForgetMakesEveryTargetUnknownAgain) {
    CQzTargetTracker t(4);
    t.NoteClear(0, &colorA, &sharedDepth, kZero, true, true, true);
    t.Forget();
    const auto need = t.NeededClear(0, &colorA, &sharedDepth, kZero);
    EXPECT_TRUE(need.color);
    EXPECT_TRUE(need.depth);
    // Indices outside the table are never known.
    t.NoteClear(9, &colorA, nullptr, kZero, true, true, false);
    EXPECT_FALSE(t.IsBlank(9, &colorA));
    EXPECT_FALSE(t.IsBlank(-1, &colorA));
}

TEST(TargetTracker, DrawnRectIsTheUnionOfBoundedDrawsSinceAClearOfAlphaZero) {
    CQzTargetTracker t(4);
    int r[4] = {-1, -1, -1, -1};
    EXPECT_FALSE(t.DrawnRect(0, &colorA, r)) << "never cleared";
    t.NoteClear(0, &colorA, nullptr, kZero, true, true, false);
    ASSERT_TRUE(t.DrawnRect(0, &colorA, r));
    EXPECT_TRUE(r[0] >= r[2] || r[1] >= r[3])
        << "nothing drawn yet, got " << r[0] << "," << r[1] << "," << r[2] << "," << r[3];
    const int a[4] = {10, 20, 30, 40}, b[4] = {5, 30, 12, 90}, empty[4] = {50, 50, 50, 60};
    t.NoteDraw(0, nullptr, false, a);
    t.NoteDraw(0, nullptr, false, empty);
    t.NoteDraw(0, nullptr, false, b);
    ASSERT_TRUE(t.DrawnRect(0, &colorA, r));
    const int want[4] = {5, 20, 30, 90};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(want[i], r[i]) << "corner value " << i;
    }
    EXPECT_FALSE(t.DrawnRect(0, &colorB, r)) << "another texture attached";
    // A draw that cannot be bounded, or a clear of another alpha, loses it
    // until the next clear of alpha 0.
    t.NoteDraw(0, nullptr, false, nullptr);
    EXPECT_FALSE(t.DrawnRect(0, &colorA, r));
    t.NoteClear(0, &colorA, nullptr, kWhite, false, true, false);
    EXPECT_FALSE(t.DrawnRect(0, &colorA, r));
    t.NoteClear(0, &colorA, nullptr, kZero, true, true, false);
    t.NoteDraw(0, nullptr, false, b);
    ASSERT_TRUE(t.DrawnRect(0, &colorA, r));
    EXPECT_EQ(5, r[0]);
    EXPECT_EQ(12, r[2]);
}

}  // namespace
