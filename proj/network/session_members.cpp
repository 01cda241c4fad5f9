// Adding and removing session members.
#include "proj/network/session_members.h"

#include <cstring>

#include "proj/network/game_network_ctrl.h"
#include "proj/network/game_network_database.h"
#include "proj/network/p2p_buffers.h"

namespace Sample {

int AddSessionMember(const char* name, std::uint64_t memberId, const PeerAddress& peer) {
    SGameSessionRecord& session = GetNetworkDatabase().session;
    const int i = session.FirstEmptySlot();
    if (i < 0) {
        return -1;
    }
    session.param.Member = static_cast<std::uint8_t>(session.param.Member + 1);
    CGameMemberSlot& s = session.slots[i];
    s.Clear();
    s.state = CGameMemberSlot::kConnected;
    s.memberId = memberId;
    if (name != nullptr) {
        std::memcpy(s.memberName, name, strnlen(name, kMemberNameCompared - 1));
    }
    s.joinOrder = static_cast<std::uint8_t>(session.param.Member - 1);
    s.peer = peer;
    session.RenumberMembers();
    s.flags = MemberFlag::kJoined;
    if (s.joinOrder < kSessionMembers) {
        for (CGameMemberSlot*& b : session.battlerSlots) {
            if (b == nullptr) {
                b = &s;
                break;
            }
        }
        session.RefreshBattlerNumbers();
    }
    s.sequence = 1;
    s.nextSequence = 0;
    return i;
}

int RemoveSessionMember(int i) {
    if (i < 0 || i >= kSessionMembers) {
        return -1;
    }
    SGameSessionRecord& session = GetNetworkDatabase().session;
    CGameMemberSlot& s = session.slots[i];
    if (s.IsConnect() && session.param.Member > 0) {
        session.param.Member = static_cast<std::uint8_t>(session.param.Member - 1);
    }
    s.Clear();
    for (CGameMemberSlot*& b : session.battlerSlots) {
        if (b != nullptr && !b->IsConnect()) {
            b = nullptr;
            session.param.flags &= static_cast<std::uint16_t>(~SessionFlag::kBattleOkBits);
        }
    }
    session.param.flags &= static_cast<std::uint16_t>(~(SessionFlag::kSyncPlayData0 << i));
    session.RenumberMembers();
    // A running battle keeps its battler numbers: the lockstep names battlers
    // by number, so renumbering mid-battle would swap their words.
    if ((session.param.flags & SessionFlag::kConnectLock) == 0 &&
        !CGameNetworkCtrl::GetInstance().KeysArmed()) {
        session.RefreshBattlerNumbers();
    }
    DisarmPeriodicSend(static_cast<std::uint32_t>(i));
    return i;
}

}  // namespace Sample
