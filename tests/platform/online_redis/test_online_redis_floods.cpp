// Floods cost their senders, not the match: a searcher finds a room while
// many made-up sources flood its host; a member under thousands of garbage
// datagrams a frame still gets every real packet; a session is refused to a
// stranger and accepted from a lobby member (and, by a host, from a
// searcher); a system that grants a smaller receive buffer is named once.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "platform/online/online_datagram.h"
#include "platform/online/online_ids.h"
#include "platform/online/online_keys.h"
#include "platform/online/online_redis.h"
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

// Accepts every session request as the game's platform layer does, and
// keeps what the backend answered.
struct Sessions {
    std::vector<std::pair<std::uint64_t, bool>> answered;
    explicit Sessions(NetworkedBackend& p) {
        p.callbacks().register_callback(P2PSessionRequest::kId, [this, &p](const void* r) {
            const std::uint64_t remote = static_cast<const P2PSessionRequest*>(r)->remote;
            answered.emplace_back(remote, p.accept_p2p_session(remote));
        });
    }
    int Count(std::uint64_t id, bool accepted) const {
        int n = 0;
        for (const auto& [who, yes] : answered) {
            n += who == id && yes == accepted ? 1 : 0;
        }
        return n;
    }
};

std::vector<std::pair<std::uint64_t, std::string>> Read(NetworkedBackend& p) {
    std::vector<std::pair<std::uint64_t, std::string>> got;
    char buffer[kMaxPacketSize];
    std::uint32_t n = 0;
    std::uint64_t sender = 0;
    while (p.read_p2p_packet(buffer, sizeof buffer, &n, &sender, 0)) {
        got.emplace_back(sender, std::string(buffer, n));
    }
    return got;
}

// Sockets on their own loopback addresses (127.0.0.x), each a source.
std::vector<std::unique_ptr<UdpLink>> Sources(int n) {
    std::vector<std::unique_ptr<UdpLink>> out;
    for (int i = 0; i < n; ++i) {
        auto link = std::make_unique<UdpLink>();
        std::string error;
        EXPECT_TRUE(link->open(Endpoint{0x7f000000u + 10u + std::uint32_t(i), 0}, &error)) << error;
        out.push_back(std::move(link));
    }
    return out;
}

std::uint64_t MadeUpId(std::mt19937_64& random) {
    return individual_id(std::uint32_t(random() | 0x10000000u));
}

TEST(OnlineRedisFloods, ASearcherFindsTheRoomWhileManySourcesFloodTheHost) {
    RedisServer redis;
    ASSERT_TRUE(redis.ready());
    std::mt19937_64 random(qz_test::TestSeed("OnlineRedisFloods.ASearcherFindsTheRoom"));
    NetworkedBackend host(Member(redis, 1)), searcher(Member(redis, 2));
    ASSERT_TRUE(host.init());
    ASSERT_TRUE(searcher.init());
    Sessions at_host(host);
    auto frame = [&] {
        host.run_callbacks();
        searcher.run_callbacks();
    };
    ASSERT_NE(0u, redis_test::CreateRoom(host, frame));
    std::uint32_t listed = 0;
    searcher.callbacks().register_call_result(
        searcher.request_lobby_list(), LobbyMatchList::kId,
        [&](const void* r) { listed = static_cast<const LobbyMatchList*>(r)->lobbies_matching; });
    ASSERT_GT(FramesUntil(
                  frame, [&] { return listed == 1; }, 2000),
              0);

    // 32 sources, 10 well-formed datagrams each a frame from made-up ids.
    constexpr int kSources = 32, kPerSource = 10;
    std::vector<std::unique_ptr<UdpLink>> flood = Sources(kSources);
    auto flood_frame = [&] {
        for (auto& link : flood) {
            for (int k = 0; k < kPerSource; ++k) {
                std::uint8_t datagram[kMaxDatagramSize];
                const std::size_t n = encode_datagram(
                    {MadeUpId(random), 77, 1}, {host.own_id(), host.epoch()},
                    new_key_pair().public_key, "probe?", 6, datagram, sizeof datagram);
                link->send(host.endpoint(), datagram, n);
            }
        }
    };
    for (int i = 0; i < 5; ++i) {
        flood_frame();
        frame();
    }
    // The searcher probes as the game does: again every 30 frames until the
    // host answers; the host answers every probe it reads.
    bool found = false;
    int frames = 0;
    const int taken = FramesUntil(
        [&] {
            flood_frame();
            if (frames++ % 30 == 0) {
                searcher.send_p2p_packet(host.own_id(), "probe", 5, 0, 0);
            }
            frame();
            for (const auto& [from, text] : Read(host)) {
                if (text == "probe") {
                    host.send_p2p_packet(from, "answer", 6, 0, 0);
                }
            }
            for (const auto& [from, text] : Read(searcher)) {
                found = found || (from == host.own_id() && text == "answer");
            }
        },
        [&] { return found; }, 600);
    const DatagramDrops& drops = host.datagram_drops();
    std::printf("search under a flood: room found after %d frames; the host dropped %llu unknown\n",
                taken, static_cast<unsigned long long>(drops.unknown));
    ASSERT_GT(taken, 0) << "the room was never found under the flood";
    EXPECT_LE(taken, 150) << "frames until the host's answer arrived";
    EXPECT_EQ(1, at_host.Count(searcher.own_id(), true)) << "the host refused the searcher";
    EXPECT_GT(drops.unknown, std::uint64_t(kSources)) << "the flood never reached the host";
}

