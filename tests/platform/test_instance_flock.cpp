// The single-instance guard: a lock file in the runtime folder that a second
// holder cannot take while the first keeps it.
#include "platform/instance/instance.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "tests/support/process_runner.h"

namespace {

using platform::instance::Guard;

class InstanceGuard : public ::testing::Test {
protected:
    void SetUp() override {
        const char* old = std::getenv("XDG_RUNTIME_DIR");
        saved = old ? old : "";
        hadOld = old != nullptr;
        setenv("XDG_RUNTIME_DIR", dir.path().c_str(), 1);
    }
    void TearDown() override {
        platform::instance::release();
        if (hadOld) {
            setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
        } else {
            unsetenv("XDG_RUNTIME_DIR");
        }
    }
    // Another process's hold on the lock file: its own open file description.
    int HoldElsewhere(const std::string& name) {
        const int fd = ::open(platform::instance::lock_path(name).c_str(), O_RDWR | O_CREAT, 0600);
        if (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd);
            return -1;
        }
        return fd;
    }
    qz_test::TempDir dir;
    std::string saved;
    bool hadOld = false;
};

TEST_F(InstanceGuard, LockFileLivesInTheRuntimeFolderWithAPlainName) {
    EXPECT_EQ(dir.path() + "/Velmodan_dual_boot_prevention_.lock",
              platform::instance::lock_path("Velmodan dual boot prevention."));
}

TEST_F(InstanceGuard, ASecondHolderIsRefusedUntilTheFirstReleases) {
    const std::string name = "Velmodan dual boot prevention.";
    const int other = HoldElsewhere(name);
    ASSERT_GE(other, 0);
    EXPECT_EQ(Guard::already_running, platform::instance::acquire(name));
    ::close(other);  // the other instance ends

    ASSERT_EQ(Guard::acquired, platform::instance::acquire(name));
    EXPECT_EQ(-1, HoldElsewhere(name)) << "the guard must keep others out";
    platform::instance::release();
    const int after = HoldElsewhere(name);
    EXPECT_GE(after, 0) << "release must give the guard up";
    if (after >= 0) {
        ::close(after);
    }
}

}  // namespace
