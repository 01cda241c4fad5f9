// The program on the demo's data tree under Xvfb, ended after a fixed number
// of frames: the demo draws through the draw layers, reads the keyboard
// through the script API, and keeps a screenshot; the test reads that
// picture's pixels and the script log.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/process_runner.h"

namespace {

namespace fs = std::filesystem;
using qz_test::ChildProcess;
using qz_test::RunCapture;

const std::string kProgram = std::string(QZ_BINARY_DIR) + "/vornakle";
constexpr int kWidth = 1280;
constexpr int kHeight = 720;
constexpr std::size_t kBmpHeader = 54;

std::vector<std::uint8_t> ReadBytes(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The script log of a run: the one file under Log/.
std::string ReadScriptLog(const fs::path& dir) {
    for (const auto& entry : fs::directory_iterator(dir / "Log")) {
        const auto bytes = ReadBytes(entry.path());
        return std::string(bytes.begin(), bytes.end());
    }
    return "";
}

// A 1280x720 24-bit bottom-up BMP; pixels are asked for top-down.
struct Picture {
    std::vector<std::uint8_t> bytes;
    std::array<int, 3> Rgb(int x, int y) const {
        const std::size_t at = kBmpHeader + std::size_t(kHeight - 1 - y) * kWidth * 3 + x * 3;
        return {bytes[at + 2], bytes[at + 1], bytes[at]};
    }
};

bool Near(std::array<int, 3> got, std::array<int, 3> want) {
    for (int i = 0; i < 3; ++i) {
        if (std::abs(got[i] - want[i]) > 8) {
            return false;
        }
    }
    return true;
}

std::string Describe(std::array<int, 3> c) {
    return "(" + std::to_string(c[0]) + ", " + std::to_string(c[1]) + ", " + std::to_string(c[2]) +
           ")";
}

std::string WaitForGameWindow(ChildProcess& game, int timeoutMs) {
    for (int waited = 0; waited < timeoutMs; waited += 50) {
        std::string id = RunCapture("xdotool search --onlyvisible --name '^Vornakle$' 2>/dev/null");
        if (!id.empty()) {
            return id.substr(0, id.find('\n'));
        }
        if (!game.Running()) {
            return "";
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return "";
}

TEST(DemoEndToEnd, DrawsItsSceneReadsTheKeyboardAndKeepsAScreenshot) {
    ASSERT_NE(nullptr, std::getenv("DISPLAY")) << "run under xvfb-run";
    const fs::path data = fs::path(QZ_BINARY_DIR) / "USRDIR";
    ASSERT_TRUE(fs::exists(data / "scriptsConv/all.cnut")) << "the demo data tree is not built";
    qz_test::TempDir runtime;
    qz_test::TempDir work;
    const fs::path dir = work.path();
    fs::copy(data, dir / "USRDIR", fs::copy_options::recursive);
    fs::remove(dir / "USRDIR/SAVEDATA/SAVE00.BIN");

    ChildProcess game;
    ASSERT_TRUE(game.Start({kProgram},
                           {{"XDG_RUNTIME_DIR", runtime.path()},
                            {"SDL_AUDIODRIVER", "dummy"},
                            {"QZ_NO_MESSAGE_BOX", "1"},
                            {"QZ_QUIT_AFTER_FRAMES", "240"}},
                           dir.string()));
    const std::string window = WaitForGameWindow(game, 30000);
    ASSERT_FALSE(window.empty()) << "no game window; stderr:\n" << game.Stderr();
    int keyStatus = 0;
    RunCapture("xdotool windowfocus --sync " + window + " key space", &keyStatus);
    EXPECT_EQ(0, keyStatus);

    const auto status = game.Wait(60000);
    ASSERT_TRUE(status.has_value()) << "the run did not end after its frames";
    EXPECT_EQ(0, *status) << game.Stderr();

    const std::string log = ReadScriptLog(dir);
    EXPECT_NE(std::string::npos, log.find("SQUpdate frame 240\n")) << log;
    EXPECT_NE(std::string::npos, log.find("input: players ")) << log;
    EXPECT_NE(std::string::npos, log.find("input: space pressed\n")) << log;
    EXPECT_NE(std::string::npos, log.find("screenshot demo_screenshot.bmp at frame 90\n")) << log;
    EXPECT_NE(std::string::npos, log.find("save write: error 0\n")) << log;

    Picture shot{ReadBytes(dir / "demo_screenshot.bmp")};
    ASSERT_EQ(kBmpHeader + std::size_t(kWidth) * kHeight * 3, shot.bytes.size());
    struct Probe {
        const char* what;
        int x, y;
        std::array<int, 3> rgb;
    };
    const Probe probes[] = {
        {"inside the green square", 1060, 580, {40, 220, 60}},
        {"on the box's top edge", 400, 100, {60, 90, 255}},
        {"on the box's left edge", 200, 160, {60, 90, 255}},
        {"empty background", 1200, 200, {0, 0, 0}},
        {"inside the box, away from the line", 400, 160, {0, 0, 0}},
    };
    for (const Probe& p : probes) {
        EXPECT_TRUE(Near(shot.Rgb(p.x, p.y), p.rgb))
            << p.what << " at (" << p.x << ", " << p.y << "): got " << Describe(shot.Rgb(p.x, p.y))
            << ", want " << Describe(p.rgb);
    }
    // The sliding quad is somewhere along its row, and the debug caption puts
    // light pixels into the top-left corner.
    int red = 0;
    for (int x = 0; x < kWidth; ++x) {
        red += Near(shot.Rgb(x, 340), {230, 40, 40}) ? 1 : 0;
    }
    EXPECT_GE(red, 70) << "the sliding quad is not in its row";
    int light = 0;
    for (int y = 16; y < 24; ++y) {
        for (int x = 16; x < 200; ++x) {
            const auto c = shot.Rgb(x, y);
            light += (c[0] > 128 && c[1] > 128 && c[2] > 128) ? 1 : 0;
        }
    }
    EXPECT_GT(light, 20) << "no debug caption in the top-left corner";
}

}  // namespace
