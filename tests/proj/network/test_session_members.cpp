// Session members: a full table refuses, removal never underflows the count,
// and a removed member loses its battler pointer, sync bit and resend slot.
#include "proj/network/session_members.h"

#include <gtest/gtest.h>

#include "proj/network/game_network_database.h"
#include "proj/network/p2p_buffers.h"

namespace Sample {
namespace {

class SessionMembersTest : public testing::Test {
protected:
    void SetUp() override {
        ResetNetworkDatabase();
        InitP2PBuffers();
        CreateP2PBuffers(kP2PSendQueueSize);
        CreatePeriodicSends();
    }
    void TearDown() override { FreeP2PBuffers(); }
    SGameSessionRecord& session = GetNetworkDatabase().session;
    static PeerAddress Peer(int i) { return {0x0110000100000100ull + i, 0}; }
};

TEST_F(SessionMembersTest, MembersFillSlotsInOrderAndAFifthIsRefused) {
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(AddSessionMember("m", Peer(i).id, Peer(i)), i);
    }
    EXPECT_EQ(session.param.Member, 4);
    EXPECT_EQ(AddSessionMember("late", 999, Peer(9)), -1);
    EXPECT_EQ(session.param.Member, 4) << "a refused member is not counted";
    for (int i = 0; i < 4; ++i) {
        const CGameMemberSlot& s = session.slots[i];
        EXPECT_TRUE(s.IsConnect());
        EXPECT_EQ(s.joinOrder, i);
        EXPECT_EQ(s.BattlerNo(), i);
        EXPECT_EQ(s.GetSequence(), 1);
        EXPECT_TRUE(s.flags & MemberFlag::kJoined);
        EXPECT_EQ(session.battlerSlots[i], &session.slots[i]);
    }
}

TEST_F(SessionMembersTest, RemovingAnEmptySlotLeavesTheCountAlone) {
    EXPECT_EQ(RemoveSessionMember(2), 2);
    EXPECT_EQ(session.param.Member, 0) << "no wrap to 255";
    EXPECT_EQ(RemoveSessionMember(4), -1);
    EXPECT_EQ(RemoveSessionMember(-1), -1);
}

TEST_F(SessionMembersTest, RemovedMemberLosesBattlerSyncBitAndResend) {
    AddSessionMember("a", 1001, Peer(0));
    AddSessionMember("b", 1002, Peer(1));
    session.param.flags |= (SessionFlag::kSyncPlayData0 << 1) | 0x0003;
    const std::uint8_t order[] = {6, 0, 8, 3, 0, 0};
    ASSERT_TRUE(ArmPeriodicSend(1, order, sizeof order, Peer(1)));
    EXPECT_EQ(RemoveSessionMember(1), 1);
    EXPECT_EQ(session.param.Member, 1);
    EXPECT_FALSE(session.slots[1].IsConnect());
    EXPECT_EQ(session.slots[1].GetRTT(), -1);
    EXPECT_EQ(session.battlerSlots[1], nullptr);
    EXPECT_EQ(session.param.flags & 0x0020, 0) << "sync-play-data bit of slot 1";
    EXPECT_EQ(session.param.flags & 0x000F, 0) << "battle-OK bits";
    EXPECT_EQ(GetP2PBuffers().periodic[1].interval, 0);
    EXPECT_EQ(session.slots[0].joinOrder, 0);
}

}  // namespace
}  // namespace Sample
