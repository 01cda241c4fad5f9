// Picking the window size from the saved index and the screen size.
#include "proj/win/resolution_pick.h"

#include <gtest/gtest.h>

namespace {

using Sample::Win::PickResolution;

struct Case {
    std::int32_t index;
    std::uint32_t screenW, screenH;
    bool resized;
    std::uint32_t w, h;
};

TEST(ResolutionPick, TakesTheFirstFittingEntryFromTheSavedIndex) {
    const Case cases[] = {
        {2, 1366, 768, true, 1280, 720},    // default index on a laptop screen
        {0, 1366, 768, true, 1366, 768},    // 1920 x 1080 does not fit
        {0, 1920, 1080, true, 1920, 1080},  //
        {3, 1280, 720, true, 800, 600},     // 1280 x 1024 is too tall
        {5, 640, 480, true, 640, 480},      //
        {6, 1920, 1080, false, 0, 0},       // beyond the table: keep the size
        {-1, 1920, 1080, false, 0, 0},      // negative: keep the size
        {-2147483647 - 1, 1920, 1080, false, 0, 0},
        {0, 320, 240, false, 0, 0},  // nothing fits: keep the size
    };
    for (const Case& c : cases) {
        auto got = PickResolution(c.index, c.screenW, c.screenH);
        ASSERT_EQ(c.resized, got.has_value()) << "index " << c.index;
        if (got) {
            EXPECT_EQ(c.w, got->width) << "index " << c.index;
            EXPECT_EQ(c.h, got->height) << "index " << c.index;
        }
    }
}

}  // namespace
