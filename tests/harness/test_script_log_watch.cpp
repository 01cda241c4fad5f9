// The script log waits against a child that writes a log as the program
// does: a wait lasts as long as lines keep coming, however much longer than
// its stall limit that is, and gives up soon once they stop.
#include "tests/support/script_log_watch.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "tests/support/process_runner.h"

namespace {

namespace fs = std::filesystem;

// Writes "line 1" .. "line <count>" to Log/log.txt, one every 50 ms, then
// stays silent (still running) for a minute.
bool StartWriter(qz_test::ChildProcess& child, const fs::path& dir, int count) {
    fs::create_directories(dir / "Log");
    const std::string script = "i=1; while [ $i -le " + std::to_string(count) +
                               " ]; do echo \"line $i\" >> Log/log.txt; i=$((i+1)); "
                               "sleep 0.05; done; sleep 60";
    return child.Start({"/bin/sh", "-c", script}, {}, dir.string());
}

TEST(ScriptLogWatch, AWaitLastsWhileTheLogGrowsAndGivesUpOnceItStandsStill) {
    qz_test::TempDir dir;
    qz_test::ChildProcess writer;
    // 80 lines take at least 4 s: four times the stall limit.
    ASSERT_TRUE(StartWriter(writer, dir.path(), 80));
    qz_test::ScriptLogWatch watch(writer, dir.path());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(watch.WaitFor("line 80\n", 1000)) << watch.GaveUp() << "\n" << watch.Log();
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::seconds(3))
        << "the writer was quicker than its sleeps";
    const auto silent = std::chrono::steady_clock::now();
    EXPECT_FALSE(watch.WaitFor("line 81\n", 1000));
    EXPECT_LT(std::chrono::steady_clock::now() - silent, std::chrono::seconds(30))
        << "a silent log held the wait";
    EXPECT_EQ("no progress for 1000 ms while waiting for \"line 81\n\"", watch.GaveUp());
    EXPECT_TRUE(writer.Running());
}

TEST(ScriptLogWatch, AProgramThatEndsEndsTheWait) {
    qz_test::TempDir dir;
    qz_test::ChildProcess writer;
    fs::create_directories(fs::path(dir.path()) / "Log");
    ASSERT_TRUE(writer.Start({"/bin/sh", "-c", "echo done > Log/log.txt"}, {}, dir.path()));
    qz_test::ScriptLogWatch watch(writer, dir.path());
    EXPECT_TRUE(watch.WaitFor("done\n"));
    EXPECT_FALSE(watch.WaitFor("more", 60000));
    EXPECT_EQ("the program ended without writing \"more\"", watch.GaveUp());
}

}  // namespace
