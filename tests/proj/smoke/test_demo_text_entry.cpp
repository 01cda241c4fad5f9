// The text-entry prompt in the real program: the demo opens it on the N key,
// the player types into the game window and presses Enter, and the demo
// reads back what was typed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "tests/support/demo_run.h"
#include "tests/support/process_runner.h"

namespace {

namespace fs = std::filesystem;
using qz_test::ChildProcess;
using qz_test::RunCapture;

const std::string kProgram = qz_test::ProgramPath();
using qz_test::ReadScriptLog;

TEST(DemoTextEntry, TypedTextReachesTheScriptsAndEscapeClosesThePromptNotTheGame) {
    ASSERT_NE(nullptr, std::getenv("DISPLAY")) << "run under xvfb-run";
    const fs::path data = fs::path(QZ_BINARY_DIR) / "USRDIR";
    ASSERT_TRUE(fs::exists(data / "scriptsConv/all.cnut")) << "the demo data tree is not built";
    qz_test::TempDir runtime;
    qz_test::TempDir work;
    const fs::path dir = work.path();
    qz_test::CopyDemoDataTree(dir);

    ChildProcess game;
    ASSERT_TRUE(
        game.Start({kProgram}, qz_test::DemoRunEnvironment(runtime.path(), 420), dir.string()));
    const std::string window = qz_test::WaitForWindow(game, "Vornakle", 30000);
    ASSERT_FALSE(window.empty()) << "no game window; stderr:\n" << game.Stderr();
    int status = 0;
    // Keys are held for a few frames: the keyboard is polled once a frame.
    RunCapture("xdotool windowfocus --sync " + window +
                   " keydown n sleep 0.3 keyup n sleep 0.3 type --delay 60 'Ann b'",
               &status);
    EXPECT_EQ(0, status);
    RunCapture("xdotool key --window " + window + " BackSpace sleep 0.2 key Return sleep 0.3",
               &status);
    EXPECT_EQ(0, status);
    // Escape with the prompt open closes it and keeps the initial text; the
    // game goes on to its last frame.
    RunCapture("xdotool keydown n sleep 0.3 keyup n sleep 0.3 key Escape", &status);
    EXPECT_EQ(0, status);

    const auto exit = game.Wait(60000);
    ASSERT_TRUE(exit.has_value()) << "the run did not end after its frames";
    EXPECT_EQ(0, *exit) << game.Stderr();
    const std::string log = ReadScriptLog(dir);
    EXPECT_NE(std::string::npos, log.find("keyboard: opened, state 1\n")) << log;
    EXPECT_NE(std::string::npos, log.find("keyboard: closed, text 'Ann '\n")) << log;
    EXPECT_NE(std::string::npos, log.find("keyboard: closed, text ''\n")) << log;
    EXPECT_NE(std::string::npos, log.find("SQUpdate frame 420\n")) << log;
    // Offline the platform's language is "any other name".
    EXPECT_NE(std::string::npos, log.find("services: language 1\n")) << log;
}

}  // namespace
