// Match controller on one member: result bits, who may send what, the key
// exchange's edges, heartbeats, host loss and silent members.
#include "proj/network/game_network_ctrl.h"

#include <gtest/gtest.h>

#include <vector>

#include "proj/network/network_member_context.h"
#include "proj/network/session_members.h"
#include "tests/support/match_harness.h"

namespace Sample {
namespace {

using match_test::FakeServer;

struct ScriptedServer : FakeServer {
    int init = kServerPending, create = kServerPending, disconnect = kServerPending;
    std::vector<std::uint8_t> lobbyCategories;
    int CheckNetworkInit() override { return init; }
    int CheckCreateSession() override { return create; }
    int CheckDisconnectSession() override { return disconnect; }
    OwnUserRecord OwnUser() override {
        OwnUserRecord u;
        u.id = 0x0110000100000001ull;
        u.name[0] = 'H';
        return u;
    }
    void ReceiveMessage(const std::uint8_t* m, std::uint16_t, const PeerAddress&) override {
        lobbyCategories.push_back(m[2]);
    }
};

struct Sent {
    PeerAddress to;
    GameMessage m;
};

class NetworkCtrlTest : public testing::Test {
protected:
    static constexpr std::uint64_t kBase = 0x0110000100000001ull;
    static PeerAddress Peer(int i) { return {kBase + i, 0}; }

    void SetUp() override {
        CreateP2PBuffers(kP2PSendQueueSize);
        CreatePeriodicSends();
        ctrl.SetServer(&server);
    }
    // `members` members, slot i = member i = battler i, slot 0 the host; this
    // process is member `self`.
    void Session(int members, int self) {
        SGameNetworkDatabase& db = GetNetworkDatabase();
        db.ownUser.id = Peer(self).id;
        SGameSessionRecord& s = db.session;
        s.Clear();
        s.param.Member = static_cast<std::uint8_t>(members);
        for (int i = 0; i < members; ++i) {
            CGameMemberSlot& slot = s.slots[i];
            slot.state = CGameMemberSlot::kConnected;
            slot.memberId = Peer(i).id;
            slot.memberName[0] = static_cast<char>('A' + i);
            slot.peer = i == self ? PeerAddress{} : Peer(i);
            slot.flags = i == 0 ? MemberFlag::kHost : MemberFlag::kJoined;
            slot.SetBattlerNo(i);
            slot.sequence = 6;
            ctrl.memberNames[i] = slot.memberName;
        }
        s.UpdateSlotPointers(db.ownUser.id);
    }
    void Arrive(const GameMessage& m, const PeerAddress& from) {
        std::uint8_t b[kMaxMatchMessage];
        const std::size_t n = BuildGameMessage(m, b, sizeof b);
        ASSERT_NE(n, 0u);
        ASSERT_TRUE(AppendReceiveLog(from, b, n));
    }
    std::vector<Sent> Outgoing() {
        std::vector<Sent> out;
        DrainSendQueue([&](const P2PSendRecord& r) {
            Sent s;
            s.to = r.to;
            if (ParseGameMessage(r.message, r.length, s.m)) {
                out.push_back(s);
            }
        });
        return out;
    }
    static GameMessage Msg(std::uint8_t category, std::uint8_t sub = 0) {
        GameMessage m;
        m.category = category;
        m.sub = sub;
        return m;
    }
    static GameMessage Keys(int battler, std::uint16_t frame, std::vector<std::uint16_t> words) {
        GameMessage m = Msg(GameMessageCategory::kKeyInput);
        m.keyBattler = static_cast<std::uint8_t>(battler);
        m.frame = frame;
        m.keyCount = static_cast<std::uint8_t>(words.size());
        for (std::size_t i = 0; i < words.size(); ++i) {
            m.keys[i] = words[i];
        }
        return m;
    }
    SGameBattleParam& KeyState() { return GetNetworkDatabase().battleData.battleParam; }

