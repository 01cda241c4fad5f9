// The program on the demo's data tree under Xvfb, ended once its log shows
// the frames and the key press the test waits for: the demo draws through the draw layers and its
// script node tree (textured sprites, bitmap-font text), reads the keyboard through the script API,
// and keeps a screenshot; the test reads that picture's pixels and the script log.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdlib>
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

const std::string kProgram = qz_test::ProgramPath();
constexpr int kWidth = 1280;
constexpr int kHeight = 720;
constexpr std::size_t kBmpHeader = 54;

using qz_test::ReadScriptLog;

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

// A one-pixel line on integer coordinates may land on either neighbouring
// pixel row or column; an area probe is one pixel.
bool NearAround(const Picture& shot, int x, int y, int reach, std::array<int, 3> want) {
    for (int dy = -reach; dy <= reach; ++dy) {
        for (int dx = -reach; dx <= reach; ++dx) {
            if (Near(shot.Rgb(x + dx, y + dy), want)) {
                return true;
            }
        }
    }
    return false;
}

std::string Describe(std::array<int, 3> c) {
    return "(" + std::to_string(c[0]) + ", " + std::to_string(c[1]) + ", " + std::to_string(c[2]) +
           ")";
}

TEST(DemoEndToEnd, DrawsItsSceneReadsTheKeyboardAndKeepsAScreenshot) {
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
    // The first frame reports the input devices just before it reads them.
    qz_test::ScriptLogWatch watch(game, dir);
    ASSERT_TRUE(watch.WaitFor("input: players ", qz_test::kFirstFrameWaitMs))
        << "the demo never reached its first frame: " << watch.GaveUp() << "; log:\n"
        << watch.Log() << "stderr:\n"
        << game.Stderr();
    qz_test::WindowKeys keys(window);
    EXPECT_TRUE(keys.HoldUntilLogged("space", watch, "input: space pressed\n"))
        << "space was held, the script never saw it: " << watch.GaveUp() << "; log:\n"
        << watch.Log();
    // The screenshot is kept at frame 90; the run goes on to frame 240, and
    // the save record's write (the loader thread's work) is done. However
    // slowly a loaded machine draws, the waits last while frames come.
    EXPECT_TRUE(watch.WaitForAnywhere("SQUpdate frame 240\n")) << watch.GaveUp() << "\n"
                                                               << watch.Log();
    EXPECT_TRUE(watch.WaitForAnywhere("save write: error ")) << watch.GaveUp() << "\n"
                                                             << watch.Log();
    game.Terminate();
    const auto status = game.Wait(60000);
    ASSERT_TRUE(status.has_value()) << "the run did not end on SIGTERM";
    EXPECT_EQ(0, *status) << game.Stderr();
    // Everything the renderer and the demo load at start-up is in the demo's
    // own data tree.
    EXPECT_EQ(std::string::npos, game.Stderr().find(" not loaded: ")) << game.Stderr();

    const std::string log = ReadScriptLog(dir);
    EXPECT_NE(std::string::npos, log.find("SQUpdate frame 240\n")) << log;
    EXPECT_NE(std::string::npos, log.find("input: players ")) << log;
    EXPECT_NE(std::string::npos, log.find("input: space pressed\n")) << log;
    EXPECT_NE(std::string::npos, log.find("screenshot demo_screenshot.bmp at frame 90\n")) << log;
    EXPECT_NE(std::string::npos, log.find("save write: error 0\n")) << log;
    EXPECT_NE(std::string::npos, log.find("nodes: buffer demo nodes, caption width ")) << log;
    EXPECT_NE(std::string::npos, log.find(", tile width 64\n")) << log;

    Picture shot{qz_test::ReadFileBytes(dir / "demo_screenshot.bmp")};
    ASSERT_EQ(kBmpHeader + std::size_t(kWidth) * kHeight * 3, shot.bytes.size());
    struct Probe {
        const char* what;
        int x, y, reach;
        std::array<int, 3> rgb;
    };
    const Probe probes[] = {
        {"inside the green square", 1060, 580, 0, {40, 220, 60}},
        {"on the box's top edge", 400, 100, 1, {60, 90, 255}},
        {"on the box's left edge", 200, 160, 1, {60, 90, 255}},
        {"on the box's right edge", 600, 160, 1, {60, 90, 255}},
        {"empty background", 1200, 200, 0, {0, 0, 0}},
        {"inside the box, away from the line", 400, 160, 0, {0, 0, 0}},
        // The node tree: sprites showing the atlas's four tiles (batched),
        // the whole atlas on the parent sprite, one tile through
        // SQ_AppendSprite2 with the script material.
        {"orange atlas tile", 712, 472, 0, {255, 140, 0}},
        {"cyan atlas tile", 792, 472, 0, {0, 200, 255}},
        {"magenta atlas tile", 872, 472, 0, {220, 0, 220}},
        {"yellow atlas tile", 952, 472, 0, {250, 240, 40}},
        {"between two tile sprites", 752, 472, 0, {0, 0, 0}},
        {"parent sprite's top-left tile", 96, 576, 0, {255, 140, 0}},
        {"parent sprite's bottom-right tile", 128, 608, 0, {250, 240, 40}},
        // The mesh node's triangle, built vertex by vertex in one colour.
        {"inside the mesh triangle", 1190, 283, 0, {255, 0, 255}},
        {"beside the mesh triangle", 1160, 320, 0, {0, 0, 0}},
        {"tile drawn with the script material", 1072, 472, 0, {220, 0, 220}},
    };
    for (const Probe& p : probes) {
        EXPECT_TRUE(NearAround(shot, p.x, p.y, p.reach, p.rgb))
            << p.what << " at (" << p.x << ", " << p.y << "): got " << Describe(shot.Rgb(p.x, p.y))
            << ", want " << Describe(p.rgb);
    }
    // The sliding quad is somewhere along its row; the debug caption and the
    // debug information (frame rate, then the memory lines from y 24) put
    // light pixels where they are written.
    int red = 0;
    for (int x = 0; x < kWidth; ++x) {
        red += Near(shot.Rgb(x, 340), {230, 40, 40}) ? 1 : 0;
    }
    EXPECT_GE(red, 70) << "the sliding quad is not in its row";
    const auto lightPixels = [&](int left, int top, int right, int bottom) {
        int light = 0;
        for (int y = top; y < bottom; ++y) {
            for (int x = left; x < right; ++x) {
                const auto c = shot.Rgb(x, y);
                light += (c[0] > 128 && c[1] > 128 && c[2] > 128) ? 1 : 0;
            }
        }
        return light;
    };
    EXPECT_GT(lightPixels(16, 16, 200, 24), 20) << "no debug caption in the top-left corner";
    EXPECT_GT(lightPixels(800, 0, 900, 8), 10) << "no frame rate line";
    EXPECT_GT(lightPixels(800, 24, 1000, 32), 20) << "no memory report line";
    // Glyphs of the bitmap-font texts in their colours: the pink caption laid
    // into the sprite batch, the yellow title drawing its own mesh.
    const auto pixelsOf = [&](std::array<int, 3> colour, int left, int top, int right, int bottom) {
        int n = 0;
        for (int y = top; y < bottom; ++y) {
            for (int x = left; x < right; ++x) {
                n += Near(shot.Rgb(x, y), colour) ? 1 : 0;
            }
        }
        return n;
    };
    EXPECT_GT(pixelsOf({255, 128, 192}, 680, 520, 900, 570), 300) << "no batched caption glyphs";
    EXPECT_EQ(0, pixelsOf({255, 128, 192}, 680, 580, 900, 620)) << "caption glyphs out of place";
    EXPECT_GT(pixelsOf({250, 240, 40}, 680, 620, 900, 670), 300) << "no title glyphs";
}

}  // namespace
