// The client window: creation centred and hidden, centring arithmetic, the
// switch between windowed and full screen, and client-size changes, on the
// in-memory desktop (captioned frame 3/26/3/3, modes 1920x1080, 1366x768, 1280x720).
#include "qzware/depend/win/vho/vho_client.h"

#include <gtest/gtest.h>

#include "platform/window/window_null.h"

namespace {

using namespace platform::window;
using namespace platform::win32;
using vho::Size;

LRESULT default_proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return current().def_window_proc(hwnd, message, wParam, lParam);
}

constexpr std::uint32_t kWindowed = 0x00CA0000;
constexpr std::uint32_t kFullScreen = 0x90000000;

bool same_rect(const Rect& a, const Rect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

::testing::AssertionResult pos_is(const NullBackend::PosCall& p, HWND hwnd, bool topmost, int x,
                                  int y, int w, int h, UINT flags) {
    if (p.hwnd == hwnd && p.topmost == topmost && p.x == x && p.y == y && p.width == w &&
        p.height == h && p.flags == flags) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "got topmost " << p.topmost << " (" << p.x << ", " << p.y << ") " << p.width << "x"
           << p.height << " flags " << p.flags << "; expected topmost " << topmost << " (" << x
           << ", " << y << ") " << w << "x" << h << " flags " << flags;
}

class VhoClientTest : public ::testing::Test {
protected:
    void SetUp() override {
        desk.set_modes({{1920, 1080, 32, 60}, {1366, 768, 32, 60}, {1280, 720, 32, 60}},
                       {1920, 1080, 32, 60});
        ASSERT_TRUE(desk.register_class("QZ_WC", &default_proc));
    }
    HWND create() {
        HWND h = client.Create(nullptr, "QZ_WC", "Vornakle", 1280, 720);
        EXPECT_NE(h, nullptr);
        return h;
    }
    NullBackend desk;
    ScopedBackend scoped{desk};
    vho::Client client;
};

TEST_F(VhoClientTest, CreatePlacesTheWindowHiddenInTheMiddleOfTheDesktop) {
    HWND h = create();
    EXPECT_EQ(client.hwnd, h);
    EXPECT_EQ(desk.style_of(h), kWindowed);
    EXPECT_EQ(desk.find_window("Vornakle"), h);
    // Outer 1286 x 749: left = 960 - 643, top = trunc(540 - 374.5).
    EXPECT_TRUE(same_rect(client.windowRect, Rect{317, 165, 1603, 914}));
    ASSERT_EQ(desk.pos_calls.size(), 1u);
    EXPECT_TRUE(pos_is(desk.pos_calls[0], h, false, 317, 165, 1286, 749, SWP_HIDEWINDOW));
    EXPECT_FALSE(desk.is_visible(h));
    EXPECT_EQ(desk.get_client_rect(h).width(), 1280);
    EXPECT_EQ(desk.get_client_rect(h).height(), 720);
    EXPECT_EQ(client.width, 1280u);
    EXPECT_EQ(client.height, 720u);
    EXPECT_EQ(client.monitor.modes.size(), 3u);
    EXPECT_EQ(client.monitor.desktopWidth, 1920u);
    EXPECT_FALSE(client.IsFullScreen());
}

TEST_F(VhoClientTest, FailedCreationReturnsNullAndSetsNothing) {
    desk.set_create_fails(true);
    EXPECT_EQ(client.Create(nullptr, "QZ_WC", "Vornakle", 1280, 720), nullptr);
    EXPECT_EQ(client.Create(nullptr, "NO_SUCH_CLASS", "Vornakle", 1280, 720), nullptr);
    EXPECT_EQ(client.hwnd, nullptr);
    EXPECT_EQ(client.width, 0u);
    EXPECT_TRUE(desk.pos_calls.empty());
    EXPECT_TRUE(same_rect(client.windowRect, Rect{}));
}

TEST_F(VhoClientTest, CenteredRectTruncatesTowardZero) {
    create();
    const struct {
        std::uint32_t desk_w, desk_h, w, h;
        Rect expected;
    } cases[] = {
        {1920, 1080, 1280, 720, {317, 165, 1603, 914}},
        {1366, 768, 800, 600, {280, 69, 1086, 698}},   // 69.5 -> 69
        {1024, 768, 1280, 720, {-131, 9, 1155, 758}},  // wider than the desktop
        {1025, 768, 1280, 720, {-130, 9, 1156, 758}},  // -130.5 -> -130, not -131
    };
    for (const auto& c : cases) {
        desk.set_modes({{c.desk_w, c.desk_h, 32, 60}}, {c.desk_w, c.desk_h, 32, 60});
        const Rect r = client.GetCenteredRect(c.w, c.h);
        EXPECT_TRUE(same_rect(r, c.expected))
            << c.desk_w << "x" << c.desk_h << " for " << c.w << "x" << c.h << ": got (" << r.left
            << ", " << r.top << ", " << r.right << ", " << r.bottom << ")";
    }
}

TEST_F(VhoClientTest, StyleFollowsTheWindowedFlag) {
    EXPECT_EQ(client.GetWindowStyle(), kWindowed);
    client.windowed = false;
    EXPECT_EQ(client.GetWindowStyle(), kFullScreen);
    EXPECT_TRUE(client.IsFullScreen());
}

TEST_F(VhoClientTest, ChangeDisplayModeWithTheCurrentFlagChangesNothing) {
    create();
    const std::size_t pos = desk.pos_calls.size();
    EXPECT_EQ(client.ChangeDisplayMode(true), (Size{1286, 749}));
    EXPECT_EQ(desk.pos_calls.size(), pos);
    EXPECT_TRUE(desk.style_calls.empty());
    EXPECT_TRUE(desk.mode_changes.empty());
}

TEST_F(VhoClientTest, FullScreenAndBackSwitchModeStyleAndPlacement) {
    HWND h = create();
    EXPECT_EQ(client.ChangeDisplayMode(false), (Size{1280, 720}));
    EXPECT_TRUE(client.IsFullScreen());
    ASSERT_EQ(desk.mode_changes.size(), 1u);
    EXPECT_EQ(desk.mode_changes[0].mode.width, 1280u);
    EXPECT_EQ(desk.mode_changes[0].flags, CDS_FULLSCREEN);
    EXPECT_EQ(desk.style_of(h), kFullScreen);
    EXPECT_TRUE(pos_is(desk.pos_calls.back(), h, true, 0, 0, 1280, 720, SWP_SHOWWINDOW));
    EXPECT_TRUE(same_rect(client.windowRect, Rect{317, 165, 1603, 914}))
        << "the windowed rectangle must survive full screen";
    // Asking full screen again reports the kept windowed size and does nothing.
    EXPECT_EQ(client.ChangeDisplayMode(false), (Size{1286, 749}));
    EXPECT_EQ(desk.mode_changes.size(), 1u);

    EXPECT_EQ(client.ChangeDisplayMode(true), (Size{1286, 749}));
    ASSERT_EQ(desk.mode_changes.size(), 2u);
    EXPECT_EQ(desk.mode_changes[1].mode.width, 1920u);  // the desktop mode again
    EXPECT_EQ(desk.mode_changes[1].mode.height, 1080u);
    EXPECT_EQ(desk.mode_changes[1].flags, 0u);
    EXPECT_EQ(desk.style_of(h), kWindowed);
    const NullBackend::PosCall& p = desk.pos_calls.back();
    EXPECT_FALSE(p.topmost);
    EXPECT_EQ(p.width, 1286);
    EXPECT_EQ(p.height, 749);
    EXPECT_EQ(p.flags, SWP_SHOWWINDOW);
    EXPECT_TRUE(desk.is_visible(h));

    // Another round trip keeps the window's size: it does not grow by a frame.
    client.ChangeDisplayMode(false);
    EXPECT_EQ(client.ChangeDisplayMode(true), (Size{1286, 749}));
    EXPECT_TRUE(same_rect(client.windowRect, Rect{317, 165, 1603, 914}));
}

TEST_F(VhoClientTest, RefusedModeChangeStillResizesTheWindow) {
    HWND h = create();
    desk.set_mode_changes_fail(true);
    EXPECT_EQ(client.ChangeDisplayMode(false), (Size{1280, 720}));
    EXPECT_EQ(desk.style_of(h), kFullScreen);
    EXPECT_TRUE(pos_is(desk.pos_calls.back(), h, true, 0, 0, 1280, 720, SWP_SHOWWINDOW));
}

TEST_F(VhoClientTest, SetClientSizeWindowedRecentresWithoutAModeChange) {
    HWND h = create();
    client.SetClientSize(1366, 768);
    EXPECT_EQ(desk.style_calls.back().style, kWindowed);
    // Outer 1372 x 797: left = 960 - 686, top = trunc(540 - 398.5).
    EXPECT_TRUE(pos_is(desk.pos_calls.back(), h, false, 274, 141, 1372, 797, SWP_SHOWWINDOW));
    EXPECT_TRUE(same_rect(client.windowRect, Rect{274, 141, 1646, 938}));
    EXPECT_EQ(client.width, 1366u);
    EXPECT_EQ(client.height, 768u);
    EXPECT_EQ(desk.get_client_rect(h).width(), 1366);
    EXPECT_TRUE(desk.mode_changes.empty());

    // A size equal to the remembered rectangle's changes nothing.
    const std::size_t pos = desk.pos_calls.size();
    client.SetClientSize(1372, 797);
    EXPECT_EQ(desk.pos_calls.size(), pos);
    EXPECT_EQ(client.width, 1366u);
}

TEST_F(VhoClientTest, SetClientSizeInFullScreenTakesTheNearestListedMode) {
    HWND h = create();
    client.ChangeDisplayMode(false);
    client.SetClientSize(800, 600);
    EXPECT_EQ(client.width, 800u);
    EXPECT_EQ(client.height, 600u);
    EXPECT_EQ(desk.style_calls.back().style, kFullScreen);
    // 1280x720 scores 145 against 136 (1366x768) and 97 (1920x1080).
    EXPECT_EQ(desk.mode_changes.back().mode.width, 1280u);
    EXPECT_EQ(desk.mode_changes.back().mode.height, 720u);
    EXPECT_EQ(desk.mode_changes.back().flags, CDS_FULLSCREEN);
    EXPECT_TRUE(pos_is(desk.pos_calls.back(), h, true, 0, 0, 1280, 720, SWP_SHOWWINDOW));
    // The popup has no frame, and the desktop is the 1280x720 mode by now: the
    // remembered rectangle is the client centred on it.
    EXPECT_TRUE(same_rect(client.windowRect, Rect{240, 60, 1040, 660}));
}

TEST_F(VhoClientTest, SetPositionMovesOnlyTheRememberedRectangle) {
    create();
    const std::size_t pos = desk.pos_calls.size();
    client.SetPosition(10, -20);
    EXPECT_TRUE(same_rect(client.windowRect, Rect{10, -20, 1296, 729}));
    EXPECT_EQ(desk.pos_calls.size(), pos);
}

}  // namespace
