// Match controller: silence counters, the member's status heartbeat, host
// loss and the host's removal of silent members. Counters saturate, so a
// member silent for more than 65,535 frames is still silent.
#include <cstdio>

#include "proj/network/game_network_ctrl.h"
#include "proj/network/p2p_buffers.h"

namespace Sample {

namespace {

void CountSilence(CGameMemberSlot& slot) {
    if (slot.silenceCounter != 0xFFFF) {
        slot.silenceCounter += 1;
    }
}

}  // namespace

void CGameNetworkCtrl::RefreshPeerAlive(const PeerAddress& address) {
    if (IsLocalPeer(address, OwnAccountId())) {
        return;
    }
    for (CGameMemberSlot& slot : GetNetworkDatabase().session.slots) {
        if (SamePeer(slot.peer, address)) {
            slot.silenceCounter = 0;
        }
    }
}

void CGameNetworkCtrl::ManageHost() {
    SGameSessionRecord& s = GetNetworkDatabase().session;
    if (s.hostSlot == nullptr) {
        return;
    }
    CountSilence(*s.hostSlot);
    if (s.hostSlot->silenceCounter > kHostRebroadcast) {
        s.hostSlot->silenceCounter = 0;
        resultLow |= NetResult::kSessionChanged;
    }
    if (server != nullptr && server->sendBreakUp) {
        for (int i = 0; i < kSessionMembers; ++i) {
            CGameMemberSlot& slot = s.slots[i];
            if (!slot.IsConnect() || slot.IsHost()) {
                continue;
            }
            CountSilence(slot);
            if (slot.silenceCounter > kMemberSilenceLimit) {
                // Repeats every frame until the lobby has removed the member.
                server->OrderRemoveMember(i);
                resultLow |= NetResult::kMemberRemoved;
            }
        }
    }
    for (int i = 0; i < kSessionMembers; ++i) {
        if (memberNames[i] != s.slots[i].memberName) {
            memberNames[i] = s.slots[i].memberName;
            resultLow |= NetResult::kSessionChanged;
        }
    }
}

void CGameNetworkCtrl::CheckHeartBeat() {
    SGameSessionRecord& s = GetNetworkDatabase().session;
    CGameMemberSlot* host = s.hostSlot;
    CGameMemberSlot* own = s.ownSlot;
    if (host == nullptr || own == nullptr) {
        return;
    }
    CountSilence(*host);
    if (own != host) {
        CountSilence(*own);
    }
    // A host that keeps talking but sends no words holds the match as long
    // as a silent one would: it is given up too, later.
    if (host->silenceCounter < kHostSilenceLimit && HostKeysMissing() < kHostKeysLimit) {
        if (server != nullptr) {
            server->hostLossCounter = 0;
        }
        if (own->silenceCounter < kStatusInterval) {
            return;
        }
        GameMessage status;
        status.category = GameMessageCategory::kStatus;
        status.statusFlags = Voice().IsSpeaking(0) ? 0x01 : 0x00;
        status.hostPing = server != nullptr ? server->GetHostPing(0) : -1;
        if (own->sequence == 8 && own->nextSequence != 8) {
            status.statusFlags |= 0x40;
        }
        if (own->sequence == 7 && own->nextSequence != 7) {
            status.statusFlags |= 0x80;
        }
        const int battler = own->BattlerNo();
        if (battler >= 0 && own->partnerAcknowledged) {
            status.statusFlags |= static_cast<std::uint8_t>(0x04 << battler);
        }
        if (battler >= 0 && (s.param.flags & SessionFlag::kBattlerConfirmedBits)) {
            GameMessage ack;
            ack.category = GameMessageCategory::kHostStateAck;
            for (CGameMemberSlot* b : s.battlerSlots) {
                if (b != nullptr) {
                    Send(ack, b->peer);
                }
            }
        }
        Send(status, host->peer);
        own->silenceCounter = 0;
        return;
    }
    std::printf("Break Room for hert beat lost\n");
    if (server == nullptr) {
        return;
    }
    server->hostLossCounter += 1;
    if (!server->sendBreakUp && server->hostLossCounter < kHostLossGrace) {
        return;
    }
    std::printf("Not get host hert beat !!\n");
    server->lastError = 0;
    if (server->OrderDisconnectSession() == 0) {
        s.state = SGameSessionRecord::kLeaving;
    }
    resultLow |= NetResult::kHostLost;
}

}  // namespace Sample
