// The demo's save round trip over a save file it cannot use: the file is
// kept aside (with a line in the script log), never overwritten, and the
// demo starts a fresh record. Only a missing file starts anew silently.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "proj/game/save_data.h"
#include "proj/script/sq_print_call_stack.h"
#include "proj/script/squirrel_task.h"
#include "proj/win/game_control.h"
#include "qzware/common/qz_mem.h"
#include "qzware/win/qz_file_manager.h"
#include "tests/proj/script/demo_frames.h"

namespace {

namespace fs = std::filesystem;
using Sample::SaveData;

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string Image(const SaveData& r) {
    const SaveData::Bytes b = r.Serialize();
    return std::string(b.begin(), b.end());
}

TEST(DemoSave, ASaveItCannotUseIsKeptAsideAndAFreshRecordWritten) {
    const fs::path data = fs::path(QZ_BINARY_DIR) / "USRDIR";
    if (!fs::exists(data / "scriptsConv/all.cnut")) {
        GTEST_SKIP() << "the demo data tree is built by the demo_data target";
    }
    if (!QzMemManagerExists()) {
        ASSERT_TRUE(QzMemManagerCreate());
    }
    SaveData played;
    played.VolumeBGM = 7;
    played.SetArcadeWinTeam(0, 41);
    played.checksum = SaveData::CalcChecksum(played);
    std::string damaged = Image(played);
    damaged[210] ^= 0x10;  // the checksum no longer matches
    struct Case {
        const char* what;
        bool fifo;
        std::string bytes;
    };
    const Case cases[] = {
        {"failing its checksum", false, damaged},
        {"cut short", false, Image(played).substr(0, 120)},
        {"a FIFO", true, ""},
    };
    const fs::path oldDir = fs::current_path();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        char tmpl[] = "/tmp/sqdemosaveXXXXXX";
        ASSERT_NE(nullptr, mkdtemp(tmpl));
        const fs::path dir = tmpl;
        fs::copy(data, dir / "USRDIR", fs::copy_options::recursive);
        const fs::path save = dir / "USRDIR/SAVEDATA/SAVE00.BIN";
        const fs::path aside = dir / "USRDIR/SAVEDATA/SAVE00.BIN.unreadable1";
        fs::remove(save);
        if (c.fifo) {
            ASSERT_EQ(0, ::mkfifo(save.c_str(), 0600));
        } else {
            std::ofstream(save, std::ios::binary) << c.bytes;
        }
        fs::current_path(dir);
        Sample::GetSqLog().Close();
        {
            QZW::Win::CQzFileManager files("USRDIR");
            auto* task =
                new Sample::CSquirrelTask(nullptr, &Sample::Win::CGameControl::GetInstance());
            ASSERT_TRUE(task->loaded);
            EXPECT_TRUE(script_test::RunDemoFramesUntil(files, *task, 120, "save write: ", 1))
                << "the fresh record was never written";
            delete task;
        }
        const std::string log = ReadAll(dir / Sample::GetSqLog().Path());
        Sample::GetSqLog().Close();
        fs::current_path(oldDir);
        EXPECT_NE(std::string::npos,
                  log.find("save SAVEDATA/SAVE00.BIN could not be read: kept aside"))
            << log;
        EXPECT_NE(std::string::npos, log.find("save write: error 0\n")) << log;
        if (c.fifo) {
            EXPECT_TRUE(fs::is_fifo(aside));
        } else {
            EXPECT_EQ(c.bytes, ReadAll(aside)) << "the unusable save was not kept";
        }
        SaveData fresh;
        fresh.Resolution = 2;
        fresh.SetArcadeWinTeam(0, 1);
        fresh.checksum = SaveData::CalcChecksum(fresh);
        EXPECT_EQ(Image(fresh), ReadAll(save)) << "not a fresh record counting this start";
        fs::remove_all(dir);
    }
}

}  // namespace
