// The program end to end under Xvfb: it starts and shows its window, a second
// instance is refused, Escape ends the first cleanly, and without a display or
// OpenGL 2.0 it says so and exits with -1.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>

#include "tests/support/process_runner.h"

namespace {

using qz_test::ChildProcess;
using qz_test::RunCapture;

const std::string kProgram = std::string(QZ_BINARY_DIR) + "/vornakle";

// Waits until a visible window named exactly "Vornakle" exists; its id or "".
std::string WaitForGameWindow(ChildProcess& game, int timeoutMs) {
    for (int waited = 0; waited < timeoutMs; waited += 100) {
        std::string id = RunCapture("xdotool search --onlyvisible --name '^Vornakle$' 2>/dev/null");
        if (!id.empty()) {
            return id.substr(0, id.find('\n'));
        }
        if (!game.Running()) {
            return "";
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return "";
}

TEST(ProgramSmoke, SecondInstanceIsRefusedAndEscapeEndsTheFirst) {
    ASSERT_NE(nullptr, std::getenv("DISPLAY")) << "run under xvfb-run";
    qz_test::TempDir runtime;
    const std::map<std::string, std::string> env = {{"XDG_RUNTIME_DIR", runtime.path()},
                                                    {"SDL_AUDIODRIVER", "dummy"},
                                                    {"QZ_NO_MESSAGE_BOX", "1"}};

    ChildProcess first;
    ASSERT_TRUE(first.Start({kProgram}, env, QZ_BINARY_DIR));
    const std::string window = WaitForGameWindow(first, 30000);
    ASSERT_FALSE(window.empty()) << "no game window; stderr:\n" << first.Stderr();

    ChildProcess second;
    ASSERT_TRUE(second.Start({kProgram}, env, QZ_BINARY_DIR));
    const auto secondStatus = second.Wait(20000);
    ASSERT_TRUE(secondStatus.has_value()) << "second instance did not end";
    EXPECT_EQ(255, *secondStatus);
    EXPECT_NE(std::string::npos, second.Stderr().find("It has already started application."))
        << second.Stderr();
    EXPECT_TRUE(first.Running());

    int status = 0;
    RunCapture("xdotool windowfocus --sync " + window + " key Escape", &status);
    EXPECT_EQ(0, status);
    const auto firstStatus = first.Wait(20000);
    ASSERT_TRUE(firstStatus.has_value()) << "Escape did not end the game; stderr:\n"
                                         << first.Stderr();
    EXPECT_EQ(0, *firstStatus) << first.Stderr();
}

TEST(ProgramSmoke, WithoutADisplayItSaysSoAndExitsWithMinusOne) {
    qz_test::TempDir runtime;
    const std::map<std::string, std::string> env = {{"XDG_RUNTIME_DIR", runtime.path()},
                                                    {"SDL_AUDIODRIVER", "dummy"},
                                                    {"QZ_NO_MESSAGE_BOX", "1"},
                                                    {"DISPLAY", ""},
                                                    {"WAYLAND_DISPLAY", ""}};
    ChildProcess game;
    ASSERT_TRUE(game.Start({kProgram}, env, QZ_BINARY_DIR));
    const auto status = game.Wait(20000);
    ASSERT_TRUE(status.has_value()) << "the program did not end without a display";
    EXPECT_EQ(255, *status) << game.Stderr();
    EXPECT_NE(std::string::npos, game.Stderr().find("No display is available")) << game.Stderr();
}

TEST(ProgramSmoke, WithoutOpenGlTwoItSaysSoAndExitsWithMinusOne) {
    ASSERT_NE(nullptr, std::getenv("DISPLAY")) << "run under xvfb-run";
    qz_test::TempDir runtime;
    // Mesa then offers a 1.4 context: the renderer's check must refuse it.
    const std::map<std::string, std::string> env = {{"XDG_RUNTIME_DIR", runtime.path()},
                                                    {"SDL_AUDIODRIVER", "dummy"},
                                                    {"QZ_NO_MESSAGE_BOX", "1"},
                                                    {"MESA_GL_VERSION_OVERRIDE", "1.4"}};
    ChildProcess game;
    ASSERT_TRUE(game.Start({kProgram}, env, QZ_BINARY_DIR));
    const auto status = game.Wait(20000);
    ASSERT_TRUE(status.has_value()) << "the program did not end without OpenGL 2.0";
    EXPECT_EQ(255, *status) << game.Stderr();
    EXPECT_NE(std::string::npos,
              game.Stderr().find("This game requires graphic board with compatability with "
                                 "OpenGL ver2.0 and above."))
        << game.Stderr();
}

}  // namespace
