// vho::SteamLobbies over the in-process world: list numbering, removal and
// renumbering, the events of create, list and enter, and a superseded order
// whose lobby is left when its result comes late.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/online/online_loopback.h"
#include "qzware/depend/win/vho/vho_steam.h"

namespace {

namespace po = platform::online;

struct LobbiesOnWorld : ::testing::Test {
    po::LoopbackWorld world{21};
    po::LoopbackMember& self = world.add_member(7001, "Self");
    po::LoopbackMember& other = world.add_member(7002, "Other");
    vho::Steam steam{self, vho::Steam::Unregistered{}};
    vho::Listener key;
    std::vector<int> events;

    void SetUp() override {
        std::string message;
        steam.Start(message);
        ASSERT_EQ("", message);
        other.init();
        for (int code : {3, 4, 5}) {
            steam.GetSubject()->Attach(code, &key, [this, code](void*) { events.push_back(code); });
        }
    }
    void Frames(int n) {
        for (int i = 0; i < n; ++i) {
            other.run_callbacks();
            steam.Update();
        }
    }
    std::uint64_t OtherCreates() {
        std::uint64_t lobby = 0;
        const po::CallHandle call = other.create_lobby(po::kLobbyTypePublic, 4);
        other.callbacks().register_call_result(call, po::LobbyCreated::kId, [&](const void* r) {
            lobby = static_cast<const po::LobbyCreated*>(r)->lobby;
        });
        other.run_callbacks();
        return lobby;
    }
};

TEST_F(LobbiesOnWorld, CreateEntersTheLobbyAsEntryZeroAndRaisesEvent3) {
    steam.CreateLobby(4);
    Frames(2);
    EXPECT_EQ(std::vector<int>{3}, events);
    EXPECT_TRUE(steam.IsInLobby());
    EXPECT_EQ(1, steam.GetLobbyCount());
    EXPECT_TRUE(steam.GetLobbyId(0).IsLobby());
    EXPECT_EQ(self.own_id(), steam.GetLobbyOwner(0).ConvertToUint64());
}

TEST_F(LobbiesOnWorld, RemovalRenumbersAndTheCurrentLobbyFollowsIndexZero) {
    vho::SteamLobbies& l = *steam.GetLobbies();
    const CSteamID a(po::lobby_id(1)), b(po::lobby_id(2));
    l.SetJoinRequestedLobby(&a);
    EXPECT_TRUE(l.IsJoinRequested());
    l.RemoveLobby(&a);
    EXPECT_EQ(0u, l.GetLobbyCount());
    l.SetJoinRequestedLobby(&b);
    const CSteamID notListed(po::lobby_id(9));
    l.RemoveLobby(&notListed);
    EXPECT_EQ(1u, l.GetLobbyCount());
    EXPECT_EQ(b, l.GetCurrentLobby());
    EXPECT_EQ(vho::SteamLobbies::kNoIndex, l.GetLobbyEntry(5)->index);
    EXPECT_FALSE(l.GetLobbyEntry(5)->id.IsValid());
}

TEST_F(LobbiesOnWorld, ListResultNumbersLobbiesFromZeroAndRemoveRenumbers) {
    const std::uint64_t first = OtherCreates();
    po::LoopbackMember& third = world.add_member(7003, "Third");
    third.init();
    third.create_lobby(po::kLobbyTypePublic, 4);
    third.run_callbacks();
    ASSERT_NE(0u, first);
    steam.RequestLobbyList();
    Frames(2);
    ASSERT_EQ(std::vector<int>{4}, events);
    ASSERT_EQ(2, steam.GetLobbyCount());
    EXPECT_EQ(0, steam.GetLobbies()->GetLobbyEntry(0)->index);
    EXPECT_EQ(1, steam.GetLobbies()->GetLobbyEntry(1)->index);
    const CSteamID second = steam.GetLobbyId(1);
    steam.RemoveLobby(0);
    ASSERT_EQ(1, steam.GetLobbyCount());
    EXPECT_EQ(second, steam.GetLobbyId(0));
    EXPECT_EQ(second, steam.GetLobbies()->GetCurrentLobby());
}

TEST_F(LobbiesOnWorld, OutOfRangeIndexesAnswerTheFixedValues) {
    EXPECT_EQ("", std::string(steam.GetLobbyData(0, "host_id")));
    EXPECT_EQ(0, steam.GetLobbyDataInt(0, "host_id"));
    EXPECT_EQ(-1, steam.GetLobbyOwnerPeerId(0));
    EXPECT_EQ(0, steam.GetNumLobbyMembers(3));
    EXPECT_FALSE(steam.GetLobbyMemberByIndex(3, 0).IsValid());
}

TEST_F(LobbiesOnWorld, ASupersededJoinLeavesTheLobbyItEnteredLate) {
    const std::uint64_t lobby = OtherCreates();
    ASSERT_NE(0u, lobby);
    const CSteamID id(lobby);
    steam.GetLobbies()->JoinLobby(&id);
    // A new order replaces the join before its result is delivered.
    steam.CreateLobby(4);
    Frames(3);
    EXPECT_EQ(1, other.get_num_lobby_members(lobby)) << "the late join was not left";
    EXPECT_EQ(std::vector<int>{3}, events);
    EXPECT_TRUE(steam.IsInLobby());
    EXPECT_NE(id, steam.GetLobbyId(0));
    EXPECT_EQ(0u, steam.GetLobbies()->PendingOrphans()) << "a delivered late result is forgotten";
}

TEST_F(LobbiesOnWorld, JoiningTheSameLobbyTwiceBeforeTheAnswerStaysInIt) {
    const std::uint64_t lobby = OtherCreates();
    ASSERT_NE(0u, lobby);
    const CSteamID id(lobby);
    steam.GetLobbies()->JoinLobby(&id);
    steam.GetLobbies()->JoinLobby(&id);
    Frames(3);
    EXPECT_EQ(std::vector<int>{5}, events);
    EXPECT_TRUE(steam.IsInLobby());
    EXPECT_EQ(id, steam.GetLobbyId(0));
    EXPECT_EQ(2, other.get_num_lobby_members(lobby)) << "the first join's late result left it";
    EXPECT_EQ(0u, steam.GetLobbies()->PendingOrphans());
}

TEST_F(LobbiesOnWorld, ASupersededCreateLeavesTheLobbyItMadeLate) {
    steam.CreateLobby(4);
    steam.RequestLobbyList();
    Frames(3);
    // The created lobby is gone (its only member left); the list holds nothing of ours.
    other.request_lobby_list();
    other.run_callbacks();
    EXPECT_EQ(0u, other.get_lobby_by_index(0));
    EXPECT_FALSE(steam.IsInLobby());
}

}  // namespace
