// A script that never returns, at load or in SQUpdate, no longer holds the
// program: SIGTERM, SIGINT and Escape end it, after the script's grace time,
// with exit status 3 and the stuck script named on stderr and in the script
// log.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <thread>

#include "tests/proj/script/compiled_image.h"
#include "tests/support/process_runner.h"
#include "tests/support/script_log_watch.h"
#include "tests/support/window_keys.h"

namespace {

namespace fs = std::filesystem;
using qz_test::ChildProcess;

const std::string kProgram = std::string(QZ_BINARY_DIR) + "/vornakle";
// How long the test waits for a stuck program to end: only turns a hang
// into a failure (two seconds' grace, up to two more for queued writes, and
// whatever a busy machine adds). How long the watchdog itself took is
// bounded apart, from its own report.
constexpr int kEndWaitMs = 60000;
// The grace time a script has to come back after a quit request, and the
// most the watchdog may take past it before it ends the program: its turns
// are 100 ms apart, so only a watchdog that waits far too long reaches it.
constexpr int kGraceMs = 2000;
constexpr int kWatchdogLateMs = 2000;

// The watchdog's "N ms after the request" in `report`, or -1.
int MsAfterTheRequest(const std::string& report) {
    static const std::regex pattern(", ([0-9]+) ms after the request\\.");
    std::smatch m;
    return std::regex_search(report, m, pattern) ? std::stoi(m[1]) : -1;
}

std::string ScriptLogs(const fs::path& dir) {
    std::string text;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(dir / "Log", ec)) {
        std::ifstream in(e.path(), std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        text += s.str();
    }
    return text;
}

enum class Quit { kSigterm, kSigint, kEscape };

struct Case {
    const char* what;
    const char* script;  // the game's all.cnut; prints "looping\n" and never returns
    Quit quit;
    const char* report;
};

TEST(RunawayScript, AQuitRequestEndsAProgramWhoseScriptNeverReturns) {
    ASSERT_NE(nullptr, std::getenv("DISPLAY")) << "run under xvfb-run";
    const char* atLoad = "print(\"looping\\n\"); local n = 0; while (true) { n++ }";
    const char* inUpdate =
        "::frames <- 0; function SQUpdate() { frames++; if (frames == 30) { print(\"looping\\n\"); "
        "while (true) {} } }";
    const Case cases[] = {
        {"at load, SIGTERM", atLoad, Quit::kSigterm,
         "quit requested (SIGTERM) but the script has not returned; stuck in "
         "scriptsConv/all.cnut"},
        {"in SQUpdate, SIGINT", inUpdate, Quit::kSigint,
         "quit requested (SIGINT) but the script has not returned; stuck in SQUpdate"},
        {"in SQUpdate, Escape", inUpdate, Quit::kEscape,
         "quit requested (window close or Escape) but the script has not returned; stuck in "
         "SQUpdate"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        qz_test::TempDir work;
        qz_test::TempDir runtime;
        const fs::path dir = work.path();
        fs::copy(fs::path(QZ_BINARY_DIR) / "USRDIR", dir / "USRDIR", fs::copy_options::recursive);
        const auto image = script_test::CompileImage(c.script);
        ASSERT_FALSE(image.empty());
        std::ofstream(dir / "USRDIR/scriptsConv/all.cnut", std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()), std::streamsize(image.size()));

        ChildProcess game;
        ASSERT_TRUE(game.Start({kProgram},
                               {{"XDG_RUNTIME_DIR", runtime.path()},
                                {"SDL_AUDIODRIVER", "dummy"},
                                {"QZ_NO_MESSAGE_BOX", "1"}},
                               dir.string()));
        const std::string window = qz_test::WaitForWindow(game, "Vornakle", 30000);
        ASSERT_FALSE(window.empty()) << "no game window; stderr:\n" << game.Stderr();
        qz_test::ScriptLogWatch watch(game, dir);
        ASSERT_TRUE(watch.WaitFor("looping\n", qz_test::kFirstFrameWaitMs))
            << watch.Log() << game.Stderr();
        // Nothing ends a stuck program without a quit request: this pause
        // waits for nothing, it is the time in which the program must not
        // end (a busy machine can only make the check weaker, never fail it).
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        ASSERT_TRUE(game.Running());

        const auto asked = std::chrono::steady_clock::now();
        switch (c.quit) {
            case Quit::kSigterm:
                game.Terminate();
                break;
            case Quit::kSigint:
                ::kill(game.Pid(), SIGINT);
                break;
            case Quit::kEscape:
                // The watchdog pumps the window's queue, which keeps the press.
                EXPECT_TRUE(qz_test::WindowKeys(window).Tap("Escape"));
                break;
        }
        // A busy machine only makes the end later, so the test's own clock
        // checks it from below: the script had its grace to come back first.
        // From above, the watchdog's report says how long after the request
        // it acted, which the time a loaded machine takes to start the
        // program, deliver the signal or collect its end does not change.
        const auto status = game.Wait(kEndWaitMs);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - asked).count();
        ASSERT_TRUE(status.has_value()) << "the program is still held by its script";
        EXPECT_EQ(3, *status) << game.Stderr();
        EXPECT_GE(seconds, 1.9) << "the script was not given its grace time";
        const int acted = MsAfterTheRequest(game.Stderr());
        EXPECT_GE(acted, kGraceMs) << game.Stderr();
        EXPECT_LT(acted, kGraceMs + kWatchdogLateMs)
            << "the watchdog ended the stuck program long after its grace; " << game.Stderr();
        EXPECT_NE(std::string::npos, game.Stderr().find(c.report)) << game.Stderr();
        EXPECT_NE(std::string::npos, ScriptLogs(dir).find(c.report)) << ScriptLogs(dir);
    }
}

}  // namespace
