// Four processes over a Redis directory and UDP on loopback: one creates a
// room, three find and join it, all exchange chat and play a short lockstep
// match while the host also forges key input for its battler from its own
// address; every process consumes the same key log, equal to what was pressed
// (a frame in which the delay was raised is stepped over by all alike).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "tests/platform/online_redis/redis_fixture.h"
#include "tests/proj/lobby_e2e/lobby_e2e.h"
#include "tests/support/process_runner.h"

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(LobbyEndToEnd, FourProcessesCreateJoinChatAndPlayWithIdenticalKeyLogs) {
    redis_test::RedisServer redis;
    if (!redis.installed()) {
        QZ_SKIP_UNLESS_CI("redis-server is not installed");
    }
    ASSERT_TRUE(redis.ready()) << "redis-server did not answer PING on " << redis.address();
    qz_test::TempDir dir;
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    std::vector<std::unique_ptr<qz_test::ChildProcess>> players;
    for (int i = 0; i < 4; ++i) {
        players.push_back(std::make_unique<qz_test::ChildProcess>());
        ASSERT_TRUE(players.back()->Start(
            {self},
            {{"QZ_LOBBY_TEST_ROLE", i == 0 ? "host" : "member"},
             {"QZ_LOBBY_TEST_LOG", dir.path() + "/keys" + std::to_string(i) + ".txt"},
             {"QZ_LOBBY_TEST_FORGE", "1"},
             {"QZ_ONLINE_DIRECTORY", redis.address()},
             {"QZ_ONLINE_DIRECTORY_PASSWORD", redis_test::RedisServer::kPassword},
             {"QZ_ONLINE_ACCOUNT", std::to_string(8101 + i)},
             {"QZ_ONLINE_NAME", "Player" + std::to_string(i)},
             {"QZ_ONLINE_BIND", "127.0.0.1"}},
            dir.path()));
    }
    for (int i = 0; i < 4; ++i) {
        const std::optional<int> status = players[i]->Wait(150000);
        EXPECT_EQ(std::optional<int>(0), status) << "player " << i << ":\n"
                                                 << players[i]->Stdout() << players[i]->Stderr();
    }
    for (int i = 0; i < 4; ++i) {
        const std::string out = players[i]->Stdout();
        for (int from = 0; from < 4; ++from) {
            EXPECT_NE(std::string::npos, out.find("Player" + std::to_string(from) +
                                                  ":hi from Player" + std::to_string(from)))
                << "player " << i << " misses the chat of " << from << ":\n"
                << out;
        }
    }
    // Every frame holds what was pressed, unless the delay was raised in
    // it (only at a window's 20-frame mark); every player skipped the same.
    const std::string reference = ReadAll(dir.path() + "/keys0.txt");
    std::istringstream lines(reference);
    std::string expected, line;
    for (std::uint16_t f = 0; f < lobby_e2e::kFrames; ++f) {
        std::string words = std::to_string(f);
        for (int b = 0; b < 4; ++b) {
            words += " " + std::to_string(lobby_e2e::Expected(b, f));
        }
        const std::string raised = std::to_string(f) + lobby_e2e::kRaised;
        std::getline(lines, line);
        expected += (f % 40 == 20 && line == raised ? raised : words) + "\n";
    }
    EXPECT_EQ(expected, reference) << "player 0";
    for (int i = 1; i < 4; ++i) {
        EXPECT_EQ(reference, ReadAll(dir.path() + "/keys" + std::to_string(i) + ".txt"))
            << "player " << i;
    }
    // The host forged key input for its battler to every member; each
    // member dropped it for its code (and the logs above show none taken).
    EXPECT_NE(std::string::npos, players[0]->Stdout().find("player: forged "))
        << players[0]->Stdout();
    EXPECT_EQ(std::string::npos, players[0]->Stdout().find("player: forged 0,"))
        << players[0]->Stdout();
    for (int i = 1; i < 4; ++i) {
        const std::string out = players[i]->Stdout();
        EXPECT_EQ(std::string::npos, out.find("dropped for their code 0\n"))
            << "player " << i << " saw no forged datagram:\n"
            << out;
    }
}

}  // namespace
