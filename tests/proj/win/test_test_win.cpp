// The game's main window: its size, and the messages that end the game
// (a destroyed window; Escape only while the game manager allows it; the
// platform's shutdown event).
#include "proj/win/test_win.h"

#include <gtest/gtest.h>

#include "platform/window/window_null.h"
#include "qzware/win/qz_game_manager.h"
#include "tests/support/online_services.h"

namespace {

using namespace platform::window;
using namespace platform::win32;
using Sample::Win::CTestWin;

class TestWinTest : public ::testing::Test {
protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "fast"); }
    void TearDown() override { QZW::Win::GetGameManager().SetEscapeQuit(true); }
    NullBackend desk;
    ScopedBackend scoped{desk};
};

TEST_F(TestWinTest, StartsWithA1280By720Client) {
    CTestWin window;
    EXPECT_EQ(1280u, window.clientWidth);
    EXPECT_EQ(720u, window.clientHeight);
}

TEST_F(TestWinTest, EscapeWithEscapeQuitClearedGoesOnToTheDefaultProcedure) {
    QZW::Win::GetGameManager().SetEscapeQuit(false);
    CTestWin window;
    // Returning at all shows the game went on.
    EXPECT_EQ(0, window.WndProc(nullptr, WM_CHAR, WPARAM(VK_ESCAPE), 0));
    EXPECT_EQ(0, window.WndProc(nullptr, WM_CHAR, WPARAM('a'), 0));
}

TEST_F(TestWinTest, EscapeWhileAllowedAndADestroyedWindowEndTheGameWithStatus0) {
    const struct {
        const char* what;
        UINT message;
        WPARAM wParam;
    } cases[] = {
        {"Escape", WM_CHAR, WPARAM(VK_ESCAPE)},
        {"WM_DESTROY", WM_DESTROY, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QZW::Win::GetGameManager().SetEscapeQuit(true);
        CTestWin window;
        EXPECT_EXIT(window.WndProc(nullptr, c.message, c.wParam, 0), ::testing::ExitedWithCode(0),
                    "");
    }
}

TEST_F(TestWinTest, ThePlatformShutdownEventEndsTheGameWhileTheWindowLives) {
    qz_test_support::OnlineServices online;
    { CTestWin closed; }
    online.self.raise(platform::online::PlatformShutdown{});
    online.steam.Update();  // no window listens any more: the game goes on
    CTestWin window;
    online.self.raise(platform::online::PlatformShutdown{});
    EXPECT_EXIT(online.steam.Update(), ::testing::ExitedWithCode(0), "");
}

}  // namespace