TEST(OnlineRedisFloods, GarbageByTheThousandAFrameDoesNotStopAMembersRealPackets) {
    RedisServer redis;
    ASSERT_TRUE(redis.ready());
    std::mt19937_64 random(qz_test::TestSeed("OnlineRedisFloods.GarbageByTheThousand"));
    OnlinePair pair(Member(redis, 1), Member(redis, 2));
    ASSERT_TRUE(pair.Meet());
    // A frame's flood must fit in the system's buffer (about 800 bytes a small
    // datagram on Linux): beyond that the kernel drops datagrams before the
    // program reads any, which no reader can prevent. A default system grants
    // a few hundred datagrams' room; the flood is cut to what the grant holds.
    constexpr int kFrames = 150;
    constexpr std::size_t kTruesize = 832;
    constexpr std::size_t kSlack = 64 * 1024;
    const std::size_t granted = pair.member.receive_buffer();
    const int room = granted > kSlack ? int((granted - kSlack) / kTruesize) : 0;
    const int per_frame = std::min(1000, room / 3);
    std::printf("receive buffer %zu bytes: %d garbage datagrams a frame a source\n", granted,
                per_frame);
    ASSERT_GE(per_frame, 100) << "the system grants a receive buffer of " << granted << " bytes";
    std::vector<std::unique_ptr<UdpLink>> flood = Sources(3);
    const std::uint64_t derived_before = pair.member.pair_key_derivations();
    // Garbage of three kinds: random bytes, datagrams in the host's name
    // under a wrong code (each costs a check), and made-up senders.
    auto garbage = [&](UdpLink& link, int count) {
        for (int k = 0; k < count; ++k) {
            std::uint8_t datagram[kMaxDatagramSize];
            std::size_t n = 0;
            switch (k % 3) {
                case 0:
                    n = 20 + random() % 60;
                    for (std::size_t i = 0; i < n; ++i) {
                        datagram[i] = std::uint8_t(random());
                    }
                    break;
                case 1:
                    n = encode_datagram(
                        {pair.host.own_id(), pair.host.epoch(), std::uint32_t(random())},
                        {pair.member.own_id(), pair.member.epoch()}, new_key_pair().secret, "keys",
                        4, datagram, sizeof datagram);
                    break;
                default:
                    n = encode_datagram(
                        {MadeUpId(random), 5, 1}, {pair.member.own_id(), pair.member.epoch()},
                        new_key_pair().secret, "keys", 4, datagram, sizeof datagram);
                    break;
            }
            link.send(pair.member.endpoint(), datagram, n);
        }
    };
    struct Phase {
        const char* what;
        int sources, per_source;
    } phases[] = {{"from one source", 1, per_frame}, {"from three sources", 3, per_frame}};
    int sent = 0;
    for (const Phase& phase : phases) {
        pair.at_member.clear();
        pair.at_host.clear();
        const std::uint64_t over_before = pair.member.datagram_drops().over_share;
        for (int f = 0; f < kFrames; ++f) {
            for (int s = 0; s < phase.sources; ++s) {
                garbage(*flood[std::size_t(s)], phase.per_source);
            }
            const std::string text = "frame " + std::to_string(sent++);
            pair.host.send_p2p_packet(pair.member.own_id(), text.data(), std::uint32_t(text.size()),
                                      0, 0);
            pair.member.send_p2p_packet(pair.host.own_id(), text.data(), std::uint32_t(text.size()),
                                        0, 0);
            pair.Frame();
        }
        FramesUntil([&] { pair.Frame(); },
                    [&] { return pair.at_member.size() >= std::size_t(kFrames); }, 200);
        const DatagramDrops& d = pair.member.datagram_drops();
        std::printf(
            "%s: %zu of %d packets at the member; drops malformed %llu unknown %llu code %llu "
            "over share %llu\n",
            phase.what, pair.at_member.size(), kFrames,
            static_cast<unsigned long long>(d.malformed),
            static_cast<unsigned long long>(d.unknown), static_cast<unsigned long long>(d.code),
            static_cast<unsigned long long>(d.over_share));
        EXPECT_EQ(std::size_t(kFrames), pair.at_member.size()) << phase.what;
        EXPECT_EQ(std::size_t(kFrames), pair.at_host.size()) << phase.what;
        if (phase.sources * phase.per_source > 1024) {
            EXPECT_GT(d.over_share, over_before) << phase.what << ": the checks were not shared";
        }
    }
    EXPECT_EQ(derived_before, pair.member.pair_key_derivations())
        << "the host's pair keys were derived again for forged datagrams";
}

