// The whole-file replacement reaches the disk in the order that survives a
// power cut: the new file flushed under its temporary name (made from the
// pid and a counter), then renamed, then the folder flushed. fsync is
// interposed in this program to watch it; every call still goes through.
#include "platform/file/file.h"

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <mutex>
#include <random>
#include <string>
#include <vector>

namespace {

struct SyncSeen {
    bool isFolder = false;
    ino_t inode = 0;
    std::string name;       // what the descriptor was opened as
    ino_t targetInode = 0;  // what the target named at that moment
};

std::mutex g_lock;
std::vector<SyncSeen> g_seen;
std::string g_target;  // watched while not empty

ino_t InodeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

void Record(int fd) {
    std::lock_guard<std::mutex> hold(g_lock);
    if (g_target.empty()) {
        return;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        return;
    }
    char link[4096] = {};
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    const ssize_t n = ::readlink(self.c_str(), link, sizeof link - 1);
    g_seen.push_back({S_ISDIR(st.st_mode), st.st_ino,
                      n > 0 ? std::string(link, std::size_t(n)) : "", InodeOf(g_target)});
}

}  // namespace

extern "C" int fsync(int fd) {
    using Fn = int (*)(int);
    static Fn real = reinterpret_cast<Fn>(::dlsym(RTLD_NEXT, "fsync"));
    Record(fd);
    return real(fd);
}

namespace {

namespace fs = std::filesystem;

TEST(FileReplaceSync, TheFileIsFlushedBeforeTheRenameAndTheFolderAfterIt) {
    std::random_device rd;
    const fs::path folder =
        fs::weakly_canonical(fs::temp_directory_path() / ("qzsync_" + std::to_string(rd())));
    fs::create_directories(folder);
    const std::string target = (folder / "SAVE00.BIN").string();
    std::ofstream(target, std::ios::binary) << "old";
    const ino_t oldInode = InodeOf(target);
    {
        std::lock_guard<std::mutex> hold(g_lock);
        g_seen.clear();
        g_target = target;
    }
    ASSERT_TRUE(platform::file::replace_contents(target, "new", 3));
    std::vector<SyncSeen> seen;
    {
        std::lock_guard<std::mutex> hold(g_lock);
        g_target.clear();
        seen = g_seen;
    }
    const ino_t newInode = InodeOf(target);
    ASSERT_NE(newInode, oldInode) << "the target was written in place";

    const SyncSeen* file = nullptr;
    const SyncSeen* dir = nullptr;
    for (const SyncSeen& s : seen) {
        if (!s.isFolder && s.inode == newInode && !file) {
            file = &s;
        }
        if (s.isFolder && s.inode == InodeOf(folder.string())) {
            dir = &s;
        }
    }
    ASSERT_NE(file, nullptr) << "the new file was never flushed";
    EXPECT_EQ(file->targetInode, oldInode) << "flushed only after the rename";
    const std::string stem = target + "." + std::to_string(::getpid()) + ".";
    EXPECT_EQ(file->name.compare(0, stem.size(), stem), 0)
        << "temporary " << file->name << " is not named after the target and the pid";
    ASSERT_NE(dir, nullptr) << "the folder was never flushed";
    EXPECT_EQ(dir->targetInode, newInode) << "the folder was flushed before the rename";
    EXPECT_GT(dir, file);
    fs::remove_all(folder);
}

}  // namespace
