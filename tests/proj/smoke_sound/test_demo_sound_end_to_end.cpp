// The program on the demo's data tree with SDL's disk audio driver: the
// captured output holds the demo's streamed music, a key press (held until
// the script says it played the click) plays the click, and without a working audio device the
// program says so and exits with -1 instead of waiting for the sound manager.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/support/demo_run.h"
#include "tests/support/process_runner.h"
#include "tests/support/script_log_watch.h"
#include "tests/support/window_keys.h"

namespace {

namespace fs = std::filesystem;
using qz_test::ChildProcess;

const std::string kProgram = std::string(QZ_BINARY_DIR) + "/vornakle";

std::string ReadText(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string ScriptLog(const fs::path& dir) {
    std::string text;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(dir / "Log", ec)) {
        text += ReadText(e.path());
    }
    return text;
}

// The disk driver's file: the mixed output as 32-bit floats.
std::vector<float> ReadSamples(const fs::path& p) {
    const std::string bytes = ReadText(p);
    std::vector<float> out(bytes.size() / 4);
    std::memcpy(out.data(), bytes.data(), out.size() * 4);
    return out;
}

TEST(DemoSoundEndToEnd, TheCapturedOutputHoldsTheMusicAndAKeyPlaysTheClick) {
    ASSERT_NE(nullptr, std::getenv("DISPLAY")) << "run under xvfb-run";
    qz_test::TempDir work;
    const fs::path dir = work.path();
    fs::copy(fs::path(QZ_BINARY_DIR) / "USRDIR", dir / "USRDIR", fs::copy_options::recursive);
    ASSERT_TRUE(fs::exists(dir / "USRDIR/sound/Stream Wave Bank.xwb"));
    qz_test::TempDir runtime;
    const fs::path capture = dir / "output.raw";
    const std::map<std::string, std::string> env = {
        {"XDG_RUNTIME_DIR", runtime.path()},
        {"SDL_AUDIODRIVER", "disk"},
        {"SDL_DISKAUDIOFILE", capture.string()},
        {"QZ_NO_MESSAGE_BOX", "1"},
        {"QZ_QUIT_AFTER_FRAMES", std::to_string(qz_test::kEndedByTestFrames)}};
    ChildProcess game;
    ASSERT_TRUE(game.Start({kProgram}, env, dir.string()));
    const std::string window = qz_test::WaitForWindow(game, "Vornakle", 30000);
    ASSERT_FALSE(window.empty()) << "no game window; stderr:\n" << game.Stderr();
    qz_test::ScriptLogWatch watch(game, dir);
    ASSERT_TRUE(watch.WaitFor("sound: click cue ", qz_test::kFirstFrameWaitMs))
        << "the demo never reached its first frame; log:\n"
        << watch.Log() << "stderr:\n"
        << game.Stderr();
    qz_test::WindowKeys keys(window);
    EXPECT_TRUE(keys.HoldUntilLogged("space", watch, "sound: click played"))
        << "space was held, the script never played the click; log:\n"
        << watch.Log();
    // Four seconds of frames, so that more than two of music are captured.
    EXPECT_TRUE(watch.WaitForAnywhere("SQUpdate frame 240\n")) << watch.Log();
    game.Terminate();
    const auto exit = game.Wait(60000);
    ASSERT_TRUE(exit.has_value()) << "the program did not end on SIGTERM";
    EXPECT_EQ(0, *exit) << game.Stderr();

    const std::string log = ScriptLog(dir);
    EXPECT_NE(std::string::npos, log.find("sound: click cue 0, music playing true")) << log;
    EXPECT_NE(std::string::npos, log.find("sound: click played")) << log;
    // Music from the first frame to the end: once it starts (the device
    // runs, silent, while the program starts up), it goes on to the end,
    // never beyond full scale.
    const std::vector<float> samples = ReadSamples(capture);
    constexpr std::size_t kStretch = 48000 * 2 / 100;  // 10 ms of 48 kHz stereo
    std::vector<float> peaks;
    for (std::size_t at = 0; at + kStretch <= samples.size(); at += kStretch) {
        float p = 0.0f;
        for (std::size_t i = at; i < at + kStretch; ++i) {
            p = std::max(p, std::fabs(samples[i]));
        }
        peaks.push_back(p);
    }
    const auto first = std::find_if(peaks.begin(), peaks.end(), [](float p) { return p > 0.02f; });
    ASSERT_NE(peaks.end(), first) << "the captured output is silent";
    const std::size_t stretches = std::size_t(peaks.end() - first);
    const std::size_t loud =
        std::size_t(std::count_if(first, peaks.end(), [](float p) { return p > 0.02f; }));
    const float peak = *std::max_element(first, peaks.end());
    EXPECT_GT(stretches, 200u) << "less than two seconds of music were captured";
    EXPECT_GT(peak, 0.1f) << "the captured output is silent";
    EXPECT_LT(peak, 1.01f);
    EXPECT_GT(loud * 10, stretches * 8) << loud << " of " << stretches << " stretches are loud";
}

TEST(DemoSoundEndToEnd, WithoutAnAudioDeviceItSaysSoAndExitsWithMinusOne) {
    ASSERT_NE(nullptr, std::getenv("DISPLAY")) << "run under xvfb-run";
    qz_test::TempDir runtime;
    const std::map<std::string, std::string> env = {{"XDG_RUNTIME_DIR", runtime.path()},
                                                    {"SDL_AUDIODRIVER", "no_such_driver"},
                                                    {"QZ_NO_MESSAGE_BOX", "1"},
                                                    {"QZ_QUIT_AFTER_FRAMES", "30"}};
    ChildProcess game;
    ASSERT_TRUE(game.Start({kProgram}, env, QZ_BINARY_DIR));
    const auto status = game.Wait(30000);
    ASSERT_TRUE(status.has_value()) << "the program waited for a sound device that never came";
    EXPECT_EQ(255, *status) << game.Stderr();
    EXPECT_NE(std::string::npos, game.Stderr().find("The sound device could not be started."))
        << game.Stderr();
    EXPECT_NE(std::string::npos, game.Stdout().find("no audio output device")) << game.Stdout();
}

}  // namespace
