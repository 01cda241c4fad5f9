// The program runs a game script that keeps a model's material past the
// model's ReleaseResource and releases a texture that a script material and
// a sprite still draw with, and draws on with both (the script is
// tests/proj/smoke/released_handles/all.nut). In the sanitizer build any
// read of freed memory ends the run with a report instead of status 0.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "tests/proj/script/compiled_image.h"
#include "tests/support/demo_run.h"
#include "tests/support/process_runner.h"

namespace {

namespace fs = std::filesystem;

TEST(ReleasedHandles, AMaterialAndTexturesKeptPastTheirReleaseDrawWithoutReachingFreedMemory) {
    ASSERT_NE(nullptr, std::getenv("DISPLAY")) << "run under xvfb-run";
    qz_test::TempDir work;
    qz_test::TempDir runtime;
    const fs::path dir = work.path();
    qz_test::CopyDemoDataTree(dir);
    std::ifstream in(fs::path(QZ_SOURCE_DIR) / "tests/proj/smoke/released_handles/all.nut");
    const std::string source{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const auto image = script_test::CompileImage(source);
    ASSERT_FALSE(image.empty()) << "the script does not compile";
    std::ofstream(dir / "USRDIR/scriptsConv/all.cnut", std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()), std::streamsize(image.size()));

    qz_test::ChildProcess game;
    ASSERT_TRUE(game.Start({qz_test::ProgramPath()},
                           qz_test::DemoRunEnvironment(runtime.path(), 30), dir.string()));
    const auto status = game.Wait(120000);
    ASSERT_TRUE(status.has_value()) << "the run did not end; stderr:\n" << game.Stderr();
    const std::string log = qz_test::ReadScriptLog(dir);
    EXPECT_EQ(0, *status) << "stderr:\n" << game.Stderr() << "\nlog:\n" << log;
    EXPECT_EQ(std::string::npos, game.Stderr().find("AddressSanitizer")) << game.Stderr();
    EXPECT_NE(std::string::npos, log.find("released handles: model loaded true")) << log;
    EXPECT_NE(std::string::npos, log.find("released handles: banner true")) << log;
    EXPECT_NE(std::string::npos, log.find("released handles: released")) << log;
    EXPECT_NE(std::string::npos, log.find("released handles: done")) << log;
}

}  // namespace
