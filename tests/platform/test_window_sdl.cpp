// The SDL2 window backend on a real X server (run under Xvfb): a hidden
// window, an OpenGL 2 compatibility context that clears and swaps, and posted
// messages that go through the queue to the class procedure.
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <unistd.h>
#include <chrono>

#include <cstdlib>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/quit_signal/quit_signal.h"
#include "platform/window/window.h"
#include "tests/support/process_runner.h"
#include "tests/support/window_keys.h"

// The X and D-Bus client libraries keep allocations for the life of the
// process; they are not ours to free.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libdbus-1.so\nleak:libX11.so\nleak:libGLX_mesa.so\nleak:swrast_dri.so\n";
}

namespace {

using namespace platform::window;
using namespace platform::win32;

std::vector<Msg> g_seen;

LRESULT recording_proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    g_seen.push_back(Msg{hwnd, message, wParam, lParam});
    return sdl_backend().def_window_proc(hwnd, message, wParam, lParam);
}

bool saw(HWND hwnd, UINT message) {
    for (const Msg& m : g_seen) {
        if (m.hwnd == hwnd && m.message == message)
            return true;
    }
    return false;
}

class WindowSdlTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::getenv("DISPLAY"))
            GTEST_SKIP() << "no X display (run under xvfb-run)";
        std::string error;
        ASSERT_TRUE(sdl.init(&error)) << error;
        sdl.register_class("sdl_test", &recording_proc);  // once per process
        g_seen.clear();
        // The process id keeps parallel test processes' windows apart.
        caption = "sdl test window " + std::to_string(::getpid());
        hwnd = sdl.create_window("sdl_test", caption.c_str(), WS_CAPTION | WS_SYSMENU,
                                 CW_USEDEFAULT, 0, 320, 240);
        ASSERT_NE(hwnd, nullptr);
    }
    void TearDown() override {
        if (hwnd && sdl.is_window(hwnd))
            sdl.destroy_window(hwnd);
    }
    Backend& sdl = sdl_backend();
    std::string caption;
    HWND hwnd = nullptr;
};

TEST_F(WindowSdlTest, HiddenWindowGetsAnOpenGl2ContextThatClearsAndSwaps) {
    EXPECT_TRUE(saw(hwnd, WM_CREATE)) << "WM_CREATE did not reach the class procedure";
    std::string error;
    ASSERT_TRUE(sdl.create_gl_context(hwnd, GlConfig{}, &error)) << error;
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    ASSERT_NE(version, nullptr);
    EXPECT_TRUE(version[0] >= '2' && version[0] <= '9') << "GL_VERSION " << version;
    GLint depth = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depth);
    EXPECT_GE(depth, 24);
    glClearColor(0.25f, 0.5f, 0.75f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    sdl.swap_buffers(hwnd);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    int w = 0, h = 0;
    sdl.get_drawable_size(hwnd, &w, &h);
    const Rect client = sdl.get_client_rect(hwnd);
    EXPECT_EQ(w, client.width());
    EXPECT_EQ(h, client.height());
    EXPECT_GT(w, 0);
    sdl.destroy_window(hwnd);
    EXPECT_TRUE(saw(hwnd, WM_DESTROY));
    EXPECT_FALSE(sdl.is_window(hwnd));
}

TEST_F(WindowSdlTest, PostedCloseGoesThroughTheQueueAndDestroysTheWindow) {
    EXPECT_EQ(sdl.find_window(caption.c_str()), hwnd);
    sdl.post_message(hwnd, WM_CLOSE, 0, 0);
    Msg m;
    // System events (focus, size) may come first; the close must come through.
    bool closed = false;
    for (int i = 0; i < 50 && !closed; ++i) {
        ASSERT_TRUE(sdl.peek_message(&m));
        ASSERT_TRUE(sdl.get_message(&m));
        sdl.translate_message(m);
        sdl.dispatch_message(m);
        closed = m.message == WM_CLOSE;
    }
    ASSERT_TRUE(closed);
    EXPECT_EQ(m.hwnd, hwnd);
    EXPECT_TRUE(saw(hwnd, WM_CLOSE));
    EXPECT_TRUE(saw(hwnd, WM_DESTROY));
    EXPECT_FALSE(sdl.is_window(hwnd));
    sdl.post_quit_message(7);
    for (;;) {
        if (!sdl.get_message(&m))
            break;
    }
    EXPECT_EQ(m.message, WM_QUIT);
    EXPECT_EQ(m.wParam, 7u);
}

// A quit signal while the game thread is held: the signal watch sees it, and
// another thread pumping the events finds the close request it became,
// without the game thread's help (the runaway-script watchdog's path).
TEST_F(WindowSdlTest, QuitSignalIsSeenFromAnotherThreadWhileTheGameThreadIsHeld) {
    platform::quit_signal::watch();
    Msg m;
    while (sdl.peek_message(&m))
        sdl.get_message(&m);
    EXPECT_FALSE(sdl.close_requested(false));
    ASSERT_EQ(0, ::raise(SIGTERM));
    const char* name = platform::quit_signal::wait(30000);
    ASSERT_NE(nullptr, name);
    EXPECT_STREQ("SIGTERM", name);
    bool seen = false;
    std::thread watchdog([&] {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!seen && std::chrono::steady_clock::now() < deadline) {
            seen = sdl.close_requested(false);
            if (!seen)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    });
    watchdog.join();
    EXPECT_TRUE(seen);
    // The game thread, once back, takes the same close request.
    bool closing = false;
    while (sdl.peek_message(&m)) {
        sdl.get_message(&m);
        closing = closing || (m.hwnd == hwnd && m.message == WM_CLOSE);
    }
    EXPECT_TRUE(closing);
    EXPECT_EQ(nullptr, platform::quit_signal::wait(0));
}