    NetworkMemberContext context;
    ScopedNetworkMember use{context};
    CGameNetworkCtrl& ctrl = CGameNetworkCtrl::GetInstance();
    ScriptedServer server;
};

// [SECTION] Result bits and dispatch

TEST_F(NetworkCtrlTest, ResultBitsLastOneFrame) {
    server.init = 0;
    server.create = kServerFailed;
    ctrl.ManagementNetwork();
    EXPECT_TRUE(ctrl.resultLow & NetResult::kInitSucceeded);
    EXPECT_TRUE(ctrl.resultLow & NetResult::kCreateFailed);
    EXPECT_EQ(GetNetworkDatabase().networkState, 2u);
    EXPECT_EQ(GetNetworkDatabase().ownUser.id, 0x0110000100000001ull);
    server.init = server.create = kServerPending;
    ctrl.ManagementNetwork();
    EXPECT_EQ(ctrl.resultLow & (NetResult::kInitSucceeded | NetResult::kCreateFailed), 0u);
}

TEST_F(NetworkCtrlTest, InitFailure107LeavesLastErrorSeven) {
    server.init = 107;
    ctrl.ManagementNetwork();
    EXPECT_TRUE(ctrl.resultLow & NetResult::kInitFailed);
    EXPECT_EQ(server.lastError, 7);
}

TEST_F(NetworkCtrlTest, FailedDisconnectReportsAsFailedConnectAndClearsTheSession) {
    Session(2, 1);
    server.disconnect = kServerFailed;
    ctrl.ManagementNetwork();
    EXPECT_TRUE(ctrl.resultLow & NetResult::kConnectFailed);
    EXPECT_EQ(GetNetworkDatabase().session.ownSlot, nullptr);
    EXPECT_FALSE(GetNetworkDatabase().session.slots[0].IsConnect());
}

TEST_F(NetworkCtrlTest, LobbyCategoriesGoToTheServer) {
    Session(2, 1);
    Arrive(Msg(GameMessageCategory::kHostStateAck), Peer(0));
    const std::uint8_t lobby7[] = {4, 0, 7, 0};
    const std::uint8_t lobby21[] = {6, 0, 21, 0, 1, 2};
    AppendReceiveLog(Peer(0), lobby7, sizeof lobby7);
    AppendReceiveLog(Peer(0), lobby21, sizeof lobby21);
    ctrl.ManagementNetwork();
    EXPECT_EQ(server.lobbyCategories, (std::vector<std::uint8_t>{7, 21}));
}

TEST_F(NetworkCtrlTest, CreatedRoomMakesTheLocalUserHostWithBattlerZero) {
    server.init = 0;
    server.create = 0;
    ctrl.ManagementNetwork();
    const SGameSessionRecord& s = GetNetworkDatabase().session;
    ASSERT_NE(s.ownSlot, nullptr);
    EXPECT_EQ(s.ownSlot, s.hostSlot);
    EXPECT_EQ(s.ownSlot->flags, 0x1102);
    EXPECT_EQ(s.battlerSlots[0], s.ownSlot);
    EXPECT_EQ(s.param.flags & 0x0F00, 0x0F00);
    EXPECT_EQ(s.state, SGameSessionRecord::kRunning);
}

// [SECTION] Who may send what

TEST_F(NetworkCtrlTest, SnapshotsAreTakenOnlyFromTheHostSlot) {
    Session(3, 1);
    GameMessage snap = Msg(GameMessageCategory::kBattleSessionInfo);
    const SGameSessionRecord& s = GetNetworkDatabase().session;
    for (int i = 0; i < 4; ++i) {
        snap.identities[i] = s.slots[i].Identity();
        snap.states[i] = s.slots[i].StateRecord();
    }
    snap.sessionParam.Member = 3;
    snap.sessionParam.StartCount = 77;
    Arrive(snap, Peer(2));  // another member, not the host
    ctrl.ManagementNetwork();
    EXPECT_EQ(GetNetworkDatabase().session.param.StartCount, 0);
    Arrive(snap, Peer(0));
    ctrl.ManagementNetwork();
    EXPECT_EQ(GetNetworkDatabase().session.param.StartCount, 77);
    EXPECT_EQ(GetNetworkDatabase().session.ownSlot, &GetNetworkDatabase().session.slots[1]);
}

TEST_F(NetworkCtrlTest, StatusWithFlags0CSetsOnlyBattlerZeroConfirmed) {
    Session(2, 0);
    GetNetworkDatabase().session.param.flags = 0;
    GameMessage status = Msg(GameMessageCategory::kStatus);
    status.statusFlags = 0x0C;
    status.hostPing = 33;
    Arrive(status, Peer(1));
    ctrl.ManagementNetwork();
    EXPECT_EQ(GetNetworkDatabase().session.param.flags & 0x0F00, 0x0100);
    EXPECT_EQ(GetNetworkDatabase().session.slots[1].rtt, 33);
}

TEST_F(NetworkCtrlTest, KeyWordsAreTakenOnlyForTheSenderSlotsOwnBattler) {
    Session(3, 0);
    ctrl.InitKeyData(3);
    Arrive(Keys(2, 4, {0, 0x11, 0, 0, 0}), Peer(1));  // slot 1 speaking for battler 2
    Arrive(Keys(0, 4, {0, 0x22, 0, 0, 0}), Peer(1));  // ... and for ours
    ctrl.ManagementNetwork();
    EXPECT_EQ(KeyState().lastFrame[2], 3);
    EXPECT_EQ(KeyState().keyHistory[2].KeyAt(3), 0);
    EXPECT_EQ(KeyState().lastFrame[0], 3);
    Arrive(Keys(2, 4, {0, 0x11, 0, 0, 0}), Peer(2));
    ctrl.ManagementNetwork();
    EXPECT_EQ(KeyState().lastFrame[2], 4);
    EXPECT_EQ(KeyState().keyHistory[2].KeyAt(3), 0x11);
}

// [SECTION] Key exchange

TEST_F(NetworkCtrlTest, FirstKeyAfterInitIsSentWithFrameFieldFourAndFiveWords) {
    Session(2, 1);
    ctrl.InitKeyData(3);
    ctrl.SendKeyInput(0x0123);
    const std::vector<Sent> out = Outgoing();
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].to, Peer(0));
    EXPECT_EQ(out[0].m.frame, 4);
    ASSERT_EQ(out[0].m.keyCount, 5);
    EXPECT_EQ(out[0].m.keys[0], 0);
    EXPECT_EQ(out[0].m.keys[1], 0x0123);
    EXPECT_EQ(out[0].m.keys[4], 0);
}

