// The demo's compiled scripts from the build's data tree, run by the host:
// both start-up images boot, SQUpdate prints every 60 frames, and the demo's
// save round trip writes SAVEDATA/SAVE00.BIN and reads it back next start.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "proj/script/sq_print_call_stack.h"
#include "proj/script/squirrel_task.h"
#include "proj/win/game_control.h"
#include "qzware/common/qz_mem.h"
#include "qzware/win/qz_file_manager.h"
#include "tests/proj/script/demo_frames.h"

namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(DemoScripts, BootRunFramesAndKeepTheSaveRecord) {
    const fs::path data = fs::path(QZ_BINARY_DIR) / "USRDIR";
    if (!fs::exists(data / "scriptsConv/all.cnut")) {
        GTEST_SKIP() << "the demo data tree is built by the demo_data target";
    }
    if (!QzMemManagerExists()) {
        ASSERT_TRUE(QzMemManagerCreate());
    }
    const fs::path oldDir = fs::current_path();
    char tmpl[] = "/tmp/sqdemoXXXXXX";
    ASSERT_NE(nullptr, mkdtemp(tmpl));
    const fs::path dir = tmpl;
    fs::copy(data, dir / "USRDIR", fs::copy_options::recursive);
    fs::remove(dir / "USRDIR/SAVEDATA/SAVE00.BIN");
    fs::current_path(dir);
    Sample::GetSqLog().Close();

    for (int start = 0; start < 2; ++start) {
        QZW::Win::CQzFileManager files("USRDIR");
        auto* task = new Sample::CSquirrelTask(nullptr, &Sample::Win::CGameControl::GetInstance());
        ASSERT_TRUE(task->loaded);
        // Frame 120's line, and this start's save write done.
        EXPECT_TRUE(script_test::RunDemoFramesUntil(files, *task, 120,
                                                    "save write: ", std::size_t(start) + 1))
            << "start " << start << ": the save record was never written";
        EXPECT_EQ(1, sq_gettop(task->vm));
        delete task;
    }
    std::string log = ReadAll(dir / Sample::GetSqLog().Path());
    EXPECT_NE(std::string::npos, log.find("all_StartCmd: ready\n")) << log;
    EXPECT_NE(std::string::npos, log.find("all: include again gives true")) << log;
    EXPECT_LT(log.find("SQUpdate frame 60\n"), log.find("SQUpdate frame 120\n")) << log;
    EXPECT_NE(std::string::npos, log.find("SQUpdate frame 120\n")) << log;
    EXPECT_NE(std::string::npos, log.find("save load: error 1, valid true, starts 0\n")) << log;
    EXPECT_NE(std::string::npos, log.find("save load: error 0, valid true, starts 1\n")) << log;
    EXPECT_NE(std::string::npos, log.find("save write: error 0\n")) << log;
    EXPECT_EQ(304u, fs::file_size(dir / "USRDIR/SAVEDATA/SAVE00.BIN"));

    Sample::GetSqLog().Close();
    fs::current_path(oldDir);
    fs::remove_all(dir);
}

}  // namespace
