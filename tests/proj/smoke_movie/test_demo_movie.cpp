// The program on the demo's data tree under Xvfb: the demo plays its movie
// (red over blue) into a 160 x 80 sprite at (380, 600) on layer 13, and the
// screenshot it keeps at frame 90 shows that frame upright in its place.
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

namespace {

namespace fs = std::filesystem;

const std::string kProgram = qz_test::ProgramPath();
constexpr int kWidth = 1280;
constexpr int kHeight = 720;
constexpr std::size_t kBmpHeader = 54;

using qz_test::ReadScriptLog;

TEST(DemoMovie, TheScreenshotShowsTheMovieFrameUprightInItsSprite) {
    ASSERT_NE(nullptr, std::getenv("DISPLAY")) << "run under xvfb-run";
    const fs::path data = fs::path(QZ_BINARY_DIR) / "USRDIR";
    ASSERT_TRUE(fs::exists(data / "movie/demo.wmv")) << "the demo data tree is not built";
    qz_test::TempDir runtime;
    qz_test::TempDir work;
    const fs::path dir = work.path();
    qz_test::CopyDemoDataTree(dir);

    qz_test::ChildProcess game;
    ASSERT_TRUE(
        game.Start({kProgram}, qz_test::DemoRunEnvironment(runtime.path(), 120), dir.string()));
    const auto status = game.Wait(120000);
    ASSERT_TRUE(status.has_value()) << "the run did not end after its frames";
    EXPECT_EQ(0, *status) << game.Stderr();

    const std::string log = ReadScriptLog(dir);
    EXPECT_NE(std::string::npos, log.find("movie: demo.wmv playing at frame ")) << log;
    ASSERT_NE(std::string::npos, log.find("screenshot demo_screenshot.bmp at frame 90\n")) << log;

    const auto shot = qz_test::ReadFileBytes(dir / "demo_screenshot.bmp");
    ASSERT_EQ(kBmpHeader + std::size_t(kWidth) * kHeight * 3, shot.size());
    const auto rgb = [&](int x, int y) {
        const std::size_t at = kBmpHeader + std::size_t(kHeight - 1 - y) * kWidth * 3 + x * 3;
        return std::array<int, 3>{shot[at + 2], shot[at + 1], shot[at]};
    };
    struct Probe {
        const char* what;
        int x, y;
        std::array<int, 3> want;
    };
    // Inside the sprite away from the colours' boundary, and just outside it.
    const Probe probes[] = {
        {"top left of the frame", 384, 604, {255, 0, 0}},
        {"top right of the frame", 535, 620, {255, 0, 0}},
        {"bottom left of the frame", 384, 675, {0, 0, 255}},
        {"bottom right of the frame", 535, 660, {0, 0, 255}},
        {"left of the sprite", 375, 640, {0, 0, 0}},
        {"right of the sprite", 545, 640, {0, 0, 0}},
        {"above the sprite", 460, 595, {0, 0, 0}},
        {"below the sprite", 460, 685, {0, 0, 0}},
    };
    for (const Probe& p : probes) {
        const auto got = rgb(p.x, p.y);
        bool near = true;
        for (int i = 0; i < 3; ++i) {
            near = near && std::abs(got[i] - p.want[i]) <= 40;
        }
        EXPECT_TRUE(near) << p.what << " at (" << p.x << ", " << p.y << "): got (" << got[0] << ", "
                          << got[1] << ", " << got[2] << ")";
    }
}

}  // namespace
