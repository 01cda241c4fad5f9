// Network database: reset state, battler numbers, renumbering, team-id
// checks and the slot pointers found by account id.
#include "proj/network/game_network_database.h"

#include <gtest/gtest.h>

#include <cstring>

namespace Sample {
namespace {

class NetworkDatabaseTest : public testing::Test {
protected:
    void SetUp() override { ResetNetworkDatabase(); }
    SGameNetworkDatabase& db = GetNetworkDatabase();
    SGameSessionRecord& session = db.session;

    CGameMemberSlot& Connect(int i, std::uint64_t id, const char* name, std::uint8_t joinOrder) {
        CGameMemberSlot& s = session.slots[i];
        s.state = CGameMemberSlot::kConnected;
        s.memberId = id;
        std::strncpy(s.memberName, name, sizeof s.memberName - 1);
        s.joinOrder = joinOrder;
        return s;
    }
};

TEST_F(NetworkDatabaseTest, ResetLeavesEverySlotEmptyWithRttMinusOne) {
    session.slots[2].rtt = 40;
    session.slots[2].memberOffsetIndex = 9;
    db.battleData.battleParam.keyHistory[1].Record(5, 5);
    ResetNetworkDatabase();
    for (int i = 0; i < 4; ++i) {
        const CGameMemberSlot& s = session.slots[i];
        EXPECT_EQ(s.GetRTT(), -1) << i;
        EXPECT_EQ(s.MemberOffsetIndex(), i);
        EXPECT_EQ(s.BattlerNo(), -1) << i;
        EXPECT_FALSE(s.IsConnect());
    }
    EXPECT_EQ(db.battleData.battleParam.keyHistory[1].KeyAt(5), 0);
    EXPECT_EQ(session.ownSlot, nullptr);
}

TEST_F(NetworkDatabaseTest, BattlerNumberIsTheLowestBitOnlyWithTheAssignedFlag) {
    CGameMemberSlot& s = session.slots[0];
    s.flags = MemberFlag::kBattler0 << 2;
    EXPECT_EQ(s.BattlerNo(), -1) << "no 0x1000";
    s.SetBattlerNo(0);
    EXPECT_EQ(s.BattlerNo(), 0);
    s.SetBattlerNo(1);
    EXPECT_EQ(s.BattlerNo(), 0) << "battler 1 on a slot holding 0 stays 0";
    s.flags = 0;
    s.SetBattlerNo(1);
    s.SetBattlerNo(3);
    EXPECT_EQ(s.flags & 0x0F00, 0x0800) << "3 clears battler 1's bit";
    s.SetBattlerNo(4);
    s.SetBattlerNo(-1);
    EXPECT_EQ(s.flags, 0x1800) << "numbers outside 0-3 change nothing";
}

TEST_F(NetworkDatabaseTest, RenumberKeepsJoinOrderAndMarksEmptySlots) {
    Connect(0, 11, "a", 3);
    Connect(2, 12, "b", 1);
    Connect(3, 13, "c", 2);
    session.RenumberMembers();
    EXPECT_EQ(session.slots[2].joinOrder, 0);
    EXPECT_EQ(session.slots[3].joinOrder, 1);
    EXPECT_EQ(session.slots[0].joinOrder, 2);
    EXPECT_EQ(session.slots[1].joinOrder, CGameMemberSlot::kNoJoinOrder);
}

TEST_F(NetworkDatabaseTest, RefreshBattlerNumbersFollowsSlotIndexAndTheHost) {
    CGameMemberSlot& host = Connect(0, 11, "h", 0);
    host.flags = MemberFlag::kHost;
    Connect(2, 12, "m", 1);
    session.hostSlot = &host;
    session.param.flags = 0x0300;
    session.RefreshBattlerNumbers();
    EXPECT_EQ(session.slots[0].BattlerNo(), 0);
    EXPECT_EQ(session.slots[2].BattlerNo(), 2);
    EXPECT_EQ(session.slots[1].BattlerNo(), -1);
    EXPECT_EQ(session.param.flags & 0x0F00, 0x0F00);
}

TEST_F(NetworkDatabaseTest, TeamIdIsTakenOnlyByABattlerThatHasChosen) {
    db.battleData.battlers[1].teamId = 5;
    EXPECT_TRUE(db.CheckPlayerTeamID(5)) << "battler 1 has not chosen yet";
    db.battleData.battlers[1].flags = SGameBattlerInfo::kReceived;
    EXPECT_FALSE(db.CheckPlayerTeamID(5));
    db.battleData.battlers[1].flags = 0;
    session.param.flags = SessionFlag::kSyncPlayData0 << 1;
    EXPECT_FALSE(db.CheckPlayerTeamID(5));
    db.battleData.battlers[0].teamId = -1;
    db.battleData.battlers[0].flags = SGameBattlerInfo::kReceived;
    EXPECT_TRUE(db.CheckPlayerTeamID(-1));
}

TEST_F(NetworkDatabaseTest, OwnSlotIsFoundByAccountIdNotByName) {
    // Two members with the same display name: only the id tells them apart.
    Connect(0, 0x0110000100000001ull, "Same", 0).flags = MemberFlag::kHost | 0x1100;
    Connect(1, 0x0110000100000002ull, "Same", 1).flags = MemberFlag::kJoined | 0x1200;
    session.UpdateSlotPointers(0x0110000100000002ull);
    EXPECT_EQ(session.ownSlot, &session.slots[1]);
    EXPECT_EQ(session.hostSlot, &session.slots[0]);
    EXPECT_EQ(session.battlerSlots[0], &session.slots[0]);
    EXPECT_EQ(session.battlerSlots[1], &session.slots[1]);
    EXPECT_EQ(session.battlerSlots[2], nullptr);
    session.UpdateSlotPointers(0);
    EXPECT_EQ(session.ownSlot, nullptr) << "no own id yet: no own slot";
}

TEST_F(NetworkDatabaseTest, FirstEmptySlotAnswersMinusOneWhenFull) {
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(session.FirstEmptySlot(), i);
        Connect(i, 100 + i, "x", static_cast<std::uint8_t>(i));
    }
    EXPECT_EQ(session.FirstEmptySlot(), -1);
}

TEST_F(NetworkDatabaseTest, SessionInfoUnpackTerminatesTheName) {
    std::uint8_t wire[SGameSessionInfo::kWireSize];
    std::memset(wire, 'n', sizeof wire);
    Net::LeReader r(wire, sizeof wire);
    SGameSessionInfo info;
    Unpack(r, info);
    EXPECT_TRUE(r.Ok());
    EXPECT_EQ(std::strlen(info.sessionName), 125u);
    EXPECT_EQ(info.memberMax, 'n');
}

}  // namespace
}  // namespace Sample
