// The networked backend against a real Redis server on loopback (with a
// password): two processes meet in a lobby and exchange packets over UDP;
// forged (with every key and field the directory shows), foreign and
// replayed datagrams are dropped without asking the directory; a member whose presence expires is
// pruned and the owner migrates; a wrong password, a second program with a live account and an
// owner change by a non-member are refused.
#include "platform/online/online_redis.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "platform/online/online_datagram.h"
#include "platform/online/online_udp.h"
#include "qzware/depend/win/vho/vho_steam.h"
#include "tests/platform/online_redis/redis_fixture.h"

namespace {

using namespace platform::online;
using redis_test::kWaitMs;
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
                            {"QZ_ONLINE_DIRECTORY_PASSWORD", RedisServer::kPassword},
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
        [&] { return lobby != 0; }, kWaitMs))
        << echo.Stdout();
    int response = 0;
    platform.callbacks().register_call_result(
        platform.join_lobby(lobby), LobbyEnter::kId,
        [&](const void* r) { response = int(static_cast<const LobbyEnter*>(r)->response); });
    ASSERT_TRUE(RunUntil([&] { steam.Update(); }, [&] { return response != 0; }, kWaitMs));
    ASSERT_EQ(kEnterSuccess, response);
    const CSteamID owner(platform.get_lobby_owner(lobby));
    EXPECT_EQ(individual_id(2), owner.ConvertToUint64());
    ASSERT_EQ(2, platform.get_num_lobby_members(lobby));
    EXPECT_EQ(individual_id(1), platform.get_lobby_member_by_index(lobby, 1));

    steam.SendP2PPacket(&owner, "ping1", 5);
    steam.SendP2PPacketNoDelay(&owner, "ping2", 5);
    ASSERT_TRUE(RunUntil([&] { steam.Update(); }, [&] { return packets.got.size() >= 2; }, kWaitMs))
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

// A second member registered by hand, so that the test writes its datagrams.
struct HandMember {
    static constexpr std::uint32_t kEpoch = 1234;
    const std::uint64_t id;
    const KeyPair keys = new_key_pair();
    UdpLink home, intruder;
    std::unique_ptr<Directory> directory;

    explicit HandMember(const RedisServer& redis, std::uint32_t account = 2)
        : id(individual_id(account)), directory(redis.Client()) {
        std::string error;
        EXPECT_TRUE(home.open(Endpoint{0x7f000001, 0}, &error)) << error;
        EXPECT_TRUE(intruder.open(Endpoint{0x7f000001, 0}, &error)) << error;
        EXPECT_EQ(
            Directory::PresenceResult::registered,
            directory->register_presence(id, home.local(), kEpoch, keys.public_key, "Peer", 10000));
    }
    // What this member codes its datagrams to `to` with.
    DatagramKey KeyFor(NetworkedBackend& to) const {
        PairKeys pair;
        EXPECT_TRUE(derive_pair_keys(id, keys, to.own_id(), to.public_key(), &pair));
        return pair.tx;
    }
    void Send(NetworkedBackend& to, UdpLink& from, std::uint32_t epoch, std::uint32_t sequence,
              const std::string& text) {
        Send(to, from, epoch, sequence, text, KeyFor(to));
    }
    void Send(NetworkedBackend& to, UdpLink& from, std::uint32_t epoch, std::uint32_t sequence,
              const std::string& text, const DatagramKey& with) {
        std::uint8_t datagram[kMaxDatagramSize];
        const std::size_t n =
            encode_datagram({id, epoch, sequence}, {to.own_id(), to.epoch()}, with, text.data(),
                            std::uint32_t(text.size()), datagram, sizeof datagram);
        ASSERT_TRUE(from.send(to.endpoint(), datagram, n));
    }
};

std::vector<std::string> ReadAll(NetworkedBackend& platform, std::uint64_t from) {
    std::vector<std::string> got;
    char buffer[kMaxPacketSize];
    std::uint32_t n = 0;
    std::uint64_t sender = 0;
    while (platform.read_p2p_packet(buffer, sizeof buffer, &n, &sender, 0)) {
        EXPECT_EQ(from, sender);
        got.emplace_back(buffer, n);
    }
    return got;
}

