// Every model, texture and font that fails to load is named with its reason
// in the script log and on stderr, once, while the script sees the failure
// as the API gives it (LoadBin false, SQ_LoadTexture -1, an empty font).
// The data are damaged copies of the demo's own files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/proj/script/compiled_image.h"
#include "tests/support/demo_run.h"
#include "tests/support/process_runner.h"

namespace {

namespace fs = std::filesystem;

void WriteBytes(const fs::path& p, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(p, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++n;
    }
    return n;
}

TEST(LoadFailures, EachDamagedOrMissingFileIsNamedOnceWithItsReason) {
    ASSERT_NE(nullptr, std::getenv("DISPLAY")) << "run under xvfb-run";
    qz_test::TempDir work;
    qz_test::TempDir runtime;
    const fs::path dir = work.path();
    qz_test::CopyDemoDataTree(dir);
    const fs::path data = dir / "USRDIR";
    // A model cut inside its first part, a TGA cut inside its pixels, a DDS
    // without its magic, a font of nothing but noise.
    std::vector<std::uint8_t> model = qz_test::ReadFileBytes(data / "models/demo_model.bin");
    ASSERT_GT(model.size(), 200u);
    model.resize(120);
    WriteBytes(data / "models/broken.bin", model);
    std::vector<std::uint8_t> tga = qz_test::ReadFileBytes(data / "images/demo_atlas.tga");
    ASSERT_GT(tga.size(), 100u);
    tga.resize(tga.size() / 2);
    WriteBytes(data / "images/broken.tga", tga);
    WriteBytes(data / "images/broken.dds", std::vector<std::uint8_t>(200, 0x5A));
    WriteBytes(data / "font/broken.fnt", std::vector<std::uint8_t>(64, 0x07));

    std::ifstream in(fs::path(QZ_SOURCE_DIR) / "tests/proj/smoke/load_failures/all.nut");
    const std::string source{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const auto image = script_test::CompileImage(source);
    ASSERT_FALSE(image.empty()) << "the script does not compile";
    WriteBytes(data / "scriptsConv/all.cnut", image);

    qz_test::ChildProcess game;
    ASSERT_TRUE(game.Start({qz_test::ProgramPath()},
                           qz_test::DemoRunEnvironment(runtime.path(), 10), dir.string()));
    const auto status = game.Wait(120000);
    ASSERT_TRUE(status.has_value()) << "the run did not end; stderr:\n" << game.Stderr();
    const std::string log = qz_test::ReadScriptLog(dir);
    const std::string err = game.Stderr();
    EXPECT_EQ(0, *status) << err;
    ASSERT_NE(std::string::npos, log.find("load failures: done")) << log;

    // What the script sees.
    for (const char* seen :
         {"load failures: model false", "load failures: missing model false",
          "load failures: texture -1", "load failures: dds -1", "load failures: font true"}) {
        EXPECT_NE(std::string::npos, log.find(seen)) << seen << "\n" << log;
    }
    // What the log and stderr say, each line once.
    const std::string lines[] = {
        "model \"models/broken.bin\" not loaded: damaged file: part arrays outside the record",
        "model \"models/none.bin\" not loaded: the file is missing or cannot be read",
        "texture \"images/broken.tga\" not loaded: TGA pixel data runs past the end of the file",
        "texture \"images/broken.dds\" not loaded: not a DDS file (no \"DDS \" magic)",
        "font \"font/broken.fnt\" not loaded: no common record",
    };
    for (const std::string& line : lines) {
        EXPECT_EQ(1u, Count(log, line)) << line << "\nlog:\n" << log;
        EXPECT_EQ(1u, Count(err, line)) << line << "\nstderr:\n" << err;
    }
}

}  // namespace
