// The program whose script fills the 160 MiB engine heap ends with exit
// status 3 and says what ran out, on stderr and in the script log, instead
// of dying by a signal inside the VM.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/proj/script/compiled_image.h"
#include "tests/support/process_runner.h"

namespace {

namespace fs = std::filesystem;

TEST(ScriptOutOfMemory, TheProgramEndsWithAReportNotASignal) {
    ASSERT_NE(nullptr, std::getenv("DISPLAY")) << "run under xvfb-run";
    qz_test::TempDir work;
    qz_test::TempDir runtime;
    const fs::path dir = work.path();
    fs::copy(fs::path(QZ_BINARY_DIR) / "USRDIR", dir / "USRDIR", fs::copy_options::recursive);
    const auto image = script_test::CompileImage(
        "::frames <- 0; ::keep <- [];"
        "function SQUpdate() { if (++frames == 10) while (true) keep.push(array(1000, 0)); }");
    ASSERT_FALSE(image.empty());
    std::ofstream(dir / "USRDIR/scriptsConv/all.cnut", std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()), std::streamsize(image.size()));

    qz_test::ChildProcess game;
    ASSERT_TRUE(game.Start({std::string(QZ_BINARY_DIR) + "/vornakle"},
                           {{"XDG_RUNTIME_DIR", runtime.path()},
                            {"SDL_AUDIODRIVER", "dummy"},
                            {"QZ_NO_MESSAGE_BOX", "1"}},
                           dir.string()));
    const auto status = game.Wait(60000);
    ASSERT_TRUE(status.has_value()) << "the program did not end";
    EXPECT_EQ(3, *status) << game.Stderr();
    const std::string what = "out of memory: the script VM asked for";
    EXPECT_NE(std::string::npos, game.Stderr().find(what)) << game.Stderr();
    EXPECT_NE(std::string::npos, game.Stderr().find("engine heap (160 MiB)")) << game.Stderr();
    std::string log;
    for (const auto& e : fs::directory_iterator(dir / "Log")) {
        std::ifstream in(e.path(), std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        log += s.str();
    }
    EXPECT_NE(std::string::npos, log.find(what)) << log;
}

}  // namespace
