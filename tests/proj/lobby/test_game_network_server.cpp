// The lobby session server over the in-process world: rooms created, found,
// joined and settled by two to four members; the search's filters and round
// trip limit and a lost probe sent again; refused joins, kicks and owner
// migration.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/netcheck/netcheck.h"
#include "proj/network/game_network_ctrl.h"
#include "proj/network/lobby_messages.h"
#include "tests/support/lobby_harness.h"

namespace {

using lobby_test::LobbyHarness;
using namespace Sample;
using Server = Sample::Win::CGameNetworkServer;

int ConnectedSlots(LobbyHarness& h, int i) {
    return h.With(i, [] {
        int n = 0;
        for (const CGameMemberSlot& s : GetNetworkDatabase().session.slots) {
            n += s.IsConnect() ? 1 : 0;
        }
        return n;
    });
}

class Settling : public ::testing::TestWithParam<int> {};

TEST_P(Settling, EveryMemberHoldsTheSameConnectedTable) {
    const int n = GetParam();
    LobbyHarness h(n, 11);
    ASSERT_TRUE(h.Settle(n));
    std::uint64_t hostIds[kSessionMembers] = {};
    h.With(0, [&] {
        for (int k = 0; k < kSessionMembers; ++k) {
            hostIds[k] = GetNetworkDatabase().session.slots[k].memberId;
        }
    });
    for (int i = 0; i < n; ++i) {
        EXPECT_EQ(n, ConnectedSlots(h, i)) << "member " << i;
        EXPECT_EQ(Server::kSettled, h.server(i).State()) << "member " << i;
        h.With(i, [&] {
            const SGameSessionRecord& s = GetNetworkDatabase().session;
            ASSERT_NE(nullptr, s.ownSlot);
            EXPECT_EQ(h.member(i).platform->own_id(), s.ownSlot->memberId);
            for (int k = 0; k < kSessionMembers; ++k) {
                EXPECT_EQ(hostIds[k], s.slots[k].memberId) << "member " << i << " slot " << k;
            }
        });
    }
    // The room's records in the lobby data name every member, present.
    for (int k = 0; k < n; ++k) {
        const RoomMemberRecord r = h.server(0).RoomInfo().ReadMemberData(k);
        EXPECT_EQ(RoomMemberRecord::kPresent, r.state) << k;
        EXPECT_EQ(h.member(k).platform->own_id(), r.id) << k;
    }
}

INSTANTIATE_TEST_SUITE_P(Members, Settling, ::testing::Values(2, 3, 4));

TEST(LobbyServer, PlayersWithTheSameNameAllGetIn) {
    LobbyHarness h(3, 17, {"Sam", "Sam", "Sam"});
    ASSERT_TRUE(h.Settle(3));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(3, ConnectedSlots(h, i)) << "member " << i;
    }
}

TEST(LobbyServer, MembersWithOneNameReachEachOtherByAccountId) {
    LobbyHarness h(3, 23, {"Sam", "Sam", "Sam"});
    ASSERT_TRUE(h.Settle(3));
    h.Frames(130);  // two host rebroadcasts: every member table applied
    for (int i = 0; i < 3; ++i) {
        h.With(i, [&] {
            const SGameSessionRecord& s = GetNetworkDatabase().session;
            for (const CGameMemberSlot& slot : s.slots) {
                if (slot.IsConnect() && &slot != s.ownSlot) {
                    EXPECT_EQ(slot.memberId, slot.peer.id)
                        << "member " << i << " addresses slot " << s.IndexOf(&slot);
                }
            }
            return 0;
        });
    }
}

TEST(LobbyServer, TheHostsLobbyCarriesItsPlatformAccountId) {
    LobbyHarness h(2, 3);
    ASSERT_TRUE(h.Init(0));
    ASSERT_TRUE(h.Create(0));
    const std::string hostId = h.server(0).Steam()->GetLobbyData(0, "host_id");
    EXPECT_EQ(std::to_string(h.member(0).platform->own_id()), hostId);
    EXPECT_EQ(h.member(0).platform->own_id(),
              h.With(0, [] { return GetNetworkDatabase().ownUser.id; }));
}

