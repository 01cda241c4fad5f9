// The renderer's skips change no pixel: the program runs the same fixed
// scenes (tests/proj/smoke/render_frames: an empty frame, sprites and shapes
// on several layers, text, a perspective layer, the display effects, the
// frame-buffer colour filter, script clears between frames, faint-edged
// sprites (alphas 1-13 around the composition's rounding) in every blend
// mode, plain and under a faint and a coloured filter, and an empty frame
// again) with QZ_RENDER_SKIPS=0 and with the skips on, and every
// screenshot must be the same byte for byte. The scenes must also differ
// from the empty frame (so the pictures are not all blank), and the last,
// empty scene must match the first: what earlier frames drew is gone.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/support/process_runner.h"

namespace {

namespace fs = std::filesystem;
using qz_test::ChildProcess;
using qz_test::RunCapture;

const std::string kProgram = std::string(QZ_BINARY_DIR) + "/vornakle";
const fs::path kScripts = fs::path(QZ_SOURCE_DIR) / "tests/proj/smoke/render_frames";
constexpr int kScenes = 11;
constexpr int kFrames = kScenes * 10 + 1;
constexpr std::size_t kPictureBytes = 54 + std::size_t(1280) * 720 * 3;

std::vector<std::uint8_t> ReadBytes(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A data tree with the demo's assets and the render-frames scripts, compiled
// here with the VM's own compiler.
bool MakeTree(const fs::path& dir, std::string* error) {
    const fs::path data = fs::path(QZ_BINARY_DIR) / "USRDIR";
    fs::copy(data, dir / "USRDIR", fs::copy_options::recursive);
    fs::remove_all(dir / "USRDIR/scriptsConv");
    fs::create_directories(dir / "USRDIR/scriptsConv");
    for (const char* name : {"all", "all_StartCmd"}) {
        int status = 0;
        const std::string out =
            RunCapture(std::string(QZ_SQUIRREL_COMPILER) + " -o '" +
                           (dir / "USRDIR/scriptsConv" / name).string() + ".cnut' -c '" +
                           (kScripts / name).string() + ".nut' 2>&1",
                       &status);
        if (status != 0) {
            *error = std::string(name) + ".nut: " + out;
            return false;
        }
    }
    return true;
}

// The scenes' pictures of one run, or empty ones where a picture is missing.
std::vector<std::vector<std::uint8_t>> RunScenes(const std::string& skips) {
    qz_test::TempDir work;
    qz_test::TempDir runtime;
    const fs::path dir = work.path();
    std::string error;
    EXPECT_TRUE(MakeTree(dir, &error)) << error;
    ChildProcess game;
    EXPECT_TRUE(game.Start({kProgram},
                           {{"XDG_RUNTIME_DIR", runtime.path()},
                            {"SDL_AUDIODRIVER", "dummy"},
                            {"QZ_NO_MESSAGE_BOX", "1"},
                            {"QZ_RENDER_SKIPS", skips},
                            {"QZ_QUIT_AFTER_FRAMES", std::to_string(kFrames)}},
                           dir.string()));
    const auto status = game.Wait(120000);
    EXPECT_TRUE(status.has_value()) << "QZ_RENDER_SKIPS=" << skips << ": the run did not end";
    EXPECT_EQ(0, status.value_or(-1)) << game.Stderr();
    std::vector<std::vector<std::uint8_t>> pictures;
    for (int scene = 0; scene < kScenes; ++scene) {
        pictures.push_back(ReadBytes(dir / ("frame_" + std::to_string(scene) + ".bmp")));
        EXPECT_EQ(kPictureBytes, pictures.back().size())
            << "QZ_RENDER_SKIPS=" << skips << ", scene " << scene << "; stdout:\n"
            << game.Stdout();
    }
    return pictures;
}

// Where two pictures first differ, for the failure message.
std::string FirstDifference(const std::vector<std::uint8_t>& a,
                            const std::vector<std::uint8_t>& b) {
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
        if (a[i] != b[i]) {
            return "byte " + std::to_string(i) + ": " + std::to_string(a[i]) + " against " +
                   std::to_string(b[i]);
        }
    }
    return "sizes " + std::to_string(a.size()) + " and " + std::to_string(b.size());
}

TEST(RenderSkips, EveryScenePictureIsTheSameWithAndWithoutSkips) {
    ASSERT_NE(nullptr, std::getenv("DISPLAY")) << "run under xvfb-run";
    ASSERT_TRUE(fs::exists(fs::path(QZ_BINARY_DIR) / "USRDIR/images/demo_atlas.tga"))
        << "the demo data tree is not built";
    const auto without = RunScenes("0");
    const auto with = RunScenes("1");
    ASSERT_EQ(std::size_t(kScenes), without.size());
    ASSERT_EQ(std::size_t(kScenes), with.size());
    for (int scene = 0; scene < kScenes; ++scene) {
        EXPECT_TRUE(with[scene] == without[scene])
            << "scene " << scene << " differs at " << FirstDifference(with[scene], without[scene]);
    }
    for (int scene = 1; scene < kScenes - 1; ++scene) {
        EXPECT_FALSE(with[scene] == with[0]) << "scene " << scene << " drew nothing";
    }
    EXPECT_TRUE(with[kScenes - 1] == with[0])
        << "the last, empty scene still shows earlier frames: "
        << FirstDifference(with[kScenes - 1], with[0]);
}

}  // namespace