TEST_F(NetworkCtrlTest, StartAndBitsTwelveAndThirteenNeverLeaveTheMachine) {
    Session(2, 1);
    ctrl.InitKeyData(3);
    ctrl.holdFlag = 0;
    ctrl.UpdateNetKeyBuffer(0x7001, false);
    const std::vector<Sent> out = Outgoing();
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].m.keys[1], 0x0001);
}

TEST_F(NetworkCtrlTest, KeyMessageEightAheadIsDroppedAndAGapNeverAdvancesTheLastFrame) {
    Session(2, 0);
    ctrl.InitKeyData(3);
    Arrive(Keys(1, 11, {0, 1, 2, 3, 4, 5, 6}), Peer(1));  // 8 ahead
    ctrl.ManagementNetwork();
    EXPECT_EQ(KeyState().keyHistory[1].Find(10), nullptr);
    // 7 ahead: kept, but frame 3 is not covered, so 3 stays the first unknown.
    Arrive(Keys(1, 10, {0, 9, 8, 7, 6, 5, 4}), Peer(1));
    ctrl.ManagementNetwork();
    EXPECT_EQ(KeyState().keyHistory[1].KeyAt(9), 9);
    EXPECT_EQ(KeyState().lastFrame[1], 3);
    Arrive(Keys(1, 5, {0, 44, 33}), Peer(1));
    ctrl.ManagementNetwork();
    EXPECT_EQ(KeyState().lastFrame[1], 5);
    EXPECT_EQ(KeyState().keyHistory[1].KeyAt(3), 33);
}

