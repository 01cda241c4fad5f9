// Display-mode list, nearest-mode choice and mode changes, on the in-memory desktop.
#include "qzware/depend/win/vho/vho_monitor.h"

#include <gtest/gtest.h>

#include "platform/window/window_null.h"

namespace {

using namespace platform::window;
using namespace platform::win32;
using vho::Monitor;
using vho::Size;
using ModeList = std::vector<std::pair<std::uint32_t, std::uint32_t>>;

struct NearestCase {
    ModeList modes;
    Size request, expected;
    const char* why;
};

TEST(VhoMonitor, FindNearestModePicksTheBestRatioScoreFirstOfEquals) {
    const NearestCase cases[] = {
        {{{1024, 768}, {1280, 720}, {1920, 1080}},
         {1280, 720},
         {1280, 720},
         "exact match scores 200"},
        {{{1280, 1024}, {1366, 768}}, {1280, 720}, {1366, 768}, "187 beats 170"},
        {{}, {1280, 720}, {1280, 720}, "empty list answers the request"},
        {{{500, 1000}, {1000, 500}}, {1000, 1000}, {500, 1000}, "equal scores: the first wins"},
        {{{1920, 1080}, {1366, 768}, {1280, 720}}, {800, 600}, {1280, 720}, "smaller request"},
        {{{0, 0}, {640, 480}}, {0, 0}, {0, 0}, "zero sizes score without dividing by zero"},
    };
    for (const NearestCase& c : cases) {
        Monitor m;
        m.modes = c.modes;
        EXPECT_EQ(m.FindNearestMode(c.request.width, c.request.height), c.expected) << c.why;
    }
}

TEST(VhoMonitor, GetRatioIsSmallerOverLarger) {
    Monitor m;
    EXPECT_FLOAT_EQ(m.GetRatio(720, 1024), 0.703125f);
    EXPECT_FLOAT_EQ(m.GetRatio(1024, 720), 0.703125f);
    EXPECT_FLOAT_EQ(m.GetRatio(0, 7), 0.0f);
    EXPECT_FLOAT_EQ(m.GetRatio(0, 0), 1.0f);
}

TEST(VhoMonitor, EnumerationListsEachSizeOnceAndSkipsShallowModes) {
    NullBackend desk;
    ScopedBackend scoped(desk);
    desk.set_modes({{1920, 1080, 32, 60},
                    {1920, 1080, 32, 50},
                    {1280, 720, 16, 60},
                    {1280, 720, 32, 60},
                    {800, 600, 16, 60},
                    {1024, 768, 24, 60},
                    {1920, 1080, 16, 60},
                    {1366, 768, 32, 60}},
                   {1366, 768, 32, 60});
    Monitor m;
    m.modes = {{1, 1}};  // a stale list is replaced
    EXPECT_TRUE(m.EnumerateModes());
    EXPECT_EQ(m.modes, (ModeList{{1920, 1080}, {1280, 720}, {1366, 768}}));
    EXPECT_EQ(m.desktopWidth, 1366u);
    EXPECT_EQ(m.desktopHeight, 768u);
    EXPECT_TRUE(m.HasMode(1280, 720));
    EXPECT_FALSE(m.HasMode(800, 600));
    EXPECT_FALSE(m.HasMode(720, 1280));
}

TEST(VhoMonitor, ModeChangesAskTheDisplayAndReportItsAnswer) {
    NullBackend desk;
    ScopedBackend scoped(desk);
    Monitor m;
    m.EnumerateModes();  // 1920x1080 desktop, 1280x720 listed
    m.SetFullScreenMode(1280, 720);
    m.RestoreMode();
    EXPECT_TRUE(m.ChangeMode(1024, 768, CDS_FULLSCREEN));
    EXPECT_FALSE(m.ChangeMode(640, 480, CDS_FULLSCREEN)) << "an unlisted mode was reported taken";
    desk.set_mode_changes_fail(true);
    EXPECT_FALSE(m.ChangeMode(1280, 720, CDS_FULLSCREEN));
    ASSERT_EQ(desk.mode_changes.size(), 5u);
    const struct {
        std::uint32_t w, h, flags;
    } expected[] = {{1280, 720, CDS_FULLSCREEN},
                    {1920, 1080, 0},
                    {1024, 768, CDS_FULLSCREEN},
                    {640, 480, CDS_FULLSCREEN},
                    {1280, 720, CDS_FULLSCREEN}};
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(desk.mode_changes[i].mode.width, expected[i].w) << i;
        EXPECT_EQ(desk.mode_changes[i].mode.height, expected[i].h) << i;
        EXPECT_EQ(desk.mode_changes[i].flags, expected[i].flags) << i;
    }
}

}  // namespace