TEST(LobbyServer, ChatReachesEveryMemberThroughTheHost) {
    LobbyHarness h(3, 5);
    ASSERT_TRUE(h.Settle(3));
    h.With(2, [&] { return h.server(2).SendRoomChat("hello room"); });
    h.Frames(10);
    for (int i = 0; i < 3; ++i) {
        const auto& log = h.member(i).networker->textChat;
        ASSERT_EQ(1, log.count) << "member " << i;
        EXPECT_STREQ("hello room", log.entries[0].text);
        EXPECT_STREQ("P2", log.entries[0].name);
    }
}

TEST(LobbyServer, SearchSkipsARoomMarkedInvalidAndRefusesAJoinToIt) {
    LobbyHarness h(2, 9);
    ASSERT_TRUE(h.Init(0));
    ASSERT_TRUE(h.Init(1));
    ASSERT_TRUE(h.Create(0));
    ASSERT_TRUE(h.Search(1));
    ASSERT_EQ(1, h.server(1).searchResultCount);
    // The room closes after the search listed it.
    h.server(0).Steam()->SetLobbyData(0, "invalid_lobby", "1");
    h.Frames(2);
    EXPECT_EQ(Server::kRefused, h.With(1, [&] {
        h.server(1).connectObj.SearchIndex = 0;
        return h.server(1).OrderConnectSession(h.server(1).connectObj);
    }));
    ASSERT_TRUE(h.Search(1));
    EXPECT_EQ(0, h.server(1).searchResultCount);
}

TEST(LobbyServer, ASearchIndexPastTheListIsRefused) {
    LobbyHarness h(2, 4);
    ASSERT_TRUE(h.Init(0));
    ASSERT_TRUE(h.Init(1));
    ASSERT_TRUE(h.Create(0));
    ASSERT_TRUE(h.Search(1));
    ASSERT_EQ(1, h.server(1).searchResultCount);
    EXPECT_FALSE(h.Connect(1, 1));
    EXPECT_EQ(Server::kSettled, h.server(1).State());
}

TEST(LobbyServer, KeywordFilterFindsOnlyTheMatchingRoom) {
    LobbyHarness h(3, 6);
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(h.Init(i));
    }
    ASSERT_TRUE(h.Create(0, 4, "red"));
    ASSERT_TRUE(h.Create(1, 4, "blue"));
    ASSERT_TRUE(h.Search(2, "blue"));
    ASSERT_EQ(1, h.server(2).searchResultCount);
    EXPECT_EQ(h.member(1).platform->own_id(), h.server(2).SearchResult(0)->GetHostID());
    EXPECT_STREQ("blue", h.server(2).SearchResult(0)->GetKeyword());
}

TEST(LobbyServer, RoundTripLimitKeeps180AndDrops181AndNodesStayOnTheirEntries) {
    LobbyHarness h(4, 8);
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(h.Init(i));
    }
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(h.Create(i));
    }
    Server& s = h.server(3);
    s.searchObj.gameVersion = kGameVersion;
    s.searchObj.hostArea = 255;
    h.With(3, [&] { return s.OrderSearchSession(s.searchObj); });
    ASSERT_TRUE(h.RunUntil([&] { return s.State() == Server::kMeasuring; }));
    ASSERT_EQ(3, s.searchResultCount);
    // Round trips as if measured: the first room is too far away.
    const std::int32_t rtts[] = {181, 180, 12};
    std::uint64_t hosts[3] = {};
    for (int j = 0; j < 3; ++j) {
        auto* node = static_cast<Win::CWinSearchResultNode*>(s.searchResults[j].get());
        node->hostRtt = rtts[j];
        hosts[j] = node->hostId;
    }
    EXPECT_EQ(0, h.With(3, [&] { return s.CheckSearchSession(); }));
    ASSERT_EQ(2, s.searchResultCount);
    EXPECT_EQ(2, s.Steam()->GetLobbyCount());
    for (int j = 0; j < 2; ++j) {
        EXPECT_EQ(hosts[j + 1], s.SearchResult(j)->GetHostID()) << j;
        EXPECT_EQ(std::uint64_t(j), s.SearchResult(j)->GetSessionID());
        // Node j names lobby entry j.
        EXPECT_EQ(std::to_string(hosts[j + 1]),
                  std::string(s.Steam()->GetLobbyData(std::uint32_t(j), "host_id")));
    }
    EXPECT_EQ(nullptr, s.SearchResult(2));
}