TEST_F(NetworkCtrlTest, ALateMessagesPlaceholderNeverOverwritesAKnownKey) {
    Session(2, 0);
    ctrl.InitKeyData(3);
    Arrive(Keys(1, 6, {0, 66, 55, 44}), Peer(1));
    Arrive(Keys(1, 5, {0, 55, 44}), Peer(1));  // late duplicate: word 0 is frame 5's placeholder
    ctrl.ManagementNetwork();
    EXPECT_EQ(KeyState().lastFrame[1], 6);
    EXPECT_EQ(KeyState().keyHistory[1].KeyAt(5), 66);
}

TEST_F(NetworkCtrlTest, ResendAnswerIncludesTheRequestedFrame) {
    Session(2, 1);
    ctrl.InitKeyData(3);
    for (int i = 0; i < 20; ++i) {
        ctrl.SendKeyInput(static_cast<std::uint16_t>(100 + i));  // frames 3..22
    }
    Outgoing();
    GameMessage request = Msg(GameMessageCategory::kKeyResendRequest);
    request.frame = 5;
    request.keyBattler = 1;
    Arrive(request, Peer(0));
    ctrl.ManagementNetwork();
    std::vector<Sent> out = Outgoing();
    ASSERT_FALSE(out.empty());
    const GameMessage& answer = out.back().m;
    EXPECT_EQ(answer.frame, 11);
    ASSERT_EQ(answer.keyCount, 7);
    EXPECT_EQ(answer.keys[6], 102) << "word 6 is frame 5, the one asked for";
}

// A member hands the host a departed battler's words in runs of seven; only
// the run that reaches its own last frame says it holds nothing more.
TEST_F(NetworkCtrlTest, AnAnswerForADepartedBattlerSaysWhetherItIsTheWholeStore) {
    Session(3, 1);
    ctrl.InitKeyData(3);
    Arrive(Keys(2, 9, {0, 8, 7, 6, 5, 4, 3}), Peer(2));
    Arrive(Keys(2, 15, {0, 14, 13, 12, 11, 10, 9}), Peer(2));
    ctrl.ManagementNetwork();
    ASSERT_EQ(KeyState().lastFrame[2], 15);
    RemoveSessionMember(2);  // the host's table says battler 2 left
    ASSERT_TRUE(ctrl.IsDeparted(2));
    Outgoing();
    struct Row {
        std::uint16_t asked;
        std::uint16_t frame;
        std::uint8_t sub;
    };
    for (const Row& row :
         {Row{3, 9, 0}, Row{8, 14, 0}, Row{9, 15, kKeyRunWhole}, Row{15, 15, kKeyRunWhole}}) {
        SCOPED_TRACE(row.asked);
        GameMessage request = Msg(GameMessageCategory::kKeyResendRequest);
        request.frame = row.asked;
        request.keyBattler = 2;
        Arrive(request, Peer(0));
        ctrl.ManagementNetwork();
        const std::vector<Sent> out = Outgoing();
        ASSERT_EQ(out.size(), 1u);
        EXPECT_EQ(out[0].m.frame, row.frame);
        EXPECT_EQ(out[0].m.sub, row.sub);
    }
}