// Every field of a member record, as a reader of the directory sees it.
std::map<std::string, std::string> Record(const RedisServer& redis, std::uint64_t id) {
    std::istringstream lines(redis.Cli("HGETALL vk:member:" + std::to_string(id)));
    std::map<std::string, std::string> out;
    std::string field, value;
    while (std::getline(lines, field) && std::getline(lines, value)) {
        out[field] = value;
    }
    return out;
}

// Every key a forger can make of what the directory shows about `sender`
// and `to` (and every other record): the published keys, each field's bytes,
// and the pair keys it derives with key pairs of its own, posing as either.
std::vector<DatagramKey> KeysFromTheDirectory(const RedisServer& redis,
                                              const std::vector<std::uint64_t>& members,
                                              std::uint64_t sender, std::uint64_t to) {
    std::vector<DatagramKey> out;
    std::map<std::uint64_t, PresenceKey> published;
    for (std::uint64_t id : members) {
        const auto record = Record(redis, id);
        EXPECT_EQ(1u, record.count("key")) << "no key field for " << id;
        for (const auto& [field, value] : record) {
            DatagramKey raw{};
            std::copy_n(value.begin(), std::min(value.size(), raw.size()), raw.begin());
            out.push_back(raw);
            if (const auto key = parse_key_text(value)) {
                out.push_back(*key);
                published[id] = *key;
            }
        }
    }
    KeyPair forger = new_key_pair();
    KeyPair posing = forger;
    posing.public_key = published[sender];
    for (const KeyPair* own : {&forger, &posing}) {
        PairKeys keys;
        EXPECT_TRUE(derive_pair_keys(sender, *own, to, published[to], &keys));
        out.push_back(keys.tx);
        out.push_back(keys.rx);
        EXPECT_TRUE(derive_pair_keys(to, *own, sender, published[sender], &keys));
        out.push_back(keys.tx);
        out.push_back(keys.rx);
    }
    out.push_back(DatagramKey{});
    return out;
}

