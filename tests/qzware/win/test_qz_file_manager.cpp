// The file manager over a temporary data folder per test: asynchronous
// requests and their completions on the game thread, the request list's
// rules, whole-file reads and the safe write.
#include "qzware/win/qz_file_manager.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>
#include <vector>

#include "qzware/common/qz_mem.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <future>

#include <csignal>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
// How long a test waits for the loader thread: only a read that hangs (on a
// FIFO, say) takes it; a busy machine never does.
constexpr auto kLoaderWait = 30s;

struct Completion {
    std::int32_t status;
    std::string path;
    std::string content;
    std::uint32_t size;
    std::uintptr_t userData;
    std::thread::id thread;
    bool hadData;
};
std::vector<Completion> g_completions;

void RecordCompletion(QzFileRequestResult* r) {
    Completion c{r->status,         r->path, {}, r->size, r->userData, std::this_thread::get_id(),
                 r->data != nullptr};
    if (r->data) {
        c.content.assign(static_cast<const char*>(r->data), r->size);
        // The callback owns the buffer.
        QzGetFileManager()->FreeBuffer(r->data);
    }
    g_completions.push_back(c);
}

class QzFileManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(QzMemManagerCreate());
        std::random_device rd;
        root = fs::temp_directory_path() / ("qzfm_" + std::to_string(rd()) + std::to_string(rd()));
        fs::create_directories(root);
        g_completions.clear();
        QZW::Win::CQzFileManager::ResetRequestIdsForTests();
        fm = std::make_unique<QZW::Win::CQzFileManager>(root.string());
    }
    void TearDown() override {
        fm.reset();
        fs::remove_all(root);
        QzMemManagerDestroy();
    }
    void Put(const std::string& rel, const std::string& content) {
        fs::create_directories((root / rel).parent_path());
        std::ofstream(root / rel, std::ios::binary) << content;
    }
    static std::string Slurp(const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    // Frames until the request finished (or kLoaderWait passed).
    bool PumpUntilFinished(std::uint32_t id) {
        const auto end = std::chrono::steady_clock::now() + kLoaderWait;
        while (!fm->IsRequestFinished(id)) {
            if (std::chrono::steady_clock::now() > end || !fm->IsLoaderRunning()) {
                return false;
            }
            fm->Update();
            std::this_thread::sleep_for(1ms);
        }
        return true;
    }
    fs::path root;
    std::unique_ptr<QZW::Win::CQzFileManager> fm;
};

TEST_F(QzFileManagerTest, AsyncReadOfAMissingFileCompletesWithStatus2OnTheGameThread) {
    const auto userData = std::uintptr_t(0x1234567890abcdefull);
    const std::uint32_t id = fm->LoadFileAsync("nothing/here.bin", 8, RecordCompletion, userData);
    EXPECT_EQ(id, 1u);
    EXPECT_FALSE(fm->IsRequestFinished(id));
    ASSERT_TRUE(PumpUntilFinished(id));
    ASSERT_EQ(g_completions.size(), 1u);
    const Completion& c = g_completions[0];
    EXPECT_EQ(c.status, 2);
    EXPECT_FALSE(c.hadData);
    EXPECT_EQ(c.path, "nothing/here.bin");
    EXPECT_EQ(c.userData, userData);
    EXPECT_EQ(c.thread, std::this_thread::get_id());
}

TEST_F(QzFileManagerTest, AsyncReadsAreServedInSubmissionOrder) {
    Put("a.txt", "alpha");
    Put("dir/b.txt", "bravo!");
    fs::create_directories(root / "folder");
    const std::uint32_t ids[] = {
        fm->LoadFileAsync("a.txt", 8, RecordCompletion, 1),
        fm->LoadFileAsync("missing.txt", 8, RecordCompletion, 2),
        fm->LoadFileAsync("dir\\b.txt", 64, RecordCompletion, 3),
        fm->LoadFileAsync("folder", 8, RecordCompletion, 4),
    };
    EXPECT_EQ(ids[0], 1u);
    EXPECT_EQ(ids[3], 4u);
    ASSERT_TRUE(PumpUntilFinished(ids[3]));
    fm->Update();
    struct Expected {
        std::int32_t status;
        std::string content;
    };
    const Expected expected[] = {{0, "alpha"}, {2, ""}, {0, "bravo!"}, {1, ""}};
    ASSERT_EQ(g_completions.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(g_completions[i].userData, i + 1) << "completion " << i;
        EXPECT_EQ(g_completions[i].status, expected[i].status) << "completion " << i;
        EXPECT_EQ(g_completions[i].content, expected[i].content) << "completion " << i;
        EXPECT_EQ(g_completions[i].size, expected[i].content.size()) << "completion " << i;
    }
    // Ids keep counting after the list was emptied.
    EXPECT_TRUE(fm->IsIdle());
    EXPECT_EQ(fm->LoadFileAsync("a.txt", 8, nullptr, 0), 5u);
}