// Two requests in flight get the same capped run twice: neither is the
// member's whole store, so the end waits for the run that is.
TEST_F(NetworkCtrlTest, TheHostFixesADepartedBattlersEndOnlyFromWholeStores) {
    Session(3, 0);
    ctrl.InitKeyData(3);
    ctrl.ManagementNetwork();
    RemoveSessionMember(2);
    GameMessage capped = Keys(2, 9, {0, 8, 7, 6, 5, 4, 3});
    for (int copy = 0; copy < 2; ++copy) {
        Arrive(capped, Peer(1));
        ctrl.ManagementNetwork();
        ctrl.UpdateNetworkWait();
        Outgoing();
    }
    EXPECT_EQ(KeyState().lastFrame[2], 9);
    EXPECT_EQ(ctrl.DepartedEnd(2), -1) << "a capped run says nothing of what else member 1 holds";
    GameMessage whole = Keys(2, 12, {0, 11, 10, 9, 8, 7, 6});
    whole.sub = kKeyRunWhole;
    Arrive(whole, Peer(1));
    ctrl.ManagementNetwork();
    ctrl.UpdateNetworkWait();
    EXPECT_EQ(ctrl.DepartedEnd(2), 12);
    EXPECT_EQ(KeyState().keyHistory[2].KeyAt(11), 11);
    EXPECT_EQ(KeyState().keyHistory[2].KeyAt(12), 0);
}

TEST_F(NetworkCtrlTest, MissingWordHoldsTheFrameAndIsAskedForAgainAfterTheDelay) {
    Session(2, 0);
    ctrl.InitKeyData(3);
    ctrl.ManagementNetwork();
    KeyState().currentFrame = 3;  // battler 1 has sent nothing past frame 2
    int requests = 0;
    for (int frame = 0; frame < 8; ++frame) {
        ctrl.UpdateNetworkWait();
        EXPECT_TRUE(ctrl.holdFlag);
        for (const Sent& s : Outgoing()) {
            requests += s.m.category == GameMessageCategory::kKeyResendRequest ? 1 : 0;
        }
    }
    EXPECT_EQ(requests, 2) << "every delay + 1 frames";
}

TEST_F(NetworkCtrlTest, DelayIsNeverRaisedPastSeven) {
    Session(2, 0);
    ctrl.InitKeyData(7);
    KeyState().delayRaiseFlag = 1;
    KeyState().lastFrame[1] = 100;
    KeyState().currentFrame = 20;
    ctrl.UpdateNetworkWait();
    EXPECT_EQ(KeyState().KeyBufferDelay, 7);
    EXPECT_EQ(KeyState().delayRaiseFlag, 0);
}

TEST_F(NetworkCtrlTest, TheDelayMarkIsLookedForOnTheHostBattler) {
    Session(3, 2);
    ctrl.InitKeyData(3);
    KeyState().keyHistory[1].Record(0x4000 | 5, 0);
    KeyState().keyHistory[0].Record(0x4000 | 6, 1);
    EXPECT_EQ(ctrl.GetMemberKey(1), 5);
    EXPECT_EQ(KeyState().delayRaiseFlag, 0) << "battler 1 is not the host's";
    KeyState().currentFrame = 1;
    EXPECT_EQ(ctrl.GetMemberKey(0), 6);
    EXPECT_EQ(KeyState().delayRaiseFlag, 1);
}

// [SECTION] Scene handshakes

TEST_F(NetworkCtrlTest, AReplyEndsOnlyTheRequestItAnswers) {
    Session(2, 1);
    ctrl.SendCharaSelect(1);
    EXPECT_EQ(PeriodicSendCategory(4), GameMessageCategory::kCharaSelect);
    GameMessage other = Msg(GameMessageCategory::kTeamSelect, 2);
    Arrive(other, Peer(0));
    ctrl.ManagementNetwork();
    EXPECT_EQ(PeriodicSendCategory(4), GameMessageCategory::kCharaSelect);
    EXPECT_EQ(GetNetworkDatabase().session.ownSlot->messageState, 1u);
    Arrive(Msg(GameMessageCategory::kCharaSelect, 2), Peer(0));
    ctrl.ManagementNetwork();
    EXPECT_EQ(PeriodicSendCategory(4), 0);
    EXPECT_EQ(GetNetworkDatabase().session.ownSlot->messageState, 0u);
}

