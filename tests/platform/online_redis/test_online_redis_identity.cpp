// A directory prepared by the set-up tool (tools/directory_setup), each
// account its own user: a player holds no administrator power and speaks
// only as itself; a user that does not own its account is refused at the
// start; after the start a refused login or a killed connection is an outage
// that ends when the login works again; a removed user is shut out while
// the others play on; an account taken over in a room keeps that room's
// links until it leaves; the library's version is checked; the functions
// repair the directory-wide keys a bad write spoilt.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "platform/online/online_directory.h"
#include "platform/online/online_ids.h"
#include "platform/online/online_keys.h"
#include "platform/online/online_redis.h"
#include "platform/online/online_udp.h"
#include "tests/platform/online_redis/online_pair.h"
#include "tests/platform/online_redis/redis_fixture.h"

namespace {

using namespace platform::online;
using redis_test::Count;
using redis_test::FramesUntil;
using redis_test::kWaitMs;
using redis_test::Member;
using redis_test::OnlinePair;
using redis_test::Player;
using redis_test::RedisServer;
using redis_test::RunUntil;

std::string Password(std::uint32_t account) {
    return "pw-" + std::to_string(account);
}

// A directory prepared for players, with users for these accounts.
bool PrepareWithPlayers(const RedisServer& redis, std::initializer_list<std::uint32_t> accounts) {
    if (!redis.Prepare()) {
        return false;
    }
    for (std::uint32_t account : accounts) {
        if (!redis.AddPlayer(account, Password(account))) {
            return false;
        }
    }
    return true;
}

std::string MemberKey(std::uint64_t id) {
    return "vk:member:" + std::to_string(id);
}

// An answer of the server refusing a command or a key for the user's rights.
bool Refused(const std::string& answer) {
    return answer.find("NOPERM") != std::string::npos ||
           answer.find("can't access") != std::string::npos;
}

// Logins of `user` the server refused so far, from its ACL log.
int RefusedLogins(const RedisServer& redis, const std::string& user) {
    std::istringstream log(redis.Cli("ACL LOG"));
    std::vector<std::string> lines;
    for (std::string line; std::getline(log, line);) {
        lines.push_back(line);
    }
    int total = 0, count = 0;
    bool auth = false, ours = false;
    auto close_entry = [&] {
        if (auth && ours) {
            total += count;
        }
        auth = ours = false;
        count = 0;
    };
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
        if (lines[i] == "count") {
            close_entry();
            count = std::atoi(lines[i + 1].c_str());
        } else if (lines[i] == "reason") {
            auth = lines[i + 1] == "auth";
        } else if (lines[i] == "username") {
            ours = lines[i + 1] == user;
        }
    }
    close_entry();
    return total;
}

// Sends one packet each way a frame.
// [SECTION] Rights

