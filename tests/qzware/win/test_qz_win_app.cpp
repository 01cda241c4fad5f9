// The message loop on the in-memory desktop: idle turns while the queue is
// empty, every queued message handled before the next turn, WM_QUIT ends it.
#include "qzware/win/qz_win_app.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/window/window_null.h"
#include "qzware/win/qz_window.h"

namespace {

using namespace platform::window;
using namespace platform::win32;

std::vector<std::string> g_events;

class LoggingWindow : public QZW::Win::CQzWindow {
public:
    LRESULT WndProc(HWND h, UINT message, WPARAM wParam, LPARAM lParam) override {
        g_events.push_back("message " + std::to_string(message) + " " + std::to_string(wParam));
        return QZW::Win::CQzWindow::WndProc(h, message, wParam, lParam);
    }
};

// Posts two messages on its first turn and WM_QUIT on its third.
class ScriptedApp : public QZW::Win::CQzWinApp {
public:
    explicit ScriptedApp(HWND target) : hwnd(target) {}
    void Idle() override {
        ++turns;
        g_events.push_back("idle " + std::to_string(turns));
        Backend& windows = current();
        if (turns == 1) {
            windows.post_message(hwnd, WM_SIZE, 1, 0);
            windows.post_message(hwnd, WM_SIZE, 2, 0);
        } else if (turns == 3) {
            windows.post_quit_message(0);
        }
    }
    HWND hwnd;
    int turns = 0;
};

TEST(QzWinApp, IdlesWhileTheQueueIsEmptyHandlesEveryMessageFirstAndEndsOnQuit) {
    NullBackend desk;
    ScopedBackend scoped(desk);
    g_events.clear();
    LoggingWindow window;
    ASSERT_TRUE(window.Register(nullptr));
    window.hwnd = desk.create_window("QZ_WC", "Vornakle", 0, 0, 0, 640, 480);
    ASSERT_NE(nullptr, window.hwnd);
    g_events.clear();  // creation messages are not part of the loop

    ScriptedApp app(window.hwnd);
    EXPECT_EQ(0, app.Run());

    const std::string size = std::to_string(WM_SIZE);
    const std::vector<std::string> expected = {
        "idle 1", "message " + size + " 1", "message " + size + " 2", "idle 2", "idle 3",
    };
    EXPECT_EQ(expected, g_events);
    window.Close();
}

}  // namespace
