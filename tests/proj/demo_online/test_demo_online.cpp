// The demo online: two instances of the program on one machine, a Redis
// directory of the test's own prepared by the set-up tool (each program logs
// in as its own player user) and UDP on loopback. The first hosts a room,
// the second finds and joins it, and both play the short match to its end,
// while the directory is killed and started again and a third instance looks
// for a room: the locked one is not found, and the match goes on. The test
// ends the three programs once it has seen all that; each exits cleanly.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/netcheck/netcheck.h"
#include "tests/platform/online_redis/redis_fixture.h"
#include "tests/support/demo_run.h"
#include "tests/support/process_runner.h"
#include "tests/support/script_log_watch.h"
#include "tests/support/service_check.h"

namespace {

namespace fs = std::filesystem;

std::string PlayerPassword(int account) {
    return "player-password-" + std::to_string(account);
}

// What an administrator does on a new (or restarted, empty) directory: the
// function library and one user per player.
bool PrepareForPlayers(const redis_test::RedisServer& redis) {
    if (!redis.Prepare()) {
        return false;
    }
    for (int account : {2101, 2102, 2103}) {
        if (!redis.AddPlayer(std::uint32_t(account), PlayerPassword(account))) {
            return false;
        }
    }
    return true;
}

struct Instance {
    qz_test::TempDir runtime;  // each instance holds its own single-instance lock
    qz_test::TempDir work;
    qz_test::ChildProcess game;
    qz_test::ScriptLogWatch watch{game, work.path()};