TEST(OnlineRedis, ForgedForeignAndReplayedDatagramsAreDroppedAndRealTrafficIsTaken) {
    RedisServer redis;
    ASSERT_TRUE(redis.ready());
    NetworkedBackend platform(Member(redis, 1)), other(Member(redis, 3));
    ASSERT_TRUE(platform.init());
    ASSERT_TRUE(other.init());
    HandMember peer(redis);
    // All three in one room, so each may speak to the others.
    auto frame = [&] {
        platform.run_callbacks();
        other.run_callbacks();
    };
    const std::uint64_t lobby = redis_test::CreateRoom(platform, frame);
    ASSERT_NE(0u, lobby);
    int response = 0;
    other.callbacks().register_call_result(
        other.join_lobby(lobby), LobbyEnter::kId,
        [&](const void* r) { response = int(static_cast<const LobbyEnter*>(r)->response); });
    ASSERT_TRUE(RunUntil(
        frame, [&] { return response != 0; }, kWaitMs));
    ASSERT_EQ(kEnterSuccess, peer.directory->join_lobby(account_of(lobby), peer.id));
    ASSERT_TRUE(RunUntil(
        frame,
        [&] {
            return platform.get_num_lobby_members(lobby) == 3 &&
                   other.get_num_lobby_members(lobby) == 3;
        },
        kWaitMs));
    ASSERT_TRUE(platform.accept_p2p_session(peer.id));  // reads its key from the directory
    ASSERT_TRUE(other.accept_p2p_session(peer.id));
    const std::uint32_t e = HandMember::kEpoch;
    peer.Send(platform, peer.home, e, 1, "genuine");
    peer.Send(platform, peer.home, e, 1, "replayed");
    // What an attacker who knows the id and session but not the key sends
    // from the member's own address: it must not freeze the later traffic.
    peer.Send(platform, peer.home, e, 0xFFFFFFFF, "forged", new_key_pair().secret);
    peer.Send(platform, peer.intruder, e, 2, "foreign address");
    peer.Send(platform, peer.home, e + 1, 3, "other session");
    peer.Send(platform, peer.home, e, 4, "next");
    peer.Send(platform, peer.home, e, 5, "and the next");

    std::vector<std::string> got;
    ASSERT_TRUE(RunUntil(
        [&] {
            frame();
            for (const std::string& p : ReadAll(platform, peer.id)) {
                got.push_back(p);
            }
        },
        [&] { return got.size() >= 3 && platform.dropped_datagrams() >= 4; }, kWaitMs));
    EXPECT_EQ((std::vector<std::string>{"genuine", "next", "and the next"}), got);
    const DatagramDrops& drops = platform.datagram_drops();
    EXPECT_EQ(1u, drops.code) << "the forged one";
    EXPECT_EQ(2u, drops.source) << "foreign address and other session";
    EXPECT_EQ(1u, drops.replayed);
    EXPECT_EQ(4u, platform.dropped_datagrams());

    // A forger that has read the whole directory: datagrams in the hand
    // member's name (from its own address) and in each real member's name,
    // to every other member, under every key it can make, numbered far ahead.
    const std::vector<std::uint64_t> members = {platform.own_id(), peer.id, other.own_id()};
    struct Target {
        NetworkedBackend* to;
        std::uint64_t as;
        std::uint32_t epoch;
    } targets[] = {{&platform, peer.id, e},
                   {&other, peer.id, e},
                   {&platform, other.own_id(), other.epoch()},
                   {&other, platform.own_id(), platform.epoch()}};
    std::map<NetworkedBackend*, std::uint64_t> forged, code_before, source_before;
    for (NetworkedBackend* p : {&platform, &other}) {
        code_before[p] = p->datagram_drops().code;
        source_before[p] = p->datagram_drops().source;
    }
    std::uint32_t sequence = 0x40000000;
    for (const Target& t : targets) {
        for (const DatagramKey& key : KeysFromTheDirectory(redis, members, t.as, t.to->own_id())) {
            std::uint8_t datagram[kMaxDatagramSize];
            const std::size_t n =
                encode_datagram({t.as, t.epoch, sequence++}, {t.to->own_id(), t.to->epoch()}, key,
                                "keys", 4, datagram, sizeof datagram);
            ASSERT_TRUE(peer.home.send(t.to->endpoint(), datagram, n));
            ++forged[t.to];
        }
    }
    peer.Send(platform, peer.home, e, 6, "still genuine");
    peer.Send(other, peer.home, e, 7, "genuine too");
    std::vector<std::string> at_other;
    got.clear();
    ASSERT_TRUE(RunUntil(
        [&] {
            frame();
            for (const std::string& p : ReadAll(platform, peer.id)) {
                got.push_back(p);
            }
            for (const std::string& p : ReadAll(other, peer.id)) {
                at_other.push_back(p);
            }
        },
        [&] { return !got.empty() && !at_other.empty(); }, kWaitMs));
    EXPECT_EQ((std::vector<std::string>{"still genuine"}), got);
    EXPECT_EQ((std::vector<std::string>{"genuine too"}), at_other);
    for (NetworkedBackend* p : {&platform, &other}) {
        EXPECT_EQ(forged[p], p->datagram_drops().code - code_before[p])
            << "member " << p->own_id() << ": every forged datagram fails its code";
        EXPECT_EQ(source_before[p], p->datagram_drops().source)
            << "a forged datagram passed its code";
    }
    EXPECT_TRUE(ReadAll(platform, other.own_id()).empty());
    EXPECT_TRUE(ReadAll(other, platform.own_id()).empty());
}

long long CommandCalls(const RedisServer& redis, const std::string& command) {
    const std::string stats = redis.Cli("INFO commandstats");
    const std::string tag = "cmdstat_" + command + ":calls=";
    const std::size_t at = stats.find(tag);
    return at == std::string::npos ? 0 : std::atoll(stats.c_str() + at + tag.size());
}

