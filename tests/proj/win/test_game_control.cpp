// The first frame's save record over a real file manager: windowed at index 2
// when there is no usable save file, otherwise the file's record whole, its
// checksum unchecked.
#include "proj/win/game_control.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include "proj/game/save_data.h"
#include "qzware/common/qz_mem.h"
#include "qzware/win/qz_file_manager.h"

namespace {

namespace fs = std::filesystem;
using Sample::SaveData;

class StartupSaveRecordTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!QzMemManagerExists()) {
            ASSERT_TRUE(QzMemManagerCreate());
        }
    }
    void SetUp() override {
        char tmpl[] = "/tmp/startsaveXXXXXX";
        ASSERT_NE(nullptr, mkdtemp(tmpl));
        root = tmpl;
        fs::create_directories(root / "SAVEDATA");
        files = std::make_unique<QZW::Win::CQzFileManager>(root.string());
    }
    void TearDown() override {
        files.reset();
        fs::remove_all(root);
    }

    fs::path root;
    std::unique_ptr<QZW::Win::CQzFileManager> files;
};

TEST_F(StartupSaveRecordTest, TakesTheSaveFileWholeOrStaysWindowedAtIndexTwo) {
    SaveData onDisk;
    onDisk.FullScreen = 1;
    onDisk.Resolution = 7;  // out of the table: the resolution pick ignores it
    onDisk.VolumeBGM = 42;
    onDisk.checksum = 0x12345678u;  // wrong on purpose: nobody checks it here
    const SaveData::Bytes image = onDisk.Serialize();

    // Defaults, then windowed at index 2 with the defaults' checksum left as is.
    SaveData windowed;
    windowed.Resolution = 2;
    const SaveData::Bytes fallback = windowed.Serialize();

    struct {
        const char* what;
        bool present;
        std::vector<std::uint8_t> file;
        SaveData::Bytes expected;
    } cases[] = {
        {"no save file", false, {}, fallback},
        {"a saved record", true, {image.begin(), image.end()}, image},
        {"a short file", true, {image.begin(), image.begin() + 200}, fallback},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(root / "SAVEDATA/SAVE00.BIN");
        if (c.present) {
            std::ofstream(root / "SAVEDATA/SAVE00.BIN", std::ios::binary)
                .write(reinterpret_cast<const char*>(c.file.data()),
                       static_cast<std::streamsize>(c.file.size()));
        }
        SaveData record;
        record.FullScreen = 1;
        record.TextSpeed = 9;  // whatever the caller held is replaced
        Sample::Win::LoadStartupSaveRecord(record);
        EXPECT_EQ(c.expected, record.Serialize());
    }
}

}  // namespace