TEST_F(NetworkCtrlTest, HostsOwnResultEndComesBackThroughLoopback) {
    Session(2, 0);
    ctrl.SendArrivalResultEnd();
    for (int frame = 0; frame < 3; ++frame) {
        RunP2PSender(Peer(0).id, nullptr);
        ctrl.ManagementNetwork();
    }
    EXPECT_EQ(GetNetworkDatabase().session.ownSlot->sequence, 1);
    EXPECT_EQ(PeriodicSendCategory(4), 0) << "category 17 to itself ended the resend";
}

// [SECTION] Heartbeat, host loss and kicks

TEST_F(NetworkCtrlTest, MemberSendsStatusEvery61FramesAndLosesTheHostAt601) {
    Session(2, 1);
    std::vector<int> statusAt;
    int lostAt = 0;
    for (int frame = 1; frame <= 601 && lostAt == 0; ++frame) {
        ctrl.ManagementNetwork();
        for (const Sent& s : Outgoing()) {
            if (s.m.category == GameMessageCategory::kStatus) {
                statusAt.push_back(frame);
                EXPECT_EQ(s.to, Peer(0));
                EXPECT_EQ(s.m.hostPing, 42);
            }
        }
        if (ctrl.resultLow & NetResult::kHostLost) {
            lostAt = frame;
        }
    }
    ASSERT_GE(statusAt.size(), 2u);
    EXPECT_EQ(statusAt[0], 61);
    EXPECT_EQ(statusAt[1], 122);
    EXPECT_EQ(lostAt, 601);
    EXPECT_EQ(server.disconnectOrders, 1);
    EXPECT_EQ(GetNetworkDatabase().session.state, SGameSessionRecord::kLeaving);
}

TEST_F(NetworkCtrlTest, WithoutBreakUpTheHostIsLeft1800FramesLater) {
    Session(2, 1);
    server.sendBreakUp = 0;
    int lostAt = 0;
    testing::internal::CaptureStdout();
    for (int frame = 1; frame <= 2401 && lostAt == 0; ++frame) {
        ctrl.ManagementNetwork();
        Outgoing();
        if (ctrl.resultLow & NetResult::kHostLost) {
            lostAt = frame;
        }
    }
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(lostAt, 2401);
    std::size_t breaks = 0;
    for (std::size_t at = out.find("Break Room"); at != std::string::npos;
         at = out.find("Break Room", at + 1)) {
        ++breaks;
    }
    EXPECT_EQ(breaks, 1801u) << "1,800 before the frame that leaves, and that frame's";
    EXPECT_EQ(out.rfind("Not get host hert beat !!\n"), out.size() - 26);
}

TEST_F(NetworkCtrlTest, SilenceCountersSaturateInsteadOfWrapping) {
    Session(2, 1);
    GetNetworkDatabase().session.slots[0].silenceCounter = 0xFFFF;
    ctrl.ManagementNetwork();
    EXPECT_EQ(GetNetworkDatabase().session.slots[0].silenceCounter, 0xFFFF);
    EXPECT_TRUE(ctrl.resultLow & NetResult::kHostLost);
}

