// The networked backend against a real Redis server on loopback: two
// processes meet in a lobby and exchange packets over UDP; datagrams from a
// foreign address and replayed ones are dropped; a member whose presence
// expires is pruned and the owner migrates.
#include "platform/online/online_redis.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/online/online_datagram.h"
#include "platform/online/online_udp.h"
#include "qzware/depend/win/vho/vho_steam.h"
#include "tests/platform/online_redis/redis_fixture.h"

namespace {

using namespace platform::online;
using redis_test::Member;
using redis_test::RedisServer;
using redis_test::RunUntil;

struct Packets : vho::Listener {
    std::vector<std::string> got;
    void OnPacket(void* data) {
        const auto* event = static_cast<const vho::P2PPacketEvent*>(data);
        got.emplace_back(reinterpret_cast<const char*>(event->data), event->size);
    }
};

TEST(OnlineRedis, TwoProcessesMeetInALobbyAndExchangePackets) {
    RedisServer redis;
    ASSERT_TRUE(redis.ready()) << "redis-server did not start";
    qz_test::TempDir dir;
    qz_test::ChildProcess echo;
    ASSERT_TRUE(echo.Start({std::filesystem::read_symlink("/proc/self/exe").string()},
                           {{"QZ_ONLINE_TEST_ROLE", "echo"},
                            {"QZ_ONLINE_DIRECTORY", redis.address()},
                            {"QZ_ONLINE_ACCOUNT", "2"},
                            {"QZ_ONLINE_NAME", "Echo"}},
                           dir.path()));

    NetworkedBackend platform(Member(redis, 1));
    vho::Steam steam(platform);
    std::string message;
    steam.Start(message);
    ASSERT_EQ("", message);
    Packets packets;
    steam.GetSubject()->Attach(vho::kSteamP2PPacket, &packets, &Packets::OnPacket);

    // The echo member's lobby shows up in a filtered list once it is tagged.
    std::uint64_t lobby = 0;
    ASSERT_TRUE(RunUntil(
        [&] {
            platform.add_lobby_list_string_filter("game", "vornakle-test", LobbyComparison::equal);
            platform.callbacks().register_call_result(
                platform.request_lobby_list(), LobbyMatchList::kId, [&](const void* r) {
                    if (static_cast<const LobbyMatchList*>(r)->lobbies_matching == 1) {
                        lobby = platform.get_lobby_by_index(0);
                    }
                });
            steam.Update();
        },
        [&] { return lobby != 0; }, 10000))
        << echo.Stdout();
    int response = 0;
    platform.callbacks().register_call_result(
        platform.join_lobby(lobby), LobbyEnter::kId,
        [&](const void* r) { response = int(static_cast<const LobbyEnter*>(r)->response); });
    ASSERT_TRUE(RunUntil([&] { steam.Update(); }, [&] { return response != 0; }, 10000));
    ASSERT_EQ(kEnterSuccess, response);
    const CSteamID owner(platform.get_lobby_owner(lobby));
    EXPECT_EQ(individual_id(2), owner.ConvertToUint64());
    ASSERT_EQ(2, platform.get_num_lobby_members(lobby));
    EXPECT_EQ(individual_id(1), platform.get_lobby_member_by_index(lobby, 1));

    steam.SendP2PPacket(&owner, "ping1", 5);
    steam.SendP2PPacketNoDelay(&owner, "ping2", 5);
    ASSERT_TRUE(RunUntil([&] { steam.Update(); }, [&] { return packets.got.size() >= 2; }, 10000))
        << echo.Stdout();
    EXPECT_EQ((std::vector<std::string>{"echo:ping1", "echo:ping2"}), packets.got);

    steam.SendP2PPacket(&owner, "bye", 3);
    EXPECT_EQ(0, echo.Wait(10000).value_or(-1)) << echo.Stdout();
    // The owner left at its shutdown: the lobby is ours now.
    EXPECT_TRUE(RunUntil([&] { steam.Update(); },
                         [&] { return platform.get_lobby_owner(lobby) == individual_id(1); },
                         10000))
        << "owner " << platform.get_lobby_owner(lobby);
    EXPECT_EQ(1, platform.get_num_lobby_members(lobby));
}

TEST(OnlineRedis, DatagramsFromAForeignAddressAndReplaysAreDropped) {
    RedisServer redis;
    ASSERT_TRUE(redis.ready());
    NetworkedBackend platform(Member(redis, 1));
    ASSERT_TRUE(platform.init());
    // A second member registered by hand, so the test writes its datagrams.
    const std::uint64_t peer = individual_id(2);
    constexpr std::uint32_t kEpoch = 1234;
    UdpLink home, intruder;
    std::string error;
    ASSERT_TRUE(home.open(Endpoint{0x7f000001, 0}, &error)) << error;
    ASSERT_TRUE(intruder.open(Endpoint{0x7f000001, 0}, &error)) << error;
    Directory directory("127.0.0.1", redis.port(), "vk:", 1000);
    ASSERT_TRUE(directory.connect(&error)) << error;
    ASSERT_TRUE(directory.register_presence(peer, home.local(), kEpoch, "Peer", 10000));
    platform.accept_p2p_session(peer);

    auto send = [&](UdpLink& from, std::uint32_t epoch, std::uint32_t sequence,
                    const std::string& text) {
        std::uint8_t datagram[kMaxDatagramSize];
        const std::size_t n =
            encode_datagram({peer, epoch, sequence}, text.data(), std::uint32_t(text.size()),
                            datagram, sizeof datagram);
        ASSERT_TRUE(from.send(platform.endpoint(), datagram, n));
    };
    send(home, kEpoch, 1, "genuine");
    send(home, kEpoch, 1, "replayed");
    send(intruder, kEpoch, 2, "foreign address");
    send(home, kEpoch + 1, 3, "other session");
    send(home, kEpoch, 4, "next");

    std::vector<std::string> got;
    ASSERT_TRUE(RunUntil(
        [&] {
            platform.run_callbacks();
            char buffer[kMaxPacketSize];
            std::uint32_t n = 0;
            std::uint64_t sender = 0;
            while (platform.read_p2p_packet(buffer, sizeof buffer, &n, &sender, 0)) {
                EXPECT_EQ(peer, sender);
                got.emplace_back(buffer, n);
            }
        },
        [&] { return got.size() >= 2 && platform.dropped_datagrams() >= 3; }, 5000));
    EXPECT_EQ((std::vector<std::string>{"genuine", "next"}), got);
    EXPECT_EQ(3u, platform.dropped_datagrams());
}

TEST(OnlineRedis, AMemberWhosePresenceExpiresIsPrunedAndTheOwnerMigrates) {
    RedisServer redis;
    ASSERT_TRUE(redis.ready());
    Directory directory("127.0.0.1", redis.port(), "vk:", 1000);
    std::string error;
    ASSERT_TRUE(directory.connect(&error)) << error;
    const std::uint64_t gone = individual_id(2);
    ASSERT_TRUE(directory.register_presence(gone, Endpoint{0x7f000001, 9}, 5, "Gone", 150));
    const std::uint32_t n = directory.create_lobby(gone, 4);
    ASSERT_NE(0u, n);

    NetworkedBackend platform(Member(redis, 1));
    ASSERT_TRUE(platform.init());
    int response = 0;
    platform.callbacks().register_call_result(
        platform.join_lobby(lobby_id(n)), LobbyEnter::kId,
        [&](const void* r) { response = int(static_cast<const LobbyEnter*>(r)->response); });
    ASSERT_TRUE(RunUntil([&] { platform.run_callbacks(); }, [&] { return response != 0; }, 10000));
    ASSERT_EQ(kEnterSuccess, response);
    std::vector<std::uint64_t> updates;
    platform.callbacks().register_callback(LobbyDataUpdate::kId, [&](const void* r) {
        updates.push_back(static_cast<const LobbyDataUpdate*>(r)->lobby);
    });
    // Once the presence expires, the next poll prunes the member.
    ASSERT_TRUE(RunUntil([&] { platform.run_callbacks(); },
                         [&] { return platform.get_lobby_owner(lobby_id(n)) == individual_id(1); },
                         5000));
    EXPECT_EQ(1, platform.get_num_lobby_members(lobby_id(n)));
    ASSERT_TRUE(
        RunUntil([&] { platform.run_callbacks(); }, [&] { return !updates.empty(); }, 2000));
    EXPECT_EQ(lobby_id(n), updates.front());
    // A join refused for a full lobby and a missing one.
    ASSERT_TRUE(
        directory.register_presence(individual_id(3), Endpoint{0x7f000001, 9}, 6, "Host", 10000));
    const std::uint32_t full = directory.create_lobby(individual_id(3), 1);
    struct Case {
        std::uint64_t lobby;
        int expected;
    } cases[] = {{lobby_id(full), kEnterFull}, {lobby_id(999), kEnterDoesNotExist}};
    for (const Case& c : cases) {
        int got = 0;
        platform.callbacks().register_call_result(
            platform.join_lobby(c.lobby), LobbyEnter::kId,
            [&](const void* r) { got = int(static_cast<const LobbyEnter*>(r)->response); });
        ASSERT_TRUE(RunUntil([&] { platform.run_callbacks(); }, [&] { return got != 0; }, 10000));
        EXPECT_EQ(c.expected, got);
    }
}

TEST(OnlineRedis, LosingTheDirectoryRaisesEventOneAfterEventZero) {
    RedisServer redis;
    ASSERT_TRUE(redis.ready());
    NetworkConfig config = Member(redis, 1);
    config.presence_ttl_ms = 300;  // refreshed, so the loss is seen, every 100 ms
    config.directory_timeout_ms = 200;
    NetworkedBackend platform(config);
    vho::Steam steam(platform);
    std::string message;
    steam.Start(message);
    ASSERT_EQ("", message);
    struct Events : vho::Listener {
        std::vector<int> codes;
        void Connected(void*) { codes.push_back(0); }
        void Disconnected(void*) { codes.push_back(1); }
    } events;
    steam.GetSubject()->Attach(vho::kSteamServersConnected, &events, &Events::Connected);
    steam.GetSubject()->Attach(vho::kSteamServersDisconnected, &events, &Events::Disconnected);
    ASSERT_TRUE(RunUntil([&] { steam.Update(); }, [&] { return !events.codes.empty(); }, 5000));
    EXPECT_EQ((std::vector<int>{0}), events.codes);
    redis.Stop();
    ASSERT_TRUE(RunUntil([&] { steam.Update(); }, [&] { return events.codes.size() >= 2; }, 5000));
    EXPECT_EQ((std::vector<int>{0, 1}), events.codes);
    // Orders now fail cleanly instead of waiting on the server.
    int created = 0;
    platform.callbacks().register_call_result(
        platform.create_lobby(2, 4), LobbyCreated::kId,
        [&](const void* r) { created = static_cast<const LobbyCreated*>(r)->result; });
    ASSERT_TRUE(RunUntil([&] { steam.Update(); }, [&] { return created != 0; }, 5000));
    EXPECT_EQ(kResultFail, created);
}

}  // namespace
