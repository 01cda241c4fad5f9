// The game-server script API: "SQ_GameServer" over the lobby session server
// that the game control hands out, the request objects ("SQ_RoomCreateObj",
// "SQ_RoomSearchObj", "SQ_RoomConnectObj", "SQ_NetRequestFriendObj",
// "SQ_SearchUpdateObj") and the result views ("SQ_NetSearchResult",
// "SQ_NetFriend"). Without a server every order answers 100 and every
// query 0, false, "" or null.
#include <cstring>
#include <string>

#include "proj/game/igame_control.h"
#include "proj/network/game_network_ctrl.h"
#include "proj/network/game_network_database.h"
#include "proj/network/igame_network_server.h"
#include "proj/script/script_api.h"
#include "proj/script/script_network_api.h"
#include "proj/script/sq_bind.h"
#include "qzware/win/qz_networker.h"

namespace Sample {

IGameNetworkServer* ScriptNetworkServer() {
    IGameControl* control = GetScriptGameControl();
    return control != nullptr ? control->GetNetworkServer() : nullptr;
}

namespace {

constexpr int kRefused = 100;

bool LoginRefused() {
    return QZW::Win::GetNetworker().CheckNetworkLogin(0) >= 100;
}

// [SECTION] Request objects

void CreateSetSessionName(SNetCreateSessionObj& o, const char* t) {
    CopyBoundedText(o.sessionName, sizeof o.sessionName, t);
}
std::string CreateGetSessionName(SNetCreateSessionObj& o) {
    return std::string(o.sessionName, strnlen(o.sessionName, sizeof o.sessionName));
}
void CreateSetKeyword(SNetCreateSessionObj& o, const char* t) {
    CopyBoundedText(o.keyword, sizeof o.keyword, t);
}
std::string CreateGetKeyword(SNetCreateSessionObj& o) {
    return std::string(o.keyword, strnlen(o.keyword, sizeof o.keyword));
}
NET_ROOM_GAME_INFO* CreateGetGameInfo(SNetCreateSessionObj& o) {
    return &o.gameInfo;
}
void CreateSetFormatTag(SNetCreateSessionObj& o) {
    o.flags |= CreateFlag::kFormatTag;
}
void CreateSetUseVoiceChat(SNetCreateSessionObj& o) {
    o.flags |= CreateFlag::kVoiceChat;
}
void CreateSetHostArea(SNetCreateSessionObj& o, std::uint16_t v) {
    o.hostArea = v;
}
void CreateSetFriendNum(SNetCreateSessionObj& o, std::uint16_t v) {
    o.friendNum = v;
}

void SearchSetKeyword(SNetSearchSessionObj& o, const char* t) {
    CopyBoundedText(o.keyword, sizeof o.keyword, t);
}
std::string SearchGetKeyword(SNetSearchSessionObj& o) {
    return std::string(o.keyword, strnlen(o.keyword, sizeof o.keyword));
}
void SearchSetTeamType(SNetSearchSessionObj& o, std::uint8_t v) {
    o.teamType = v;
}
void SearchSetVoice(SNetSearchSessionObj& o, std::uint8_t v) {
    o.voice = v;
}
void SearchSetHostArea(SNetSearchSessionObj& o, std::uint8_t v) {
    o.hostArea = v;
}

void FriendClear(SNetRequestFriendObj& o) {
    o.memberIndex = -1;
}
void FriendSetMemberIndex(SNetRequestFriendObj& o, std::int32_t i) {
    o.memberIndex = i;
}
void FriendSetReqMessage(SNetRequestFriendObj& o, const char* text) {
    std::memset(o.message, 0, sizeof o.message);
    if (text != nullptr) {
        std::memcpy(o.message, text, strnlen(text, sizeof o.message - 1));
    }
}

std::uint32_t UpdateGetNum(const SQ_SearchUpdateObj& o) {
    return o.UpdateNum;
}
// The count never names ids past the 20 held.
void UpdateSetNum(SQ_SearchUpdateObj& o, std::uint32_t n) {
    o.UpdateNum = n > SQ_SearchUpdateObj::kMaxIds ? SQ_SearchUpdateObj::kMaxIds : n;
}
void UpdateAddId(SQ_SearchUpdateObj& o, std::uint32_t id) {
    o.AddID(id);
}

// [SECTION] SQ_GameServer

struct SqGameServer {
    IGameNetworkServer* server = ScriptNetworkServer();
};

SNetCreateSessionObj* GetCreateSessionObj(SqGameServer& g) {
    return g.server ? &g.server->createObj : nullptr;
}
SNetSearchSessionObj* GetSearchSessionObj(SqGameServer& g) {
    return g.server ? &g.server->searchObj : nullptr;
}
SNetConnectSessionObj* GetConnectSessionObj(SqGameServer& g) {
    return g.server ? &g.server->connectObj : nullptr;
}
SNetRequestFriendObj* GetFriendRequestObj(SqGameServer& g) {
    return g.server ? &g.server->friendObj : nullptr;
}
void ClearNetworkInitObject(SqGameServer& g) {
    if (g.server) {
        g.server->initObj = SNetInitObj{};
    }
}
int OrderNetworkInit(SqGameServer& g) {
    if (!g.server) {
        return kRefused;
    }
    g.server->lastError = 0;
    const int r = g.server->OrderNetworkInit(g.server->initObj);
    if (r == 0) {
        GetNetworkDatabase().networkState = 1;
    }
    return r;
}
int OrderCreateSession(SqGameServer& g) {
    if (!g.server) {
        return kRefused;
    }
    g.server->lastError = 0;
    const int r = g.server->OrderCreateSession(g.server->createObj);
    if (r == 0) {
        GetNetworkDatabase().session.state = SGameSessionRecord::kRequested;
        g.server->connectObj.lobbyIndex = g.server->createObj.lobbyIndex;
    }
    return r;
}
int OrderDeleteSession(SqGameServer& g) {
    if (!g.server) {
        return kRefused;
    }
    g.server->lastError = 0;
    const int r = g.server->OrderDeleteSession(g.server->createObj);
    if (r == 0) {
        GetNetworkDatabase().session.state = SGameSessionRecord::kLeaving;
    }
    return r;
}
int OrderSearchSession(SqGameServer& g) {
    if (!g.server) {
        return kRefused;
    }
    g.server->lastError = 0;
    return g.server->OrderSearchSession(g.server->searchObj);
}
int OrderConnectSession(SqGameServer& g) {
    if (!g.server) {
        return kRefused;
    }
    g.server->lastError = 0;
    const int r = g.server->OrderConnectSession(g.server->connectObj);
    if (r == 0) {
        GetNetworkDatabase().session.state = SGameSessionRecord::kRequested;
    }
    return r;
}
int OrderDisconnectSession(SqGameServer& g) {
    if (!g.server) {
        return kRefused;
    }
    g.server->lastError = 0;
    const int r = g.server->OrderDisconnectSession();
    if (r == 0) {
        GetNetworkDatabase().session.state = SGameSessionRecord::kLeaving;
    }
    return r;
}
int OrderClearServerData(SqGameServer& g) {
    return g.server ? g.server->OrderClearServerData() : kRefused;
}
int ObserverClearServerData(SqGameServer& g) {
    return g.server ? g.server->ObserverClearServerData() : 0;
}
int KickOutRoomMember(SqGameServer& g, int i) {
    return g.server ? g.server->KickOutRoomMember(i) : kRefused;
}
int GetLastServerError(SqGameServer& g) {
    return g.server ? g.server->lastError : 0;
}
void ClearLastServerError(SqGameServer& g) {
    if (g.server) {
        g.server->lastError = 0;
    }
}
int GetSearchResultNum(SqGameServer& g) {
    return g.server ? g.server->searchResultCount : 0;
}
int GetFriendListNum(SqGameServer& g) {
    return g.server ? g.server->friendCount : 0;
}
bool IsRoomCreater(SqGameServer& g) {
    return g.server && g.server->IsRoomCreater();
}
int StartUpdateSeachResult(SqGameServer& g, SQ_SearchUpdateObj* o) {
    if (!g.server || o == nullptr) {
        return kRefused;
    }
    const std::uint32_t n =
        o->UpdateNum > SQ_SearchUpdateObj::kMaxIds ? SQ_SearchUpdateObj::kMaxIds : o->UpdateNum;
    return g.server->StartUpdateSeachResult(n, o->ids);
}
int StartUpdateAllSeachResult(SqGameServer& g) {
    return g.server ? g.server->StartUpdateAllSeachResult() : kRefused;
}
int CheckUpdateSeachResult(SqGameServer& g) {
    return g.server ? g.server->CheckUpdateSeachResult() : kRefused;
}
bool InitCreateObjForQuickRoom(SqGameServer& g) {
    if (!g.server || LoginRefused()) {
        return false;
    }
    SNetCreateSessionObj& c = g.server->createObj;
    c = SNetCreateSessionObj{};
    c.flags = CreateFlag::kQuickRoom;
    c.ownId = GetNetworkDatabase().ownUser.id;
    c.gameVersion = kGameVersion;
    c.hostArea = 255;
    return true;
}
bool InitSearchObj(SqGameServer& g) {
    if (!g.server || LoginRefused()) {
        return false;
    }
    g.server->searchResultCount = 0;
    for (std::uint32_t i = 0; i < IGameNetworkServer::kSearchNodes; ++i) {
        g.server->searchIndexTable[i] = i;
    }
    SNetSearchSessionObj& s = g.server->searchObj;
    s = SNetSearchSessionObj{};
    s.gameVersion = kGameVersion;
    s.MemberNum = 3;
    return true;
}
bool InitConnectObj(SqGameServer& g) {
    CGameNetworkCtrl::GetInstance();
    if (!g.server || LoginRefused()) {
        return false;
    }
    SNetConnectSessionObj& c = g.server->connectObj;
    c = SNetConnectSessionObj{};
    const OwnUserRecord& own = GetNetworkDatabase().ownUser;
    c.ownId = own.id;
    std::memcpy(c.ownName, own.name, sizeof c.ownName);
    c.ownName[sizeof c.ownName - 1] = '\0';
    c.AppVer = kGameVersion;
    return true;
}
bool IsEnableSendBreakUp(SqGameServer& g) {
    return g.server && g.server->sendBreakUp != 0;
}
void EnableSendBreakUp(SqGameServer& g) {
    if (g.server) {
        g.server->EnableSendBreakUp();
    }
}
void DisableSendBreakUp(SqGameServer& g) {
    if (g.server) {
        g.server->DisableSendBreakUp();
    }
}

// [SECTION] Search results and friends

struct SqNetSearchResult {
    CNetSearchResultNode* node = nullptr;
};

// An index at or past the result count binds nothing.
void SearchResultBind(SqNetSearchResult& r, int i) {
    IGameNetworkServer* server = ScriptNetworkServer();
    r.node = server ? server->SearchResult(i) : nullptr;
    if (server != nullptr && r.node != nullptr) {
        server->boundSearchResult = r.node;
        server->boundSearchIndex = i;
    }
}
bool SearchResultIsActive(SqNetSearchResult& r) {
    return r.node != nullptr;
}
template <class R, R (CNetSearchResultNode::*G)() const>
R NodeValue(SqNetSearchResult& r) {
    return r.node ? (r.node->*G)() : R{};
}
template <const char* (CNetSearchResultNode::*G)() const>
std::string NodeText(SqNetSearchResult& r) {
    return r.node ? std::string((r.node->*G)()) : std::string();
}
NET_ROOM_GAME_INFO* NodeGameInfo(SqNetSearchResult& r) {
    return r.node ? r.node->GetGameInfo() : nullptr;
}
std::int32_t NodeRtt(SqNetSearchResult& r) {
    return r.node ? r.node->GetHostRTT() : -1;
}

struct SqNetFriend {
    void* node = nullptr;  // the friend list is always empty
};
void FriendBind(SqNetFriend& f, int) {
    f.node = nullptr;
}
bool FriendIsActive(SqNetFriend& f) {
    return f.node != nullptr;
}
std::string FriendGetName(SqNetFriend&) {
    return std::string();
}
int FriendGetBattlerNo(SqNetFriend&) {
    return -1;
}

}  // namespace

void RegisterRequestObjectClasses(HSQUIRRELVM v) {
    using SqBind::Class;
    Class<SNetCreateSessionObj>(v, "SQ_RoomCreateObj")
        .Method<&CreateSetSessionName>("SetSessionName")
        .Method<&CreateGetSessionName>("GetSessionName")
        .Method<&CreateSetKeyword>("SetKeyword")
        .Method<&CreateGetKeyword>("GetKeyword")
        .Method<&CreateGetGameInfo>("GetGameInfo")
        .Method<&CreateSetFormatTag>("SetFormatTag")
        .Method<&CreateSetUseVoiceChat>("SetUseVoiceChat")
        .Method<&CreateSetHostArea>("SetHostArea")
        .Method<&CreateSetFriendNum>("SetFriendNum")
        .Var<&SNetCreateSessionObj::MemberMax>("MemberMax");
    Class<SNetSearchSessionObj>(v, "SQ_RoomSearchObj")
        .Method<&SearchSetKeyword>("SetKeyword")
        .Method<&SearchGetKeyword>("GetKeyword")
        .Method<&SearchSetTeamType>("SetTeamType")
        .Method<&SearchSetVoice>("SetVoice")
        .Method<&SearchSetHostArea>("SetHostArea")
        .Var<&SNetSearchSessionObj::HostRTTFilter>("HostRTTFilter")
        .Var<&SNetSearchSessionObj::MemberNum>("MemberNum");
    Class<SNetConnectSessionObj>(v, "SQ_RoomConnectObj")
        .Var<&SNetConnectSessionObj::AppVer>("AppVer")
        .Var<&SNetConnectSessionObj::SearchIndex>("SearchIndex");
    Class<SNetRequestFriendObj>(v, "SQ_NetRequestFriendObj")
        .Method<&FriendClear>("Clear")
        .Method<&FriendSetMemberIndex>("SetMemberIndex")
        .Method<&FriendSetReqMessage>("SetReqMessage");
    Class<SQ_SearchUpdateObj>(v, "SQ_SearchUpdateObj")
        .Ctors<SqBind::Ctor<>>()
        .Prop<&UpdateGetNum, &UpdateSetNum>("UpdateNum")
        .Method<&UpdateAddId>("AddID");
}

void RegisterGameServerClass(HSQUIRRELVM v) {
    SqBind::Class<SqGameServer>(v, "SQ_GameServer")
        .Ctors<SqBind::Ctor<>>()
        .Method<&GetCreateSessionObj>("GetCreateSessionObj")
        .Method<&GetSearchSessionObj>("GetSearchSessionObj")
        .Method<&GetConnectSessionObj>("GetConnectSessionObj")
        .Method<&GetFriendRequestObj>("GetFriendRequestObj")
        .Method<&ClearNetworkInitObject>("ClearNetworkInitObject")
        .Method<&OrderNetworkInit>("OrderNetworkInit")
        .Method<&OrderCreateSession>("OrderCreateSession")
        .Method<&OrderDeleteSession>("OrderDeleteSession")
        .Method<&OrderSearchSession>("OrderSearchSession")
        .Method<&OrderConnectSession>("OrderConnectSession")
        .Method<&OrderDisconnectSession>("OrderDisconnectSession")
        .Method<&OrderClearServerData>("OrderClearServerData")
        .Method<&ObserverClearServerData>("ObserverClearServerData")
        .Method<&KickOutRoomMember>("KickOutRoomMember")
        .Method<&GetLastServerError>("GetLastServerError")
        .Method<&ClearLastServerError>("ClearLastServerError")
        .Method<&GetSearchResultNum>("GetSearchResultNum")
        .Method<&GetFriendListNum>("GetFriendListNum")
        .Method<&IsRoomCreater>("IsRoomCreater")
        .Method<&StartUpdateSeachResult>("StartUpdateSeachResult")
        .Method<&StartUpdateAllSeachResult>("StartUpdateAllSeachResult")
        .Method<&CheckUpdateSeachResult>("CheckUpdateSeachResult")
        .Method<&InitCreateObjForQuickRoom>("InitCreateObjForQuickRoom")
        .Method<&InitSearchObj>("InitSearchObj")
        .Method<&InitConnectObj>("InitConnectObj")
        .Method<&IsEnableSendBreakUp>("IsEnableSendBreakUp")
        .Method<&EnableSendBreakUp>("EnableSendBreakUp")
        .Method<&DisableSendBreakUp>("DisableSendBreakUp");
}

void RegisterSearchResultClasses(HSQUIRRELVM v) {
    using N = CNetSearchResultNode;
    SqBind::Class<SqNetSearchResult>(v, "SQ_NetSearchResult")
        .Ctors<SqBind::Ctor<>>()
        .Method<&SearchResultBind>("BindValue")
        .Method<&SearchResultIsActive>("IsActive")
        .Method<&NodeValue<std::uint64_t, &N::GetSessionID>>("GetSessionID")
        .Method<&NodeText<&N::GetSessionName>>("GetSessionName")
        .Method<&NodeValue<std::uint64_t, &N::GetHostID>>("GetHostID")
        .Method<&NodeText<&N::GetHostName>>("GetHostName")
        .Method<&NodeValue<std::uint8_t, &N::GetHostArea>>("GetHostArea")
        .Method<&NodeValue<std::uint16_t, &N::GetGameVersion>>("GetGameVersion")
        .Method<&NodeValue<std::uint16_t, &N::GetSessionFlag>>("GetSessionFlag")
        .Method<&NodeValue<std::uint8_t, &N::GetMemberMax>>("GetMemberMax")
        .Method<&NodeValue<std::uint8_t, &N::GetMemberNow>>("GetMemberNow")
        .Method<&NodeValue<std::uint8_t, &N::GetValidVoiceChat>>("GetValidVoiceChat")
        .Method<&NodeText<&N::GetKeyword>>("GetKeyword")
        .Method<&NodeGameInfo>("GetGameInfo")
        .Method<&NodeRtt>("GetHostRTT");
    SqBind::Class<SqNetFriend>(v, "SQ_NetFriend")
        .Ctors<SqBind::Ctor<>>()
        .Method<&FriendBind>("BindValue")
        .Method<&FriendIsActive>("IsActive")
        .Method<&FriendGetName>("GetName")
        .Method<&FriendGetBattlerNo>("GetBattlerNo");
}

}  // namespace Sample
