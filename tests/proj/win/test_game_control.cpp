// The first frame's save record: windowed at index 2 unless a save file
// replaces it whole (its checksum unchecked); the wait for it sleeps between
// turns and gives up when the loader thread is gone.
#include "proj/win/game_control.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "platform/clock/clock_null.h"
#include "proj/game/save_data.h"
#include "qzware/common/qz_mem.h"
#include "qzware/win/qz_file_manager.h"
#include "tests/support/process_runner.h"

namespace {

namespace fs = std::filesystem;
using Sample::SaveData;
using Sample::Win::LoadStartupSaveRecord;

// The system clock, counting the sleeps the test's own thread takes.
class SleepCountingClock final : public platform::clock::Clock {
public:
    std::uint32_t now_ms() override { return platform::clock::system_clock().now_ms(); }
    void sleep_ms(std::uint32_t ms) override {
        if (std::this_thread::get_id() == owner) {
            ++ownSleeps;
        }
        platform::clock::system_clock().sleep_ms(ms);
    }
    std::thread::id owner = std::this_thread::get_id();
    std::atomic<int> ownSleeps{0};
};

// Time that moves only by the sleeps of the thread that made it (which
// still sleep for real); other threads sleep on the system clock.
class OwnSleepsClock final : public platform::clock::Clock {
public:
    std::uint32_t now_ms() override { return slept.load(); }
    void sleep_ms(std::uint32_t ms) override {
        if (std::this_thread::get_id() == owner) {
            slept += ms;
        }
        platform::clock::system_clock().sleep_ms(ms);
    }
    std::thread::id owner = std::this_thread::get_id();
    std::atomic<std::uint32_t> slept{0};
};

class StartupSaveRecord : public ::testing::Test {
protected:
    void SetUp() override {
        GTEST_FLAG_SET(death_test_style, "fast");
        if (!QzMemManagerExists()) {
            ASSERT_TRUE(QzMemManagerCreate());
        }
    }
    void WriteSave(const SaveData& record) {
        fs::create_directories(fs::path(dir.path()) / "SAVEDATA");
        const SaveData::Bytes bytes = record.Serialize();
        std::ofstream out(fs::path(dir.path()) / "SAVEDATA/SAVE00.BIN", std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    qz_test::TempDir dir;
};

TEST_F(StartupSaveRecord, TakesTheSaveFileWholeOrStaysWindowedAtIndexTwo) {
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

    const fs::path file = fs::path(dir.path()) / "SAVEDATA/SAVE00.BIN";
    fs::create_directories(file.parent_path());
    struct {
        const char* what;
        bool present;
        std::vector<std::uint8_t> bytes;
        SaveData::Bytes expected;
    } cases[] = {
        {"no save file", false, {}, fallback},
        {"a saved record", true, {image.begin(), image.end()}, image},
        {"a short file", true, {image.begin(), image.begin() + 200}, fallback},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(file);
        if (c.present) {
            std::ofstream(file, std::ios::binary)
                .write(reinterpret_cast<const char*>(c.bytes.data()),
                       static_cast<std::streamsize>(c.bytes.size()));
        }
        QZW::Win::CQzFileManager files(dir.path());
        SaveData record;
        record.FullScreen = 1;
        record.TextSpeed = 9;  // whatever the caller held is replaced
        LoadStartupSaveRecord(record);
        EXPECT_EQ(c.expected, record.Serialize());
        files.Finalize();
    }
}

TEST_F(StartupSaveRecord, TheWaitSleepsBetweenTurnsInsteadOfSpinning) {
    WriteSave(SaveData());
    SleepCountingClock clock;
    platform::clock::ScopedClock scoped(clock);
    QZW::Win::CQzFileManager files(dir.path());
    SaveData record;
    LoadStartupSaveRecord(record);
    // One turn queues the read, a later one runs its completion: at least
    // two turns, each ending in a sleep.
    EXPECT_GE(clock.ownSleeps.load(), 2);
    files.Finalize();
}

TEST_F(StartupSaveRecord, ALoaderThreadThatIsGoneEndsTheWaitWithTheDefaults) {
    // In a child process: the pending load stays with the function-static
    // auto-save control and must not reach the other tests.
    EXPECT_EXIT(
        {
            QZW::Win::CQzFileManager files(dir.path());
            files.Finalize();
            SaveData record;
            LoadStartupSaveRecord(record);
            std::exit(record.FullScreen == 0 && record.Resolution == 2 ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(StartupSaveRecord, AStuckLoaderOrAFifoEndsTheWaitWithTheDefaultsInTime) {
    struct Case {
        const char* what;
        bool fifo;
    };
    for (const Case& c : {Case{"a loader stuck in its read", false}, Case{"a FIFO", true}}) {
        SCOPED_TRACE(c.what);
        // In a child process: the pending load stays with the function-static
        // auto-save control. The alarm ends a child that waits forever.
        EXPECT_EXIT(
            {
                ::alarm(20);
                const fs::path file = fs::path(dir.path()) / "SAVEDATA/SAVE00.BIN";
                if (c.fifo) {
                    fs::create_directories(file.parent_path());
                    fs::remove(file);
                    if (::mkfifo(file.c_str(), 0600) != 0) {
                        std::_Exit(3);
                    }
                } else {
                    WriteSave(SaveData());
                }
                QZW::Win::CQzFileManager files(dir.path());
                // The loader's buffer comes from the engine allocator: holding
                // its lock keeps the read from ever finishing.
                if (!c.fifo) {
                    QzMemGetLock()->Lock();
                }
                // The wait's time is its own thread's sleeps: it ends by its
                // limit at the latest, however busy the machine is.
                OwnSleepsClock clock;
                platform::clock::ScopedClock scoped(clock);
                SaveData record;
                LoadStartupSaveRecord(record, 300);
                const std::uint32_t waited = clock.now_ms();
                const bool defaults = record.FullScreen == 0 && record.Resolution == 2;
                std::_Exit(defaults && waited <= 300 ? 0 : 1);
            },
            ::testing::ExitedWithCode(0), "");
    }
}

}  // namespace