    // Logs in as the player user of `account`, whose password the test gave
    // it when it added the user.
    bool Start(const redis_test::RedisServer& redis, int account, const std::string& name) {
        qz_test::CopyDemoDataTree(work.path());
        return game.Start({qz_test::ProgramPath()},
                          {{"XDG_RUNTIME_DIR", runtime.path()},
                           {"SDL_AUDIODRIVER", "dummy"},
                           {"QZ_NO_MESSAGE_BOX", "1"},
                           {"QZ_QUIT_AFTER_FRAMES", std::to_string(qz_test::kEndedByTestFrames)},
                           {"QZ_ONLINE_DIRECTORY", redis.address()},
                           {"QZ_ONLINE_DIRECTORY_USER",
                            platform::online::kPlayerUserPrefix + std::to_string(account)},
                           {"QZ_ONLINE_DIRECTORY_PASSWORD", PlayerPassword(account)},
                           {"QZ_ONLINE_ACCOUNT", std::to_string(account)},
                           {"QZ_ONLINE_NAME", name},
                           {"QZ_ONLINE_BIND", "127.0.0.1"}},
                          work.path());
    }
    std::string Log() { return qz_test::ReadScriptLog(work.path()); }
};

// The waits last while the program's log grows (it writes a line every
// second) and end when the program does.
bool WaitForOutput(Instance& i, const std::string& line) {
    return i.watch.WaitUntil(
        [&](const std::string&) { return i.game.Stdout().find(line) != std::string::npos; },
        "\"" + line + "\" on its standard output");
}

bool WaitForLine(Instance& i, const std::string& line, int stallMs = qz_test::kEffectWaitMs) {
    return i.watch.WaitForAnywhere(line, stallMs);
}

TEST(DemoOnline, OneInstanceHostsAndTheOtherJoinsAndBothFinishTheMatch) {
    ASSERT_NE(nullptr, std::getenv("DISPLAY")) << "run under xvfb-run";
    ASSERT_TRUE(fs::exists(fs::path(QZ_BINARY_DIR) / "USRDIR/scriptsConv/all.cnut"));
    if (!platform::netcheck::is_connected()) {
        QZ_SKIP_UNLESS_CI("no network interface besides loopback is up: the sign-in waits for one");
    }
    redis_test::RedisServer redis;
    if (!redis.installed()) {
        QZ_SKIP_UNLESS_CI("redis-server is not installed");
    }
    ASSERT_TRUE(redis.ready()) << "redis-server did not answer PING on " << redis.address();
    ASSERT_TRUE(PrepareForPlayers(redis));
    Instance host, guest;
    ASSERT_TRUE(host.Start(redis, 2101, "Alice"));
    ASSERT_TRUE(WaitForLine(host, "online: hosting a room for 4\n", qz_test::kFirstFrameWaitMs))
        << host.watch.GaveUp() << "\n"
        << host.Log();
    ASSERT_TRUE(guest.Start(redis, 2102, "Bob"));
    ASSERT_TRUE(WaitForLine(host, "online: match starts with 2 players\n"))
        << host.watch.GaveUp() << "\n"
        << host.Log();
    // Mid-match the directory goes away and comes back (empty, as a
    // restarted Redis without persistence is); then a third instance comes
    // looking while the room is still locked.
    redis.Stop();
    const bool lost = WaitForOutput(host, "unreachable");
    const bool midMatch = host.Log().find("online: match over") == std::string::npos;
    ASSERT_TRUE(redis.Start());
    // Until the administrator has prepared it again, the players' logins are
    // refused: an outage like the one before.
    ASSERT_TRUE(PrepareForPlayers(redis));
    const bool back = WaitForOutput(host, "is back");
    const bool recreated = WaitForOutput(host, "re-created in the lobby directory");
    Instance third;
    ASSERT_TRUE(third.Start(redis, 2103, "Carol"));
    // The third signs in and finishes a search while the room is locked
    // (from the match on, for as long as the host runs), so a room it did
    // not find is one that its search skipped.
    ASSERT_TRUE(WaitForLine(third, "online: signed in\n", qz_test::kFirstFrameWaitMs))
        << third.watch.GaveUp() << "\n"
        << third.Log();
    ASSERT_TRUE(WaitForLine(third, "online: search listed ")) << third.watch.GaveUp() << "\n"
                                                              << third.Log();
    // The programs run until the test has seen what it waits for: the
    // match's end on both players, the third's searches done (it hosts a
    // room of its own after five that found nothing to join).
    EXPECT_TRUE(WaitForLine(host, "online: match over at frame")) << host.watch.GaveUp() << "\n"
                                                                  << host.Log();
    EXPECT_TRUE(WaitForLine(guest, "online: match over at frame")) << guest.watch.GaveUp() << "\n"
                                                                   << guest.Log();
    EXPECT_TRUE(WaitForLine(third, "online: hosting a room for 4\n"))
        << third.watch.GaveUp() << "\n"
        << third.Log();
    for (Instance* i : {&host, &guest, &third}) {
        i->game.Terminate();
    }
    for (Instance* i : {&host, &guest, &third}) {
        const auto status = i->game.Wait(60000);
        ASSERT_TRUE(status.has_value()) << "the run did not end on SIGTERM";
        EXPECT_EQ(0, *status) << i->game.Stderr();
    }
    const std::string a = host.Log(), b = guest.Log(), c = third.Log();
    EXPECT_TRUE(lost) << host.game.Stdout();
    EXPECT_TRUE(midMatch) << "the directory went away after the match: " << a;
    EXPECT_TRUE(back) << host.game.Stdout();
    EXPECT_TRUE(recreated) << host.game.Stdout();
    EXPECT_NE(std::string::npos, b.find("online: found the room of Alice, joining\n")) << b;
    EXPECT_EQ(std::string::npos, c.find("room of Alice")) << "the locked room was found:\n" << c;
    EXPECT_EQ(std::string::npos, c.find("online: joined")) << c;
    for (const std::string& log : {a, b}) {
        EXPECT_NE(std::string::npos, log.find("online: match starts with 2 players\n")) << log;
        EXPECT_NE(std::string::npos, log.find("online: match over at frame")) << log;
    }
}

}  // namespace
