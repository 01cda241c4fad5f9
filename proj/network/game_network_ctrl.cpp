// Match controller: the per-frame step, the session record's fill and
// rebroadcast, the dispatch table and the session-snapshot parsers.
#include "proj/network/game_network_ctrl.h"

#include <cstdio>
#include <cstring>

#include "proj/network/network_member_context.h"
#include "proj/network/p2p_buffers.h"
#include "qzware/depend/win/vho/vho_steam.h"

namespace Sample {

namespace C = GameMessageCategory;

CGameNetworkCtrl& CGameNetworkCtrl::GetInstance() {
    if (NetworkMemberContext* c = CurrentNetworkMemberContext()) {
        return *c->ctrl;
    }
    static CGameNetworkCtrl ctrl;
    return ctrl;
}

void CGameNetworkCtrl::Reset() {
    server = nullptr;
    voiceChat = nullptr;
    resultLow = resultHigh = 0;
    leaveAtResultEnd = 0;
    callCounter = 0;
    holdFlag = 0;
    networkWaiting = 0;
    for (std::string& n : memberNames) {
        n.clear();
    }
    keysArmed = 0;
    replacedAsHost = 0;
    battleBattlers = 0;
    ResetDeparted();
}

// [SECTION] Helpers

std::uint64_t CGameNetworkCtrl::OwnAccountId() const {
    const std::uint64_t id = GetNetworkDatabase().ownUser.id;
    if (id != 0 || !vho::Steam::HasInstance()) {
        return id;
    }
    return vho::Steam::GetInstance()->GetSteamId()->ConvertToUint64();
}

CGameVoiceChatManager& CGameNetworkCtrl::Voice() {
    return voiceChat != nullptr ? *voiceChat : CGameVoiceChatManagerNULL::GetInstance();
}

void CGameNetworkCtrl::UpdateVoiceFlag() {
    CGameMemberSlot* own = GetNetworkDatabase().session.ownSlot;
    if (own == nullptr) {
        return;
    }
    if (Voice().IsSpeaking(0)) {
        own->flags |= MemberFlag::kHeadset;
    } else {
        own->flags &= static_cast<std::uint16_t>(~MemberFlag::kHeadset);
    }
}

bool CGameNetworkCtrl::IsVoiceChatSpeaking(int battler) {
    if (battler < 0 || battler >= kSessionMembers) {
        return false;
    }
    const CGameMemberSlot* slot = GetNetworkDatabase().session.battlerSlots[battler];
    if (slot == nullptr || !slot->IsConnect()) {
        return false;
    }
    MemberVoiceRecord record;
    Net::LeWriter w(record.bytes, sizeof record.bytes);
    w.U64(slot->memberId);
    w.Bytes(slot->memberName, sizeof slot->memberName);
    if (server != nullptr) {
        server->QueryMemberVoice(record, slot->memberId);
    }
    return (slot->flags & MemberFlag::kHeadset) != 0 && Voice().IsMemberSpeaking(record);
}

bool CGameNetworkCtrl::IsHost() const {
    const SGameSessionRecord& s = GetNetworkDatabase().session;
    return s.ownSlot != nullptr && s.ownSlot->IsHost();
}

bool CGameNetworkCtrl::FromHost(const PeerAddress& from) {
    const SGameSessionRecord& s = GetNetworkDatabase().session;
    CGameMemberSlot* host = s.hostSlot;
    if (host == nullptr || FindMemberSlotByPeer(from) != host) {
        return false;
    }
    // Once the lobby names another owner the host slot speaks no more: the
    // owner's notice or snapshot moves it.
    const std::uint64_t owner = server != nullptr && host != s.ownSlot ? server->LobbyOwner() : 0;
    return owner == 0 || owner == host->memberId;
}

int CGameNetworkCtrl::OwnBattler() const {
    const CGameMemberSlot* own = GetNetworkDatabase().session.ownSlot;
    return own ? own->BattlerNo() : -1;
}

int CGameNetworkCtrl::HostBattler() const {
    const CGameMemberSlot* host = GetNetworkDatabase().session.hostSlot;
    return host ? host->BattlerNo() : -1;
}

void CGameNetworkCtrl::Poll(int result, std::uint32_t ok, std::uint32_t failed, bool high) {
    std::uint32_t& word = high ? resultHigh : resultLow;
    if (result == 0) {
        word |= ok;
    } else if (result >= kServerFailed) {
        word |= failed;
    }
}

void CGameNetworkCtrl::Send(const GameMessage& m, const PeerAddress& to) {
    std::uint8_t bytes[kMaxMatchMessage];
    const std::size_t n = BuildGameMessage(m, bytes, sizeof bytes);
    if (n != 0) {
        QueueMessageKind0(bytes, n, to);
    }
}

void CGameNetworkCtrl::ArmToSlot(int slot, const GameMessage& m) {
    const SGameSessionRecord& s = GetNetworkDatabase().session;
    if (slot < 0 || slot >= kSessionMembers) {
        return;
    }
    std::uint8_t bytes[kMaxMatchMessage];
    const std::size_t n = BuildGameMessage(m, bytes, sizeof bytes);
    if (n != 0) {
        ArmPeriodicSend(static_cast<std::uint32_t>(slot), bytes, n, s.slots[slot].peer);
    }
}

void CGameNetworkCtrl::ArmToHost(const GameMessage& m) {
    const SGameSessionRecord& s = GetNetworkDatabase().session;
    if (s.hostSlot == nullptr) {
        return;
    }
    std::uint8_t bytes[kMaxMatchMessage];
    const std::size_t n = BuildGameMessage(m, bytes, sizeof bytes);
    if (n != 0) {
        ArmPeriodicSend(kRequestSlot, bytes, n, s.hostSlot->peer);
    }
}

bool CGameNetworkCtrl::Awaiting(std::uint8_t category, std::int16_t sub) const {
    return PeriodicSendCategory(kRequestSlot) == category &&
           (sub < 0 || PeriodicSendSub(kRequestSlot) == sub);
}

int CGameNetworkCtrl::OwnPhase() const {
    const CGameMemberSlot* own = GetNetworkDatabase().session.ownSlot;
    return own != nullptr ? SetUpPhase(*own) : 0;
}

void CGameNetworkCtrl::EndRequest(std::uint8_t category, std::int16_t sub) {
    if (PeriodicSendCategory(kRequestSlot) != category ||
        (sub >= 0 && PeriodicSendSub(kRequestSlot) != sub)) {
        return;  // slot 4 holds another request: this reply is not its answer
    }
    DisarmPeriodicSend(kRequestSlot);
    if (CGameMemberSlot* own = GetNetworkDatabase().session.ownSlot) {
        own->messageState = 0;
    }
}

// [SECTION] Per-frame step

void CGameNetworkCtrl::ManagementNetwork() {
    if (!P2PBuffersExist()) {
        CreateP2PBuffers(kP2PSendQueueSize);
        CreatePeriodicSends();
    }
    SGameNetworkDatabase& db = GetNetworkDatabase();
    SGameSessionRecord& session = db.session;
    Voice().Update();
    if (IsHost()) {
        UpdateVoiceFlag();
    }
    resultLow = resultHigh = 0;
    holdFlag = 0;
    if (replacedAsHost) {
        resultLow |= NetResult::kHostLost;
    }

    DrainReceiveLog([this](const PeerAddress& from, const std::uint8_t* m, std::uint16_t n) {
        RefreshPeerAlive(from);
        Dispatch(m, n, from);
    });

    if (session.ownSlot != nullptr) {
        if (session.ownSlot->IsHost()) {
            ManageHost();
        } else if (session.ownSlot->flags & MemberFlag::kJoined) {
            CheckHeartBeat();
        }
    }

    if (server != nullptr) {
        namespace R = NetResult;
        Poll(server->UpdateSession(), 0, R::kUpdateSessionFailed, true);
        const int init = server->CheckNetworkInit();
        Poll(init, R::kInitSucceeded, R::kInitFailed);
        if (init == 107) {
            server->lastError = 7;
        }
        Poll(server->CheckCreateSession(), R::kCreateSucceeded, R::kCreateFailed);
        Poll(server->CheckDeleteSession(), R::kDeleteSucceeded, R::kDeleteFailed);
        Poll(server->CheckSearchSession(), R::kSearchSucceeded, R::kSearchFailed);
        for (int i = 0; i < kSessionMembers; ++i) {
            Poll(server->CheckMember(i), R::kMemberPollSucceeded, R::kMemberPollFailed);
        }
        Poll(server->CheckConnectSession(), R::kConnectSucceeded, R::kConnectFailed);
        Poll(server->CheckDisconnectSession(), R::kDisconnectSucceeded, R::kConnectFailed);
        Poll(server->CheckKicked(), R::kKicked, 0, true);
    }
    callCounter += 1;

    namespace R = NetResult;
    if (server != nullptr && (resultLow & R::kInitSucceeded)) {
        db.ownUser = server->OwnUser();
        db.networkState = SGameNetworkDatabase::kNetworkReady;
    }
    if (server != nullptr && (resultLow & R::kCreateSucceeded)) {
        OnCreateRoomSucceeded();
    }
    if (server != nullptr && (resultLow & (R::kConnectSucceeded | R::kInviteSucceeded))) {
        OnConnectRoomSucceeded();
    }
    if (resultLow & (R::kCreateFailed | R::kDeleteSucceeded | R::kDeleteFailed | R::kConnectFailed |
                     R::kDisconnectSucceeded)) {
        ClearSession();
    }
    if (IsHost() && (resultLow & R::kSessionChanged)) {
        BroadcastSessionInfo();
    }
}

// [SECTION] Session

void CGameNetworkCtrl::OnCreateRoomSucceeded() {
    SGameNetworkDatabase& db = GetNetworkDatabase();
    SGameSessionRecord& s = db.session;
    s.Clear();
    s.info = server->CreatedSessionInfo();
    s.info.sessionName[sizeof s.info.sessionName - 1] = '\0';
    s.param.Member = 1;
    const int i = s.FirstEmptySlot();
    CGameMemberSlot& own = s.slots[i < 0 ? 0 : i];
    own.memberId = db.ownUser.id;
    std::memcpy(own.memberName, db.ownUser.name, sizeof db.ownUser.name);
    own.memberName[sizeof db.ownUser.name - 1] = '\0';
    own.flags = MemberFlag::kBattlerAssigned | MemberFlag::kBattler0 | MemberFlag::kHost;
    own.sequence = 1;
    own.nextSequence = 0;
    own.state = CGameMemberSlot::kConnected;
    s.ownSlot = s.hostSlot = s.battlerSlots[0] = &own;
    s.param.flags |= SessionFlag::kBattlerConfirmedBits;
    s.RenumberMembers();
    s.state = SGameSessionRecord::kRunning;
    server->EnableSendBreakUp();
}

void CGameNetworkCtrl::OnConnectRoomSucceeded() {
    SGameNetworkDatabase& db = GetNetworkDatabase();
    SGameSessionRecord& s = db.session;
    if (s.info.flags & 0x0001) {  // quick matching
        server->DisableSendBreakUp();
    } else {
        server->EnableSendBreakUp();
    }
    const ConnectedRoomRecord room = server->ConnectedRoom();
    s.info = room.info;
    s.info.sessionName[sizeof s.info.sessionName - 1] = '\0';
    s.param = room.param;
    ApplyMemberTable(room.identities, room.states, room.host);
    db.battleData.battleInfo = room.battleInfo;
    for (int i = 0; i < kSessionMembers; ++i) {
        db.battleData.battlers[i] = room.battlers[i];
    }
    s.state = SGameSessionRecord::kRunning;
}

void CGameNetworkCtrl::ClearSession() {
    GetNetworkDatabase().session.Clear();
    // Nothing is waited for without a session.
    holdFlag = 0;
    networkWaiting = 0;
    keysArmed = 0;
    replacedAsHost = 0;
    battleBattlers = 0;
    ResetDeparted();
    for (std::uint32_t i = 0; i < static_cast<std::uint32_t>(kP2PPeriodicSlots); ++i) {
        DisarmPeriodicSend(i);
    }
}

void CGameNetworkCtrl::SendToMembers(const std::uint8_t* message, std::size_t length) {
    for (const CGameMemberSlot& slot : GetNetworkDatabase().session.slots) {
        if (slot.IsConnect() && !slot.IsHost()) {
            QueueMessageKind0(message, length, slot.peer);
        }
    }
}

void CGameNetworkCtrl::BroadcastSessionInfo() {
    const SGameNetworkDatabase& db = GetNetworkDatabase();
    const SGameSessionRecord& s = db.session;
    if (s.hostSlot == nullptr) {
        return;
    }
    GameMessage m;
    switch (s.hostSlot->sequence) {
        case 1:
        case 7:
        case 8:
            m.category = C::kRoomSessionInfo;
            break;
        case 2:
            m.category = C::kTeamSelectSessionInfo;
            break;
        case 3:
            m.category = C::kCharaSelectSessionInfo;
            break;
        case 6:
            m.category = C::kBattleSessionInfo;
            break;
        default:
            return;
    }
    m.sessionParam = s.param;
    for (int i = 0; i < kSessionMembers; ++i) {
        m.identities[i] = s.slots[i].Identity();
        m.states[i] = s.slots[i].StateRecord();
        m.battlers[i] = db.battleData.battlers[i];
    }
    m.battleInfo = db.battleData.battleInfo;
    std::uint8_t bytes[kMaxMatchMessage];
    const std::size_t n = BuildGameMessage(m, bytes, sizeof bytes);
    if (n != 0) {
        SendToMembers(bytes, n);
    }
}

void CGameNetworkCtrl::ApplyMemberTable(const MemberIdentityRecord* identities,
                                        const MemberStateRecord* states, const PeerAddress& host) {
    SGameSessionRecord& s = GetNetworkDatabase().session;
    std::string before[kSessionMembers];
    bool had[kSessionMembers];
    for (int b = 0; b < kSessionMembers; ++b) {
        had[b] = s.battlerSlots[b] != nullptr;
        before[b] = had[b] ? s.battlerSlots[b]->memberName : "";
    }
    if (server != nullptr) {
        server->UpdateMemberTable(s.slots, identities, states);
    }
    for (int i = 0; i < kSessionMembers; ++i) {
        CGameMemberSlot& slot = s.slots[i];
        slot.SetIdentity(identities[i]);
        slot.SetStateRecord(states[i]);
        if (slot.flags == 0) {
            slot.state = CGameMemberSlot::kEmpty;
            slot.silenceCounter = 0;
            slot.nextSequence = 0;
            slot.joinOrder = 0;
            slot.partnerAcknowledged = 0;
            slot.peer = PeerAddress{};
            slot.sendPlayerNoState = 0;
            slot.messageState = 0;
        } else {
            slot.state = CGameMemberSlot::kConnected;
        }
    }
    if (s.param.Member < 2) {
        s.param.flags &= 0xFFF0;
    }
    // The own slot by account id: display names need not be unique.
    s.UpdateSlotPointers(OwnAccountId());
    if (s.hostSlot != nullptr && s.hostSlot != s.ownSlot) {
        s.hostSlot->peer = host;
    }
    bool changed = false;
    for (int b = 0; b < kSessionMembers; ++b) {
        const bool has = s.battlerSlots[b] != nullptr;
        if (has != had[b] || (has && before[b] != s.battlerSlots[b]->memberName)) {
            changed = true;
        }
    }
    if (changed && s.ownSlot != nullptr) {
        s.ownSlot->partnerAcknowledged =
            (s.hostSlot != nullptr && (s.hostSlot->flags & MemberFlag::kBattlerAssigned)) ? 1 : 0;
    }
}

void CGameNetworkCtrl::UpdateHost() {
    SGameSessionRecord& s = GetNetworkDatabase().session;
    s.UpdateSlotPointers(OwnAccountId());
    for (int i = 0; i < kSessionMembers; ++i) {
        if (s.slots[i].IsConnect() && s.slots[i].IsHost()) {
            std::printf("UpdateHost [%d]", i);
        }
    }
}

CGameMemberSlot* CGameNetworkCtrl::FindMemberSlotByPeer(const PeerAddress& address) {
    SGameSessionRecord& s = GetNetworkDatabase().session;
    if (IsLocalPeer(address, OwnAccountId())) {
        return s.ownSlot;
    }
    for (CGameMemberSlot& slot : s.slots) {
        if (slot.IsConnect() && SamePeer(slot.peer, address)) {
            return &slot;
        }
    }
    return nullptr;
}

// [SECTION] Dispatch

void CGameNetworkCtrl::Dispatch(const std::uint8_t* message, std::uint16_t length,
                                const PeerAddress& from) {
    if (!IsMatchCategory(message[2])) {
        if (server != nullptr) {
            server->ReceiveMessage(message, length, from);
        }
        return;
    }
    GameMessage m;
    if (!ParseGameMessage(message, length, m)) {
        return;
    }
    switch (m.category) {
        case C::kStatus:
            ReceiveStatus(m, from);
            break;
        case C::kBattleSessionInfo:
            if (FromHost(from)) {
                ConfirmBattleStarted();
            }
            ReceiveSessionInfo(m, from);
            break;
        case C::kRoomSessionInfo:
        case C::kTeamSelectSessionInfo:
        case C::kCharaSelectSessionInfo:
            ReceiveSessionInfo(m, from);
            break;
        case C::kHostStateAck:
            ReceiveHostStateAck(from);
            break;
        case C::kPlayerRoom:
            ReceivePlayerRoom(m, from);
            break;
        case C::kTeamSelect:
            ReceiveTeamSelect(m, from);
            break;
        case C::kCharaSelect:
            ReceiveCharaSelect(m, from);
            break;
        case C::kGotoScene:
            ReceiveGotoScene(m, from);
            break;
        case C::kArrivalPreBattle:
            ReceiveArrivalPreBattle(from);
            break;
        case C::kBattleStart:
            ReceiveBattleStart(from);
            break;
        case C::kKeyInput:
            if (FindMemberSlotByPeer(from) != nullptr) {
                ConfirmBattleStarted();
            }
            ReceiveKeyInput(m, from);
            break;
        case C::kKeyResendRequest:
            ReceiveKeyResendRequest(m, from);
            break;
        case C::kArrivalResultEnd:
            ReceiveArrivalResultEnd(from);
            break;
        case C::kBattleInfo:
            ReceiveBattleInfo(m, from);
            break;
        default:
            break;
    }
}

// [SECTION] Status, snapshots and acknowledgements

void CGameNetworkCtrl::ReceiveStatus(const GameMessage& m, const PeerAddress& from) {
    if (!IsHost()) {
        return;
    }
    SGameSessionRecord& s = GetNetworkDatabase().session;
    CGameMemberSlot* slot = FindMemberSlotByPeer(from);
    if (slot == nullptr || slot == s.ownSlot) {
        return;
    }
    // Only a member of the session confirms a battler.
    for (int b = 0; b < kSessionMembers; ++b) {
        if (m.statusFlags & (0x04 << b)) {
            s.param.flags |= static_cast<std::uint16_t>(MemberFlag::kBattler0 << b);
            break;
        }
    }
    slot->rtt = m.hostPing;
    if (m.statusFlags >= 0x80 && slot->sequence == 6) {
        slot->sequence = 7;
    }
    if (m.statusFlags & 0x01) {
        slot->flags |= MemberFlag::kHeadset;
    } else {
        slot->flags &= static_cast<std::uint16_t>(~MemberFlag::kHeadset);
    }
}

void CGameNetworkCtrl::ReceiveSessionInfo(const GameMessage& m, const PeerAddress& from) {
    SGameNetworkDatabase& db = GetNetworkDatabase();
    SGameSessionRecord& s = db.session;
    CGameMemberSlot* sender = FindMemberSlotByPeer(from);
    if (IsHost()) {
        // Another member broadcasts as host: either it took over while this
        // host was away (then this one steps down), or it missed the
        // take-over and is told. So is a battler of this battle whom this
        // host already took out of the session: a host that was away may
        // have been, and it hears of the take-over from nobody else. A
        // stranger is not answered.
        if (IsLocalPeer(from, OwnAccountId())) {
            return;
        }
        if (sender != nullptr && sender != s.ownSlot) {
            AcceptNewHost(from);
            if (IsHost()) {
                TellNotHost(from);
            }
        } else if (sender == nullptr && LeftBattleAs(from.id)) {
            TellNotHost(from);
        }
        return;
    }
    // The host's snapshot also tells of a take-over whose notice was lost.
    if (s.ownSlot != nullptr && sender != nullptr && sender != s.hostSlot) {
        AcceptNewHost(from);
    }
    if (s.ownSlot == nullptr || s.hostSlot == nullptr || IsHost() || !FromHost(from)) {
        return;
    }
    // The phase before the member table moves anything.
    const int phase = OwnPhase();
    s.param = m.sessionParam;
    ApplyMemberTable(m.identities, m.states, from);
    SGameBattleData& battle = db.battleData;
    const int snapshotPhase = m.category == C::kRoomSessionInfo          ? 1
                              : m.category == C::kTeamSelectSessionInfo  ? 2
                              : m.category == C::kCharaSelectSessionInfo ? 3
                                                                         : 6;
    if (snapshotPhase < phase) {
        return;  // older than what a scene order already brought
    }
    if (m.category == C::kRoomSessionInfo) {
        battle.battleInfo = m.battleInfo;
    } else if (m.category == C::kTeamSelectSessionInfo) {
        battle.battleInfo = m.battleInfo;
        for (int i = 0; i < kSessionMembers; ++i) {
            battle.battlers[i] = m.battlers[i];
        }
    } else if (m.category == C::kCharaSelectSessionInfo) {
        for (int i = 0; i < kSessionMembers; ++i) {
            battle.battlers[i].flags = m.battlers[i].flags;
            battle.battlers[i].selectIndex = m.battlers[i].selectIndex;
        }
    }
}

void CGameNetworkCtrl::ReceiveHostStateAck(const PeerAddress& from) {
    SGameSessionRecord& s = GetNetworkDatabase().session;
    CGameMemberSlot* sender = FindMemberSlotByPeer(from);
    if (s.ownSlot == nullptr || sender == nullptr) {
        return;
    }
    const int own = s.ownSlot->BattlerNo();
    if ((own == 0 && sender == s.battlerSlots[1]) || (own == 1 && sender == s.battlerSlots[0])) {
        s.ownSlot->partnerAcknowledged = 1;
    }
}

}  // namespace Sample