TEST(LobbyServer, ALostIdentityProbeIsSentAgainAndTheRoomIsFound) {
    LobbyHarness h(2, 21);
    ASSERT_TRUE(h.Init(0));
    ASSERT_TRUE(h.Init(1));
    ASSERT_TRUE(h.Create(0));
    const std::uint64_t host = h.member(0).platform->own_id();
    const std::uint64_t searcher = h.member(1).platform->own_id();
    platform::online::LinkFaults lost;
    lost.loss = 1.0;
    h.world().set_link_faults(searcher, host, lost);
    Server& s = h.server(1);
    s.searchObj.gameVersion = kGameVersion;
    s.searchObj.hostArea = 255;
    h.With(1, [&] { return s.OrderSearchSession(s.searchObj); });
    ASSERT_TRUE(h.RunUntil([&] { return s.State() == Server::kMeasuring; }));
    h.Frames(3);  // the first probe is gone
    h.world().set_link_faults(searcher, host, platform::online::LinkFaults{});
    int frames = 0;
    ASSERT_TRUE(h.RunUntil(
        [&] {
            ++frames;
            return s.State() == Server::kSettled;
        },
        Server::kRttWaitFrames + 100));
    EXPECT_EQ(1, s.searchResultCount) << "the room was not found";
    EXPECT_LE(frames, 2 * Server::kProbeResendFrames) << "frames until the search settled";
}

TEST(LobbyServer, AKickedPlayerNoLongerFindsTheRoom) {
    LobbyHarness h(2, 12);
    ASSERT_TRUE(h.Settle(2));
    EXPECT_EQ(0, h.With(0, [&] { return h.server(0).KickOutRoomMember(1); }));
    ASSERT_TRUE(h.RunUntil([&] { return (h.member(1).seenHigh & NetResult::kKicked) != 0; }));
    const std::string kicked = h.server(0).Steam()->GetLobbyData(0, "kick_out");
    EXPECT_EQ(" " + std::to_string(h.member(1).platform->own_id()), kicked);
    h.With(1, [&] {
        h.server(1).OrderDisconnectSession();
        return 0;
    });
    h.Frames(5);
    ASSERT_TRUE(h.Search(1));
    EXPECT_EQ(0, h.server(1).searchResultCount);
}

TEST(LobbyServer, AKickFromAListedHostDuringASearchIsIgnored) {
    LobbyHarness h(2, 15);
    ASSERT_TRUE(h.Init(0));
    ASSERT_TRUE(h.Init(1));
    ASSERT_TRUE(h.Create(0));
    Server& s = h.server(1);
    s.searchObj.gameVersion = kGameVersion;
    s.searchObj.hostArea = 255;
    h.With(1, [&] { return s.OrderSearchSession(s.searchObj); });
    ASSERT_TRUE(h.RunUntil([&] { return s.State() == Server::kMeasuring; }));
    // The listed host (entry 0's owner) sends a kick to the searcher.
    const LobbyBytes kick = BuildKick();
    const CSteamID searcher(h.member(1).platform->own_id());
    h.With(0, [&] {
        h.server(0).Steam()->SendP2PPacket(&searcher, kick.data(),
                                           static_cast<std::uint32_t>(kick.size()));
        return 0;
    });
    ASSERT_TRUE(h.RunUntil([&] { return s.State() == Server::kSettled; }))
        << "the search never finished; state " << s.State();
    EXPECT_EQ(1, s.searchResultCount);
    EXPECT_EQ(Server::kPending, h.With(1, [&] { return s.CheckKicked(); }));
    // And the room can still be joined.
    EXPECT_TRUE(h.Connect(1, 0));
}