TEST_F(QzFileManagerTest, ClearRequestsWaitsUntilEveryRequestIsFinished) {
    Put("a.txt", "alpha");
    fm->AddRequest("idle");
    // Holding the lock keeps the loader from taking the request off the queue.
    fm->lock.Lock();
    const std::uint32_t id = fm->LoadFileAsync("a.txt", 8, nullptr, 0);
    fm->Update();
    fm->ClearRequests();
    EXPECT_EQ(fm->GetRequestCount(), 2);
    EXPECT_FALSE(fm->IsIdle());
    EXPECT_EQ(fm->GetRequestData(id), nullptr);
    fm->lock.Unlock();
    ASSERT_TRUE(PumpUntilFinished(id));
    // Without a callback the buffer stays with the request for its owner.
    void* data = fm->GetRequestData(id);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(std::string(static_cast<const char*>(data)), "alpha");
    EXPECT_EQ(fm->GetRequestSize(id), 5u);
    std::string path = "stale";
    fm->GetRequestPath(path, id);
    EXPECT_EQ(path, "a.txt");
    fm->GetRequestPath(path, 999);
    EXPECT_EQ(path, "");
    EXPECT_EQ(fm->GetRequestSize(999), 0u);
    fm->ClearRequests();
    EXPECT_EQ(fm->GetRequestCount(), 0);
    EXPECT_FALSE(fm->IsRequestFinished(id));
    fm->FreeBuffer(data);
}

TEST_F(QzFileManagerTest, WholeFileReadsAddEightZeroBytes) {
    Put("text.txt", "hello");
    for (const std::uint32_t alignment : {8u, 16u, 64u}) {
        std::uint32_t size = 99;
        auto* buffer = static_cast<unsigned char*>(fm->LoadFile("text.txt", &size, alignment));
        ASSERT_NE(buffer, nullptr);
        EXPECT_EQ(size, 5u);
        EXPECT_EQ(std::memcmp(buffer, "hello", 5), 0);
        for (int i = 5; i < 13; ++i) {
            EXPECT_EQ(buffer[i], 0) << "byte " << i;
        }
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(buffer) % alignment, 0u);
        fm->FreeBuffer(buffer);
    }
    std::uint32_t size = 0;
    void* plain = fm->ReadFile("text.txt", &size, 8);
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(size, 5u);
    EXPECT_EQ(std::memcmp(plain, "hello", 5), 0);
    fm->FreeBuffer(plain);
    EXPECT_EQ(fm->ReadFile("nope.txt", &size, 8), nullptr);
    EXPECT_EQ(fm->LoadFileAligned8("nope.txt"), nullptr);
}

TEST_F(QzFileManagerTest, ReadFileToRespectsTheCapacity) {
    Put("five.bin", "12345");
    fs::create_directories(root / "folder");
    struct Case {
        const char* path;
        std::uint32_t capacity;
        std::uint32_t expected;
    };
    const Case cases[] = {
        {"five.bin", 4, 0},  {"five.bin", 5, 5}, {"five.bin", 16, 5},
        {"gone.bin", 16, 0}, {"folder", 16, 0},
    };
    for (const Case& c : cases) {
        char buffer[16];
        std::memset(buffer, '#', sizeof buffer);
        EXPECT_EQ(fm->ReadFileTo(c.path, buffer, c.capacity), c.expected)
            << c.path << " " << c.capacity;
        if (c.expected) {
            EXPECT_EQ(std::string(buffer, 5), "12345");
        } else {
            EXPECT_EQ(std::string(buffer, 16), std::string(16, '#')) << "buffer touched";
        }
    }
}

