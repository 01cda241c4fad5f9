// The auto-save control over a real file manager: save then load, a missing,
// short or oversized file, the copy taken at StartSave, two loads at once, a
// record destroyed while its load is pending, a control destroyed with
// requests in flight, and the saving script functions.
#include "proj/win/auto_save_control.h"

#include <gtest/gtest.h>
#include <squirrel.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include "proj/script/script_api.h"
#include "proj/script/script_function_table.h"
#include "proj/script/sq_bind.h"
#include "proj/win/game_control.h"
#include "qzware/common/qz_mem.h"
#include "qzware/win/qz_file_manager.h"
#include "tests/support/poll_until.h"

namespace {

namespace fs = std::filesystem;
using Sample::SaveData;
using Sample::Win::CAutoSaveControl;

std::vector<std::uint8_t> ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

class AutoSaveTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!QzMemManagerExists()) {
            ASSERT_TRUE(QzMemManagerCreate());
        }
    }
    void SetUp() override {
        char tmpl[] = "/tmp/autosaveXXXXXX";
        ASSERT_NE(nullptr, mkdtemp(tmpl));
        root = tmpl;
        fs::create_directories(root / "SAVEDATA");
        files = std::make_unique<QZW::Win::CQzFileManager>(root.string());
    }
    void TearDown() override {
        files.reset();
        fs::remove_all(root);
    }
    // Pumps the file manager until the control reports completion.
    void Wait(CAutoSaveControl& c) {
        ASSERT_TRUE(qz_test::PollUntil([&] { return c.IsComplete(); }, [&] { files->Update(); }))
            << "request never completed";
    }
    void PutSaveFile(const std::vector<std::uint8_t>& bytes) {
        std::ofstream(root / "SAVEDATA/SAVE00.BIN", std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }
    static SaveData Sample(std::int32_t marker) {
        SaveData r;
        r.Resolution = 4;
        r.VolumeSE = marker;
        r.SetArcadeWinTeam(24, marker);
        r.checksum = SaveData::CalcChecksum(r);
        return r;
    }

    fs::path root;
    std::unique_ptr<QZW::Win::CQzFileManager> files;
};

TEST_F(AutoSaveTest, NothingPendingIsCompleteAtOnce) {
    CAutoSaveControl c;
    EXPECT_TRUE(c.IsComplete());
    EXPECT_FALSE(c.IsError());
}

TEST_F(AutoSaveTest, SaveThenLoadGivesIdenticalBytes) {
    CAutoSaveControl c;
    const SaveData written = Sample(77);
    c.StartSave(&written);
    EXPECT_FALSE(c.IsComplete());
    Wait(c);
    EXPECT_EQ(0, c.GetLastError());
    const SaveData::Bytes image = written.Serialize();
    EXPECT_EQ(std::vector<std::uint8_t>(image.begin(), image.end()),
              ReadAll(root / "SAVEDATA/SAVE00.BIN"));

    SaveData loaded;
    c.StartLoad(&loaded);
    Wait(c);
    EXPECT_EQ(0, c.GetLastError());
    EXPECT_EQ(image, loaded.Serialize());
}

TEST_F(AutoSaveTest, SaveWritesTheRecordAsItWasAtTheStart) {
    CAutoSaveControl c;
    auto record = std::make_unique<SaveData>(Sample(1));
    const SaveData::Bytes atStart = record->Serialize();
    c.StartSave(record.get());
    record->VolumeSE = 999;
    record.reset();
    Wait(c);
    std::vector<std::uint8_t> disk = ReadAll(root / "SAVEDATA/SAVE00.BIN");
    EXPECT_EQ(std::vector<std::uint8_t>(atStart.begin(), atStart.end()), disk);
}

