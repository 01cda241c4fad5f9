// The text-entry prompt in the real program: the demo opens it on the N key,
// the player types into the game window and presses Enter, and the demo
// reads back what was typed. Each key waits on the log line its step before
// left, so a slow frame cannot lose a press.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/support/demo_run.h"
#include "tests/support/process_runner.h"
#include "tests/support/script_log_watch.h"
#include "tests/support/window_keys.h"

namespace {

namespace fs = std::filesystem;
using qz_test::ChildProcess;

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
    ASSERT_TRUE(game.Start({kProgram},
                           qz_test::DemoRunEnvironment(runtime.path(), qz_test::kEndedByTestFrames),
                           dir.string()));
    const std::string window = qz_test::WaitForWindow(game, "Vornakle", 30000);
    ASSERT_FALSE(window.empty()) << "no game window; stderr:\n" << game.Stderr();
    qz_test::ScriptLogWatch watch(game, dir);
    ASSERT_TRUE(watch.WaitFor("input: players ", qz_test::kFirstFrameWaitMs))
        << "the demo never reached its first frame; log:\n"
        << watch.Log() << "stderr:\n"
        << game.Stderr();
    qz_test::WindowKeys keys(window);

    // The prompt is open before the name is typed; Enter closes it.
    ASSERT_TRUE(keys.HoldUntilLogged("n", watch, "keyboard: opened, state 1\n"))
        << "N was held, the prompt never opened; log:\n"
        << watch.Log();
    ASSERT_TRUE(keys.Type("Ann b"));
    ASSERT_TRUE(keys.Tap("BackSpace Return"));
    ASSERT_TRUE(watch.WaitFor("keyboard: closed, text ")) << watch.Log();
    // Escape with the prompt open closes it and keeps the initial text; the
    // game goes on: two frame lines after it are 60 frames or more.
    ASSERT_TRUE(keys.HoldUntilLogged("n", watch, "keyboard: opened, state 1\n"))
        << "N was held a second time, the prompt never opened; log:\n"
        << watch.Log();
    ASSERT_TRUE(keys.Tap("Escape"));
    ASSERT_TRUE(watch.WaitFor("keyboard: closed, text ")) << watch.Log();
    for (int line = 0; line < 2; ++line) {
        EXPECT_TRUE(watch.WaitFor("SQUpdate frame ")) << "the game ended with the prompt; log:\n"
                                                      << watch.Log() << "stderr:\n"
                                                      << game.Stderr();
    }
    EXPECT_TRUE(game.Running()) << "the game ended with the prompt";

    game.Terminate();
    const auto exit = game.Wait(60000);
    ASSERT_TRUE(exit.has_value()) << "the run did not end on SIGTERM";
    EXPECT_EQ(0, *exit) << game.Stderr();
    const std::string log = ReadScriptLog(dir);
    EXPECT_NE(std::string::npos, log.find("keyboard: opened, state 1\n")) << log;
    EXPECT_NE(std::string::npos, log.find("keyboard: closed, text 'Ann '\n")) << log;
    EXPECT_NE(std::string::npos, log.find("keyboard: closed, text ''\n")) << log;
    // Offline the platform's language is "any other name".
    EXPECT_NE(std::string::npos, log.find("services: language 1\n")) << log;
}

}  // namespace