TEST_F(QzFileManagerTest, WritesReplaceTheTargetWholeAndCreateFolders) {
    Put("SAVEDATA/old.bin", "a much longer old content");
    struct Case {
        const char* path;
        std::string content;
    };
    const Case cases[] = {
        {"SAVEDATA/old.bin", "new"},
        {"deep/er/still/file.bin", std::string("\0\1\2", 3)},
        {"empty.bin", ""},
    };
    for (const Case& c : cases) {
        std::int32_t error = 7;
        EXPECT_TRUE(
            fm->WriteFile(c.path, c.content.data(), std::uint32_t(c.content.size()), &error))
            << c.path;
        EXPECT_EQ(error, 0);
        EXPECT_EQ(Slurp(root / c.path), c.content) << c.path;
        EXPECT_EQ(fm->GetFileSize(c.path), std::int32_t(c.content.size())) << c.path;
    }
    // No temporary file is left beside the targets.
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
    }
}

TEST_F(QzFileManagerTest, FailedWritesReportAndLeaveNoTrace) {
    fs::create_directories(root / "adir");
    Put("plain", "x");
    struct Case {
        const char* path;
    };
    for (const Case& c : {Case{"adir"}, Case{"plain/under.bin"}}) {
        std::int32_t error = 0;
        testing::internal::CaptureStdout();
        EXPECT_FALSE(fm->WriteFile(c.path, "abc", 3, &error)) << c.path;
        const std::string out = testing::internal::GetCapturedStdout();
        EXPECT_EQ(error, 1) << c.path;
        EXPECT_EQ(out, std::string("Failed File ") + c.path + " Create.\n");
    }
    EXPECT_TRUE(fs::is_directory(root / "adir"));
    EXPECT_EQ(Slurp(root / "plain"), "x");
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
    }
}

TEST_F(QzFileManagerTest, AShortWriteFailsAndKeepsTheOldFile) {
    Put("keep.bin", "old save");
    // A file-size limit makes the system cut the write short.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto* previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const std::string big(64 * 1024, 'n');
    std::int32_t error = 0;
    testing::internal::CaptureStdout();
    const bool ok = fm->WriteFile("keep.bin", big.data(), std::uint32_t(big.size()), &error);
    const std::string out = testing::internal::GetCapturedStdout();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_FALSE(ok);
    EXPECT_EQ(error, 1);
    EXPECT_EQ(out, "Failed File keep.bin Create.\n");
    EXPECT_EQ(Slurp(root / "keep.bin"), "old save");
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
    }
}

TEST_F(QzFileManagerTest, AsyncWritesCompleteWithTheirStatus) {
    std::vector<unsigned char> save(304);
    for (std::size_t i = 0; i < save.size(); ++i) {
        save[i] = static_cast<unsigned char>(i * 7);
    }
    const std::uint32_t saveId = fm->SaveData(save.data(), 11, RecordCompletion);
    fs::create_directories(root / "blocked");
    const std::uint32_t badId = fm->SaveFileAsync("blocked", "zz", 2, RecordCompletion, 12);
    const std::uint32_t plainId = fm->SaveFileAsync("x/y.txt", "xy", 2, nullptr, 0);
    testing::internal::CaptureStdout();
    const bool finished =
        PumpUntilFinished(saveId) && PumpUntilFinished(badId) && PumpUntilFinished(plainId);
    testing::internal::GetCapturedStdout();
    ASSERT_TRUE(finished);
    ASSERT_EQ(g_completions.size(), 2u);
    EXPECT_EQ(g_completions[0].status, 0);
    EXPECT_EQ(g_completions[0].path, "");
    // Each write completion names its own request.
    EXPECT_EQ(g_completions[0].userData, 11u);
    EXPECT_EQ(g_completions[1].status, 1);
    EXPECT_EQ(g_completions[1].userData, 12u);
    const std::string written = Slurp(root / "SAVEDATA/SAVE00.BIN");
    EXPECT_EQ(written, std::string(save.begin(), save.end()));
    EXPECT_EQ(Slurp(root / "x/y.txt"), "xy");
    EXPECT_TRUE(fm->IsIdle());
}