TEST(OnlineRedisIdentity, APlayerUserIsRefusedEveryAdministratorCommand) {
    RedisServer redis;
    REDIS_TEST_REQUIRE(redis);
    ASSERT_TRUE(PrepareWithPlayers(redis, {1, 2}));
    redis.Cli("SET vk:canary alive");
    redis.Cli("SET elsewhere:key alive");
    const char* cases[] = {
        "CONFIG SET requirepass x",
        "CONFIG GET requirepass",
        "CLIENT KILL TYPE normal",
        "CLIENT LIST",
        "FLUSHALL",
        "FLUSHDB",
        "EVAL 'while true do end' 0",
        "EVALSHA 0000000000000000000000000000000000000000 0",
        "SCRIPT LOAD 'return 1'",
        "SCRIPT FLUSH",
        "KEYS '*'",
        "SCAN 0",
        "FUNCTION DELETE vornakle_directory",
        "FUNCTION FLUSH",
        "FUNCTION LOAD '#!lua name=other'",
        "FUNCTION RESTORE x",
        "ACL SETUSER player-1 +@all",
        "ACL DELUSER player-2",
        "SHUTDOWN NOSAVE",
        "DEBUG SLEEP 0",
        "SAVE",
        "PUBLISH vk:news hello",
        "GET elsewhere:key",
        "SET elsewhere:key spoilt",
        "DEL vk:canary",
    };
    for (const char* command : cases) {
        // The server's rules say no (asked without running it), and run, it fails.
        const std::string dry = redis.Cli(std::string("ACL DRYRUN player-1 ") + command);
        EXPECT_NE(std::string::npos, dry.find("no permissions")) << command << ": " << dry;
        const std::string answer = redis.CliAs("player-1", Password(1), command);
        EXPECT_TRUE(answer.compare(0, 4, "ERR ") == 0 || Refused(answer))
            << command << " answered: " << answer;
    }
    // The directory is as it was: same password, data and library.
    EXPECT_EQ("alive\n", redis.Cli("GET vk:canary"));
    EXPECT_EQ("alive\n", redis.Cli("GET elsewhere:key"));
    EXPECT_NE(std::string::npos,
              redis.Cli("FUNCTION LIST LIBRARYNAME vornakle_directory").find("vk_create"));
    EXPECT_EQ("player-1\nplayer-2\n", redis.Tool("list"));
    // What a player's program needs still answers.
    EXPECT_FALSE(Refused(redis.CliAs("player-1", Password(1), "FCALL_RO vk_version 0")));
    EXPECT_FALSE(Refused(redis.CliAs("player-1", Password(1),
                                     "HMGET " + MemberKey(individual_id(2)) + " endpoint")));
}

TEST(OnlineRedisIdentity, AWriteToAnotherAccountsPresenceIsRefusedAndThatAccountPlaysOn) {
    RedisServer redis;
    REDIS_TEST_REQUIRE(redis);
    ASSERT_TRUE(PrepareWithPlayers(redis, {1, 2}));
    OnlinePair pair(Player(redis, 1, Password(1)), Player(redis, 2, Password(2)));
    ASSERT_TRUE(pair.Meet());
    const std::uint64_t b = pair.member.own_id();
    const std::string key = MemberKey(b);
    const std::string fields = "HMGET " + key + " endpoint epoch key name";
    const std::string before = redis.Cli(fields);
    std::istringstream parts(before);
    std::string endpoint, epoch, code_key;
    std::getline(parts, endpoint);
    std::getline(parts, epoch);
    std::getline(parts, code_key);
    ASSERT_FALSE(code_key.empty()) << before;

    // Everything player 1 can read of B's presence, used to write it.
    const std::string writes[] = {
        "HSET " + key + " key 00",
        "HSET " + key + " endpoint 127.0.0.1:9",
        "DEL " + key,
        "PEXPIRE " + key + " 1",
        "SET " + key + ":extra x",
        "FCALL vk_register 0 vk: " + std::to_string(b) + " 127.0.0.1:9 " + epoch + " Evil " +
            code_key + " 60000",
        "FCALL vk_remove_presence 0 vk: " + std::to_string(b) + " " + epoch + " " + code_key,
    };
    for (const std::string& write : writes) {
        const std::string answer = redis.CliAs("player-1", Password(1), write);
        EXPECT_TRUE(Refused(answer)) << write << " answered: " << answer;
    }
    // B plays on past several refreshes of its presence (every 2 s).
    testing::internal::CaptureStdout();
    auto trade = [&] { pair.Trade(); };
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(4500);
    FramesUntil(
        trade, [&] { return std::chrono::steady_clock::now() > end; }, 100000);
    std::fflush(stdout);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(before, redis.Cli(fields));
    EXPECT_GT(std::atoi(redis.Cli("PTTL " + key).c_str()), 0);
    EXPECT_GE(pair.at_host.size(), std::size_t(pair.traded) * 9 / 10);
    EXPECT_GE(pair.at_member.size(), std::size_t(pair.traded) * 9 / 10);
    EXPECT_EQ("", pair.member.failure());
    EXPECT_EQ(0, pair.disconnected_member) << out;
    EXPECT_EQ(0, Count(out, "online play")) << out;
}