TEST_F(AutoSaveTest, LoadOfFilesOfEveryLength) {
    const SaveData::Bytes image = Sample(5).Serialize();
    std::vector<std::uint8_t> exact(image.begin(), image.end());
    std::vector<std::uint8_t> longer = exact;
    longer.resize(1000, 0xAB);
    std::vector<std::uint8_t> shorter(exact.begin(), exact.begin() + 100);
    struct {
        const char* what;
        bool present;
        std::vector<std::uint8_t> file;
        std::int32_t error;
        bool replaced;
    } cases[] = {
        {"missing", false, {}, 1, false},     {"exact", true, exact, 0, true},
        {"oversized", true, longer, 0, true}, {"short", true, shorter, 6, false},
        {"empty", true, {}, 6, false},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.what);
        fs::remove(root / "SAVEDATA/SAVE00.BIN");
        if (k.present) {
            PutSaveFile(k.file);
        }
        CAutoSaveControl c;
        SaveData record;
        record.TextSpeed = 3;
        const SaveData::Bytes before = record.Serialize();
        c.StartLoad(&record);
        Wait(c);
        EXPECT_EQ(k.error, c.GetLastError());
        EXPECT_EQ(k.error != 0, c.IsError());
        EXPECT_EQ(k.replaced ? image : before, record.Serialize());
    }
}

TEST_F(AutoSaveTest, SecondLoadWhilePendingDoesNotRedirectTheFirst) {
    PutSaveFile([] {
        SaveData::Bytes b = Sample(9).Serialize();
        return std::vector<std::uint8_t>(b.begin(), b.end());
    }());
    CAutoSaveControl c;
    SaveData first;
    SaveData second;
    c.StartLoad(&first);
    c.StartLoad(&second);
    Wait(c);
    EXPECT_EQ(9, first.VolumeSE);
    EXPECT_EQ(9, second.VolumeSE);
}

TEST_F(AutoSaveTest, RecordDestroyedWhileItsLoadIsPendingIsNotWritten) {
    PutSaveFile(std::vector<std::uint8_t>(400, 1));
    CAutoSaveControl c;
    auto record = std::make_unique<SaveData>();
    c.StartLoad(record.get());
    record.reset();  // a write into it now would be caught by the address sanitizer
    Wait(c);
    EXPECT_EQ(0, c.GetLastError());
}

TEST_F(AutoSaveTest, ControlDestroyedWithRequestsInFlightLeavesThemHarmless) {
    PutSaveFile(std::vector<std::uint8_t>(SaveData::kSize, 2));
    SaveData loadTarget;
    {
        CAutoSaveControl gone;
        const SaveData early = Sample(1);
        gone.StartSave(&early);
        gone.StartLoad(&loadTarget);
    }
    // The orphaned completions come first; a touch of the dead control or of
    // its freed request records would be caught by the address sanitizer.
    CAutoSaveControl c;
    const SaveData late = Sample(2);
    c.StartSave(&late);
    Wait(c);
    EXPECT_EQ(0, c.GetLastError());
    files->UpdateUntilIdle(1000);
    const SaveData::Bytes image = late.Serialize();
    EXPECT_EQ(std::vector<std::uint8_t>(image.begin(), image.end()),
              ReadAll(root / "SAVEDATA/SAVE00.BIN"));
}

TEST_F(AutoSaveTest, ALostWriteOfOneControlLeavesNoOtherPending) {
    CAutoSaveControl lost;
    const SaveData early = Sample(1);
    lost.StartSave(&early);
    // Its file manager goes before the write was ever served.
    files.reset();
    files = std::make_unique<QZW::Win::CQzFileManager>(root.string());
    CAutoSaveControl c;
    const SaveData late = Sample(2);
    c.StartSave(&late);
    Wait(c);
    EXPECT_EQ(0, c.GetLastError());
    const SaveData::Bytes image = late.Serialize();
    EXPECT_EQ(std::vector<std::uint8_t>(image.begin(), image.end()),
              ReadAll(root / "SAVEDATA/SAVE00.BIN"));
}