TEST_F(QzFileManagerTest, FoldersAreNotFiles) {
    fs::create_directories(root / "folder");
    std::uint32_t size = 5;
    EXPECT_FALSE(fm->ExistsFile("folder"));
    EXPECT_EQ(fm->ReadFile("folder", &size, 8), nullptr);
    EXPECT_EQ(fm->LoadFile("folder", &size, 8), nullptr);
    EXPECT_EQ(size, 0u);
    testing::internal::CaptureStdout();
    EXPECT_EQ(fm->GetFileSize("folder"), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Failed File folder Open.\n");
    Put("file", "1");
    EXPECT_TRUE(fm->ExistsFile("file"));
}

TEST_F(QzFileManagerTest, ReadsWithoutABufferFail) {
    Put("big.bin", std::string(4096, 'b'));
    std::uint32_t size = 1;
    std::int32_t status = 0;
    // Without the memory manager no buffer can be had.
    QzMemManagerDestroy();
    EXPECT_EQ(fm->ReadWholeFile("big.bin", &size, 8, &status), nullptr);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(fm->ReadFile("big.bin", &size, 8), nullptr);
    const std::uint32_t id = fm->LoadFileAsync("big.bin", 8, RecordCompletion, 0);
    ASSERT_TRUE(PumpUntilFinished(id));
    ASSERT_EQ(g_completions.size(), 1u);
    EXPECT_EQ(g_completions[0].status, 1);
    EXPECT_FALSE(g_completions[0].hadData);
    ASSERT_TRUE(QzMemManagerCreate());
}

TEST_F(QzFileManagerTest, LoaderStateAndCurrentPointer) {
    EXPECT_EQ(QzGetFileManager(), fm.get());
    EXPECT_TRUE(fm->IsLoaderRunning());
    EXPECT_EQ(fm->MakePath("a\\b.txt"), root.string() + "/a/b.txt");
    fm->Finalize();
    EXPECT_FALSE(fm->IsLoaderRunning());
    // A waiter sees the loader gone and gives up instead of pumping forever.
    const std::uint32_t id = fm->LoadFileAsync("a.txt", 8, nullptr, 0);
    EXPECT_FALSE(PumpUntilFinished(id));
    fm.reset();
    EXPECT_EQ(QzGetFileManager(), nullptr);
    EXPECT_EQ(QZW::Win::CQzFileManager().MakePath("x"), "USRDIR/x");
}

TEST_F(QzFileManagerTest, UpdateUntilIdlePumpsAtMostTheGivenTurns) {
    Put("a.txt", "alpha");
    const std::uint32_t id = fm->LoadFileAsync("a.txt", 8, RecordCompletion, 7);
    fm->UpdateUntilIdle(0);
    EXPECT_EQ(QZW::Win::CQzFileManager::kStateReadRequested, fm->requests.front().state.load());
    fm->UpdateUntilIdle(1);  // one turn hands the read to the loader
    EXPECT_NE(QZW::Win::CQzFileManager::kStateReadRequested, fm->requests.front().state.load());
    const auto end = std::chrono::steady_clock::now() + kLoaderWait;
    while (fm->requests.front().state.load() != QZW::Win::CQzFileManager::kStateReadDone) {
        ASSERT_LT(std::chrono::steady_clock::now(), end) << "the loader never read the file";
        std::this_thread::sleep_for(1ms);
    }
    EXPECT_TRUE(g_completions.empty());
    fm->UpdateUntilIdle(3);  // runs the completion, then finds the list idle
    ASSERT_EQ(1u, g_completions.size());
    EXPECT_EQ("alpha", g_completions[0].content);
    EXPECT_EQ(0, fm->GetRequestCount());
    EXPECT_FALSE(fm->IsRequestFinished(id)) << "a finished request leaves the list once idle";
}

// Opens and closes the writing end until every reader blocked on the FIFO
// has been let go (only needed when a read wrongly waits on it).
void ReleaseFifoReaders(const fs::path& fifo, const std::function<bool()>& done) {
    while (!done()) {
        std::this_thread::sleep_for(10ms);
        const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0) {
            ::close(fd);
        }
    }
}

