// Directory records the networked backend did not write itself: malformed
// lobby and member records are skipped and reported once, never fail a
// list; a member list pushed far past the lobby's maximum is trimmed to it,
// and read once per change.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/online/online_directory.h"
#include "platform/online/online_ids.h"
#include "platform/online/online_keys.h"
#include "platform/online/online_redis.h"
#include "tests/platform/online_redis/online_pair.h"
#include "tests/platform/online_redis/redis_fixture.h"

namespace {

using namespace platform::online;
using redis_test::Count;
using redis_test::FramesUntil;
using redis_test::Member;
using redis_test::OnlinePair;
using redis_test::RedisServer;

TEST(OnlineRedisRecords, MalformedLobbiesAreSkippedByListsAndJoinsAndReportedOnce) {
    RedisServer redis;
    ASSERT_TRUE(redis.ready());
    std::unique_ptr<Directory> client = redis.Client();
    Directory& directory = *client;
    const std::uint64_t host = individual_id(9);
    ASSERT_EQ(Directory::PresenceResult::registered,
              directory.register_presence(host, Endpoint{0x7f000001, 9}, 5, new_presence_key(),
                                          "Host", 30000));
    const std::uint32_t good = directory.create_lobby(host, 4);
    ASSERT_NE(0u, good);
    ASSERT_TRUE(directory.set_lobby_data(good, host, "game", "t"));
    const std::string owner = std::to_string(host);
    // Each case is a well-formed record with one fault put in; K is its key.
    struct Case {
        const char* what;
        std::vector<std::string> fault;  // redis-cli arguments
    } cases[] = {
        {"max not a number", {"HSET K max lots"}},
        {"max missing", {"HDEL K max"}},
        {"owner not a number", {"HSET K owner someone"}},
        {"record not a hash", {"DEL K", "SET K x"}},
        {"members not a list", {"DEL K:members", "HSET K:members a b"}},
        {"data not a hash", {"SET K:data x"}},
        {"version not a number", {"SET K:version abc"}},
    };
    std::vector<std::uint32_t> numbers;
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const std::uint32_t n = 100 + std::uint32_t(i);
        numbers.push_back(n);
        const std::string key = "vk:lobby:" + std::to_string(n);
        std::vector<std::string> commands{"HSET K owner " + owner + " max 4",
                                          "RPUSH K:members " + owner, "SET K:version 1",
                                          "SADD vk:lobbies " + std::to_string(n)};
        commands.insert(commands.end(), cases[i].fault.begin(), cases[i].fault.end());
        for (std::string command : commands) {
            if (const std::size_t at = command.find(" K"); at != std::string::npos) {
                command.replace(at + 1, 1, key);
            }
            redis.Cli(command);
        }
    }

    NetworkedBackend platform(Member(redis, 1));
    ASSERT_TRUE(platform.init());
    testing::internal::CaptureStdout();
    std::vector<std::uint64_t> found;
    for (bool filtered : {true, false, true}) {
        if (filtered) {
            platform.add_lobby_list_string_filter("game", "t", LobbyComparison::equal);
        }
        int count = -1;
        platform.callbacks().register_call_result(
            platform.request_lobby_list(), LobbyMatchList::kId, [&](const void* r) {
                count = int(static_cast<const LobbyMatchList*>(r)->lobbies_matching);
            });
        ASSERT_GT(FramesUntil([&] { platform.run_callbacks(); }, [&] { return count >= 0; }, 2000),
                  0);
        EXPECT_EQ(1, count) << (filtered ? "filtered" : "unfiltered") << " list";
        found.push_back(platform.get_lobby_by_index(0));
    }
    std::vector<int> responses;
    for (std::uint32_t n : numbers) {
        int response = 0;
        platform.callbacks().register_call_result(
            platform.join_lobby(lobby_id(n)), LobbyEnter::kId,
            [&](const void* r) { response = int(static_cast<const LobbyEnter*>(r)->response); });
        FramesUntil([&] { platform.run_callbacks(); }, [&] { return response != 0; }, 2000);
        responses.push_back(response);
    }
    std::fflush(stdout);
    const std::string out = testing::internal::GetCapturedStdout();
    for (std::uint64_t lobby : found) {
        EXPECT_EQ(lobby_id(good), lobby);
    }
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].what);
        EXPECT_EQ(kEnterError, responses[i]);
        EXPECT_EQ(1, Count(out, "malformed record (lobby " + std::to_string(numbers[i]) + ")"))
            << out;
    }
    // The good lobby is still there and whole.
    EXPECT_EQ(std::to_string(host) + "\n",
              redis.Cli("LRANGE vk:lobby:" + std::to_string(good) + ":members 0 -1"));
}

