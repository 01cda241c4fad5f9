// Three autoplaying demos in one match over a Redis directory of the test's
// own and UDP on loopback; in two of the runs one player's process is killed
// (kill -9) mid-match: the host, or a guest. The players that are left reach
// game frame 600, log the same presses for every battler and exit with
// status 0 when the test ends them.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <optional>
#include <regex>
#include <set>
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

struct Player {
    qz_test::TempDir runtime;
    qz_test::TempDir work;
    qz_test::ChildProcess game;
    qz_test::ScriptLogWatch watch{game, work.path()};

    bool Start(const redis_test::RedisServer& redis, int account) {
        qz_test::CopyDemoDataTree(work.path());
        return game.Start({qz_test::ProgramPath()},
                          {{"XDG_RUNTIME_DIR", runtime.path()},
                           {"SDL_AUDIODRIVER", "dummy"},
                           {"QZ_NO_MESSAGE_BOX", "1"},
                           {"QZ_QUIT_AFTER_FRAMES", std::to_string(qz_test::kEndedByTestFrames)},
                           {"QZ_DEMO_PLAYERS", "3"},
                           {"QZ_DEMO_AUTOPLAY", "1"},
                           {"QZ_ONLINE_DIRECTORY", redis.address()},
                           {"QZ_ONLINE_DIRECTORY_PASSWORD", redis_test::RedisServer::kPassword},
                           {"QZ_ONLINE_ACCOUNT", std::to_string(account)},
                           {"QZ_ONLINE_NAME", "P" + std::to_string(account)},
                           {"QZ_ONLINE_BIND", "127.0.0.1"}},
                          work.path());
    }
    std::string Log() { return qz_test::ReadScriptLog(work.path()); }
};

// Polls the player's log (its effect) until `seen` holds for it; gives up
// when the process ends or its log stops growing (it writes a line every
// second while it runs).
template <class Seen>
bool WaitForLog(Player& p, Seen seen, const std::string& what,
                int stallMs = qz_test::kEffectWaitMs) {
    return p.watch.WaitUntil(seen, what, stallMs);
}

bool WaitForLog(Player& p, const std::regex& want, const std::string& what,
                int stallMs = qz_test::kEffectWaitMs) {
    return WaitForLog(
        p, [&](const std::string& log) { return std::regex_search(log, want); }, what, stallMs);
}

// The presses logged before game frame `before`.
std::set<std::string> Presses(const std::string& log, int before) {
    std::set<std::string> out;
    const std::regex line("online: battler [0-3] pressed [0-9]+ at frame ([0-9]+)");
    for (auto it = std::sregex_iterator(log.begin(), log.end(), line); it != std::sregex_iterator();
         ++it) {
        if (std::stoi((*it)[1].str()) < before) {
            out.insert(it->str());
        }
    }
    return out;
}

constexpr int kMatchEnd = 600;
constexpr int kKillAfterFrame = 150;
const std::regex kMatchOver("online: match over at frame ([0-9]+)\n");
const std::regex kDepartureLine("online: battler ([0-3]) left; its words end at frame ([0-9]+)\n");
const std::regex kPressLine("online: battler ([0-3]) pressed [0-9]+ at frame ([0-9]+)");

int MatchOverFrame(const std::string& log) {
    std::smatch m;
    return std::regex_search(log, m, kMatchOver) ? std::stoi(m[1].str()) : -1;
}

// The frame of the last press the log shows, -1 when none.
int LastPressFrame(const std::string& log) {
    int last = -1;
    for (auto it = std::sregex_iterator(log.begin(), log.end(), kPressLine);
         it != std::sregex_iterator(); ++it) {
        last = std::max(last, std::stoi((*it)[2].str()));
    }
    return last;
}

bool PressedIn(const std::set<std::string>& presses, int battler, int from, int before) {
    for (const std::string& p : presses) {
        std::smatch m;
        if (std::regex_search(p, m, kPressLine) && std::stoi(m[1].str()) == battler) {
            const int frame = std::stoi(m[2].str());
            if (frame >= from && frame < before) {
                return true;
            }
        }
    }
    return false;
}

bool PressedBefore(const std::set<std::string>& presses, int battler, int before) {
    return PressedIn(presses, battler, 0, before);
}

bool PressedFrom(const std::set<std::string>& presses, int battler, int from) {
    return PressedIn(presses, battler, from, 1 << 30);
}

