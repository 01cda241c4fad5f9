// Match controller: membership changes during a battle. A host take-over
// moves the host flag to the lobby's new owner on every member. A battler
// that leaves keeps its place in the lockstep: the host collects from every
// remaining member the departed battler's words it holds, fixes the end at
// the longest run any of them has, and from then on sends those words and
// 0 for every later frame to the others each frame, as it sends its own, so
// every member consumes the same words at the pace of the match.
#include <cstdio>

#include "proj/network/game_network_ctrl.h"
#include "proj/network/lobby_messages.h"
#include "proj/network/p2p_buffers.h"
#include "proj/network/session_members.h"

namespace Sample {

namespace {

SGameBattleParam& Keys() {
    return GetNetworkDatabase().battleData.battleParam;
}

// How far ahead of the current frame the host keeps a departed battler's words.
constexpr int kDepartedLead = 16;

void MoveHostFlag(SGameSessionRecord& s, CGameMemberSlot& to) {
    for (CGameMemberSlot& slot : s.slots) {
        if (&slot != &to && (slot.flags & MemberFlag::kHost)) {
            slot.flags =
                static_cast<std::uint16_t>((slot.flags & ~MemberFlag::kHost) | MemberFlag::kJoined);
        }
    }
    to.flags = static_cast<std::uint16_t>((to.flags | MemberFlag::kHost) & ~MemberFlag::kJoined);
}

}  // namespace

// [SECTION] Host take-over

void CGameNetworkCtrl::TakeOverHost() {
    SGameSessionRecord& s = GetNetworkDatabase().session;
    if (s.ownSlot == nullptr) {
        return;
    }
    MoveHostFlag(s, *s.ownSlot);
    UpdateHost();
    s.ownSlot->silenceCounter = 0;
    for (int i = 0; i < kSessionMembers; ++i) {
        memberNames[i] = s.slots[i].memberName;
    }
    std::printf("online: took over as host\n");
    resultLow |= NetResult::kSessionChanged;
}

void CGameNetworkCtrl::AcceptNewHost(const PeerAddress& from) {
    SGameSessionRecord& s = GetNetworkDatabase().session;
    if (s.ownSlot == nullptr || server == nullptr || IsLocalPeer(from, OwnAccountId())) {
        return;
    }
    // Only a member of this session can have taken over, and only one the
    // lobby names its owner.
    CGameMemberSlot* sender = FindMemberSlotByPeer(from);
    if (sender == nullptr || sender == s.ownSlot) {
        return;
    }
    const bool owner = server->IsLobbyOwner(sender->memberId);
    if (IsHost()) {
        // A host whose presence lapsed may have been dropped from the lobby
        // while its own copy still names it owner: a member's word is then
        // all it can go by.
        if (!owner && !server->OwnPresenceLapsed()) {
            return;
        }
        // The others went on under someone else while this host was away.
        std::printf("online: replaced as host\n");
        MoveHostFlag(s, *sender);
        UpdateHost();
        server->lastError = 0;
        if (server->OrderDisconnectSession() == 0) {
            s.state = SGameSessionRecord::kLeaving;
        }
        replacedAsHost = 1;
        return;
    }
    if (!owner || sender == s.hostSlot) {
        return;
    }
    MoveHostFlag(s, *sender);
    UpdateHost();
    sender->silenceCounter = 0;
    server->hostLossCounter = 0;
    std::printf("online: new host in slot %d\n", s.IndexOf(sender));
}

void CGameNetworkCtrl::TellNotHost(const PeerAddress& to) {
    const LobbyBytes change = BuildHostChange(OwnAccountId());
    QueueMessage(change.data(), change.size(), to, kP2PSendKindDelayed);
}

// [SECTION] Departed battlers

bool CGameNetworkCtrl::IsDeparted(int battler) const {
    return keysArmed == kKeysArmed && LeftBattle(battler);
}

bool CGameNetworkCtrl::LeftBattle(int battler) const {
    if (keysArmed == 0 || battler < 0 || battler >= kSessionMembers ||
        (battleBattlers & (1u << battler)) == 0 || battler == OwnBattler()) {
        return false;
    }
    const CGameMemberSlot* slot = GetNetworkDatabase().session.battlerSlots[battler];
    return slot == nullptr || !slot->IsConnect();
}

bool CGameNetworkCtrl::LeftBattleAs(std::uint64_t memberId) const {
    for (int b = 0; b < kSessionMembers; ++b) {
        if (memberId != 0 && battleMemberIds[b] == memberId && LeftBattle(b)) {
            return true;
        }
    }
    return false;
}

int CGameNetworkCtrl::DepartedEnd(int battler) const {
    return battler >= 0 && battler < kSessionMembers ? departedEnd[battler] : -1;
}

void CGameNetworkCtrl::ResetDeparted() {
    for (int b = 0; b < kSessionMembers; ++b) {
        departedEnd[b] = -1;
        departedHeard[b] = 0;
        departedAsk[b] = 0;
        departedWait[b] = 0;
        keysMissing[b] = 0;
    }
}

void CGameNetworkCtrl::TakeOutOfMatch(int slot, const char* why) {
    SGameSessionRecord& s = GetNetworkDatabase().session;
    if (slot < 0 || slot >= kSessionMembers || !s.slots[slot].IsConnect() ||
        &s.slots[slot] == s.ownSlot) {
        return;
    }
    std::printf("online: the member in slot %d %s; it is taken out of the match\n", slot, why);
    if (server != nullptr) {
        server->OrderRemoveMember(slot);
    }
    // At once, not when the lobby gets round to it: the lobby may be out of
    // reach while the match goes on. The cleared name makes the host
    // rebroadcast the session, from which every member learns of it.
    RemoveSessionMember(slot);
}

int CGameNetworkCtrl::HostKeysMissing() const {
    if (keysArmed != kKeysArmed || IsHost()) {
        return 0;
    }
    const int host = HostBattler();
    int most = 0;
    for (int b = 0; b < kSessionMembers; ++b) {
        if ((b == host || IsDeparted(b)) && keysMissing[b] > most) {
            most = keysMissing[b];
        }
    }
    return most;
}

void CGameNetworkCtrl::CollectDeparted(int battler, bool ask) {
    SGameSessionRecord& s = GetNetworkDatabase().session;
    SGameBattleParam& k = Keys();
    std::uint8_t others = 0;
    for (int i = 0; i < kSessionMembers; ++i) {
        if (s.slots[i].IsConnect() && &s.slots[i] != s.ownSlot) {
            others |= static_cast<std::uint8_t>(1u << i);
        }
    }
    if ((departedHeard[battler] & others) == others) {
        departedEnd[battler] = k.lastFrame[battler];
        std::printf("online: battler %d left; its words end at frame %d\n", battler,
                    departedEnd[battler]);
        FillDeparted(battler);
        return;
    }
    if (departedWait[battler] < kKeyWithholdLimit) {
        departedWait[battler] += 1;
    } else {
        // Whoever still keeps what it holds to itself holds the others no
        // longer: the end is fixed from the rest on the next frame.
        for (int i = 0; i < kSessionMembers; ++i) {
            if ((others & ~departedHeard[battler]) & (1u << i)) {
                TakeOutOfMatch(i, "did not hand over a departed battler's words");
            }
        }
        return;
    }
    if (!ask) {
        return;
    }
    GameMessage request;
    request.category = GameMessageCategory::kKeyResendRequest;
    request.frame = k.lastFrame[battler];
    request.keyBattler = static_cast<std::uint8_t>(battler);
    for (int i = 0; i < kSessionMembers; ++i) {
        if ((others & ~departedHeard[battler]) & (1u << i)) {
            Send(request, s.slots[i].peer);
        }
    }
}

void CGameNetworkCtrl::SendDeparted(int battler) {
    SGameSessionRecord& s = GetNetworkDatabase().session;
    SGameBattleParam& k = Keys();
    // The frame field the host's own words carry now: a member playing in
    // step with the host never has to ask for the departed battler's words.
    std::uint16_t frame = static_cast<std::uint16_t>(k.currentFrame + k.KeyBufferDelay + 1);
    if (FrameBefore(k.lastFrame[battler], frame)) {
        frame = k.lastFrame[battler];
    }
    std::uint8_t bytes[kMaxMatchMessage];
    const std::size_t n = BuildKeyMessage(battler, frame, bytes, sizeof bytes);
    for (const CGameMemberSlot& slot : s.slots) {
        if (slot.IsConnect() && &slot != s.ownSlot && n != 0) {
            QueueMessageKind0(bytes, n, slot.peer);
        }
    }
}

void CGameNetworkCtrl::FillDeparted(int battler) {
    SGameBattleParam& k = Keys();
    const std::uint16_t until = static_cast<std::uint16_t>(k.currentFrame + kDepartedLead);
    while (FrameBefore(k.lastFrame[battler], until)) {
        k.keyHistory[battler].Store(0, k.lastFrame[battler]);
        k.lastFrame[battler] = static_cast<std::uint16_t>(k.lastFrame[battler] + 1);
    }
}

}  // namespace Sample