TEST_F(NetworkCtrlTest, SilentMemberIsRemovedOnlyWithTheBreakUpFlag) {
    for (std::uint8_t flag : {0, 1}) {
        SCOPED_TRACE(int(flag));
        Session(3, 0);
        server.sendBreakUp = flag;
        server.removeOrders = 0;
        int removedAt = 0;
        for (int frame = 1; frame <= 700; ++frame) {
            if (frame % 30 == 0) {
                Arrive(Msg(GameMessageCategory::kArrivalPreBattle), Peer(2));  // slot 2 talks
            }
            ctrl.ManagementNetwork();
            Outgoing();
            if (removedAt == 0 && (ctrl.resultLow & NetResult::kMemberRemoved)) {
                removedAt = frame;
            }
        }
        if (flag) {
            EXPECT_EQ(removedAt, 601);
            EXPECT_EQ(server.lastRemoved, 1);
            EXPECT_EQ(server.removeOrders, 100) << "the order repeats until the lobby acts";
        } else {
            EXPECT_EQ(removedAt, 0);
            EXPECT_EQ(server.removeOrders, 0);
        }
    }
}

TEST_F(NetworkCtrlTest, UnknownAddressesResetNoCounterAndRenamesRebroadcast) {
    Session(2, 0);
    GetNetworkDatabase().session.slots[1].silenceCounter = 50;
    Arrive(Msg(GameMessageCategory::kArrivalPreBattle), PeerAddress{kBase + 9, 0});
    ctrl.ManagementNetwork();
    EXPECT_EQ(GetNetworkDatabase().session.slots[1].silenceCounter, 51);
    EXPECT_FALSE(ctrl.resultLow & NetResult::kSessionChanged);
    GetNetworkDatabase().session.slots[1].memberName[1] = 'z';
    ctrl.ManagementNetwork();
    EXPECT_TRUE(ctrl.resultLow & NetResult::kSessionChanged);
    const std::vector<Sent> out = Outgoing();
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].m.category, GameMessageCategory::kBattleSessionInfo);
    EXPECT_EQ(out[0].to, Peer(1));
}

}  // namespace
}  // namespace Sample

namespace Sample {
namespace {

struct SpeakingVoice : CGameVoiceChatManagerNULL {
    bool speaking = true;
    std::uint64_t askedAbout = 0;
    bool IsSpeaking(int) override { return speaking; }
    bool IsMemberSpeaking(const MemberVoiceRecord& r) override {
        Net::LeReader id(r.bytes, sizeof r.bytes);
        askedAbout = id.U64();
        return speaking;
    }
};

TEST_F(NetworkCtrlTest, VoiceChatSpeakingReachesTheFlagsAndTheStatus) {
    SpeakingVoice voice;
    ctrl.SetVoiceChat(&voice);
    Session(2, 0);
    ctrl.ManagementNetwork();
    EXPECT_TRUE(GetNetworkDatabase().session.ownSlot->IsHeadsetPresent()) << "host's own flag";
    EXPECT_FALSE(ctrl.IsVoiceChatSpeaking(1)) << "battler 1 has no headset flag";
    GetNetworkDatabase().session.slots[1].flags |= MemberFlag::kHeadset;
    EXPECT_TRUE(ctrl.IsVoiceChatSpeaking(1));
    EXPECT_EQ(voice.askedAbout, Peer(1).id);
    EXPECT_FALSE(ctrl.IsVoiceChatSpeaking(3)) << "no slot holds battler 3";

    Session(2, 1);
    GetNetworkDatabase().session.ownSlot->silenceCounter = 60;
    ctrl.ManagementNetwork();
    bool sawStatus = false;
    for (const Sent& s : Outgoing()) {
        if (s.m.category == GameMessageCategory::kStatus) {
            sawStatus = true;
            EXPECT_EQ(s.m.statusFlags & 0x01, 0x01);
        }
    }
    EXPECT_TRUE(sawStatus);
    ctrl.SetVoiceChat(nullptr);
}

}  // namespace
}  // namespace Sample