TEST(OnlineRedisRecords, AMalformedMemberRecordFailsTheSessionAndIsReportedOnce) {
    RedisServer redis;
    ASSERT_TRUE(redis.ready());
    const std::uint64_t peer = individual_id(33);
    redis.Cli("HSET vk:member:" + std::to_string(peer) + " endpoint nowhere epoch 1");
    NetworkedBackend platform(Member(redis, 1));
    ASSERT_TRUE(platform.init());
    int fails = 0;
    platform.callbacks().register_callback(P2PSessionConnectFail::kId, [&](const void* r) {
        EXPECT_EQ(peer, static_cast<const P2PSessionConnectFail*>(r)->remote);
        ++fails;
    });
    testing::internal::CaptureStdout();
    const int frames = FramesUntil(
        [&] {
            platform.send_p2p_packet(peer, "x", 1, 0, 0);
            platform.run_callbacks();
        },
        [&] { return fails > 0; }, 2000);
    // Sending on for a while asks again now and then, and says nothing more.
    FramesUntil(
        [&] {
            platform.send_p2p_packet(peer, "x", 1, 0, 0);
            platform.run_callbacks();
        },
        [] { return false; }, 300);
    std::fflush(stdout);
    const std::string out = testing::internal::GetCapturedStdout();
    ASSERT_GT(frames, 0) << "the send never failed";
    EXPECT_EQ(1, fails);
    EXPECT_EQ(1, Count(out, "malformed record (member " + std::to_string(peer) + ")")) << out;
}

TEST(OnlineRedisRecords, AMemberListPushedPastTheMaximumIsTrimmedAndReadOncePerChange) {
    RedisServer redis;
    ASSERT_TRUE(redis.ready());
    OnlinePair pair(Member(redis, 1), Member(redis, 2));
    ASSERT_TRUE(pair.Meet());
    const std::string key = "vk:lobby:" + std::to_string(account_of(pair.lobby)) + ":members";
    const std::uint64_t reads_before = pair.host.lobby_reads() + pair.member.lobby_reads();
    // 40,000 ids nobody registered, appended behind the two members (the
    // script answers the length it left, before any prune can run).
    ASSERT_EQ("40002\n",
              redis.Cli("EVAL \"for i = 1, 40000 do redis.call('RPUSH', KEYS[1], 1000000 + i) "
                        "end return redis.call('LLEN', KEYS[1])\" 1 " +
                        key));
    int largest = 0;
    const int frames = FramesUntil(
        [&] {
            pair.Frame();
            largest = std::max({largest, pair.host.get_num_lobby_members(pair.lobby),
                                pair.member.get_num_lobby_members(pair.lobby)});
        },
        [&] { return redis.Cli("LLEN " + key) == "2\n"; }, 2000);
    ASSERT_GT(frames, 0) << "length " << redis.Cli("LLEN " + key);
    // Quiet afterwards: no more reads of the list.
    FramesUntil([&] { pair.Frame(); }, [] { return false; }, 100);
    const std::uint64_t reads = pair.host.lobby_reads() + pair.member.lobby_reads() - reads_before;
    EXPECT_LE(largest, 4) << "members seen in a copy of a lobby for 4";
    EXPECT_EQ(
        std::to_string(pair.host.own_id()) + "\n" + std::to_string(pair.member.own_id()) + "\n",
        redis.Cli("LRANGE " + key + " 0 -1"));
    EXPECT_EQ(2, pair.host.get_num_lobby_members(pair.lobby));
    // Each side read the room once per change it saw: the trim and the prunes
    // (at most one a member dropped), never once per member or per frame.
    EXPECT_GE(reads, 2u);
    EXPECT_LE(reads, 2u * 3u);
}

}  // namespace
