// The script class "SQ_Networker" and the records it answers ("NetMsgLog",
// "NetTextChatString", "NetWorldInfo", "NetRoomInfo", "NetSearchRoomInfo").
// "SendRoomChat" reaches the lobby session server through the game control
// (nothing without one).
#include "proj/script/script_api.h"

#include "proj/network/igame_network_server.h"
#include "proj/script/script_network_api.h"
#include "proj/script/sq_bind.h"
#include "qzware/win/qz_networker.h"

namespace Sample {

namespace {

using QZW::NET::CQzNetMsgLog;
using QZW::NET::CQzNetRoomInfo;
using QZW::NET::CQzNetSearchRoomInfo;
using QZW::NET::CQzNetTextChatString;
using QZW::NET::CQzNetWorldInfo;
using QZW::NET::IQzNetworker;

struct SqNetworker {
    IQzNetworker* networker = &QZW::Win::GetNetworker();
};

int Zero(SqNetworker&) {
    return 0;
}
int CheckNetworkLogin(SqNetworker& n) {
    return n.networker->CheckNetworkLogin(0);
}
int GetInviteSeq(SqNetworker& n) {
    return n.networker->GetInviteSeq(0);
}
void ResetInviteSeq(SqNetworker& n) {
    n.networker->ResetInviteSeq(0);
}
void SetInviteSeq(SqNetworker& n, int seq) {
    n.networker->SetInviteSeq(0, seq);
}
int CheckVoiceChatEnable(SqNetworker& n) {
    return n.networker->CheckVoiceChatEnable();
}
int GetAssignedRequest(SqNetworker& n) {
    return n.networker->GetAssignedRequest();
}
int RequestGetWorldInfo(SqNetworker& n) {
    return n.networker->RequestGetWorldInfo();
}
int RequestGetRoomInfo(SqNetworker& n) {
    return n.networker->RequestGetRoomInfo();
}
int GetWorldNum(SqNetworker& n) {
    return n.networker->GetWorldNum();
}
CQzNetWorldInfo* GetWorldInfo(SqNetworker& n, int i) {
    return n.networker->GetWorldInfo(i);
}
int GetRoomNum(SqNetworker& n) {
    return n.networker->GetRoomNum();
}
CQzNetRoomInfo* GetRoomInfo(SqNetworker& n, int i) {
    return n.networker->GetRoomInfo(i);
}
int GetCurrentRoomId(SqNetworker& n) {
    return n.networker->GetCurrentRoomId();
}
int GetSearchRoomNum(SqNetworker& n) {
    return n.networker->GetSearchRoomNum();
}
CQzNetSearchRoomInfo* GetSearchRoomInfo(SqNetworker& n, int i) {
    return n.networker->GetSearchRoomInfo(i);
}
int GetMsgLogNum(SqNetworker& n) {
    return n.networker->GetMsgLogNum();
}
CQzNetMsgLog* GetSendingLog(SqNetworker& n, std::uint32_t i) {
    return n.networker->GetSendingLog(i);
}
CQzNetMsgLog* GetReceivingLog(SqNetworker& n, std::uint32_t i) {
    return n.networker->GetReceivingLog(i);
}
void EnableRealTimeMultiPlay(SqNetworker& n) {
    n.networker->EnableRealTimeMultiPlay();
}
void DisableRealTimeMultiPlay(SqNetworker& n) {
    n.networker->DisableRealTimeMultiPlay();
}
void SendRoomChat(SqNetworker&, int, const char* text) {
    if (IGameNetworkServer* server = ScriptNetworkServer()) {
        server->SendRoomChat(text);
    }
}
int GetTextChatLogNum(SqNetworker& n) {
    return n.networker->GetTextChatLog()->count;
}
// Entry i (0 newest); null outside the log's 30 entries.
CQzNetTextChatString* GetTextChatLog(SqNetworker& n, int i) {
    if (i < 0 || i >= QZW::NET::CQzNetTextChatLog::kEntries) {
        return nullptr;
    }
    return &n.networker->GetTextChatLog()->entries[i];
}

void RegisterRecords(HSQUIRRELVM v) {
    using SqBind::Class;
    using SqBind::Ctor;
    Class<CQzNetWorldInfo>(v, "NetWorldInfo")
        .Ctors<Ctor<>>()
        .Var<&CQzNetWorldInfo::worldID>("worldID")
        .Var<&CQzNetWorldInfo::currRoomNum>("currRoomNum")
        .Var<&CQzNetWorldInfo::currTotalRoomMemberNum>("currTotalRoomMemberNum");
    Class<CQzNetRoomInfo>(v, "NetRoomInfo")
        .Ctors<Ctor<>>()
        .Var<&CQzNetRoomInfo::state>("state")
        .Var<&CQzNetRoomInfo::roomId>("roomId")
        .Var<&CQzNetRoomInfo::hostId>("hostId")
        .Var<&CQzNetRoomInfo::hostRTT>("hostRTT")
        .Var<&CQzNetRoomInfo::memberNum>("memberNum")
        .Var<&CQzNetRoomInfo::lock>("lock");
    Class<CQzNetSearchRoomInfo>(v, "NetSearchRoomInfo")
        .Ctors<Ctor<>>()
        .Var<&CQzNetSearchRoomInfo::worldId>("worldId")
        .Var<&CQzNetSearchRoomInfo::roomId>("roomId")
        .Var<&CQzNetSearchRoomInfo::hostId>("hostId")
        .Var<&CQzNetSearchRoomInfo::hostRTT>("hostRTT")
        .Var<&CQzNetSearchRoomInfo::memberNum>("memberNum");
    Class<CQzNetMsgLog>(v, "NetMsgLog")
        .Ctors<Ctor<>>()
        .Var<&CQzNetMsgLog::count>("count")
        .Var<&CQzNetMsgLog::msgId>("msgId")
        .Var<&CQzNetMsgLog::msgSize>("msgSize")
        .Var<&CQzNetMsgLog::addr>("addr")
        .Var<&CQzNetMsgLog::port>("port")
        .Method<&CQzNetMsgLog::GetIP>("GetIP");
    Class<CQzNetTextChatString>(v, "NetTextChatString")
        .Ctors<Ctor<>>()
        .Method<&CQzNetTextChatString::GetMsg>("GetMsg");
}

}  // namespace

void RegisterNetworkerClasses(HSQUIRRELVM v) {
    RegisterRecords(v);
    SqBind::Class<SqNetworker>(v, "SQ_Networker")
        .Ctors<SqBind::Ctor<>>()
        .Method<&Zero>("GetNetworkID")
        .Method<&Zero>("GetServerID")
        .Method<&Zero>("GetWorldID")
        .Method<&CheckNetworkLogin>("CheckNetworkLogin")
        .Method<&GetInviteSeq>("GetInviteSeq")
        .Method<&ResetInviteSeq>("ResetInviteSeq")
        .Method<&SetInviteSeq>("SetInviteSeq")
        .Method<&CheckVoiceChatEnable>("CheckVoiceChatEnable")
        .Method<&GetAssignedRequest>("GetAssignedRequest")
        .Method<&RequestGetWorldInfo>("RequestGetWorldInfo")
        .Method<&RequestGetRoomInfo>("RequestGetRoomInfo")
        .Method<&GetWorldNum>("GetWorldNum")
        .Method<&GetWorldInfo>("GetWorldInfo")
        .Method<&GetRoomNum>("GetRoomNum")
        .Method<&GetRoomInfo>("GetRoomInfo")
        .Method<&GetCurrentRoomId>("GetCurrentRoomId")
        .Method<&GetSearchRoomNum>("GetSearchRoomNum")
        .Method<&GetSearchRoomInfo>("GetSearchRoomInfo")
        .Method<&GetMsgLogNum>("GetMsgLogNum")
        .Method<&GetSendingLog>("GetSendingLog")
        .Method<&GetReceivingLog>("GetReceivingLog")
        .Method<&EnableRealTimeMultiPlay>("EnableRealTimeMultiPlay")
        .Method<&DisableRealTimeMultiPlay>("DisableRealTimeMultiPlay")
        .Method<&SendRoomChat>("SendRoomChat")
        .Method<&GetTextChatLogNum>("GetTextChatLogNum")
        .Method<&GetTextChatLog>("GetTextChatLog");
}

}  // namespace Sample
