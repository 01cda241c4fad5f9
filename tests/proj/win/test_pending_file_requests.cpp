// Letting queued file writes finish before the program ends.
#include "proj/win/pending_file_requests.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "qzware/common/qz_mem.h"
#include "qzware/win/qz_file_manager.h"
#include "tests/support/process_runner.h"

namespace {

class PendingFileRequests : public ::testing::Test {
protected:
    void SetUp() override {
        if (!QzMemManagerExists()) {
            ASSERT_TRUE(QzMemManagerCreate());
        }
    }
    qz_test::TempDir dir;
};

TEST_F(PendingFileRequests, AQueuedWriteReachesTheDiskBeforeItReturns) {
    QZW::Win::CQzFileManager files(dir.path());
    const std::string bytes = "record bytes";
    files.SaveFileAsync("SAVEDATA/SAVE00.BIN", bytes.data(), std::uint32_t(bytes.size()), nullptr,
                        0);
    EXPECT_TRUE(Sample::Win::FinishPendingFileRequests(files, 5000));
    std::ifstream in(dir.path() + "/SAVEDATA/SAVE00.BIN", std::ios::binary);
    EXPECT_EQ(bytes, std::string(std::istreambuf_iterator<char>(in), {}));
    files.Finalize();
}

TEST_F(PendingFileRequests, GivesUpAtOnceWhenTheLoaderThreadIsGone) {
    QZW::Win::CQzFileManager files(dir.path());
    files.Finalize();
    const std::string bytes = "never written";
    files.SaveFileAsync("late.bin", bytes.data(), std::uint32_t(bytes.size()), nullptr, 0);
    EXPECT_FALSE(Sample::Win::FinishPendingFileRequests(files, 60000));
}

}  // namespace