TEST(LobbyServer, ALockedRoomIsNotListedAndTakesNoOneNewByHelloOrJoin) {
    LobbyHarness h(3, 16);
    ASSERT_TRUE(h.Settle(2));
    ASSERT_TRUE(h.Init(2));
    // The match begins: the host locks the room, the lobby data follows.
    h.With(0, [] {
        GetNetworkDatabase().session.param.flags |= SessionFlag::kConnectLock;
        return 0;
    });
    ASSERT_TRUE(h.RunUntil(
        [&] { return std::string(h.server(0).Steam()->GetLobbyData(0, "invalid_lobby")) == "1"; }));
    ASSERT_TRUE(h.Search(2));
    EXPECT_EQ(0, h.server(2).searchResultCount) << "a locked room was listed";
    // A program that skipped the search enters the room's lobby on the
    // platform and sends the host a hello: no new member.
    const CSteamID room = h.server(0).Steam()->GetLobbyId(0);
    h.member(2).platform->join_lobby(room.ConvertToUint64());
    ASSERT_TRUE(h.RunUntil(
        [&] { return h.member(0).platform->get_num_lobby_members(room.ConvertToUint64()) == 3; }));
    const LobbyBytes hello = BuildHello(h.member(2).platform->own_id(), "P2");
    const CSteamID host(h.member(0).platform->own_id());
    for (int i = 0; i < 5; ++i) {
        h.With(2, [&] {
            h.server(2).Steam()->SendP2PPacket(&host, hello.data(),
                                               static_cast<std::uint32_t>(hello.size()));
            return 0;
        });
        h.Frames(4);
    }
    EXPECT_EQ(2, ConnectedSlots(h, 0));
    EXPECT_EQ(2, ConnectedSlots(h, 1));
    for (int k = 2; k < kSessionMembers; ++k) {
        EXPECT_EQ(RoomMemberRecord::kEmpty, h.server(0).RoomInfo().ReadMemberData(k).state) << k;
    }
    // A join of the room itself (from an invitation, say) is refused.
    h.member(2).platform->leave_lobby(room.ConvertToUint64());
    Server& third = h.server(2);
    const int refused = h.With(2, [&] {
        third.Steam()->SetJoinRequestedLobby(&room);
        third.connectObj = SNetConnectSessionObj{};
        third.connectObj.SearchIndex = 0;
        return third.OrderConnectSession(third.connectObj);
    });
    if (refused == 0) {
        ASSERT_TRUE(h.RunUntil([&] { return third.State() == Server::kSettled; }));
        EXPECT_FALSE(third.Steam()->IsInLobby());
    } else {
        EXPECT_EQ(Server::kRefused, refused);
    }
    h.Frames(20);
    EXPECT_EQ(2, ConnectedSlots(h, 0)) << "the join attempt changed the host's table";
}

TEST(LobbyServer, KickRefusesTheOwnSlotAndIndexesOutsideTheTable) {
    LobbyHarness h(2, 13);
    ASSERT_TRUE(h.Settle(2));
    for (int i : {-1, 0, 4, 1000}) {
        EXPECT_EQ(Server::kRefused, h.With(0, [&] { return h.server(0).KickOutRoomMember(i); }))
            << i;
    }
    EXPECT_EQ("", std::string(h.server(0).Steam()->GetLobbyData(0, "kick_out")));
}

TEST(LobbyServer, OwnerMigrationWritesChangeHostAndTheNewHostTakesOver) {
    LobbyHarness h(3, 14);
    ASSERT_TRUE(h.Settle(3));
    // The match is running when the host goes away.
    for (int i = 0; i < 3; ++i) {
        h.With(i, [] {
            for (CGameMemberSlot& s : GetNetworkDatabase().session.slots) {
                s.sequence = 6;
            }
        });
    }
    h.member(0).running = false;
    h.world().crash(*h.member(0).platform);
    bool announced = false;
    h.RunUntil(
        [&] {
            announced = announced ||
                        std::string(h.server(1).Steam()->GetLobbyData(0, "change_host")) == "1";
            return announced;
        },
        60);
    EXPECT_TRUE(announced);
    EXPECT_TRUE(h.server(1).RoomInfo().IsHost());
    EXPECT_EQ(std::to_string(h.member(1).platform->own_id()),
              std::string(h.server(1).Steam()->GetLobbyData(0, "host_id")));
    h.With(1, [&] { EXPECT_TRUE(GetNetworkDatabase().session.ownSlot->IsHost()); });
}