TEST(OnlineRedis, ForgedDatagramsCostNoLookupAndMadeUpSendersAtMostOneAFrame) {
    RedisServer redis;
    ASSERT_TRUE(redis.ready());
    NetworkedBackend platform(Member(redis, 1));
    ASSERT_TRUE(platform.init());
    HandMember peer(redis);
    // Sent to, so expected; its key is read off the game thread: one genuine
    // datagram shows it is known.
    platform.send_p2p_packet(peer.id, "hello", 5, 0, 0);
    peer.Send(platform, peer.home, HandMember::kEpoch, 1, "genuine");
    ASSERT_TRUE(RunUntil([&] { platform.run_callbacks(); },
                         [&] { return !ReadAll(platform, peer.id).empty(); }, kWaitMs));
    constexpr int kDatagrams = 200;
    // A known sender's datagrams under a wrong key: dropped, nothing asked.
    long long before = CommandCalls(redis, "hmget");
    for (int i = 0; i < kDatagrams; ++i) {
        peer.Send(platform, peer.home, HandMember::kEpoch, std::uint32_t(i + 2), "forged",
                  new_key_pair().secret);
    }
    ASSERT_TRUE(RunUntil([&] { platform.run_callbacks(); },
                         [&] { return platform.datagram_drops().code >= kDatagrams; }, kWaitMs))
        << "code drops: " << platform.datagram_drops().code;
    EXPECT_EQ(before, CommandCalls(redis, "hmget")) << "a forged datagram cost a lookup";
    // Made-up senders: each frame asks the directory about one of them at most.
    before = CommandCalls(redis, "hmget");
    UdpLink attacker;
    std::string error;
    ASSERT_TRUE(attacker.open(Endpoint{0x7f000001, 0}, &error)) << error;
    for (int i = 0; i < kDatagrams; ++i) {
        std::uint8_t datagram[kMaxDatagramSize];
        const std::size_t n = encode_datagram(
            {individual_id(std::uint32_t(5000 + i)), 1, 1}, {platform.own_id(), platform.epoch()},
            new_key_pair().secret, "x", 1, datagram, sizeof datagram);
        ASSERT_TRUE(attacker.send(platform.endpoint(), datagram, n));
    }
    int frames = 0;
    ASSERT_TRUE(RunUntil([&] { platform.run_callbacks(), ++frames; },
                         [&] { return platform.datagram_drops().unknown >= kDatagrams; }, kWaitMs))
        << "unknown drops: " << platform.datagram_drops().unknown;
    const long long asked = CommandCalls(redis, "hmget") - before;
    EXPECT_LE(asked, frames) << "lookups against frames run";
    EXPECT_GT(asked, 0) << "unknown senders are looked up, a bounded number";
    EXPECT_TRUE(ReadAll(platform, peer.id).empty());
}

TEST(OnlineRedis, ASearcherThatNeverMetTheHostIsLookedUpAndItsProbesTaken) {
    RedisServer redis;
    ASSERT_TRUE(redis.ready());
    NetworkedBackend platform(Member(redis, 1));
    ASSERT_TRUE(platform.init());
    ASSERT_NE(0u, redis_test::CreateRoom(platform, [&] { platform.run_callbacks(); }));
    HandMember stranger(redis);  // not in a lobby with us, no session accepted
    stranger.Send(platform, stranger.home, HandMember::kEpoch, 1, "probe");
    stranger.Send(platform, stranger.home, HandMember::kEpoch, 2, "probe2");
    std::vector<std::string> got;
    ASSERT_TRUE(RunUntil(
        [&] {
            platform.run_callbacks();
            platform.accept_p2p_session(stranger.id);
            for (const std::string& p : ReadAll(platform, stranger.id)) {
                got.push_back(p);
            }
        },
        [&] { return got.size() >= 2; }, kWaitMs));
    EXPECT_EQ((std::vector<std::string>{"probe", "probe2"}), got);
}