TEST(OnlineRedisFloods, ASessionIsAcceptedFromLobbyMembersAndSearchersOfAHostOnly) {
    RedisServer redis;
    ASSERT_TRUE(redis.ready());
    OnlinePair pair(Member(redis, 1), Member(redis, 2));
    ASSERT_TRUE(pair.Meet());
    Sessions at_host(pair.host), at_member(pair.member);
    NetworkedBackend stranger(Member(redis, 3)), joiner(Member(redis, 4));
    ASSERT_TRUE(stranger.init());
    ASSERT_TRUE(joiner.init());
    std::vector<std::pair<std::uint64_t, std::string>> host_got, member_got;
    auto frame = [&] {
        pair.host.run_callbacks();
        pair.member.run_callbacks();
        stranger.run_callbacks();
        joiner.run_callbacks();
        for (auto& p : Read(pair.host)) {
            host_got.push_back(p);
        }
        for (auto& p : Read(pair.member)) {
            member_got.push_back(p);
        }
        Read(stranger);
        Read(joiner);
    };
    auto got = [](const std::vector<std::pair<std::uint64_t, std::string>>& all, std::uint64_t id) {
        std::vector<std::string> out;
        for (const auto& [from, text] : all) {
            if (from == id) {
                out.push_back(text);
            }
        }
        return out;
    };
    // A stranger writes to the member (who does not host) and to the host,
    // one packet a frame, until the member has refused it twice: its held
    // packets were dropped and a later one asked again.
    int n = 0;
    const int refused = FramesUntil(
        [&] {
            const std::string text = "stranger " + std::to_string(n++);
            stranger.send_p2p_packet(pair.member.own_id(), text.data(), std::uint32_t(text.size()),
                                     0, 0);
            stranger.send_p2p_packet(pair.host.own_id(), text.data(), std::uint32_t(text.size()), 0,
                                     0);
            frame();
        },
        [&] { return at_member.Count(stranger.own_id(), false) >= 2; }, 2000);
    ASSERT_GT(refused, 0) << "the member never refused the stranger";
    EXPECT_EQ(0, at_member.Count(stranger.own_id(), true));
    EXPECT_TRUE(got(member_got, stranger.own_id()).empty())
        << "a refused stranger's packet was read";
    EXPECT_EQ(1, at_host.Count(stranger.own_id(), true)) << "a host hears whoever probes its room";
    EXPECT_FALSE(got(host_got, stranger.own_id()).empty());

    // A player who joins the room writes to the member at once, before the
    // member's copy of the room may show it: accepted, nothing lost.
    int response = 0;
    joiner.callbacks().register_call_result(
        joiner.join_lobby(pair.lobby), LobbyEnter::kId,
        [&](const void* r) { response = int(static_cast<const LobbyEnter*>(r)->response); });
    ASSERT_GT(FramesUntil(
                  frame, [&] { return response != 0; }, 2000),
              0);
    ASSERT_EQ(kEnterSuccess, response);
    for (int i = 0; i < 5; ++i) {
        const std::string text = "joiner " + std::to_string(i);
        joiner.send_p2p_packet(pair.member.own_id(), text.data(), std::uint32_t(text.size()), 0, 0);
        frame();
    }
    ASSERT_GT(FramesUntil(
                  frame, [&] { return got(member_got, joiner.own_id()).size() >= 5; }, 2000),
              0)
        << "the member read " << got(member_got, joiner.own_id()).size() << " of the joiner's 5";
    EXPECT_EQ(
        (std::vector<std::string>{"joiner 0", "joiner 1", "joiner 2", "joiner 3", "joiner 4"}),
        got(member_got, joiner.own_id()));
    EXPECT_TRUE(got(member_got, stranger.own_id()).empty());
}

TEST(OnlineRedisFloods, ASmallerReceiveBufferThanAskedIsNamedOnce) {
    RedisServer redis;
    ASSERT_TRUE(redis.ready());
    NetworkConfig config = Member(redis, 1);
    // More than any system's limit grants without privileges.
    config.receive_buffer_bytes = std::size_t(1) << 30;
    NetworkedBackend platform(config);
    testing::internal::CaptureStdout();
    ASSERT_TRUE(platform.init());
    platform.shutdown();
    ASSERT_TRUE(platform.init());
    std::fflush(stdout);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_LT(platform.receive_buffer(), config.receive_buffer_bytes);
    EXPECT_GT(platform.receive_buffer(), 0u);
    EXPECT_EQ(1, Count(out, "online: the system gives the UDP socket a receive buffer of " +
                                std::to_string(platform.receive_buffer() / 1024) + " KiB"))
        << out;
    EXPECT_EQ(1, Count(out, "net.core.rmem_max")) << out;
}

}  // namespace