// [SECTION] Owning an account

TEST(OnlineRedisIdentity, AUserThatDoesNotOwnItsAccountIsRefusedAtTheStart) {
    RedisServer redis;
    REDIS_TEST_REQUIRE(redis);
    ASSERT_TRUE(PrepareWithPlayers(redis, {5}));
    // A user of the administrator's own naming with account 5's rules.
    const std::string rules = redis.Tool("rules 5");
    const std::size_t at = rules.find(">password ");
    ASSERT_NE(std::string::npos, at) << rules;
    std::istringstream words(rules.substr(at + 10));
    std::string command = "ACL SETUSER guest reset on '>pw-guest'";
    for (std::string word; words >> word;) {
        command += " '" + word + "'";
    }
    ASSERT_EQ("OK\n", redis.Cli(command));
    struct Case {
        const char* what;
        std::string user, password;
        std::uint32_t account;
        bool starts;
        std::string reason;
    } cases[] = {
        {"player-5 as account 7", "player-5", Password(5), 7, false,
         "directory user player-5 does not own account 7"},
        {"guest (account 5's rules) as account 7", "guest", "pw-guest", 7, false,
         "directory user guest does not own account 7"},
        {"player-5 as account 5", "player-5", Password(5), 5, true, ""},
        {"guest as account 5", "guest", "pw-guest", 5, true, ""},
    };
    for (const Case& c : cases) {
        NetworkConfig config = Member(redis, c.account);
        config.directory_user = c.user;
        config.directory_password = c.password;
        redis_test::ExpectStart(config, c.starts, c.reason, c.what);
    }
    EXPECT_EQ("0\n", redis.Cli("EXISTS " + MemberKey(individual_id(7))));
    // Without QZ_ONLINE_ACCOUNT a player's user plays its own account.
    setenv("QZ_ONLINE_DIRECTORY", redis.address().c_str(), 1);
    setenv("QZ_ONLINE_DIRECTORY_USER", "player-5", 1);
    unsetenv("QZ_ONLINE_ACCOUNT");
    const NetworkConfig from_environment = NetworkConfig::from_environment();
    unsetenv("QZ_ONLINE_DIRECTORY");
    unsetenv("QZ_ONLINE_DIRECTORY_USER");
    EXPECT_EQ(5u, from_environment.account);
}

// [SECTION] Refused after the start