// Real key presses through the X server (XTEST): scancode -> virtual key,
// and TranslateMessage's characters, with text input on as SDL starts it.
TEST_F(WindowSdlTest, TypedKeysArriveAsVirtualKeysAndCharacters) {
    if (std::system("command -v xdotool >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "no xdotool";
    sdl.show_window(hwnd, SW_SHOW);
    Msg m;
    // The X server maps the window in its own time: wait until it is
    // viewable, then focus it (which WindowKeys tries again until it takes).
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    const std::string search = "xdotool search --onlyvisible --name '^" + caption + "$'";
    std::string id;
    while (id.empty() && std::chrono::steady_clock::now() < deadline) {
        while (sdl.peek_message(&m))
            sdl.get_message(&m);  // map and focus events
        id = qz_test::RunCapture(search + " 2>/dev/null");
        if (id.empty())
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_FALSE(id.empty()) << "the window never became viewable";
    ASSERT_TRUE(
        qz_test::WindowKeys(id.substr(0, id.find('\n'))).Tap("Escape shift+a KP_Decimal Up"));
    // The presses are queued on the window; wait until the last one is taken.
    std::vector<std::pair<UINT, WPARAM>> got;
    const std::pair<UINT, WPARAM> last{WM_KEYUP, VK_UP};
    while ((got.empty() || got.back() != last) && std::chrono::steady_clock::now() < deadline) {
        while (sdl.peek_message(&m)) {
            sdl.get_message(&m);
            sdl.translate_message(m);
            // xdotool toggles Num Lock around the numpad key; that is its business.
            if (m.wParam == 0x90)
                continue;
            if (m.message == WM_KEYDOWN || m.message == WM_KEYUP || m.message == WM_CHAR) {
                got.emplace_back(m.message, m.wParam);
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    // xdotool lets go of Shift before the letter.
    const std::vector<std::pair<UINT, WPARAM>> expected = {
        {WM_KEYDOWN, VK_ESCAPE},  {WM_CHAR, 0x1B}, {WM_KEYUP, VK_ESCAPE},  {WM_KEYDOWN, VK_SHIFT},
        {WM_KEYDOWN, 'A'},        {WM_CHAR, 'A'},  {WM_KEYUP, VK_SHIFT},   {WM_KEYUP, 'A'},
        {WM_KEYDOWN, VK_DECIMAL}, {WM_CHAR, '.'},  {WM_KEYUP, VK_DECIMAL}, {WM_KEYDOWN, VK_UP},
        {WM_KEYUP, VK_UP},
    };
    EXPECT_EQ(got, expected);
}

TEST_F(WindowSdlTest, DisplayModesAreListedAndTheDesktopIsOneOfThem) {
    DisplayMode desktop;
    ASSERT_TRUE(sdl.current_display_mode(&desktop));
    const Rect d = sdl.get_desktop_rect();
    EXPECT_EQ(std::uint32_t(d.width()), desktop.width);
    EXPECT_EQ(std::uint32_t(d.height()), desktop.height);
    bool listed = false;
    DisplayMode m;
    for (std::uint32_t i = 0; sdl.enum_display_settings(i, &m); ++i) {
        EXPECT_GT(m.width, 0u);
        if (m.width == desktop.width && m.height == desktop.height)
            listed = true;
    }
    EXPECT_TRUE(listed) << "desktop " << desktop.width << "x" << desktop.height;
    // A true-colour X screen reads as 32 bits, as Win32 reports it.
    EXPECT_EQ(desktop.bits_per_pixel, 32u);
}

TEST_F(WindowSdlTest, FullScreenTakesOnlyListedModesAndReturnsToTheDesktop) {
    DisplayMode desktop;
    ASSERT_TRUE(sdl.current_display_mode(&desktop));
    EXPECT_EQ(sdl.change_display_settings(DisplayMode{123, 45, 32, 0}, CDS_FULLSCREEN),
              DISP_CHANGE_FAILED);
    EXPECT_EQ(sdl.change_display_settings(DisplayMode{desktop.width, desktop.height, 0, 0},
                                          CDS_FULLSCREEN),
              DISP_CHANGE_SUCCESSFUL);
    EXPECT_EQ(sdl.change_display_settings(DisplayMode{123, 45, 0, 0}, 0), DISP_CHANGE_FAILED)
        << "without full screen only the desktop mode can be had";
    EXPECT_EQ(sdl.change_display_settings(desktop, 0), DISP_CHANGE_SUCCESSFUL);
    sdl.destroy_window(hwnd);
    EXPECT_EQ(sdl.change_display_settings(desktop, CDS_FULLSCREEN), DISP_CHANGE_FAILED)
        << "no window to make full screen";
}

}  // namespace
