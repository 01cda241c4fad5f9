// Match controller: the scene handshakes. A member's request to the host is
// resent from periodic slot 4 until the reply that answers it; the host's
// scene order to the member in slot i is resent from slot i until that
// member's go-to-scene answer. Host-only messages are taken only from the
// host slot's address.
#include <cstdio>

#include "proj/network/game_network_ctrl.h"
#include "proj/network/p2p_buffers.h"

namespace Sample {

namespace C = GameMessageCategory;

namespace {

SGameNetworkDatabase& Db() {
    return GetNetworkDatabase();
}

GameMessage Message(std::uint8_t category, std::uint8_t sub = 0) {
    GameMessage m;
    m.category = category;
    m.sub = sub;
    return m;
}

void CopyBattlers(SGameBattlerInfo* to, const SGameBattlerInfo* from) {
    for (int i = 0; i < kSessionMembers; ++i) {
        to[i] = from[i];
    }
}

}  // namespace

// How far a member has got through the scenes: room 1 to battle 6; the later
// phases (7, 8) lead back to the room, where the next round's set-up begins.
int SetUpPhase(const CGameMemberSlot& own) {
    auto rank = [](int scene) { return scene >= 1 && scene <= 6 ? scene : 1; };
    const int next = own.nextSequence;
    const int now = rank(own.sequence);
    return next >= 2 && next <= 6 && rank(next) > now ? rank(next) : now;
}

namespace {}  // namespace

// [SECTION] Receivers

void CGameNetworkCtrl::ReceivePlayerRoom(const GameMessage& m, const PeerAddress& from) {
    SGameSessionRecord& s = Db().session;
    if (m.sub == 1 && IsHost()) {
        CGameMemberSlot* sender = FindMemberSlotByPeer(from);
        if (sender == nullptr) {
            return;
        }
        if (s.hostSlot->sequenceSub < 2) {
            sender->sequenceSub = m.value;
            resultLow |= NetResult::kSessionChanged;
        }
        Send(Message(C::kPlayerRoom, 2), from);
    } else if (m.sub == 2 && FromHost(from)) {
        EndRequest(C::kPlayerRoom, 1);
    } else if (m.sub == 3 && FromHost(from) && s.ownSlot != nullptr && OwnPhase() <= 2) {
        s.ownSlot->nextSequence = 2;
        GameMessage answer = Message(C::kGotoScene);
        answer.scene = 2;
        Send(answer, from);
    }
}

void CGameNetworkCtrl::ApplyTeamSelect(const GameMessage& m, const PeerAddress* from) {
    SGameNetworkDatabase& db = Db();
    SGameSessionRecord& s = db.session;
    const int b = m.index;  // checked below 4 by the parser
    SGameBattlerInfo& record = db.battleData.battlers[b];
    if (m.battler.teamId < 0) {
        record.flags &= static_cast<std::uint8_t>(~SGameBattlerInfo::kReceived);
        s.slots[b].sequenceSub = 1;
        resultLow |= NetResult::kSessionChanged;
    } else if (db.CheckPlayerTeamID(m.battler.teamId)) {
        s.param.flags |= static_cast<std::uint16_t>(SessionFlag::kSyncPlayData0 << b);
        record = m.battler;
        record.flags |= SGameBattlerInfo::kReceived;
        s.slots[b].sequenceSub = 1;
        resultLow |= NetResult::kSessionChanged;
    }
    if (from != nullptr) {
        GameMessage reply = Message(C::kTeamSelect, 2);
        reply.sessionParam = s.param;
        for (int i = 0; i < kSessionMembers; ++i) {
            reply.states[i] = s.slots[i].StateRecord();
        }
        CopyBattlers(reply.battlers, db.battleData.battlers);
        Send(reply, *from);
    }
}

void CGameNetworkCtrl::ReceiveTeamSelect(const GameMessage& m, const PeerAddress& from) {
    SGameNetworkDatabase& db = Db();
    SGameSessionRecord& s = db.session;
    if (IsHost()) {
        if (FindMemberSlotByPeer(from) == nullptr) {
            return;
        }
        if (m.sub == 1) {
            ApplyTeamSelect(m, &from);
        } else if (m.sub == 3) {
            std::uint32_t* tags = db.battleData.battleInfo.tag;
            int same = 0;
            for (int i = 0; i < kSessionMembers; ++i) {
                same += tags[i] == m.value ? 1 : 0;
            }
            // No more than two members may share a tag.
            if (same < 2) {
                tags[m.index] = m.value;
            }
            GameMessage reply = Message(C::kTeamSelect, 4);
            reply.battleInfo = db.battleData.battleInfo;
            Send(reply, from);
            resultLow |= NetResult::kSessionChanged;
        }
        return;
    }
    if (!FromHost(from)) {
        return;
    }
    switch (m.sub) {
        case 2:
            // A late copy (the request already answered, or a scene order
            // since) brings older records than the member has.
            if (OwnPhase() <= 2 && Awaiting(C::kTeamSelect, 1)) {
                s.param = m.sessionParam;
                for (int i = 0; i < kSessionMembers; ++i) {
                    s.slots[i].SetStateRecord(m.states[i]);
                }
                CopyBattlers(db.battleData.battlers, m.battlers);
            }
            EndRequest(C::kTeamSelect, 1);
            break;
        case 4:
            if (OwnPhase() <= 2 && Awaiting(C::kTeamSelect, 3)) {
                db.battleData.battleInfo = m.battleInfo;
            }
            EndRequest(C::kTeamSelect, 3);
            break;
        case 5:
        case 6: {
            if (OwnPhase() > 3) {
                break;  // a resent order the member has moved past
            }
            CopyBattlers(db.battleData.battlers, m.battlers);
            db.battleData.battleInfo = m.battleInfo;
            if (s.ownSlot != nullptr) {
                s.ownSlot->nextSequence = 3;
            }
            GameMessage answer = Message(C::kGotoScene);
            answer.scene = 3;
            Send(answer, from);
            break;
        }
        default:
            break;
    }
}

void CGameNetworkCtrl::ReceiveCharaSelect(const GameMessage& m, const PeerAddress& from) {
    SGameNetworkDatabase& db = Db();
    SGameSessionRecord& s = db.session;
    if (m.sub == 1 && IsHost()) {
        CGameMemberSlot* sender = FindMemberSlotByPeer(from);
        const int i = s.IndexOf(sender);
        if (i < 0) {
            return;
        }
        db.battleData.battlers[i] = m.battler;
        db.battleData.battlers[i].flags |= SGameBattlerInfo::kFixed;
        sender->sequenceSub = 1;
        GameMessage reply = Message(C::kCharaSelect, 2);
        CopyBattlers(reply.battlers, db.battleData.battlers);
        Send(reply, from);
    } else if (m.sub == 2 && FromHost(from)) {
        // A late copy (the request already answered, or a scene order
        // since) brings older records than the member has.
        if (OwnPhase() <= 3 && Awaiting(C::kCharaSelect, 1)) {
            CopyBattlers(db.battleData.battlers, m.battlers);
        }
        EndRequest(C::kCharaSelect, 1);
    } else if (m.sub == 3 && FromHost(from) && s.ownSlot != nullptr && OwnPhase() <= 4) {
        s.ownSlot->nextSequence = 4;
        CopyBattlers(db.battleData.battlers, m.battlers);
        GameMessage answer = Message(C::kGotoScene);
        answer.scene = 4;
        Send(answer, from);
    }
}

void CGameNetworkCtrl::ReceiveGotoScene(const GameMessage& m, const PeerAddress& from) {
    if (!IsHost() || IsLocalPeer(from, OwnAccountId())) {
        return;
    }
    SGameSessionRecord& s = Db().session;
    // Only an answer to the order now out counts: a late copy of an earlier
    // answer would lower the member's scene and stall CheckGotoScene.
    if (m.scene != s.ownSlot->nextSequence) {
        return;
    }
    for (int i = 0; i < kSessionMembers; ++i) {
        if (s.slots[i].IsConnect() && SamePeer(s.slots[i].peer, from)) {
            std::printf("Receive Goto Mes res Scene[%d]\n", m.scene);
            s.slots[i].sequence = m.scene;
            DisarmPeriodicSend(static_cast<std::uint32_t>(i));
        }
    }
}

void CGameNetworkCtrl::ReceiveArrivalPreBattle(const PeerAddress& from) {
    if (!IsHost() || IsLocalPeer(from, OwnAccountId())) {
        return;
    }
    std::printf("Recieve Play Ready\n");
    SGameSessionRecord& s = Db().session;
    for (int i = 0; i < kSessionMembers; ++i) {
        if (s.slots[i].IsConnect() && SamePeer(s.slots[i].peer, from)) {
            std::printf("Recieve Play Ready index : %d\n", i);
            s.slots[i].sequence = 6;
        }
    }
}

void CGameNetworkCtrl::ReceiveBattleStart(const PeerAddress& from) {
    SGameSessionRecord& s = Db().session;
    if (IsHost() || !FromHost(from) || s.ownSlot == nullptr) {
        return;
    }
    s.ownSlot->nextSequence = 6;
    EndRequest(C::kArrivalPreBattle, -1);
}

void CGameNetworkCtrl::ConfirmBattleStarted() {
    CGameMemberSlot* own = Db().session.ownSlot;
    if (own != nullptr && (own->sequence == 4 || own->nextSequence == 5)) {
        own->nextSequence = 6;
        EndRequest(C::kArrivalPreBattle, -1);
    }
}

void CGameNetworkCtrl::ReceiveArrivalResultEnd(const PeerAddress& from) {
    if (!IsHost()) {
        return;
    }
    SGameNetworkDatabase& db = Db();
    SGameSessionRecord& s = db.session;
    if (IsLocalPeer(from, OwnAccountId())) {
        s.ownSlot->sequence = 1;
    } else {
        bool matched = false;
        for (CGameMemberSlot& slot : s.slots) {
            if (slot.IsConnect() && SamePeer(slot.peer, from)) {
                slot.sequence = 1;
                matched = true;
            }
        }
        if (!matched) {
            return;
        }
    }
    GameMessage reply = Message(C::kBattleInfo);
    reply.battleInfo = db.battleData.battleInfo;
    Send(reply, from);
}

void CGameNetworkCtrl::ReceiveBattleInfo(const GameMessage& m, const PeerAddress& from) {
    SGameNetworkDatabase& db = Db();
    if (!FromHost(from) || db.session.ownSlot == nullptr) {
        return;
    }
    db.battleData.battleInfo = m.battleInfo;
    db.session.ownSlot->nextSequence = 0;
    EndRequest(C::kArrivalResultEnd, -1);
}

// [SECTION] Senders

void CGameNetworkCtrl::SendPlayerRoom(int sub, std::uint8_t value) {
    SGameSessionRecord& s = Db().session;
    if (s.ownSlot == nullptr) {
        return;
    }
    if (sub == 1 && !IsHost()) {
        GameMessage m = Message(C::kPlayerRoom, 1);
        m.value = value;
        ArmToHost(m);
        s.ownSlot->messageState = 1;
    } else if (sub == 3 && IsHost()) {
        s.param.flags |= SessionFlag::kConnectLock;
        s.ownSlot->nextSequence = 2;
        for (int i = 0; i < kSessionMembers; ++i) {
            CGameMemberSlot& slot = s.slots[i];
            if (slot.IsConnect() && slot.sequenceSub == 1) {
                slot.sequenceSub = 55;
                if (!slot.IsHost()) {
                    ArmToSlot(i, Message(C::kPlayerRoom, 3));
                }
            }
        }
        resultLow |= NetResult::kSessionChanged;
    }
}

void CGameNetworkCtrl::SendTeamSelect(int sub, int index, std::uint8_t value) {
    SGameNetworkDatabase& db = Db();
    SGameSessionRecord& s = db.session;
    if (s.ownSlot == nullptr) {
        return;
    }
    if (sub == 1 && index >= 0 && index < kSessionMembers) {
        GameMessage m = Message(C::kTeamSelect, 1);
        m.index = static_cast<std::uint8_t>(index);
        m.battler = db.battleData.battlers[index];
        if (IsHost()) {
            ApplyTeamSelect(m, nullptr);
        } else {
            ArmToHost(m);
            s.ownSlot->messageState = 1;
        }
    } else if (sub == 3 && !IsHost() && index >= 0 && index < kSessionMembers) {
        GameMessage m = Message(C::kTeamSelect, 3);
        m.index = static_cast<std::uint8_t>(index);
        m.value = value;
        ArmToHost(m);
        s.ownSlot->messageState = 1;
    } else if ((sub == 5 || sub == 6) && IsHost()) {
        s.ownSlot->nextSequence = 3;
        for (SGameBattlerInfo& b : db.battleData.battlers) {
            if (sub == 5) {
                b.flags |= SGameBattlerInfo::kReceived;
            }
            b.flags &= static_cast<std::uint8_t>(~SGameBattlerInfo::kFixed);
        }
        GameMessage m = Message(C::kTeamSelect, static_cast<std::uint8_t>(sub));
        CopyBattlers(m.battlers, db.battleData.battlers);
        m.battleInfo = db.battleData.battleInfo;
        for (int i = 0; i < kSessionMembers; ++i) {
            if (s.slots[i].IsConnect() && !s.slots[i].IsHost()) {
                ArmToSlot(i, m);
            }
        }
        if (sub == 5) {
            resultLow |= NetResult::kSessionChanged;
        }
    }
}

void CGameNetworkCtrl::SendCharaSelect(int sub) {
    SGameNetworkDatabase& db = Db();
    SGameSessionRecord& s = db.session;
    if (s.ownSlot == nullptr) {
        return;
    }
    if (sub == 1 && !IsHost()) {
        GameMessage m = Message(C::kCharaSelect, 1);
        m.battler = db.battleData.battlers[s.IndexOf(s.ownSlot)];
        ArmToHost(m);
        s.ownSlot->messageState = 1;
    } else if (sub == 3 && IsHost()) {
        s.ownSlot->nextSequence = 4;
        for (SGameBattlerInfo& b : db.battleData.battlers) {
            b.flags |= SGameBattlerInfo::kFixed;
        }
        GameMessage m = Message(C::kCharaSelect, 3);
        CopyBattlers(m.battlers, db.battleData.battlers);
        for (int i = 0; i < kSessionMembers; ++i) {
            CGameMemberSlot& slot = s.slots[i];
            if (slot.IsConnect() && slot.sequenceSub == 1) {
                slot.sequenceSub = 2;
                if (!slot.IsHost()) {
                    ArmToSlot(i, m);
                }
            }
        }
        resultLow |= NetResult::kSessionChanged;
    }
}

void CGameNetworkCtrl::SendArrivalPreBattle() {
    CGameMemberSlot* own = Db().session.ownSlot;
    if (own == nullptr || own->nextSequence >= 5) {
        return;
    }
    own->nextSequence = 5;
    if (!IsHost()) {
        ArmToHost(Message(C::kArrivalPreBattle));
    }
}

bool CGameNetworkCtrl::SendBattleStart() {
    if (!IsHost()) {
        return false;
    }
    std::uint8_t bytes[kGameMessageHeader];
    const std::size_t n = BuildGameMessage(Message(C::kBattleStart), bytes, sizeof bytes);
    SendToMembers(bytes, n);
    return true;
}

void CGameNetworkCtrl::SendArrivalResultEnd() {
    SGameSessionRecord& s = Db().session;
    if (leaveAtResultEnd) {
        if (server != nullptr) {
            server->lastError = 0;
            if (server->OrderDisconnectSession() == 0) {
                s.state = SGameSessionRecord::kLeaving;
            }
        }
        return;
    }
    s.param.flags &= static_cast<std::uint16_t>(~SessionFlag::kConnectLock);
    if (server != nullptr) {
        server->EnableSendBreakUp();
    }
    if (s.ownSlot != nullptr) {
        s.ownSlot->nextSequence = 1;
    }
    ArmToHost(Message(C::kArrivalResultEnd));
}

void CGameNetworkCtrl::StopRefrainMessageToHost() {
    DisarmPeriodicSend(kRequestSlot);
    if (CGameMemberSlot* own = Db().session.ownSlot) {
        own->messageState = 0;
    }
}

bool CGameNetworkCtrl::CheckGotoScene(int scene) {
    SGameSessionRecord& s = Db().session;
    if (s.ownSlot == nullptr) {
        return false;
    }
    if (IsHost()) {
        for (const CGameMemberSlot& slot : s.slots) {
            if (slot.IsConnect() && !slot.IsHost() && slot.sequence != scene) {
                return false;
            }
        }
    } else if (s.ownSlot->nextSequence != scene) {
        return false;
    }
    s.ownSlot->sequence = static_cast<std::uint16_t>(scene);
    s.ownSlot->nextSequence = 0;
    if (IsHost()) {
        for (CGameMemberSlot& slot : s.slots) {
            slot.sequenceSub = 0;
        }
        resultLow |= NetResult::kSessionChanged;
    }
    return true;
}

}  // namespace Sample