TEST_F(AutoSaveTest, ASaveFileThatCouldNotBeUsedIsKeptAsideBeforeTheNextSave) {
    const SaveData::Bytes good = Sample(5).Serialize();
    std::vector<std::uint8_t> damaged(good.begin(), good.end());
    damaged[100] ^= 0x40;  // the checksum no longer matches
    const std::vector<std::uint8_t> cut(good.begin(), good.begin() + 100);
    struct Case {
        const char* what;
        enum { kMissing, kBytes, kFifo } kind;
        std::vector<std::uint8_t> bytes;
        std::int32_t loadError;
        bool keptAside;
    };
    const Case cases[] = {
        {"missing", Case::kMissing, {}, 1, false},
        {"good", Case::kBytes, {good.begin(), good.end()}, 0, false},
        {"failing its checksum", Case::kBytes, damaged, 0, true},
        {"cut short", Case::kBytes, cut, 6, true},
        {"a FIFO", Case::kFifo, {}, 6, true},
    };
    const fs::path save = root / "SAVEDATA/SAVE00.BIN";
    const fs::path aside = root / "SAVEDATA/SAVE00.BIN.unreadable1";
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        fs::remove(save);
        fs::remove(aside);
        if (k.kind == Case::kBytes) {
            PutSaveFile(k.bytes);
        } else if (k.kind == Case::kFifo) {
            ASSERT_EQ(0, ::mkfifo(save.c_str(), 0600));
        }
        CAutoSaveControl c;
        SaveData record;
        c.StartLoad(&record);
        Wait(c);
        EXPECT_EQ(k.loadError, c.GetLastError());
        const SaveData fresh = Sample(6);
        testing::internal::CaptureStdout();
        c.StartSave(&fresh);
        Wait(c);
        const std::string out = testing::internal::GetCapturedStdout();
        EXPECT_EQ(0, c.GetLastError());
        const SaveData::Bytes image = fresh.Serialize();
        EXPECT_EQ(std::vector<std::uint8_t>(image.begin(), image.end()), ReadAll(save));
        ASSERT_EQ(k.keptAside, fs::exists(fs::symlink_status(aside)));
        if (!k.keptAside) {
            EXPECT_EQ("", out);
            continue;
        }
        EXPECT_EQ("Kept unreadable save SAVEDATA/SAVE00.BIN as SAVEDATA/SAVE00.BIN.unreadable1.\n",
                  out);
        if (k.kind == Case::kFifo) {
            EXPECT_TRUE(fs::is_fifo(aside));
        } else {
            EXPECT_EQ(k.bytes, ReadAll(aside));
        }
        // Only the file that was read is kept: a later save replaces as usual.
        c.StartSave(&fresh);
        Wait(c);
        EXPECT_FALSE(fs::exists(root / "SAVEDATA/SAVE00.BIN.unreadable2"));
    }
}

TEST_F(AutoSaveTest, ScriptSaveStoresAFreshChecksum) {
    HSQUIRRELVM v = sq_open(1024);
    sq_pushroottable(v);
    Sample::SetScriptServices(nullptr, &Sample::Win::CGameControl::GetInstance());
    Sample::RegisterScriptFunctions(v, Sample::AutoSaveScriptFunctions());
    SaveData::RegisterScriptClass(v);
    const char* script =
        "::s <- SQ_SaveData(); s.Resolution = 4; ::before <- SQ_CheckSaveDataValid(s);"
        "SQ_AutoSaveStartSave(s); ::after <- SQ_CheckSaveDataValid(s);";
    ASSERT_TRUE(SQ_SUCCEEDED(
        sq_compilebuffer(v, script, static_cast<SQInteger>(std::strlen(script)), "save", SQFalse)));
    sq_pushroottable(v);
    ASSERT_TRUE(SQ_SUCCEEDED(sq_call(v, 1, SQFalse, SQFalse)));
    sq_pop(v, 1);  // the closure; the root table stays on top
    auto* control = static_cast<CAutoSaveControl*>(
        Sample::Win::CGameControl::GetInstance().GetAutoSaveControl());
    Wait(*control);
    EXPECT_EQ(0, control->GetLastError());

    SaveData disk;
    std::vector<std::uint8_t> bytes = ReadAll(root / "SAVEDATA/SAVE00.BIN");
    ASSERT_TRUE(disk.Parse(bytes.data(), bytes.size()));
    EXPECT_EQ(4, disk.Resolution);
    EXPECT_EQ(SaveData::CalcChecksum(disk), disk.checksum);
    for (const char* name : {"before", "after"}) {
        sq_pushstring(v, name, -1);
        ASSERT_TRUE(SQ_SUCCEEDED(sq_get(v, -2)));
        SQBool b = 0;
        sq_getbool(v, -1, &b);
        EXPECT_EQ(std::string(name) == "after", b != 0) << name;
        sq_pop(v, 1);
    }
    sq_close(v);
    Sample::SqBind::ForgetClasses();
    Sample::SetScriptServices(nullptr, nullptr);
}

}  // namespace
