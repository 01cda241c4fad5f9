// The program end to end under Xvfb: it starts and shows its window, a second
// instance is refused, Escape ends the first cleanly, the demo's scripts run
// every frame and keep their save record across two starts, and without a
// display or OpenGL 2.0 it says so and exits with -1, as it does when a
// configured lobby directory cannot be reached.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "platform/online/online_udp.h"
#include "tests/support/demo_run.h"
#include "tests/support/process_runner.h"
#include "tests/support/script_log_watch.h"
#include "tests/support/window_keys.h"

namespace {

using qz_test::ChildProcess;

const std::string kProgram = std::string(QZ_BINARY_DIR) + "/vornakle";

TEST(ProgramSmoke, SecondInstanceIsRefusedAndEscapeEndsTheFirst) {
    ASSERT_NE(nullptr, std::getenv("DISPLAY")) << "run under xvfb-run";
    qz_test::TempDir runtime;
    qz_test::TempDir work;
    qz_test::CopyDemoDataTree(work.path());
    const std::map<std::string, std::string> env = {{"XDG_RUNTIME_DIR", runtime.path()},
                                                    {"SDL_AUDIODRIVER", "dummy"},
                                                    {"QZ_NO_MESSAGE_BOX", "1"}};

    ChildProcess first;
    ASSERT_TRUE(first.Start({kProgram}, env, work.path()));
    const std::string window = qz_test::WaitForWindow(first, "Vornakle", 30000);
    ASSERT_FALSE(window.empty()) << "no game window; stderr:\n" << first.Stderr();
    // Its first frame: the program holds its lock and reads its window's keys.
    qz_test::ScriptLogWatch watch(first, work.path());
    ASSERT_TRUE(watch.WaitFor("input: players ", qz_test::kFirstFrameWaitMs))
        << "log:\n"
        << watch.Log() << "stderr:\n"
        << first.Stderr();

    ChildProcess second;
    ASSERT_TRUE(second.Start({kProgram}, env, work.path()));
    const auto secondStatus = second.Wait(qz_test::kEffectWaitMs);
    ASSERT_TRUE(secondStatus.has_value()) << "second instance did not end";
    EXPECT_EQ(255, *secondStatus);
    EXPECT_NE(std::string::npos, second.Stderr().find("It has already started application."))
        << second.Stderr();
    EXPECT_TRUE(first.Running());

    // Escape comes through the window's message queue, which keeps it.
    EXPECT_TRUE(qz_test::WindowKeys(window).Tap("Escape"));
    const auto firstStatus = first.Wait(qz_test::kEffectWaitMs);
    ASSERT_TRUE(firstStatus.has_value()) << "Escape did not end the game; stderr:\n"
                                         << first.Stderr();
    EXPECT_EQ(0, *firstStatus) << first.Stderr();
}

// Every script log written in `dir`, one after another.
std::string ScriptLogs(const std::filesystem::path& dir) {
    std::string text;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(dir / "Log", ec)) {
        std::ifstream in(e.path(), std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        text += s.str();
    }
    return text;
}

TEST(ProgramSmoke, DemoScriptsRunEveryFrameAndKeepTheSaveRecord) {
    ASSERT_NE(nullptr, std::getenv("DISPLAY")) << "run under xvfb-run";
    namespace fs = std::filesystem;
    qz_test::TempDir work;
    const fs::path dir = work.path();
    fs::copy(fs::path(QZ_BINARY_DIR) / "USRDIR", dir / "USRDIR", fs::copy_options::recursive);
    fs::remove(dir / "USRDIR/SAVEDATA/SAVE00.BIN");
    qz_test::TempDir runtime;
    const std::map<std::string, std::string> env = {{"XDG_RUNTIME_DIR", runtime.path()},
                                                    {"SDL_AUDIODRIVER", "dummy"},
                                                    {"QZ_NO_MESSAGE_BOX", "1"}};
    // Each start waits for its own save write, then for frames past it.
    const char* const startLines[] = {"save load: error 1, valid true, starts 0\n",
                                      "save load: error 0, valid true, starts 1\n"};
    for (const char* line : startLines) {
        SCOPED_TRACE(line);
        ChildProcess game;
        ASSERT_TRUE(game.Start({kProgram}, env, dir.string()));
        bool seen = false;
        for (int waited = 0; waited < 60000 && !seen && game.Running(); waited += 100) {
            const std::string log = ScriptLogs(dir);
            const std::size_t at = log.find(line);
            seen = at != std::string::npos &&
                   log.find("SQUpdate frame 120\n", at) != std::string::npos;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        ASSERT_TRUE(seen) << "log:\n" << ScriptLogs(dir) << "stderr:\n" << game.Stderr();
        game.Terminate();
        const auto status = game.Wait(20000);
        ASSERT_TRUE(status.has_value()) << "the program did not end on SIGTERM";
        EXPECT_EQ(0, *status) << game.Stderr();
    }
    const std::string log = ScriptLogs(dir);
    EXPECT_NE(std::string::npos, log.find("all_StartCmd: ready\n")) << log;
    EXPECT_NE(std::string::npos, log.find("save write: error 0\n")) << log;
    EXPECT_EQ(304u, fs::file_size(dir / "USRDIR/SAVEDATA/SAVE00.BIN"));
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

TEST(ProgramSmoke, AnUnreachableLobbyDirectoryFailsThePlatformStartWithMinusOne) {
    qz_test::TempDir runtime;
    // A loopback port nothing listens on.
    const std::uint16_t port = platform::online::free_loopback_port(true);
    ASSERT_NE(0, port);
    const std::map<std::string, std::string> env = {
        {"XDG_RUNTIME_DIR", runtime.path()},
        {"SDL_AUDIODRIVER", "dummy"},
        {"QZ_NO_MESSAGE_BOX", "1"},
        {"QZ_ONLINE_DIRECTORY", "127.0.0.1:" + std::to_string(port)}};
    ChildProcess game;
    ASSERT_TRUE(game.Start({kProgram}, env, QZ_BINARY_DIR));
    const auto status = game.Wait(20000);
    ASSERT_TRUE(status.has_value()) << "the program did not end";
    EXPECT_EQ(255, *status) << game.Stderr();
    EXPECT_NE(std::string::npos, game.Stderr().find("Failed initializing Steam.")) << game.Stderr();
    EXPECT_NE(std::string::npos, game.Stdout().find("unreachable")) << game.Stdout();
}

}  // namespace