TEST(OnlineRedisIdentity, AKilledConnectionOrAChangedPasswordIsAnOutageUntilTheLoginWorks) {
    struct Case {
        const char* what;
        bool change_password;
        std::string said;
    } cases[] = {
        {"the connection killed", false, "unreachable: the connection was lost"},
        {"the password changed", true, "refused the login of user player-2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RedisServer redis;
        REDIS_TEST_REQUIRE(redis);
        ASSERT_TRUE(PrepareWithPlayers(redis, {1, 2}));
        OnlinePair pair(Player(redis, 1, Password(1)), Player(redis, 2, Password(2)));
        ASSERT_TRUE(pair.Meet());
        const std::string members =
            "LRANGE vk:lobby:" + std::to_string(account_of(pair.lobby)) + ":members 0 -1";
        const std::string both = redis.Cli(members);
        testing::internal::CaptureStdout();
        if (c.change_password) {
            redis.AddPlayer(2, "pw-new");  // closes the user's connections
        } else {
            redis.Cli("CLIENT KILL USER player-2");
        }
        auto trade = [&] { pair.Trade(); };
        const bool lost = RunUntil(
            trade, [&] { return pair.disconnected_member == 1; }, kWaitMs);
        bool refused_twice = true;
        if (c.change_password) {
            // Tried again (with a growing pause), refused again.
            refused_twice = RunUntil(
                trade, [&] { return RefusedLogins(redis, "player-2") >= 2; }, kWaitMs);
            redis.AddPlayer(2, Password(2));
        }
        const int sent_during = pair.traded;
        const std::size_t got_during = pair.at_host.size();
        const bool back = RunUntil(
            trade, [&] { return pair.connected_member == 2; }, kWaitMs);
        const bool rejoined =
            back && RunUntil(
                        trade, [&] { return redis.Cli(members) == both; }, kWaitMs);
        std::fflush(stdout);
        const std::string out = testing::internal::GetCapturedStdout();
        ASSERT_TRUE(lost) << out;
        EXPECT_TRUE(refused_twice) << out;
        ASSERT_TRUE(back) << out;
        EXPECT_TRUE(rejoined) << redis.Cli(members);
        EXPECT_EQ(1, Count(out, c.said)) << out;
        EXPECT_EQ(1, Count(out, "is back")) << out;
        EXPECT_EQ(0, Count(out, "online play does not start")) << out;
        EXPECT_EQ(0, Count(out, "online play ends")) << out;
        EXPECT_EQ("", pair.member.failure());
        EXPECT_EQ(0, pair.disconnected_host);
        // The match went on over the peer links while the member was away.
        EXPECT_GE(got_during, std::size_t(sent_during) * 9 / 10);
        EXPECT_TRUE(pair.member.send_p2p_packet(pair.host.own_id(), "x", 1, 0, 0));
    }
}

TEST(OnlineRedisIdentity, ARemovedUserIsShutOutWhileTheOthersPlayOn) {
    RedisServer redis;
    REDIS_TEST_REQUIRE(redis);
    ASSERT_TRUE(PrepareWithPlayers(redis, {1, 2, 3}));
    OnlinePair pair(Player(redis, 1, Password(1)), Player(redis, 2, Password(2)));
    ASSERT_TRUE(pair.Meet());
    NetworkedBackend third(Player(redis, 3, Password(3)));
    ASSERT_TRUE(third.init());
    int third_down = 0;
    third.callbacks().register_callback(ServersDisconnected::kId,
                                        [&](const void*) { ++third_down; });
    int entered = 0;
    third.callbacks().register_call_result(
        third.join_lobby(pair.lobby), LobbyEnter::kId,
        [&](const void* r) { entered = int(static_cast<const LobbyEnter*>(r)->response); });
    auto trade = [&] { pair.Trade(); };
    auto frame = [&] {
        trade();
        third.run_callbacks();
    };
    ASSERT_TRUE(RunUntil(
        frame, [&] { return entered != 0; }, kWaitMs));
    ASSERT_EQ(kEnterSuccess, entered);

    testing::internal::CaptureStdout();
    int status = -1;
    const std::string removed = redis.Tool("remove 3", "", &status);
    // Shut out at once (its connection closed), then refused at every
    // login it tries, while the other two trade packets and room data.
    const bool out_of_it = RunUntil(
        frame, [&] { return third_down == 1; }, kWaitMs);
    const bool refused = RunUntil(
        frame, [&] { return RefusedLogins(redis, "player-3") >= 2; }, kWaitMs);
    const int sent_before = pair.traded;
    const std::size_t got_before = pair.at_host.size();
    const bool data = pair.host.set_lobby_data(pair.lobby, "phase", "battle");
    const bool seen = RunUntil(
        frame,
        [&] { return std::string(pair.member.get_lobby_data(pair.lobby, "phase")) == "battle"; },
        kWaitMs);
    std::string error;
    Directory fresh("127.0.0.1", redis.port(), "vk:", 1000);
    fresh.set_login("player-3", Password(3));
    const bool fresh_connected = fresh.connect(&error);
    std::fflush(stdout);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(0, status) << removed;
    ASSERT_TRUE(out_of_it) << out;
    EXPECT_TRUE(refused) << out;
    EXPECT_FALSE(fresh_connected);
    EXPECT_EQ(Directory::Failure::login, fresh.failure()) << error;
    // Said once with the server's reason, however often it was tried.
    EXPECT_EQ(1, Count(out, "refused the login of user player-3: WRONGPASS")) << out;
    EXPECT_EQ(0, Count(out, "online play does not start")) << out;
    EXPECT_EQ("", third.failure());
    EXPECT_EQ(std::string::npos, redis.Tool("list").find("player-3"));
    // The others were not touched.
    EXPECT_TRUE(data);
    EXPECT_TRUE(seen);
    EXPECT_GE(pair.at_host.size() - got_before, std::size_t(pair.traded - sent_before) * 9 / 10);
    EXPECT_EQ(0, pair.disconnected_host);
    EXPECT_EQ(0, pair.disconnected_member);
}

TEST(OnlineRedisIdentity, AnAccountTakenOverInARoomKeepsItsLinksUntilItLeavesTheRoom) {
    RedisServer redis;
    REDIS_TEST_REQUIRE(redis);
    NetworkConfig config = Member(redis, 8);
    config.presence_ttl_ms = 300;  // refreshed every 100 ms
    NetworkedBackend platform(config);
    ASSERT_TRUE(platform.init());
    std::uint64_t lobby = 0;
    platform.callbacks().register_call_result(
        platform.create_lobby(kLobbyTypePublic, 4), LobbyCreated::kId,
        [&](const void* r) { lobby = static_cast<const LobbyCreated*>(r)->lobby; });
    ASSERT_TRUE(RunUntil([&] { platform.run_callbacks(); }, [&] { return lobby != 0; }, kWaitMs));
    // A peer in the room, at a socket of the test's own.
    UdpLink peer_socket;
    std::string error;
    ASSERT_TRUE(peer_socket.open(Endpoint{0x7f000001, 0}, &error)) << error;
    const std::uint64_t peer = individual_id(9);
    std::unique_ptr<Directory> admin = redis.Client();
    ASSERT_EQ(
        Directory::PresenceResult::registered,
        admin->register_presence(peer, peer_socket.local(), 5, new_presence_key(), "Peer", 60000));
    ASSERT_EQ(1, admin->join_lobby(account_of(lobby), peer));
    auto arrived = [&] {
        std::uint8_t buffer[kMaxDatagramSize];
        Endpoint from;
        bool unusable = false;
        int n = 0;
        while (peer_socket.receive(&from, buffer, sizeof buffer, &unusable) > 0) {
            ++n;
        }
        return n;
    };
    ASSERT_TRUE(RunUntil(
        [&] {
            platform.send_p2p_packet(peer, "x", 1, 0, 0);
            platform.run_callbacks();
        },
        [&] { return arrived() > 0 && platform.get_num_lobby_members(lobby) == 2; }, kWaitMs));

    testing::internal::CaptureStdout();
    int down = 0;
    platform.callbacks().register_callback(ServersDisconnected::kId, [&](const void*) { ++down; });
    redis.Cli("DEL " + MemberKey(individual_id(8)));
    ASSERT_EQ(Directory::PresenceResult::registered,
              admin->register_presence(individual_id(8), Endpoint{0x7f000001, 9}, 77,
                                       new_presence_key(), "Other", 60000));
    const bool ended = RunUntil([&] { platform.run_callbacks(); },
                                [&] { return !platform.failure().empty(); }, kWaitMs);
    // Still in its room: the peer link stays, room orders fail.
    int sent = 0, got = 0;
    for (int i = 0; i < 50; ++i) {
        sent += platform.send_p2p_packet(peer, "y", 1, 0, 0) ? 1 : 0;
        platform.run_callbacks();
        got += arrived();
    }
    RunUntil([&] { platform.run_callbacks(); },
             [&] {
                 got += arrived();
                 return got >= sent;
             },
             2000);
    int created = 0;
    platform.callbacks().register_call_result(
        platform.create_lobby(kLobbyTypePublic, 4), LobbyCreated::kId,
        [&](const void* r) { created = static_cast<const LobbyCreated*>(r)->result; });
    platform.run_callbacks();
    const int members_seen = platform.get_num_lobby_members(lobby);
    // Leaving the room ends it.
    platform.leave_lobby(lobby);
    const bool sends_after = platform.send_p2p_packet(peer, "z", 1, 0, 0);
    std::fflush(stdout);
    const std::string out = testing::internal::GetCapturedStdout();
    ASSERT_TRUE(ended) << out;
    EXPECT_NE(std::string::npos, platform.failure().find("online play ends")) << platform.failure();
    EXPECT_EQ(1, Count(out, "when this program leaves its room")) << out;
    EXPECT_EQ(50, sent);
    EXPECT_GE(got, 45);
    EXPECT_EQ(kResultNoConnection, created);
    EXPECT_EQ(2, members_seen);
    EXPECT_EQ(1, down);
    EXPECT_FALSE(sends_after);
    EXPECT_EQ(1, Count(out, "online play has ended")) << out;
    // The program did nothing more in the account's name.
    const std::optional<Registration> reg = admin->lookup(individual_id(8));
    ASSERT_TRUE(reg.has_value());
    EXPECT_EQ(77u, reg->epoch);
}

// [SECTION] The library

TEST(OnlineRedisIdentity, AMissingOrOtherLibraryIsLoadedByTheDefaultUserAndRefusedToAPlayer) {
    std::ifstream file(std::string(QZ_SOURCE_DIR) + "/platform/online/online_directory.lua");
    std::stringstream text;
    text << file.rdbuf();
    const std::string library = text.str();
    std::smatch found;
    ASSERT_TRUE(std::regex_search(library, found, std::regex("local LIBRARY_VERSION = ([0-9]+)")));
    const int version = std::stoi(found[1]);
    auto with_version = [&](int v) {
        return std::regex_replace(library, std::regex("local LIBRARY_VERSION = [0-9]+"),
                                  "local LIBRARY_VERSION = " + std::to_string(v));
    };
    struct Case {
        const char* what;
        int loaded;  // the version loaded before the programs start; -1 none
        std::string player_reason;
        bool default_starts;
    } cases[] = {
        {"no library", -1, "it has no function library and this login may not load it", true},
        {"an older library", version - 1,
         "version " + std::to_string(version - 1) + ", older than this program's", true},
        {"a newer library", version + 1,
         "version " + std::to_string(version + 1) + ", newer than this program's", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RedisServer redis;
        REDIS_TEST_REQUIRE(redis);
        ASSERT_TRUE(PrepareWithPlayers(redis, {1}));
        qz_test::TempDir dir;
        if (c.loaded < 0) {
            redis.Cli("FUNCTION FLUSH");
        } else {
            const std::string path = dir.path() + "/library.lua";
            std::ofstream(path) << with_version(c.loaded);
            ASSERT_EQ("vornakle_directory\n", redis.Cli("-x FUNCTION LOAD REPLACE < " + path));
        }
        {
            NetworkedBackend player(Player(redis, 1, Password(1)));
            EXPECT_FALSE(player.init());
            EXPECT_NE(std::string::npos, player.failure().find(c.player_reason))
                << player.failure();
            if (c.default_starts) {
                EXPECT_NE(std::string::npos, player.failure().find("tools/directory_setup"))
                    << player.failure();
            }
        }
        NetworkedBackend developer(Member(redis, 2));
        EXPECT_EQ(c.default_starts, developer.init()) << developer.failure();
        const std::string now =
            c.default_starts ? std::to_string(version) : std::to_string(c.loaded);
        EXPECT_EQ(now + "\n", redis.Cli("FCALL_RO vk_version 0"));
    }
}

// [SECTION] Repairs

TEST(OnlineRedisIdentity, ASpoiltIndexOrCounterIsRepairedAndReportedOnceAndRoomsWorkAgain) {
    struct Case {
        const char* what;
        std::vector<std::string> writes;  // by a player, as redis-cli arguments
        std::string said;
    } cases[] = {
        {"an index that is a string",
         {"SET vk:lobbies x"},
         "vk:lobbies (a string, not a set) replaced by an empty index"},
        {"an index that is a list", {"DEL vk:lobbies", "RPUSH vk:lobbies 1"}, "vk:lobbies (a list"},
        {"a counter at its limit",
         {"SET vk:lobby:next 4294967295"},
         "vk:lobby:next (at the limit of lobby numbers) wrapped to 0"},
        {"a counter that is not a number",
         {"SET vk:lobby:next lots"},
         "vk:lobby:next (not a number) replaced by 0"},
        {"a counter that is a hash",
         {"DEL vk:lobby:next", "HSET vk:lobby:next a b"},
         "vk:lobby:next (a hash) replaced by 0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RedisServer redis;
        REDIS_TEST_REQUIRE(redis);
        ASSERT_TRUE(PrepareWithPlayers(redis, {1, 2, 3}));
        NetworkedBackend a(Player(redis, 1, Password(1))), b(Player(redis, 2, Password(2)));
        ASSERT_TRUE(a.init());
        ASSERT_TRUE(b.init());
        auto frame = [&] {
            a.run_callbacks();
            b.run_callbacks();
        };
        auto create = [&](NetworkedBackend& p) {
            std::uint64_t lobby = 0;
            int result = 0;
            p.callbacks().register_call_result(
                p.create_lobby(kLobbyTypePublic, 4), LobbyCreated::kId, [&](const void* r) {
                    result = static_cast<const LobbyCreated*>(r)->result;
                    lobby = static_cast<const LobbyCreated*>(r)->lobby;
                });
            RunUntil(
                frame, [&] { return result != 0; }, kWaitMs);
            return lobby;
        };
        // The rooms B's list shows.
        auto listed = [&] {
            std::vector<std::uint64_t> rooms;
            bool done = false;
            b.callbacks().register_call_result(
                b.request_lobby_list(), LobbyMatchList::kId, [&](const void* r) {
                    for (std::uint32_t i = 0;
                         i < static_cast<const LobbyMatchList*>(r)->lobbies_matching; ++i) {
                        rooms.push_back(b.get_lobby_by_index(int(i)));
                    }
                    done = true;
                });
            RunUntil(
                frame, [&] { return done; }, kWaitMs);
            std::sort(rooms.begin(), rooms.end());
            return rooms;
        };
        const std::uint64_t first = create(a);
        ASSERT_NE(0u, first);
        ASSERT_EQ(std::vector<std::uint64_t>{first}, listed());

        testing::internal::CaptureStdout();
        std::string answers;
        for (const std::string& write : c.writes) {
            answers += redis.CliAs("player-3", Password(3), write);
        }
        // A's room is listed again (its owner's reads put it back), and B
        // can make a room of its own that is listed beside it.
        const bool first_back = RunUntil(
            frame, [&] { return listed() == std::vector<std::uint64_t>{first}; }, kWaitMs);
        const std::uint64_t second = create(b);
        std::vector<std::uint64_t> both{first, second};
        std::sort(both.begin(), both.end());
        const bool both_listed =
            second != 0 && RunUntil(
                               frame, [&] { return listed() == both; }, kWaitMs);
        // More rooms and lists say nothing more.
        const std::uint64_t third = create(b);
        listed();
        std::fflush(stdout);
        const std::string out = testing::internal::GetCapturedStdout();
        // Lobby keys are written by players: the bad write is one of theirs.
        EXPECT_FALSE(Refused(answers)) << answers;
        EXPECT_TRUE(first_back) << out;
        EXPECT_NE(0u, second) << out;
        EXPECT_TRUE(both_listed) << out;
        EXPECT_NE(0u, third);
        EXPECT_TRUE(is_lobby_id(second));
        EXPECT_EQ(1, Count(out, "could not read: " + c.said)) << out;
        EXPECT_EQ(0, Count(out, "malformed")) << out;
    }
}

}  // namespace