TEST(LobbyServer, AConnectThatIsNeverAnsweredTimesOutAndStopsItsHello) {
    LobbyHarness h(2, 15);
    ASSERT_TRUE(h.Init(0));
    ASSERT_TRUE(h.Init(1));
    ASSERT_TRUE(h.Create(0));
    ASSERT_TRUE(h.Search(1));
    // The host stops answering, but its lobby stays.
    h.member(0).running = false;
    EXPECT_FALSE(h.Connect(1, 0));
    EXPECT_TRUE(h.member(1).seenLow & NetResult::kConnectFailed);
    EXPECT_EQ(0, h.With(1, [] { return int(PeriodicSendCategory(Server::kHelloSlot)); }));
    EXPECT_FALSE(h.server(1).Steam()->IsInLobby());
}

TEST(LobbyServer, ACreateWithoutAResultTimesOut) {
    LobbyHarness h(1, 16);
    ASSERT_TRUE(h.Init(0));
    Server& s = h.server(0);
    // A create that the platform never answers: no lobby is asked for.
    h.With(0, [&] {
        s.lobbyState = Server::kCreating;
        return 0;
    });
    int result = Server::kPending;
    for (int f = 0; f <= Server::kRequestTimeoutFrames && result == Server::kPending; ++f) {
        result = h.With(0, [&] { return s.CheckCreateSession(); });
    }
    EXPECT_EQ(Server::kRefused, result);
    EXPECT_EQ(Server::kSettled, s.State());
}

}  // namespace

namespace {

TEST(LobbyServer, InitWaitsWhileThePlatformIsOfflineAndFailsWithoutANetwork) {
    LobbyHarness h(1, 18);
    Server& s = h.server(0);
    h.With(0, [&] { return s.OrderNetworkInit(s.initObj); });
    s.onlineFlag = 0;  // the platform's servers are out of reach
    EXPECT_EQ(Server::kWaiting, h.With(0, [&] { return s.CheckNetworkInit(); }));
    platform::netcheck::set_fixed_answer(false);
    EXPECT_EQ(Server::kRefused, h.With(0, [&] { return s.CheckNetworkInit(); }));
    EXPECT_EQ(0, s.networkConnected);
    platform::netcheck::set_fixed_answer(true);
    s.onlineFlag = 1;
    // The connection is seen at the end of a check, so the next one succeeds.
    EXPECT_EQ(Server::kWaiting, h.With(0, [&] { return s.CheckNetworkInit(); }));
    EXPECT_EQ(0, h.With(0, [&] { return s.CheckNetworkInit(); }));
    EXPECT_EQ(h.member(0).platform->own_id(), s.OwnUser().id);
    EXPECT_STREQ("P0", s.OwnUser().name);
}

}  // namespace

namespace {

TEST(LobbyServerState, ClearingTheRequestObjectsZeroFillsThemAndRearmsTheBreakUp) {
    Sample::IGameNetworkServer server;
    server.DisableSendBreakUp();
    server.lastError = 7;
    server.hostLossCounter = 600;
    server.initObj.ownId = 5;
    std::strcpy(server.createObj.sessionName, "room");
    server.searchObj.MemberNum = 3;
    server.connectObj.hostId = 9;
    server.friendObj.memberIndex = -1;
    server.ClearSessionRequestObjects();
    EXPECT_EQ(1, server.sendBreakUp);
    EXPECT_EQ(0, server.lastError);
    EXPECT_EQ(0u, server.hostLossCounter);
    EXPECT_EQ(0u, server.initObj.ownId);
    EXPECT_STREQ("", server.createObj.sessionName);
    EXPECT_EQ(0, server.searchObj.MemberNum);
    EXPECT_EQ(0u, server.connectObj.hostId);
    EXPECT_EQ(0, server.friendObj.memberIndex);
}

}  // namespace