namespace {

using namespace Sample;

// [SECTION] Late and reordered data

TEST_F(NetworkCtrlTest, AnOlderSnapshotOrReplyAfterASceneOrderKeepsTheOrdersSetUpData) {
    Session(2, 1);
    CGameMemberSlot& own = *GetNetworkDatabase().session.ownSlot;
    own.sequence = 2;  // team select
    own.nextSequence = 0;
    ctrl.SendTeamSelect(1, 1);  // a request whose reply is still to come
    GameMessage order = Msg(GameMessageCategory::kTeamSelect, 5);
    order.battlers[1].teamId = 7;
    order.battleInfo.RandomSeed = 0xC0FFEE;
    order.battleInfo.stageNo = 5;
    Arrive(order, Peer(0));
    GameMessage older = Msg(GameMessageCategory::kTeamSelectSessionInfo);
    older.sessionParam = GetNetworkDatabase().session.param;
    for (int i = 0; i < 2; ++i) {
        older.identities[i] = GetNetworkDatabase().session.slots[i].Identity();
        older.states[i] = GetNetworkDatabase().session.slots[i].StateRecord();
    }
    older.battlers[1].teamId = 2;
    older.battleInfo.RandomSeed = 1;
    older.battleInfo.stageNo = 1;
    Arrive(older, Peer(0));
    GameMessage reply = Msg(GameMessageCategory::kTeamSelect, 2);
    reply.sessionParam = older.sessionParam;
    for (int i = 0; i < 2; ++i) {
        reply.states[i] = older.states[i];
    }
    reply.battlers[1].teamId = 3;
    Arrive(reply, Peer(0));
    ctrl.ManagementNetwork();
    const SGameBattleData& b = GetNetworkDatabase().battleData;
    EXPECT_EQ(7, b.battlers[1].teamId) << "the order's record stays";
    EXPECT_EQ(0xC0FFEEu, b.battleInfo.RandomSeed) << "the order's seed stays";
    EXPECT_EQ(5, b.battleInfo.stageNo);
    EXPECT_EQ(3, GetNetworkDatabase().session.ownSlot->nextSequence);
    EXPECT_EQ(0, PeriodicSendCategory(4)) << "the reply still ends the request";
}

TEST_F(NetworkCtrlTest, ALateCopyOfAGotoSceneAnswerDoesNotLowerTheMembersScene) {
    Session(2, 0);
    GetNetworkDatabase().session.slots[1].sequence = 1;
    ctrl.SendTeamSelect(5);  // host orders character select: answers with scene 3
    GameMessage answer = Msg(GameMessageCategory::kGotoScene);
    answer.scene = 3;
    Arrive(answer, Peer(1));
    GameMessage late = Msg(GameMessageCategory::kGotoScene);
    late.scene = 2;  // the answer to the order before
    Arrive(late, Peer(1));
    ctrl.ManagementNetwork();
    EXPECT_EQ(3, GetNetworkDatabase().session.slots[1].sequence);
    EXPECT_TRUE(ctrl.CheckGotoScene(3));
}

TEST_F(NetworkCtrlTest, ClearingTheSessionEndsTheNetworkWait) {
    Session(2, 1);
    ctrl.InitKeyData(3);
    SetNetKeyOnline(true);
    for (int i = 0; i < 6; ++i) {
        ctrl.ManagementNetwork();
        ctrl.UpdateNetworkWait();  // nothing from the host: waiting from frame 3
        ctrl.TimeStep();
    }
    SetNetKeyOnline(false);
    ASSERT_EQ(1, ctrl.networkWaiting);
    ctrl.ClearSession();
    EXPECT_EQ(0, ctrl.networkWaiting);
    EXPECT_EQ(0, ctrl.holdFlag);
}

TEST_F(NetworkCtrlTest, StatusFromAnAddressOutsideTheSessionConfirmsNoBattler) {
    Session(2, 0);
    GetNetworkDatabase().session.param.flags = 0;
    GameMessage status = Msg(GameMessageCategory::kStatus);
    status.statusFlags = 0x04;
    Arrive(status, PeerAddress{0xDEAD, 0});
    ctrl.ManagementNetwork();
    EXPECT_EQ(0, GetNetworkDatabase().session.param.flags & 0x0F00);
}

}  // namespace
