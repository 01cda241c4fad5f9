// The lobby session server: orders, checks, platform events and the per-frame
// room upkeep. The lobby-layer message handlers are in
// game_network_server_messages.cpp.
#include "proj/network/game_network_server.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/netcheck/netcheck.h"
#include "platform/online/online.h"
#include "proj/network/game_network_ctrl.h"
#include "proj/network/lobby_messages.h"
#include "proj/network/p2p_buffers.h"
#include "proj/network/session_members.h"
#include "qzware/depend/win/vho/vho_steam.h"
#include "qzware/win/qz_networker.h"

namespace Sample::Win {

namespace {

namespace po = platform::online;

constexpr const char* kInvalidLobby = "invalid_lobby";
constexpr const char* kChangeHost = "change_host";
constexpr const char* kHostName = "host_name";
constexpr const char* kHostId = "host_id";

CGameNetworkServer*& Instance() {
    static CGameNetworkServer* server = nullptr;
    return server;
}

std::string IdText(std::uint64_t id) {
    return std::to_string(id);
}

std::uint64_t ParseId(const char* text) {
    unsigned long long id = 0;
    if (text != nullptr && std::sscanf(text, "%llu", &id) != 1) {
        id = 0;
    }
    return id;
}

}  // namespace

void CWinSearchResultNode::Clear() {
    sessionId = 0;
    std::memset(sessionName, 0, sizeof sessionName);
    std::memset(hostName, 0, sizeof hostName);
    gameVersion = 0;
    memberMax = memberNow = 0;
    sessionFlag = 0;
    hostRtt = -1;
    gameInfo = NET_ROOM_GAME_INFO{};
    validVoiceChat = hostArea = 0;
    std::memset(keyword, 0, sizeof keyword);
    hostId = 0;
}

// [SECTION] Construction

CGameNetworkServer* CGameNetworkServer::GetInstance() {
    CGameNetworkServer*& server = Instance();
    if (server == nullptr && vho::Steam::HasInstance()) {
        server = new CGameNetworkServer(vho::Steam::GetInstance(), &QZW::Win::GetNetworker());
        server->AllocSearchResults();
    }
    return server;
}

void CGameNetworkServer::DestroyInstance() {
    delete Instance();
    Instance() = nullptr;
}

CGameNetworkServer::CGameNetworkServer(vho::Steam* steam, QZW::Win::CQzNetworker* networker)
    : steam_(steam), networker_(networker), roomInfo(steam) {
    AttachEvents();
}

CGameNetworkServer::~CGameNetworkServer() {
    if (attached_ && steam_->GetSubject() != nullptr) {
        for (int code : {0, 1, 3, 4, 5}) {
            steam_->GetSubject()->Detach(code, this);
        }
    }
    FreeSearchResults();
}

void CGameNetworkServer::AttachEvents() {
    vho::Subject<int>* subject = steam_->GetSubject();
    if (attached_ || subject == nullptr) {
        return;
    }
    attached_ = true;
    subject->Attach(vho::kSteamServersConnected, this, [this](void*) { onlineFlag = 1; });
    subject->Attach(vho::kSteamServersDisconnected, this, [this](void*) { onlineFlag = 0; });
    subject->Attach(vho::kSteamLobbyCreated, this, &CGameNetworkServer::OnLobbyCreated);
    subject->Attach(vho::kSteamLobbyMatchList, this, &CGameNetworkServer::OnLobbyListReceived);
    subject->Attach(vho::kSteamLobbyEnter, this, &CGameNetworkServer::OnLobbyEntered);
}

std::uint64_t CGameNetworkServer::OwnId() const {
    return steam_->GetSteamId()->ConvertToUint64();
}

const char* CGameNetworkServer::OwnName() const {
    return steam_->GetPersonaName();
}

// [SECTION] Init

int CGameNetworkServer::OrderNetworkInit(SNetInitObj&) {
    AttachEvents();
    lobbyState = kInitOrdered;
    networker_->SetVoiceChatEnabled(1);
    return 0;
}

int CGameNetworkServer::CheckNetworkInit() {
    int result = kWaiting;
    if (lobbyState == kInitOrdered && IsNetworkAvailable()) {
        initObj = SNetInitObj{};
        CopyBoundedText(initObj.name, sizeof initObj.name, OwnName());
        // The platform's own id, so that hellos and "host_id" carry it.
        initObj.ownId = OwnId();
        lobbyState = kInitDone;
        result = 0;
    }
    if (platform::netcheck::is_connected()) {
        networkConnected = 1;
        return result;
    }
    networkConnected = 0;
    return kRefused;
}

OwnUserRecord CGameNetworkServer::OwnUser() {
    OwnUserRecord r;
    r.id = initObj.ownId;
    std::memcpy(r.name, initObj.name, sizeof r.name);
    r.name[sizeof r.name - 1] = '\0';
    return r;
}

// [SECTION] Create

int CGameNetworkServer::OrderCreateSession(SNetCreateSessionObj& create) {
    AttachEvents();
    lobbyState = kCreating;
    requestFrames = 0;
    steam_->CreateLobby(create.MemberMax);
    return 0;
}

void CGameNetworkServer::OnLobbyCreated(void*) {
    if (lobbyState != kCreating) {
        return;
    }
    GetNetworkDatabase().ownUser.id = OwnId();
    lobbyState = kCreated;
}

int CGameNetworkServer::GiveUp() {
    EndConnect();
    steam_->ResetLobbies();
    if (roomInfo.IsOpen()) {
        roomInfo.Reset();
    }
    lobbyState = kSettled;
    return kRefused;
}

int CGameNetworkServer::CheckCreateSession() {
    if (lobbyState == kCreating) {
        return ++requestFrames > kRequestTimeoutFrames ? GiveUp() : kPending;
    }
    if (lobbyState != kCreated) {
        return kPending;
    }
    const SNetCreateSessionObj& c = createObj;
    const NET_ROOM_GAME_INFO& g = c.gameInfo;
    steam_->SetLobbyDataInt(0, kInvalidLobby, 0);
    steam_->SetLobbyData(0, kHostName, OwnName());
    steam_->SetLobbyData(0, kHostId, IdText(GetNetworkDatabase().ownUser.id).c_str());
    char name[kSessionTextField] = {};
    CopyBoundedText(name, sizeof name, c.sessionName);
    steam_->SetLobbyData(0, "room_name", name);
    const std::pair<const char*, int> rules[] = {
        {"rule_team", g.ruleTeamType}, {"rule_time", g.ruleTime},     {"rule_round", g.ruleRound},
        {"rule_stage", g.ruleStage},   {"rule_bgm", g.ruleBgm},       {"rule_item", g.ruleItemNum},
        {"rule_fall", g.ruleFall},     {"member_count", c.MemberMax}, {"game_ver", c.gameVersion},
    };
    for (const auto& [key, value] : rules) {
        steam_->SetLobbyDataInt(0, key, value);
    }
    CopyBoundedText(name, sizeof name, c.keyword);
    steam_->SetLobbyData(0, "room_keyword", name);
    steam_->SetLobbyDataInt(0, "host_area", c.hostArea);
    invalidLobbyMirror = 0;
    lobbyState = kSettled;
    roomInfo.Open(true);
    networker_->textChat = QZW::NET::CQzNetTextChatLog{};
    return 0;
}

SGameSessionInfo CGameNetworkServer::CreatedSessionInfo() {
    SGameSessionInfo info;
    CopyBoundedText(info.sessionName, sizeof info.sessionName, createObj.sessionName);
    info.flags = createObj.flags;
    info.memberMax = createObj.MemberMax;
    return info;
}

// [SECTION] Delete and leave

int CGameNetworkServer::OrderDeleteSession(SNetCreateSessionObj&) {
    if (lobbyState == kSettled) {
        lobbyState = kDeleting;
    }
    return kRefused;
}

int CGameNetworkServer::OrderDisconnectSession() {
    if (lobbyState == kSettled) {
        lobbyState = kLeaving;
    }
    return kRefused;
}

int CGameNetworkServer::CheckDeleteSession() {
    if (lobbyState != kDeleting) {
        return kPending;
    }
    lobbyState = kSettled;
    if (roomInfo.IsOpen()) {
        roomInfo.Reset();
    }
    steam_->ResetLobbies();
    return 0;
}

int CGameNetworkServer::CheckDisconnectSession() {
    if (lobbyState != kLeaving) {
        return kPending;
    }
    lobbyState = kSettled;
    if (roomInfo.IsOpen()) {
        roomInfo.Reset();
    }
    steam_->ResetLobbies();
    return 0;
}

int CGameNetworkServer::OrderRemoveMember(int i) {
    roomInfo.LeaveMember(i);
    return kRefused;
}

// [SECTION] Search

int CGameNetworkServer::OrderSearchSession(SNetSearchSessionObj& search) {
    AttachEvents();
    lobbyState = kSearching;
    requestFrames = 0;
    if (steam_->IsStarted()) {
        po::Backend& p = steam_->GetPlatform();
        using C = po::LobbyComparison;
        p.add_lobby_list_string_filter(kInvalidLobby, "0", C::equal);
        p.add_lobby_list_string_filter(kHostId, IdText(OwnId()).c_str(), C::not_equal);
        char keyword[kSessionTextField] = {};
        CopyBoundedText(keyword, sizeof keyword, search.keyword);
        if (keyword[0] != '\0') {
            p.add_lobby_list_string_filter("room_keyword", keyword, C::equal);
        }
        p.add_lobby_list_string_filter("game_ver", std::to_string(search.gameVersion).c_str(),
                                       C::equal);
        if (search.teamType > 0) {
            p.add_lobby_list_string_filter("rule_team", std::to_string(search.teamType - 1).c_str(),
                                           C::equal);
        }
        p.add_lobby_list_string_filter("host_area", std::to_string(search.hostArea).c_str(),
                                       C::equal);
    }
    steam_->RequestLobbyList();
    return 0;
}

void CGameNetworkServer::OnLobbyListReceived(void*) {
    if (lobbyState == kSearching) {
        lobbyState = kListReceived;
    }
}

void CGameNetworkServer::FillSearchResults() {
    searchResultCount = 0;
    const int n = std::max(steam_->GetLobbyCount(), 0);
    const std::uint64_t own = OwnId();
    std::vector<std::uint32_t> dropped;
    int k = 0;
    for (int i = 0; i < n; ++i) {
        const std::uint32_t e = static_cast<std::uint32_t>(i);
        const bool full = k >= static_cast<int>(searchResults.size());
        const std::uint64_t owner =
            full ? 0 : steam_->GetLobbyOwner(static_cast<std::uint16_t>(e)).ConvertToUint64();
        if (full || owner == own || steam_->GetLobbyDataInt(e, kInvalidLobby) > 0 ||
            roomInfo.IsKickedFrom(e, own)) {
            dropped.push_back(e);
            continue;
        }
        auto* node = static_cast<CWinSearchResultNode*>(searchResults[k].get());
        node->Clear();
        CopyBoundedText(node->hostName, sizeof node->hostName, steam_->GetLobbyData(e, kHostName));
        node->hostId = ParseId(steam_->GetLobbyData(e, kHostId));
        node->hostRtt = -1;
        // After the drops below, kept entry k sits at list position k.
        node->sessionId = static_cast<std::uint64_t>(k);
        node->gameVersion = static_cast<std::uint16_t>(steam_->GetLobbyDataInt(e, "game_ver"));
        CopyBoundedText(node->sessionName, sizeof node->sessionName,
                        steam_->GetLobbyData(e, "room_name"));
        CopyBoundedText(node->keyword, sizeof node->keyword,
                        steam_->GetLobbyData(e, "room_keyword"));
        node->hostArea = static_cast<std::uint8_t>(steam_->GetLobbyDataInt(e, "host_area"));
        NET_ROOM_GAME_INFO& g = node->gameInfo;
        g.ruleTeamType = steam_->GetLobbyDataInt(e, "rule_team");
        g.ruleTime = steam_->GetLobbyDataInt(e, "rule_time");
        g.ruleRound = steam_->GetLobbyDataInt(e, "rule_round");
        g.ruleStage = steam_->GetLobbyDataInt(e, "rule_stage");
        g.ruleBgm = steam_->GetLobbyDataInt(e, "rule_bgm");
        g.ruleItemNum = steam_->GetLobbyDataInt(e, "rule_item");
        g.ruleFall = steam_->GetLobbyDataInt(e, "rule_fall");
        node->memberMax = static_cast<std::uint8_t>(steam_->GetLobbyDataInt(e, "member_count"));
        node->memberNow = static_cast<std::uint8_t>(steam_->GetNumLobbyMembers(e));
        ++k;
    }
    // Highest first, so that the positions still to remove stay valid.
    std::sort(dropped.begin(), dropped.end(), std::greater<>());
    for (std::uint32_t e : dropped) {
        steam_->RemoveLobby(e);
    }
    searchResultCount = std::min(std::max(steam_->GetLobbyCount(), 0), k);
    boundSearchResult = nullptr;
    boundSearchIndex = 0;
    resultWait = 0;
    lobbyState = kMeasuring;
    for (int j = 0; j < searchResultCount; ++j) {
        const CSteamID host(ParseId(steam_->GetLobbyData(static_cast<std::uint32_t>(j), kHostId)));
        steam_->AddPeer(&host);
    }
    SendProbes();
}

void CGameNetworkServer::SendProbes() {
    for (int j = 0; j < searchResultCount; ++j) {
        if (searchResults[j]->GetHostRTT() != -1) {
            continue;
        }
        const CSteamID host(ParseId(steam_->GetLobbyData(static_cast<std::uint32_t>(j), kHostId)));
        SendDirect(host.ConvertToUint64(),
                   BuildIdentity(LobbyCategory::kIdentity, OwnId(), /*flag*/ 0));
    }
}

void CGameNetworkServer::FinishSearch() {
    // Kept results move down onto the first free node; a dropped result's
    // lobby entry goes too, so node j always names lobby entry j.
    std::vector<std::uint32_t> dropped;
    int kept = 0;
    for (int j = 0; j < searchResultCount; ++j) {
        auto* node = static_cast<CWinSearchResultNode*>(searchResults[j].get());
        if (node->hostRtt >= 0 && node->hostRtt <= kRttLimitMs) {
            if (kept != j) {
                auto* to = static_cast<CWinSearchResultNode*>(searchResults[kept].get());
                *to = *node;
            }
            ++kept;
        } else {
            dropped.push_back(static_cast<std::uint32_t>(j));
        }
    }
    for (auto it = dropped.rbegin(); it != dropped.rend(); ++it) {
        steam_->RemoveLobby(*it);
    }
    for (int j = 0; j < kept; ++j) {
        static_cast<CWinSearchResultNode*>(searchResults[j].get())->sessionId =
            static_cast<std::uint64_t>(j);
    }
    searchResultCount = kept;
    lobbyState = kSettled;
}

int CGameNetworkServer::CheckSearchSession() {
    if (lobbyState == kSearching) {
        return ++requestFrames > kRequestTimeoutFrames ? GiveUp() : kPending;
    }
    if (lobbyState == kListReceived) {
        FillSearchResults();
        return kPending;
    }
    if (lobbyState != kMeasuring) {
        return kPending;
    }
    ++resultWait;
    bool unanswered = false;
    for (int j = 0; j < searchResultCount; ++j) {
        unanswered = unanswered || searchResults[j]->GetHostRTT() == -1;
    }
    if (unanswered && resultWait <= kRttWaitFrames) {
        if (resultWait % kProbeResendFrames == 0) {
            SendProbes();
        }
        return kPending;
    }
    FinishSearch();
    return 0;
}

// [SECTION] Connect

int CGameNetworkServer::OrderConnectSession(SNetConnectSessionObj& connect) {
    AttachEvents();
    const std::uint32_t index = connect.SearchIndex;
    // A position past the list names no lobby at all.
    if (static_cast<int>(index) >= steam_->GetLobbyCount() ||
        steam_->GetLobbyDataInt(index, kInvalidLobby) > 0) {
        return kRefused;
    }
    steam_->JoinLobby(index);
    lobbyState = kJoining;
    requestFrames = 0;
    connect.lobbyIndex = index;
    return 0;
}

void CGameNetworkServer::OnLobbyEntered(void*) {
    if (lobbyState != kJoining) {
        return;
    }
    if (steam_->GetLobbyDataInt(0, kInvalidLobby) > 0 || !steam_->IsInLobby()) {
        lobbyState = kJoinRefused;
        return;
    }
    roomInfo.Open(false);
    lobbyState = kEntered;
}

void CGameNetworkServer::EndConnect() {
    // A hello left armed would keep knocking at a room this process gave up.
    if (PeriodicSendCategory(kHelloSlot) == LobbyCategory::kHello) {
        DisarmPeriodicSend(kHelloSlot);
    }
}

int CGameNetworkServer::CheckConnectSession() {
    switch (lobbyState) {
        case kJoinRefused:
            EndConnect();
            steam_->ResetLobbies();
            lobbyState = kSettled;
            return kRefused;
        case kJoining:
        case kHelloSent:
            return ++requestFrames > kRequestTimeoutFrames ? GiveUp() : kPending;
        case kEntered: {
            const std::vector<std::uint8_t> hello = BuildHello(OwnId(), OwnName());
            const CSteamID owner = steam_->GetLobbyOwner(0);
            ArmPeriodicSend(kHelloSlot, hello.data(), hello.size(),
                            PeerAddress{owner.ConvertToUint64(), 0});
            lobbyState = kHelloSent;
            requestFrames = 0;
            return kPending;
        }
        case kHelloAnswered:
            networker_->textChat = QZW::NET::CQzNetTextChatLog{};
            lobbyState = kSettled;
            EndConnect();
            return 0;
        default:
            return kPending;
    }
}

ConnectedRoomRecord CGameNetworkServer::ConnectedRoom() {
    ConnectedRoomRecord r;
    const SNetConnectSessionObj& c = connectObj;
    r.info = c.info;
    r.param = c.param;
    for (int i = 0; i < kSessionMembers; ++i) {
        r.identities[i] = c.identities[i];
        r.states[i] = c.states[i];
    }
    r.host = PeerAddress{c.hostId, 0};
    r.battleInfo = c.battleInfo;
    return r;
}

// [SECTION] Kicks and clearing

int CGameNetworkServer::CheckKicked() {
    if (lobbyState != kKickedOut) {
        return kPending;
    }
    lobbyState = kSettled;
    return 0;
}

int CGameNetworkServer::KickOutRoomMember(int i) {
    SGameSessionRecord& s = GetNetworkDatabase().session;
    if (i < 0 || i >= kSessionMembers) {
        return kRefused;
    }
    CGameMemberSlot& slot = s.slots[i];
    if (slot.state != CGameMemberSlot::kConnected || &slot == s.ownSlot ||
        slot.memberId == OwnId()) {
        return kRefused;
    }
    const std::vector<std::uint8_t> kick = BuildKick();
    QueueMessage(kick.data(), kick.size(), PeerAddress{slot.memberId, 0}, 0);
    roomInfo.KickMember(i);
    roomInfo.LeaveMember(i);
    return 0;
}

int CGameNetworkServer::OrderClearServerData() {
    steam_->ClearPeers();
    steam_->ResetLobbies();
    if (roomInfo.IsOpen()) {
        roomInfo.Reset();
    }
    ResetNetworkDatabase();
    P2PBufferBlock& b = GetP2PBuffers();
    P2PDetail::ResetQueue(b.sendQueue);
    P2PDetail::ResetQueue(b.receiveLog);
    for (std::uint32_t slot = 0; slot < 4; ++slot) {
        DisarmPeriodicSend(slot);
    }
    EndConnect();
    return kRefused;
}

// [SECTION] Per-frame room upkeep

void CGameNetworkServer::TakeOverAsHost(int i) {
    SGameSessionRecord& s = GetNetworkDatabase().session;
    CGameNetworkCtrl::GetInstance().TakeOverHost();
    hostChangeStartedHere = 1;
    steam_->SetLobbyDataInt(0, kChangeHost, 1);
    steam_->SetLobbyData(0, kHostName, OwnName());
    steam_->SetLobbyData(0, kHostId, IdText(OwnId()).c_str());
    roomInfo.RestoreMember(i);
    invalidLobbyMirror = steam_->GetLobbyDataInt(0, kInvalidLobby) != 0 ? 1 : 0;
    const std::vector<std::uint8_t> change = BuildHostChange(OwnId());
    for (const CGameMemberSlot& slot : s.slots) {
        if (slot.IsConnect() && !(slot.flags & MemberFlag::kHost)) {
            QueueMessage(change.data(), change.size(), slot.peer, kP2PSendKindDelayed);
        }
    }
}

int CGameNetworkServer::UpdateSession() {
    SGameNetworkDatabase& db = GetNetworkDatabase();
    SGameSessionRecord& s = db.session;
    if (s.ownSlot == nullptr) {
        return 0;
    }
    hostChange = steam_->GetLobbyDataInt(0, kChangeHost) == 1 ? 1 : 0;
    if (hostChange && hostChangeStartedHere) {
        hostChangeStartedHere = 0;
        steam_->SetLobbyDataInt(0, kChangeHost, 0);
    }
    // A battle is the battle scene or any armed key exchange (the demo's match).
    roomInfo.Update(s.ownSlot->sequence == 6 || CGameNetworkCtrl::GetInstance().KeysArmed());
    if (!roomInfo.IsHost() || lobbyState != kSettled || !steam_->IsInLobby()) {
        return 0;
    }
    const bool locked = (s.param.flags & SessionFlag::kConnectLock) != 0;
    if (locked && invalidLobbyMirror != 1) {
        steam_->SetLobbyDataInt(0, kInvalidLobby, 1);
        invalidLobbyMirror = 1;
    } else if (!locked && invalidLobbyMirror == 1) {
        steam_->SetLobbyDataInt(0, kInvalidLobby, 0);
        invalidLobbyMirror = 0;
    }
    bool tookOver = false;
    for (int i = 0; i < kSessionMembers; ++i) {
        const RoomMemberRecord r = roomInfo.ReadMemberData(i);
        if (roomInfo.IsOpen() && r.state == RoomMemberRecord::kJoined) {
            const CSteamID id(r.id);
            steam_->AddPeer(&id);
            steam_->SetPlayedWith(id);
            AddSessionMember(r.name, r.id, PeerAddress{r.id, 0});
            roomInfo.AcceptMember(i);
        } else if (r.state == RoomMemberRecord::kLeft) {
            for (int k = 0; k < kSessionMembers; ++k) {
                if (s.slots[k].state != CGameMemberSlot::kEmpty && s.slots[k].memberId == r.id &&
                    &s.slots[k] != s.ownSlot) {
                    RemoveSessionMember(k);
                }
            }
            roomInfo.RemoveLeftMember(i);
        } else if (r.state == RoomMemberRecord::kTakeOver) {
            TakeOverAsHost(i);
            tookOver = true;
        }
    }
    if (tookOver) {
        CGameNetworkCtrl::GetInstance().UpdateHost();
    }
    return 0;
}

int CGameNetworkServer::UpdateMemberTable(CGameMemberSlot* slots,
                                          const MemberIdentityRecord* identities,
                                          const MemberStateRecord* states) {
    if (roomInfo.IsHost() || lobbyState != kSettled) {
        return 0;
    }
    // Members are told apart by account id: display names need not be unique.
    const std::uint64_t own = OwnId();
    constexpr std::uint64_t kUnknown = 0xFFFFFFFFu;
    for (int k = 0; k < kSessionMembers; ++k) {
        CGameMemberSlot& slot = slots[k];
        if (slot.memberId == own || identities[k].id == own || slot.flags == 0) {
            continue;
        }
        if (slot.memberId != identities[k].id || slot.peer.id == 0) {
            slot.peer.id = kUnknown;
        }
        if (states[k].flags != 0 && slot.peer.id == kUnknown) {
            slot.peer.id = identities[k].id;
            SendDirect(identities[k].id, BuildIdentity(LobbyCategory::kIdentity, OwnId(), 1));
        }
    }
    return 0;
}

std::uint64_t CGameNetworkServer::LobbyOwner() {
    return steam_->GetLobbyOwner(0).ConvertToUint64();
}

bool CGameNetworkServer::OwnPresenceLapsed() {
    if (!steam_->IsStarted()) {
        return false;
    }
    po::Backend& p = steam_->GetPlatform();
    const std::uint32_t lasts = p.presence_ttl_ms();
    return lasts != 0 && p.presence_age_ms() > lasts;
}

std::int16_t CGameNetworkServer::GetHostPing(int) {
    const CSteamID owner = steam_->GetLobbyOwner(0);
    return static_cast<std::int16_t>(steam_->GetPeerPing(&owner));
}

}  // namespace Sample::Win