// victim: -1 none, 0 the host, 2 the last guest.
void PlayThree(int victim) {
    SCOPED_TRACE(testing::Message() << "killed player " << victim);
    redis_test::RedisServer redis;
    if (!redis.installed()) {
        QZ_SKIP_UNLESS_CI("redis-server is not installed");
    }
    ASSERT_TRUE(redis.ready()) << "redis-server did not answer PING on " << redis.address();
    Player players[3];
    ASSERT_TRUE(players[0].Start(redis, 3101));
    ASSERT_TRUE(WaitForLog(players[0], std::regex("online: hosting a room for 4\n"),
                           "the host's room", qz_test::kFirstFrameWaitMs))
        << players[0].watch.GaveUp() << "\n"
        << players[0].Log();
    for (int i = 1; i < 3; ++i) {
        ASSERT_TRUE(players[i].Start(redis, 3101 + i));
        ASSERT_TRUE(WaitForLog(players[i], std::regex("online: joined"), "joining the room",
                               qz_test::kFirstFrameWaitMs))
            << players[i].watch.GaveUp() << "\n"
            << players[i].Log();
    }
    for (Player& p : players) {
        ASSERT_TRUE(
            WaitForLog(p, std::regex("online: match starts with 3 players\n"), "the match's start"))
            << p.watch.GaveUp() << "\n"
            << p.Log();
    }
    if (victim >= 0) {
        // Mid-match: once the victim has played a press at game frame 150
        // or later (only the match's press lines count, no other line that
        // names a frame).
        ASSERT_TRUE(WaitForLog(
            players[victim],
            [](const std::string& log) { return LastPressFrame(log) >= kKillAfterFrame; },
            "a press at game frame 150 or later"))
            << players[victim].watch.GaveUp() << "\n"
            << players[victim].Log();
        ::kill(players[victim].game.Pid(), SIGKILL);
    }
    // Each survivor's match ends at game frame 600; the frames every one of
    // them played are compared.
    int common = kMatchEnd;
    for (int i = 0; i < 3; ++i) {
        if (i == victim) {
            continue;
        }
        ASSERT_TRUE(WaitForLog(players[i], kMatchOver, "the match's end"))
            << players[i].watch.GaveUp() << "\n"
            << players[i].Log();
        const int reached = MatchOverFrame(players[i].Log());
        EXPECT_EQ(kMatchEnd, reached) << "player " << i << " reached game frame 600\n"
                                      << players[i].Log();
        common = std::min(common, reached);
    }
    // Each survivor is ended by the test and exits cleanly. The host (the
    // new one after a take-over) says where the killed battler's words end;
    // its standard output is complete once it ended.
    std::string hostOut;
    for (int i = 0; i < 3; ++i) {
        Player& p = players[i];
        if (i != victim) {
            p.game.Terminate();
        }
        const std::optional<int> status = p.game.Wait(30000);
        if (i != victim) {
            ASSERT_TRUE(status.has_value()) << "survivor " << i << " did not end on SIGTERM";
            EXPECT_EQ(0, *status) << "survivor " << i << "'s exit status; stderr:\n"
                                  << p.game.Stderr();
        }
        hostOut += p.game.Stdout();
    }
    int departedEnd = kMatchEnd;
    if (victim >= 0) {
        std::smatch m;
        ASSERT_TRUE(std::regex_search(hostOut, m, kDepartureLine))
            << "the host fixed the killed battler's last frame\n"
            << hostOut;
        EXPECT_EQ(victim, std::stoi(m[1].str())) << "the battler that left";
        departedEnd = std::stoi(m[2].str());
    }
    const std::string reference = victim == 0 ? players[1].Log() : players[0].Log();
    const std::set<std::string> presses = Presses(reference, common);
    for (int i = 0; i < 3; ++i) {
        if (i == victim) {
            continue;
        }
        EXPECT_EQ(presses, Presses(players[i].Log(), common))
            << "player " << i << " logged other presses";
    }
    for (int b = 0; b < 3; ++b) {
        const int from = b == victim ? departedEnd : kMatchEnd;
        EXPECT_TRUE(PressedBefore(presses, b, std::min(from, common)))
            << "the survivors saw battler " << b << " press";
        EXPECT_FALSE(PressedFrom(presses, b, from))
            << "battler " << b << " pressed after its words ended at " << from;
    }
    if (victim >= 0) {
        // What the killed player played before it went, every survivor
        // played alike, and the agreed end keeps all of it.
        const std::string log = players[victim].Log();
        const int played = LastPressFrame(log);
        EXPECT_LT(played, departedEnd) << "the agreed end keeps the words the killed player played";
        EXPECT_EQ(Presses(log, played + 1), Presses(reference, played + 1))
            << "the killed player and the survivors played the same frames alike";
    }
}

class DemoOnlineThree : public testing::TestWithParam<int> {};

TEST_P(DemoOnlineThree, SurvivorsReachFrame600WithTheSamePresses) {
    ASSERT_NE(nullptr, std::getenv("DISPLAY")) << "run under xvfb-run";
    if (!platform::netcheck::is_connected()) {
        QZ_SKIP_UNLESS_CI("no network interface besides loopback is up: the sign-in waits for one");
    }
    PlayThree(GetParam());
}

INSTANTIATE_TEST_SUITE_P(Kills, DemoOnlineThree, testing::Values(-1, 0, 2),
                         [](const testing::TestParamInfo<int>& i) {
                             return i.param < 0    ? std::string("NobodyLeaves")
                                    : i.param == 0 ? std::string("HostKilled")
                                                   : std::string("GuestKilled");
                         });

}  // namespace