TEST(OnlineRedis, AMemberWhosePresenceExpiresIsPrunedAndTheOwnerMigrates) {
    RedisServer redis;
    ASSERT_TRUE(redis.ready());
    std::unique_ptr<Directory> client = redis.Client();
    Directory& directory = *client;
    const std::uint64_t gone = individual_id(2);
    ASSERT_EQ(Directory::PresenceResult::registered,
              directory.register_presence(gone, Endpoint{0x7f000001, 9}, 5, new_presence_key(),
                                          "Gone", 150));
    const std::uint32_t n = directory.create_lobby(gone, 4);
    ASSERT_NE(0u, n);

    NetworkedBackend platform(Member(redis, 1));
    ASSERT_TRUE(platform.init());
    int response = 0;
    platform.callbacks().register_call_result(
        platform.join_lobby(lobby_id(n)), LobbyEnter::kId,
        [&](const void* r) { response = int(static_cast<const LobbyEnter*>(r)->response); });
    ASSERT_TRUE(
        RunUntil([&] { platform.run_callbacks(); }, [&] { return response != 0; }, kWaitMs));
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
        RunUntil([&] { platform.run_callbacks(); }, [&] { return !updates.empty(); }, kWaitMs));
    EXPECT_EQ(lobby_id(n), updates.front());
    // A join refused for a full lobby and a missing one.
    ASSERT_EQ(Directory::PresenceResult::registered,
              directory.register_presence(individual_id(3), Endpoint{0x7f000001, 9}, 6,
                                          new_presence_key(), "Host", 10000));
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
        ASSERT_TRUE(RunUntil([&] { platform.run_callbacks(); }, [&] { return got != 0; }, kWaitMs));
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
    ASSERT_TRUE(RunUntil([&] { steam.Update(); }, [&] { return !events.codes.empty(); }, kWaitMs));
    EXPECT_EQ((std::vector<int>{0}), events.codes);
    redis.Stop();
    ASSERT_TRUE(
        RunUntil([&] { steam.Update(); }, [&] { return events.codes.size() >= 2; }, kWaitMs));
    EXPECT_EQ((std::vector<int>{0, 1}), events.codes);
    // Orders now fail cleanly instead of waiting on the server.
    int created = 0;
    platform.callbacks().register_call_result(
        platform.create_lobby(2, 4), LobbyCreated::kId,
        [&](const void* r) { created = static_cast<const LobbyCreated*>(r)->result; });
    ASSERT_TRUE(RunUntil([&] { steam.Update(); }, [&] { return created != 0; }, kWaitMs));
    EXPECT_EQ(kResultFail, created);
}

TEST(OnlineRedis, AWrongOrMissingDirectoryLoginFailsTheStartAndSaysWhy) {
    RedisServer redis({"--user", "vornakle", "on", ">acl-secret", "~*", "&*", "+@all"});
    ASSERT_TRUE(redis.ready());
    struct Case {
        const char* what;
        std::string user, password;
        bool starts;
        std::string reason;
    } cases[] = {
        {"the right password", "", RedisServer::kPassword, true, ""},
        {"a wrong password", "", "wrong", false, "refused the login"},
        {"no password", "", "", false, "refused the login"},
        {"the ACL user with its password", "vornakle", "acl-secret", true, ""},
        {"the ACL user with a wrong password", "vornakle", "wrong", false, "refused the login"},
        {"a user without a password", "vornakle", "", false,
         "without QZ_ONLINE_DIRECTORY_PASSWORD"},
    };
    std::uint32_t account = 40;
    for (const Case& c : cases) {
        NetworkConfig config = Member(redis, ++account);
        config.directory_user = c.user;
        config.directory_password = c.password;
        redis_test::ExpectStart(config, c.starts, c.reason, c.what);
    }
}

