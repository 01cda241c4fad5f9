// The networked backend keeps its frames free of the directory: a flood of
// datagrams from unknown senders costs a few lookups a frame and a bounded
// cache; a directory that takes connections but never answers holds no
// frame; a directory killed mid-match leaves the members' packets flowing,
// and when it is back the host's room is there again.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <string>

#include "platform/online/online_datagram.h"
#include "platform/online/online_ids.h"
#include "platform/online/online_keys.h"
#include "platform/online/online_redis.h"
#include "platform/online/online_registry.h"
#include "platform/online/online_udp.h"
#include "tests/platform/online_redis/online_pair.h"
#include "tests/platform/online_redis/redis_fixture.h"
#include "tests/support/test_seed.h"

namespace {

using namespace platform::online;
using redis_test::Count;
using redis_test::FramesUntil;
using redis_test::Member;
using redis_test::OnlinePair;
using redis_test::RedisServer;

TEST(OnlineRedisAvailability, AFloodOfUnknownSendersCostsAFewLookupsAFrameAndABoundedCache) {
    RedisServer redis;
    ASSERT_TRUE(redis.ready());
    OnlinePair pair(Member(redis, 1), Member(redis, 2));
    ASSERT_TRUE(pair.Meet());
    const unsigned seed = qz_test::TestSeed("flood");
    std::mt19937_64 random(seed);
    UdpLink flood;
    std::string error;
    ASSERT_TRUE(flood.open(Endpoint{0x7f000001, 0}, &error)) << error;

    // 24,000 well-formed datagrams from random ids, 40 a frame, while the
    // member keeps sending one packet a frame.
    constexpr int kFrames = 600, kPerFrame = 40;
    const std::uint64_t asked_before = pair.host.lookups_asked();
    std::size_t largest_cache = 0;
    for (int frame = 0; frame < kFrames; ++frame) {
        for (int i = 0; i < kPerFrame; ++i) {
            const std::uint64_t stranger = individual_id(std::uint32_t(random() | 0x10000000u));
            std::uint8_t datagram[kMaxDatagramSize];
            const std::size_t n =
                encode_datagram({stranger, 77, 1}, {pair.host.own_id(), pair.host.epoch()},
                                new_presence_key(), "xx", 2, datagram, sizeof datagram);
            flood.send(pair.host.endpoint(), datagram, n);
        }
        const std::string text = "alive " + std::to_string(frame);
        pair.member.send_p2p_packet(pair.host.own_id(), text.data(), std::uint32_t(text.size()), 0,
                                    0);
        pair.Frame();
        largest_cache = std::max(largest_cache, pair.host.cached_registrations());
    }
    FramesUntil([&] { pair.Frame(); }, [&] { return pair.at_host.size() >= kFrames; }, 200);
    const std::uint64_t asked = pair.host.lookups_asked() - asked_before;
    std::printf(
        "flood: %d datagrams over %d frames; %llu lookups asked, %zu registrations "
        "cached at most, %zu of the member's packets taken\n",
        kFrames * kPerFrame, kFrames, static_cast<unsigned long long>(asked), largest_cache,
        pair.at_host.size());
    EXPECT_GE(pair.at_host.size(), std::size_t(kFrames) * 9 / 10)
        << "the member's packets got lost in the flood";
    // Strangers get a small share a frame; members a refresh now and then.
    EXPECT_LE(asked, std::uint64_t(kFrames) * (PeerRegistry::kStrangerLookupsPerFrame + 1))
        << "lookups handed to the directory during " << kFrames << " frames";
    EXPECT_GE(asked, std::uint64_t(kFrames) / 2) << "the flood was never looked at";
    EXPECT_LE(largest_cache, PeerRegistry::kCapacity) << "registrations cached";
    EXPECT_GE(pair.host.dropped_datagrams(), std::uint64_t(kFrames) * kPerFrame / 2);
}

TEST(OnlineRedisAvailability, ADirectoryThatNeverAnswersHoldsNoFrame) {
    RedisServer redis;
    ASSERT_TRUE(redis.ready());
    NetworkConfig config = Member(redis, 1);
    config.directory_timeout_ms = 1000;
    NetworkedBackend platform(config);
    int up = 0, down = 0;
    platform.callbacks().register_callback(ServersConnected::kId, [&](const void*) { ++up; });
    platform.callbacks().register_callback(ServersDisconnected::kId, [&](const void*) { ++down; });
    ASSERT_TRUE(platform.init());
    ASSERT_GT(FramesUntil([&] { platform.run_callbacks(); }, [&] { return up == 1; }, 1000), 0);

    // Stopped, the server still takes connections and answers nothing.
    redis.Pause(true);
    int created = 0, listed = -1, entered = 0;
    platform.callbacks().register_call_result(
        platform.create_lobby(kLobbyTypePublic, 4), LobbyCreated::kId,
        [&](const void* r) { created = static_cast<const LobbyCreated*>(r)->result; });
    platform.callbacks().register_call_result(
        platform.request_lobby_list(), LobbyMatchList::kId, [&](const void* r) {
            listed = int(static_cast<const LobbyMatchList*>(r)->lobbies_matching);
        });
    platform.callbacks().register_call_result(
        platform.join_lobby(lobby_id(7)), LobbyEnter::kId,
        [&](const void* r) { entered = int(static_cast<const LobbyEnter*>(r)->response); });
    using Clock = std::chrono::steady_clock;
    Clock::duration longest{};
    const int frames = FramesUntil(
        [&] {
            const auto start = Clock::now();
            platform.run_callbacks();
            platform.send_p2p_packet(individual_id(9), "x", 1, 0, 0);
            longest = std::max(longest, Clock::now() - start);
        },
        [&] { return created != 0 && listed >= 0 && entered != 0; }, 3000);
    redis.Pause(false);
    ASSERT_GT(frames, 0) << "the orders never answered";
    // Orders fail at once until the worker has reconnected.
    ASSERT_GT(FramesUntil([&] { platform.run_callbacks(); }, [&] { return up == 2; }, 2000), 0);
    EXPECT_EQ(kResultFail, created);
    EXPECT_EQ(0, listed);
    EXPECT_EQ(kEnterError, entered);
    EXPECT_EQ(1, down) << "the stalled directory is reported as lost once";
    // The worker waited a timeout at least; the game thread ran on meanwhile.
    // A frame that waited on the directory would take the whole timeout and
    // leave the orders answered within a frame or three; a loaded machine
    // (ThreadSanitizer, the suite beside it) makes frames slower, not that
    // long, so both limits sit far from either.
    const auto timeout = std::chrono::milliseconds(config.directory_timeout_ms);
    EXPECT_GE(frames, 10) << "frames run while the worker waited";
    EXPECT_LT(longest, timeout)
        << "longest frame "
        << std::chrono::duration_cast<std::chrono::microseconds>(longest).count() << " us";
    // Back: orders work again.
    created = 0;
    platform.callbacks().register_call_result(
        platform.create_lobby(kLobbyTypePublic, 4), LobbyCreated::kId,
        [&](const void* r) { created = static_cast<const LobbyCreated*>(r)->result; });
    ASSERT_GT(FramesUntil([&] { platform.run_callbacks(); }, [&] { return created != 0; }, 2000),
              0);
    EXPECT_EQ(kResultOk, created);
}

TEST(OnlineRedisAvailability, ADirectoryRestartMidMatchKeepsPacketsFlowingAndTheRoomComesBack) {
    RedisServer redis;
    ASSERT_TRUE(redis.ready());
    NetworkConfig host = Member(redis, 1), member = Member(redis, 2);
    host.presence_ttl_ms = member.presence_ttl_ms = 1500;
    OnlinePair pair(host, member);
    ASSERT_TRUE(pair.Meet());
    ASSERT_TRUE(pair.host.set_lobby_data(pair.lobby, "game", "vornakle-test"));
    const std::uint32_t n = account_of(pair.lobby);
    ASSERT_GT(FramesUntil([&] { pair.Frame(); },
                          [&] {
                              return redis.Cli("HGET vk:lobby:" + std::to_string(n) +
                                               ":data game") == "vornakle-test\n";
                          },
                          1000),
              0);

    testing::internal::CaptureStdout();
    redis.Stop();
    // The match goes on: 200 frames of packets both ways while it is away.
    auto trade = [&] { pair.Trade(); };
    const int lost = FramesUntil(
        trade, [&] { return pair.disconnected_host == 1 && pair.disconnected_member == 1; }, 2000);
    for (int i = 0; i < 200; ++i) {
        trade();
    }
    const std::size_t during_host = pair.at_host.size(), during_member = pair.at_member.size();

    ASSERT_TRUE(redis.Start());
    const std::string key = "vk:lobby:" + std::to_string(n);
    const int back = FramesUntil(
        trade,
        [&] {
            return pair.connected_host == 2 && pair.connected_member == 2 &&
                   redis.Cli("LRANGE " + key + ":members 0 -1") ==
                       std::to_string(pair.host.own_id()) + "\n" +
                           std::to_string(pair.member.own_id()) + "\n";
        },
        3000);
    // Past the re-created room's grace (its members' presence lives 1.5 s),
    // nobody has been pruned.
    const auto grace_end = std::chrono::steady_clock::now() + std::chrono::milliseconds(4000);
    const int settled =
        back < 0 ? 0
                 : FramesUntil(
                       trade, [&] { return std::chrono::steady_clock::now() > grace_end; }, 4000);
    std::fflush(stdout);
    const std::string out = testing::internal::GetCapturedStdout();
    ASSERT_GT(lost, 0) << out;
    EXPECT_GE(during_host, 190u) << "packets at the host while the directory was away";
    EXPECT_GE(during_member, 190u) << "packets at the member while the directory was away";
    ASSERT_GT(back, 0) << "members: " << redis.Cli("LRANGE " + key + ":members 0 -1") << out;
    EXPECT_GT(settled, 0);
    EXPECT_EQ("vornakle-test\n", redis.Cli("HGET " + key + ":data game"));
    EXPECT_EQ(std::to_string(pair.host.own_id()) + "\n", redis.Cli("HGET " + key + " owner"));
    EXPECT_EQ("2\n", redis.Cli("LLEN " + key + ":members"));
    EXPECT_EQ(2, Count(out, "unreachable")) << out;
    EXPECT_EQ(2, Count(out, "is back")) << out;
    EXPECT_EQ(1, Count(out, "room " + std::to_string(n) + " re-created")) << out;
    EXPECT_EQ(2, pair.member.get_num_lobby_members(pair.lobby));
    EXPECT_EQ(pair.host.own_id(), pair.member.get_lobby_owner(pair.lobby));
    // A room made after the restart does not take the re-created number.
    std::uint64_t other = 0;
    pair.member.callbacks().register_call_result(
        pair.member.create_lobby(kLobbyTypePublic, 2), LobbyCreated::kId,
        [&](const void* r) { other = static_cast<const LobbyCreated*>(r)->lobby; });
    ASSERT_GT(FramesUntil(
                  trade, [&] { return other != 0; }, 1000),
              0);
    EXPECT_NE(pair.lobby, other);
}

}  // namespace