TEST_F(QzFileManagerTest, AFifoInPlaceOfTheSaveIsRefusedWithoutWaiting) {
    fs::create_directories(root / "SAVEDATA");
    const fs::path fifo = root / QZW::Win::CQzFileManager::kSavePath;
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string rel = QZW::Win::CQzFileManager::kSavePath;
    std::future<void> sync = std::async(std::launch::async, [&] {
        std::uint32_t size = 9;
        char buffer[16];
        EXPECT_FALSE(fm->ExistsFile(rel));
        EXPECT_EQ(fm->ReadFile(rel, &size, 8), nullptr);
        EXPECT_EQ(fm->LoadFile(rel, &size, 8), nullptr);
        EXPECT_EQ(fm->ReadFileTo(rel, buffer, sizeof buffer), 0u);
        testing::internal::CaptureStdout();
        EXPECT_EQ(fm->GetFileSize(rel), -1);
        testing::internal::GetCapturedStdout();
    });
    const bool syncInTime = sync.wait_for(kLoaderWait) == std::future_status::ready;
    ReleaseFifoReaders(fifo, [&] { return sync.wait_for(0ms) == std::future_status::ready; });
    EXPECT_TRUE(syncInTime) << "a synchronous read waited on the FIFO";

    const std::uint32_t id = fm->LoadFileAsync(rel, 0, RecordCompletion, 5);
    const bool asyncInTime = PumpUntilFinished(id);
    if (!asyncInTime) {
        // The loader is stuck in the open: let it go, then finish the request.
        std::atomic<bool> finished{false};
        std::thread release([&] { ReleaseFifoReaders(fifo, [&] { return finished.load(); }); });
        while (!fm->IsRequestFinished(id)) {
            fm->Update();
            std::this_thread::sleep_for(1ms);
        }
        finished = true;
        release.join();
    }
    ASSERT_TRUE(asyncInTime) << "the loader waited on the FIFO";
    ASSERT_EQ(g_completions.size(), 1u);
    EXPECT_EQ(g_completions[0].status, 1);
    EXPECT_FALSE(g_completions[0].hadData);
}

TEST_F(QzFileManagerTest, AWriteSweepsOnlyTheLeftoverTemporariesOfGoneWriters) {
    // A writer that has ended: its pid names no process any more.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::_exit(0);
    }
    ASSERT_EQ(::waitpid(child, nullptr, 0), child);
    const std::string gone = std::to_string(child);
    const std::string self = std::to_string(::getpid());
    const std::string alive = std::to_string(::getppid());
    Put("SAVEDATA/SAVE00.BIN", "old");
    struct Leftover {
        std::string name;
        bool kept;
    };
    const Leftover leftovers[] = {
        {"SAVE00.BIN." + gone + ".3.tmp", false},
        {"SAVE00.BIN." + self + ".999999.tmp", false},  // ours, from no write in flight
        {"SAVE00.BIN." + alive + ".1.tmp", true},       // a live writer's
        {"OTHER.BIN." + gone + ".1.tmp", true},         // another target's
        {"SAVE00.BIN.notes.tmp", true},                 // not a name we make
        {"SAVE00.BIN." + gone + ".x.tmp", true},
    };
    for (const Leftover& l : leftovers) {
        Put("SAVEDATA/" + l.name, "torn");
    }
    ASSERT_TRUE(fm->WriteFile("SAVEDATA/SAVE00.BIN", "new", 3, nullptr));
    EXPECT_EQ(Slurp(root / "SAVEDATA/SAVE00.BIN"), "new");
    for (const Leftover& l : leftovers) {
        EXPECT_EQ(fs::exists(root / "SAVEDATA" / l.name), l.kept) << l.name;
    }
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(root / "SAVEDATA")) {
        ++entries;
    }
    EXPECT_EQ(entries, 5u) << "the write itself leaves no temporary";
}

void FreeAndForget(QzFileRequestResult* r) {
    QzGetFileManager()->FreeBuffer(r->data);
    r->data = nullptr;
}

void KeepBuffer(QzFileRequestResult*) {}

TEST_F(QzFileManagerTest, ARequestNeverHandsOutABufferItsCallbackFreed) {
    Put("a.txt", "alpha");
    const std::uint32_t freed = fm->LoadFileAsync("a.txt", 8, FreeAndForget, 0);
    const std::uint32_t kept = fm->LoadFileAsync("a.txt", 8, KeepBuffer, 0);
    ASSERT_TRUE(PumpUntilFinished(freed));
    ASSERT_TRUE(PumpUntilFinished(kept));
    EXPECT_EQ(fm->GetRequestData(freed), nullptr);
    void* data = fm->GetRequestData(kept);
    ASSERT_NE(data, nullptr) << "a callback that keeps the buffer leaves it listed";
    EXPECT_EQ(std::string(static_cast<const char*>(data)), "alpha");
    fm->FreeBuffer(data);
}

}  // namespace