TEST(OnlineRedis, ASecondProgramWithALiveAccountIsRefusedAndTheFirstKeepsItsPresence) {
    RedisServer redis;
    ASSERT_TRUE(redis.ready());
    NetworkedBackend first(Member(redis, 7));
    ASSERT_TRUE(first.init());
    {
        NetworkedBackend second(Member(redis, 7));
        EXPECT_FALSE(second.init());
        EXPECT_NE(std::string::npos, second.failure().find("account 7 is already online"))
            << second.failure();
    }  // its shutdown must not remove the first one's presence
    const std::optional<Registration> reg = redis.Client()->lookup(individual_id(7));
    ASSERT_TRUE(reg.has_value()) << "the first program's presence is gone";
    EXPECT_EQ(first.endpoint(), reg->endpoint);
    EXPECT_EQ(first.epoch(), reg->epoch);
}

TEST(OnlineRedis, LosingTheAccountToAnotherProgramEndsOnlinePlay) {
    RedisServer redis;
    ASSERT_TRUE(redis.ready());
    NetworkConfig config = Member(redis, 8);
    config.presence_ttl_ms = 300;  // refreshed every 100 ms
    NetworkedBackend platform(config);
    ASSERT_TRUE(platform.init());
    bool disconnected = false;
    platform.callbacks().register_callback(ServersDisconnected::kId,
                                           [&](const void*) { disconnected = true; });
    // As if the presence had expired and another program had taken it.
    redis.Cli("DEL vk:member:" + std::to_string(individual_id(8)));
    std::unique_ptr<Directory> other = redis.Client();
    ASSERT_EQ(Directory::PresenceResult::registered,
              other->register_presence(individual_id(8), Endpoint{0x7f000001, 9}, 77,
                                       new_presence_key(), "Other", 10000));
    ASSERT_TRUE(RunUntil([&] { platform.run_callbacks(); }, [&] { return disconnected; }, 5000));
    EXPECT_NE(std::string::npos, platform.failure().find("online play ends")) << platform.failure();
    int created = 0;
    platform.callbacks().register_call_result(
        platform.create_lobby(2, 4), LobbyCreated::kId,
        [&](const void* r) { created = static_cast<const LobbyCreated*>(r)->result; });
    platform.run_callbacks();
    EXPECT_EQ(kResultNoConnection, created);
    platform.shutdown();
    const std::optional<Registration> reg = other->lookup(individual_id(8));
    ASSERT_TRUE(reg.has_value()) << "the ended program removed the other one's presence";
    EXPECT_EQ(77u, reg->epoch);
}

TEST(OnlineRedis, AnOwnerChangeByANonMemberIsUndone) {
    RedisServer redis;
    ASSERT_TRUE(redis.ready());
    NetworkedBackend platform(Member(redis, 1));
    ASSERT_TRUE(platform.init());
    std::uint64_t lobby = 0;
    platform.callbacks().register_call_result(
        platform.create_lobby(2, 4), LobbyCreated::kId,
        [&](const void* r) { lobby = static_cast<const LobbyCreated*>(r)->lobby; });
    ASSERT_TRUE(RunUntil([&] { platform.run_callbacks(); }, [&] { return lobby != 0; }, kWaitMs));
    const std::uint64_t outsider = individual_id(9);
    const std::string key = "vk:lobby:" + std::to_string(account_of(lobby));
    // An outsider that can reach the directory writes itself in as owner.
    redis.Cli("HSET " + key + " owner " + std::to_string(outsider));
    std::unique_ptr<Directory> client = redis.Client();
    EXPECT_FALSE(client->set_lobby_data(account_of(lobby), outsider, "game", "taken"));
    client->leave_lobby(account_of(lobby), outsider);
    EXPECT_EQ(individual_id(1), platform.get_lobby_owner(lobby));
    EXPECT_EQ(std::to_string(individual_id(1)) + "\n", redis.Cli("HGET " + key + " owner"))
        << "the owner field was not put back to the member";
    EXPECT_TRUE(platform.set_lobby_data(lobby, "game", "ours"));
    EXPECT_EQ(std::string("ours"), platform.get_lobby_data(lobby, "game"));
}

}  // namespace
