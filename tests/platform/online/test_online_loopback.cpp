// The in-process world: lobbies (filters, join order, full and missing
// lobbies, owner-only data, updates, migration), call results only in the
// frame step, and seeded link faults and crashes.
#include "platform/online/online_loopback.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "tests/support/test_seed.h"

namespace {

using namespace platform::online;

// Collects the records of one id that a member's frame step delivers.
template <typename R>
struct Collect {
    std::vector<R> got;
    Collect(Backend& member) {
        member.callbacks().register_callback(
            R::kId, [this](const void* r) { got.push_back(*static_cast<const R*>(r)); });
    }
};

template <typename R>
R ResultOf(Backend& member, CallHandle call) {
    R result{};
    bool fired = false;
    member.callbacks().register_call_result(call, R::kId, [&](const void* r) {
        result = *static_cast<const R*>(r);
        fired = true;
    });
    EXPECT_FALSE(fired);
    member.run_callbacks();
    EXPECT_TRUE(fired) << "call result " << R::kId << " was not delivered";
    return result;
}

class World : public ::testing::Test {
protected:
    LoopbackWorld world{11};
    LoopbackMember& a = world.add_member(1);
    LoopbackMember& b = world.add_member(2);
    LoopbackMember& c = world.add_member(3);
    void SetUp() override {
        for (LoopbackMember* m : {&a, &b, &c}) {
            ASSERT_TRUE(m->init());
        }
    }
    std::uint64_t Create(LoopbackMember& owner, int max) {
        const LobbyCreated created = ResultOf<LobbyCreated>(owner, owner.create_lobby(2, max));
        EXPECT_EQ(kResultOk, created.result);
        EXPECT_TRUE(is_lobby_id(created.lobby));
        return created.lobby;
    }
    int Join(LoopbackMember& member, std::uint64_t lobby) {
        return int(ResultOf<LobbyEnter>(member, member.join_lobby(lobby)).response);
    }
};

TEST_F(World, JoinRefusesFullAndMissingLobbiesAndKeepsJoinOrder) {
    const std::uint64_t lobby = Create(a, 2);
    EXPECT_EQ(kEnterSuccess, Join(b, lobby));
    EXPECT_EQ(kEnterFull, Join(c, lobby));
    EXPECT_EQ(kEnterDoesNotExist, Join(c, lobby_id(999)));
    ASSERT_EQ(2, c.get_num_lobby_members(lobby));
    EXPECT_EQ(a.own_id(), c.get_lobby_member_by_index(lobby, 0));
    EXPECT_EQ(b.own_id(), c.get_lobby_member_by_index(lobby, 1));
    EXPECT_EQ(0u, c.get_lobby_member_by_index(lobby, 2));
    EXPECT_EQ(a.own_id(), c.get_lobby_owner(lobby));
}

TEST_F(World, ListFiltersOnStringDataAndLeavesOutFullLobbies) {
    const std::uint64_t red = Create(a, 4);
    const std::uint64_t blue = Create(b, 4);
    const std::uint64_t full = Create(c, 1);
    ASSERT_TRUE(a.set_lobby_data(red, "colour", "red"));
    ASSERT_TRUE(b.set_lobby_data(blue, "colour", "blue"));
    struct Case {
        const char* value;
        LobbyComparison comparison;
        std::vector<std::uint64_t> expected;
    } cases[] = {
        {"red", LobbyComparison::equal, {red}},
        {"red", LobbyComparison::not_equal, {blue}},
        {"green", LobbyComparison::equal, {}},
    };
    for (const Case& k : cases) {
        c.add_lobby_list_string_filter("colour", k.value, k.comparison);
        const LobbyMatchList list = ResultOf<LobbyMatchList>(c, c.request_lobby_list());
        std::vector<std::uint64_t> got;
        for (std::uint32_t i = 0; i < list.lobbies_matching; ++i) {
            got.push_back(c.get_lobby_by_index(int(i)));
        }
        EXPECT_EQ(k.expected, got) << k.value;
    }
    // Filters are used up by the request; the full lobby is never listed.
    EXPECT_EQ(2u, ResultOf<LobbyMatchList>(c, c.request_lobby_list()).lobbies_matching);
    EXPECT_EQ(0u, c.get_lobby_by_index(2));
    (void)full;
}

TEST_F(World, OnlyTheOwnerSetsDataAndEveryMemberHearsOfIt) {
    const std::uint64_t lobby = Create(a, 4);
    ASSERT_EQ(kEnterSuccess, Join(b, lobby));
    Collect<LobbyDataUpdate> heard(b);
    EXPECT_FALSE(b.set_lobby_data(lobby, "k", "from b"));
    EXPECT_TRUE(a.set_lobby_data(lobby, "k", "from a"));
    EXPECT_STREQ("from a", c.get_lobby_data(lobby, "k")) << "readable by anyone";
    EXPECT_STREQ("", b.get_lobby_data(lobby, "missing"));
    EXPECT_TRUE(heard.got.empty()) << "callbacks wait for the frame step";
    b.run_callbacks();
    ASSERT_EQ(1u, heard.got.size());
    EXPECT_EQ(lobby, heard.got[0].lobby);
    EXPECT_EQ(lobby, heard.got[0].member);
}

TEST_F(World, OwnerMigratesInJoinOrderWhenTheOwnerLeavesOrCrashes) {
    const std::uint64_t lobby = Create(a, 4);
    ASSERT_EQ(kEnterSuccess, Join(b, lobby));
    ASSERT_EQ(kEnterSuccess, Join(c, lobby));
    a.leave_lobby(lobby);
    EXPECT_EQ(b.own_id(), c.get_lobby_owner(lobby));
    EXPECT_TRUE(b.set_lobby_data(lobby, "k", "v")) << "the new owner may set data";
    world.crash(b);
    EXPECT_EQ(c.own_id(), c.get_lobby_owner(lobby));
    EXPECT_EQ(1, c.get_num_lobby_members(lobby));
    c.leave_lobby(lobby);
    EXPECT_EQ(0u, world.lobby_count()) << "the last one out removes the lobby";
}

// What b reads from a over a faulty link in `frames` frames.
std::vector<int> Exchange(std::uint64_t seed, const LinkFaults& faults, int packets, int frames) {
    LoopbackWorld world(seed);
    LoopbackMember& a = world.add_member(1);
    LoopbackMember& b = world.add_member(2);
    a.init();
    b.init();
    b.accept_p2p_session(a.own_id());
    world.set_faults(faults);
    std::vector<int> got;
    for (int frame = 0; frame < frames; ++frame) {
        if (frame < packets) {
            const unsigned char n = static_cast<unsigned char>(frame);
            a.send_p2p_packet(b.own_id(), &n, 1, 0, 0);
        }
        b.run_callbacks();
        unsigned char byte = 0;
        std::uint32_t read = 0;
        std::uint64_t sender = 0;
        while (b.read_p2p_packet(&byte, 1, &read, &sender, 0)) {
            got.push_back(byte);
        }
    }
    return got;
}

TEST(WorldFaults, SeededLinksLoseDuplicateAndReorderTheSameWayEveryRun) {
    const std::uint64_t seed = qz_test::TestSeed("link faults");
    const LinkFaults faults{0.2, 0.2, 0, 3};
    const std::vector<int> first = Exchange(seed, faults, 100, 110);
    EXPECT_EQ(first, Exchange(seed, faults, 100, 110)) << "seed " << seed;
    // With these rates the run shows every fault at once (1 in 10^9 odds
    // against for any one of them).
    std::vector<int> counts(100, 0);
    bool reordered = false;
    for (std::size_t i = 0; i < first.size(); ++i) {
        counts[std::size_t(first[i])] += 1;
        reordered = reordered || (i > 0 && first[i] < first[i - 1]);
    }
    EXPECT_NE(counts.end(), std::find(counts.begin(), counts.end(), 0)) << "nothing lost";
    EXPECT_NE(counts.end(), std::find(counts.begin(), counts.end(), 2)) << "nothing doubled";
    EXPECT_TRUE(reordered) << "seed " << seed;
}

TEST(WorldFaults, ACleanLinkDeliversEverythingInOrderInTheNextFrameStep) {
    std::vector<int> expected;
    for (int i = 0; i < 20; ++i) {
        expected.push_back(i);
    }
    EXPECT_EQ(expected, Exchange(3, LinkFaults{}, 20, 20));
}

TEST_F(World, StrangersAreHeldUntilTheirSessionIsAccepted) {
    Collect<P2PSessionRequest> requests(b);
    ASSERT_TRUE(a.send_p2p_packet(b.own_id(), "hi", 2, 0, 0));
    ASSERT_TRUE(a.send_p2p_packet(b.own_id(), "there", 5, 0, 0));
    b.run_callbacks();
    ASSERT_EQ(1u, requests.got.size()) << "one request per stranger";
    EXPECT_EQ(a.own_id(), requests.got[0].remote);
    EXPECT_FALSE(b.is_p2p_packet_available(nullptr, 0));
    b.accept_p2p_session(a.own_id());
    char buffer[8];
    std::uint32_t read = 0;
    std::uint64_t sender = 0;
    ASSERT_TRUE(b.read_p2p_packet(buffer, sizeof buffer, &read, &sender, 0));
    EXPECT_EQ("hi", std::string(buffer, read));
}

TEST_F(World, AchievementsAreKnownOnlyAfterTheStatsArrive) {
    world.set_achievement_names({"FIRST_WIN", "TEN_WINS"});
    bool achieved = true;
    EXPECT_FALSE(a.get_achievement("FIRST_WIN", &achieved)) << "not requested yet";
    Collect<UserStatsReceived> received(a);
    ASSERT_TRUE(a.request_current_stats());
    a.run_callbacks();
    EXPECT_EQ(1u, received.got.size());
    EXPECT_TRUE(a.get_achievement("FIRST_WIN", &achieved));
    EXPECT_FALSE(achieved);
    EXPECT_TRUE(a.set_achievement("FIRST_WIN"));
    EXPECT_FALSE(a.set_achievement("NO_SUCH"));
    Collect<UserAchievementStored> stored(a);
    EXPECT_TRUE(a.store_stats());
    a.run_callbacks();
    ASSERT_EQ(1u, stored.got.size());
    EXPECT_STREQ("FIRST_WIN", stored.got[0].name);
    EXPECT_STREQ("TEN_WINS", a.get_achievement_name(1));
    EXPECT_STREQ("", a.get_achievement_name(2));
    EXPECT_TRUE(a.reset_all_stats(true));
    EXPECT_TRUE(a.get_achievement("FIRST_WIN", &achieved));
    EXPECT_FALSE(achieved);
    bool other = true;
    b.request_current_stats();
    b.run_callbacks();
    EXPECT_TRUE(b.get_achievement("FIRST_WIN", &other));
    EXPECT_FALSE(other) << "each account has its own store";
}

TEST_F(World, VoiceKeepsItsRecordingStateButNeverHasData) {
    std::uint32_t size = 7;
    EXPECT_EQ(kVoiceNotRecording, a.get_available_voice(&size));
    a.start_voice_recording();
    EXPECT_EQ(kVoiceNoData, a.get_available_voice(&size));
    EXPECT_EQ(0u, size);
    a.stop_voice_recording();
    EXPECT_EQ(kVoiceNotRecording, a.get_voice(nullptr, 0, &size));
    std::uint32_t written = 1;
    EXPECT_NE(kVoiceOk, a.decompress_voice(nullptr, 0, nullptr, 0, &written, 11000));
    EXPECT_EQ(0u, written);
}

}  // namespace
