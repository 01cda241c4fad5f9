// Network database: slot, session and battle data operations.
#include "proj/network/game_network_database.h"

#include <cstring>

#include "proj/network/network_member_context.h"

namespace Sample {

// [SECTION] Session info

void Pack(Net::LeWriter& w, const SGameSessionInfo& r) {
    w.Bytes(r.sessionName, sizeof r.sessionName);
    w.U16(r.flags);
    w.U16(r.reserved0);
    w.U8(r.memberMax);
    w.U8(r.reserved1);
    w.U16(r.reserved2);
}

void Unpack(Net::LeReader& r, SGameSessionInfo& out) {
    r.Bytes(out.sessionName, sizeof out.sessionName);
    out.sessionName[sizeof out.sessionName - 1] = '\0';
    out.flags = r.U16();
    out.reserved0 = r.U16();
    out.memberMax = r.U8();
    out.reserved1 = r.U8();
    out.reserved2 = r.U16();
}

// [SECTION] Member slot

void CGameMemberSlot::Clear() {
    const std::uint16_t index = memberOffsetIndex;
    *this = CGameMemberSlot{};
    memberOffsetIndex = index;
}

int CGameMemberSlot::BattlerNo() const {
    if ((flags & MemberFlag::kBattlerAssigned) == 0) {
        return -1;
    }
    for (int n = 0; n < kSessionMembers; ++n) {
        if (flags & (MemberFlag::kBattler0 << n)) {
            return n;
        }
    }
    return -1;
}

void CGameMemberSlot::SetBattlerNo(int n) {
    if (n < 0 || n >= kSessionMembers) {
        return;
    }
    flags |= MemberFlag::kBattlerAssigned | static_cast<std::uint16_t>(MemberFlag::kBattler0 << n);
    if (n != 1) {
        flags &= static_cast<std::uint16_t>(~(MemberFlag::kBattler0 << 1));
    }
}

MemberIdentityRecord CGameMemberSlot::Identity() const {
    MemberIdentityRecord r;
    r.id = memberId;
    std::memcpy(r.name, memberName, sizeof r.name);
    return r;
}

MemberStateRecord CGameMemberSlot::StateRecord() const {
    return {sequence, sequenceSub, flags, rtt, playCount, rankSum};
}

void CGameMemberSlot::SetIdentity(const MemberIdentityRecord& r) {
    memberId = r.id;
    std::memcpy(memberName, r.name, sizeof memberName);
    memberName[sizeof memberName - 1] = '\0';
}

void CGameMemberSlot::SetStateRecord(const MemberStateRecord& r) {
    sequence = r.sequence;
    sequenceSub = r.sequenceSub;
    flags = r.flags;
    rtt = r.rtt;
    playCount = r.playCount;
    rankSum = r.rankSum;
}

// [SECTION] Session record

void SGameSessionRecord::Clear() {
    state = kNone;
    info = SGameSessionInfo{};
    param = SGameSessionParam{};
    for (int i = 0; i < kSessionMembers; ++i) {
        slots[i].memberOffsetIndex = static_cast<std::uint16_t>(i);
        slots[i].Clear();
    }
    ownSlot = nullptr;
    hostSlot = nullptr;
    for (CGameMemberSlot*& b : battlerSlots) {
        b = nullptr;
    }
}

void SGameSessionRecord::ClearMembers() {
    for (int i = 0; i < kSessionMembers; ++i) {
        slots[i].memberOffsetIndex = static_cast<std::uint16_t>(i);
        slots[i].Clear();
    }
    Clear();
}

void SGameSessionRecord::RenumberMembers() {
    std::uint8_t next = 0;
    for (int k = 0; k <= kSessionMembers; ++k) {
        for (CGameMemberSlot& s : slots) {
            if (s.IsConnect() && s.joinOrder >= next && s.joinOrder <= k) {
                s.joinOrder = next++;
            }
        }
    }
    for (CGameMemberSlot& s : slots) {
        if (!s.IsConnect()) {
            s.joinOrder = CGameMemberSlot::kNoJoinOrder;
        }
    }
}

void SGameSessionRecord::RefreshBattlerNumbers() {
    for (int i = 0; i < kSessionMembers; ++i) {
        if (slots[i].IsConnect()) {
            slots[i].SetBattlerNo(i);
        }
    }
    param.flags &= static_cast<std::uint16_t>(~SessionFlag::kBattlerConfirmedBits);
    if (hostSlot != nullptr && (hostSlot->flags & MemberFlag::kBattlerAssigned)) {
        param.flags |= SessionFlag::kBattlerConfirmedBits;
    }
}

void SGameSessionRecord::UpdateSlotPointers(std::uint64_t ownAccountId) {
    ownSlot = nullptr;
    hostSlot = nullptr;
    for (CGameMemberSlot*& b : battlerSlots) {
        b = nullptr;
    }
    for (CGameMemberSlot& s : slots) {
        if (!s.IsConnect()) {
            continue;
        }
        if (ownAccountId != 0 && s.memberId == ownAccountId) {
            ownSlot = &s;
        }
        if (s.IsHost()) {
            hostSlot = &s;
        }
        const int b = s.BattlerNo();
        if (b >= 0) {
            battlerSlots[b] = &s;
        }
    }
}

int SGameSessionRecord::FirstEmptySlot() const {
    for (int i = 0; i < kSessionMembers; ++i) {
        if (!slots[i].IsConnect()) {
            return i;
        }
    }
    return -1;
}

int SGameSessionRecord::IndexOf(const CGameMemberSlot* slot) const {
    for (int i = 0; i < kSessionMembers; ++i) {
        if (slot == &slots[i]) {
            return i;
        }
    }
    return -1;
}

// [SECTION] Battle data

void SGameBattleParam::Clear() {
    for (KeyHistory& h : keyHistory) {
        h.Init();
    }
    for (int i = 0; i < kSessionMembers; ++i) {
        lastFrame[i] = 0;
        resendCountdown[i] = 0;
    }
    resendCount = 0;
    waitCount = 0;
    currentFrame = 0;
    KeyBufferDelay = 0;
    delayRaiseFlag = 0;
    windowCount = 0;
    longSpanCount = 0;
}

void SGameBattleData::Clear() {
    processParam = SGameBattleProcessParam{};
    battleInfo = SGameBattleInfo{};
    for (SGameBattlerInfo& b : battlers) {
        b = SGameBattlerInfo{};
    }
    battleParam.Clear();
}

// [SECTION] Database

bool SGameNetworkDatabase::CheckPlayerTeamID(int team) const {
    if (team < 0) {
        return true;
    }
    for (int i = 0; i < kSessionMembers; ++i) {
        const SGameBattlerInfo& b = battleData.battlers[i];
        const bool chosen = (b.flags & SGameBattlerInfo::kReceived) ||
                            (session.param.flags & (SessionFlag::kSyncPlayData0 << i));
        if (chosen && b.teamId == team) {
            return false;
        }
    }
    return true;
}

namespace {
SGameNetworkDatabase& Instance() {
    static SGameNetworkDatabase db;
    return db;
}
bool& Built() {
    static bool built = false;
    return built;
}
}  // namespace

void ResetNetworkDatabase() {
    NetworkMemberContext* c = CurrentNetworkMemberContext();
    SGameNetworkDatabase& db = c ? c->database : Instance();
    if (c == nullptr) {
        Built() = true;
    }
    db.networkState = 0;
    db.ownUser = OwnUserRecord{};
    db.battleData.Clear();
    db.session.Clear();
}

SGameNetworkDatabase& GetNetworkDatabase() {
    if (NetworkMemberContext* c = CurrentNetworkMemberContext()) {
        return c->database;
    }
    if (!Built()) {
        ResetNetworkDatabase();
    }
    return Instance();
}

}  // namespace Sample
