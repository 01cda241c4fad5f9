// The network script classes over the network database and the match
// controller ("SQ_NetworkCtrl", "SQ_NetSession", "CSqNetMemberSlot", ...),
// the voice-chat manager, and the lockstep and debug globals. Every index a
// script passes is checked: outside its table the answer is null, 0 or false
// and nothing changes.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "proj/network/game_network_ctrl.h"
#include "proj/network/game_network_database.h"
#include "proj/network/game_voice_chat_manager.h"
#include "proj/network/igame_network_server.h"
#include "proj/script/net_key_buffer.h"
#include "proj/script/script_api.h"
#include "proj/script/script_network_api.h"
#include "proj/script/sq_bind.h"
#include "qzware/scene/iqz_game_manager.h"
#include "qzware/win/qz_input_manager.h"
#include "qzware/win/qz_pad_reader.h"

namespace Sample {

namespace {

bool InTable(int i, int size = kSessionMembers) {
    return i >= 0 && i < size;
}

CGameNetworkCtrl& Ctrl() {
    return CGameNetworkCtrl::GetInstance();
}

// [SECTION] Session info, member slots and the session record

bool InfoIsQuickMatching(SGameSessionInfo& i) {
    return (i.flags & 0x0001) != 0;
}
bool InfoIsFormatTag(SGameSessionInfo& i) {
    return (i.flags & 0x0010) != 0;
}
bool InfoIsJoinLimit(SGameSessionInfo& i) {
    return (i.flags & 0x0020) != 0;
}
bool InfoIsUseVoiceChat(SGameSessionInfo& i) {
    return (i.flags & 0x0040) != 0;
}
std::string InfoGetSessionName(SGameSessionInfo& i) {
    return std::string(i.sessionName, strnlen(i.sessionName, sizeof i.sessionName));
}
int InfoGetMemberMax(SGameSessionInfo& i) {
    return i.memberMax;
}

std::string SlotMemberName(CGameMemberSlot& s) {
    return std::string(s.memberName, strnlen(s.memberName, sizeof s.memberName));
}

struct SqNetSession {
    SGameSessionRecord* s = &GetNetworkDatabase().session;
};
bool SessionIsBattleOK(SqNetSession& n, int i) {
    return InTable(i) && (n.s->param.flags & (1u << i)) != 0;
}
bool SessionIsSyncPlayData(SqNetSession& n, int i) {
    return InTable(i) && (n.s->param.flags & (0x10u << i)) != 0;
}
bool SessionIsBattleOKAll(SqNetSession& n) {
    return (n.s->param.flags & 0x0F) == 0x0F;
}
bool SessionIsSyncPlayDataAll(SqNetSession& n) {
    return (n.s->param.flags & 0xF0) == 0xF0;
}
bool SessionIsConnectLock(SqNetSession& n) {
    return (n.s->param.flags & SessionFlag::kConnectLock) != 0;
}
int SessionBattlerCount(SqNetSession& n) {
    int count = 0;
    for (const CGameMemberSlot& slot : n.s->slots) {
        count += slot.state != CGameMemberSlot::kEmpty ? 1 : 0;
    }
    return count;
}
void SessionResetBattleOK(SqNetSession& n) {
    n.s->param.flags &= 0xFFF0;
}
int SessionGetStartCount(SqNetSession& n) {
    return n.s->param.StartCount;
}
void SessionSetStartCount(SqNetSession& n, int v) {
    n.s->param.StartCount = v;
}
int SessionGetTagType(SqNetSession& n) {
    return n.s->param.TagType;
}
void SessionSetTagType(SqNetSession& n, int v) {
    n.s->param.TagType = v;
}
SGameSessionInfo* SessionGetSessionInfo(SqNetSession& n) {
    return &n.s->info;
}
SGameSessionParam* SessionGetSessionParam(SqNetSession& n) {
    return &n.s->param;
}
CGameMemberSlot* SessionGetMemberSlot(SqNetSession& n, int i) {
    return InTable(i) ? &n.s->slots[i] : nullptr;
}
CGameMemberSlot* SessionGetMySelfSlot(SqNetSession& n) {
    return n.s->ownSlot;
}
CGameMemberSlot* SessionGetHostSlot(SqNetSession& n) {
    return n.s->hostSlot;
}
int SessionGetSyncDataNum(SqNetSession& n) {
    int count = 0;
    for (unsigned bit : {0x10u, 0x20u, 0x40u, 0x80u}) {
        count += (n.s->param.flags & bit) ? 1 : 0;
    }
    return count;
}

// [SECTION] Battle records

bool BattlerIsReceived(SGameBattlerInfo& b) {
    return (b.flags & SGameBattlerInfo::kReceived) != 0;
}
void BattlerSetReceived(SGameBattlerInfo& b, bool v) {
    b.flags = static_cast<std::uint8_t>(v ? b.flags | SGameBattlerInfo::kReceived
                                          : b.flags & ~SGameBattlerInfo::kReceived);
}
bool BattlerIsFixed(SGameBattlerInfo& b) {
    return (b.flags & SGameBattlerInfo::kFixed) != 0;
}
void BattlerSetFixed(SGameBattlerInfo& b, bool v) {
    b.flags = static_cast<std::uint8_t>(v ? b.flags | SGameBattlerInfo::kFixed
                                          : b.flags & ~SGameBattlerInfo::kFixed);
}
bool BattlerIsNPC(SGameBattlerInfo& b) {
    return b.npc != 0;
}
int BattlerGetNPC(SGameBattlerInfo& b) {
    return b.npc;
}
void BattlerSetNPC(SGameBattlerInfo& b, int v) {
    b.npc = static_cast<std::uint8_t>(v);
}
int BattlerGetSelectIndex(SGameBattlerInfo& b) {
    return b.selectIndex;
}
void BattlerSetSelectIndex(SGameBattlerInfo& b, int v) {
    b.selectIndex = static_cast<std::int8_t>(v);
}
int BattlerGetTeamID(SGameBattlerInfo& b) {
    return b.teamId;
}
void BattlerSetTeamID(SGameBattlerInfo& b, int v) {
    b.teamId = static_cast<std::int8_t>(v);
}
int BattlerGetKeyConfig(SGameBattlerInfo& b, int i) {
    return InTable(i) ? b.keyConfig[i] : 0;
}
void BattlerSetKeyConfig(SGameBattlerInfo& b, int i, int v) {
    if (InTable(i)) {
        b.keyConfig[i] = static_cast<std::uint8_t>(v);
    }
}

bool BattleInfoIsReceived(SGameBattleInfo& b) {
    return b.received != 0;
}
void BattleInfoSetIsReceived(SGameBattleInfo& b, bool v) {
    b.received = v ? 1 : 0;
}
int BattleInfoGetStageNo(SGameBattleInfo& b) {
    return b.stageNo;
}
void BattleInfoSetStageNo(SGameBattleInfo& b, int v) {
    b.stageNo = static_cast<std::uint8_t>(v);
}
int BattleInfoGetBGM(SGameBattleInfo& b) {
    return b.bgm;
}
void BattleInfoSetBGM(SGameBattleInfo& b, int v) {
    b.bgm = static_cast<std::uint8_t>(v);
}
int BattleInfoGetTag(SGameBattleInfo& b, int i) {
    return InTable(i) ? static_cast<int>(b.tag[i]) : 0;
}
void BattleInfoSetTag(SGameBattleInfo& b, int i, int v) {
    if (InTable(i)) {
        b.tag[i] = static_cast<std::uint32_t>(v);
    }
}
NET_ROOM_GAME_INFO* BattleInfoGetGameInfo(SGameBattleInfo& b) {
    return &b.gameInfo;
}

int ProsGetGameCount(SGameBattleProcessParam& p, int i) {
    return InTable(i) ? p.gameCount[i] : 0;
}
void ProsSetGameCount(SGameBattleProcessParam& p, int i, int v) {
    if (InTable(i)) {
        p.gameCount[i] = static_cast<std::uint8_t>(v);
    }
}
int ProsGetRankSum(SGameBattleProcessParam& p, int i) {
    return InTable(i) ? p.rankSum[i] : 0;
}
void ProsSetRankSum(SGameBattleProcessParam& p, int i, int v) {
    if (InTable(i)) {
        p.rankSum[i] = static_cast<std::uint8_t>(v);
    }
}

struct SqNetBattle {
    SGameBattleData* d = &GetNetworkDatabase().battleData;
};
void BattleClear(SqNetBattle& b) {
    b.d->Clear();
}
void BattleClearBattleParam(SqNetBattle& b) {
    b.d->battleParam.Clear();
}
void BattleClearNetBattleProcess(SqNetBattle& b) {
    b.d->processParam = SGameBattleProcessParam{};
}
SGameBattleProcessParam* BattleGetBattleProsParam(SqNetBattle& b) {
    return &b.d->processParam;
}
SGameBattleInfo* BattleGetBattleInfo(SqNetBattle& b) {
    return &b.d->battleInfo;
}
SGameBattleParam* BattleGetBattleParam(SqNetBattle& b) {
    return &b.d->battleParam;
}
SGameBattlerInfo* BattleGetBattlerInfo(SqNetBattle& b, int i) {
    return InTable(i) ? &b.d->battlers[i] : nullptr;
}

int BattleParamGetDelay(const SGameBattleParam& p) {
    return p.KeyBufferDelay;
}
void BattleParamSetDelay(SGameBattleParam& p, int v) {
    p.KeyBufferDelay = static_cast<std::uint8_t>(v);
}

// [SECTION] Database and controller

struct SqNetworkDatabase {};
void DatabaseClear() {
    ResetNetworkDatabase();
}
bool DatabaseCheckPlayerTeamID(int team) {
    return GetNetworkDatabase().CheckPlayerTeamID(team);
}

struct SqNetworkCtrl {};
void CtrlManagementNetwork(SqNetworkCtrl&) {
    Ctrl().ManagementNetwork();
}
bool CtrlCheckGotoSceneTeamSelect(SqNetworkCtrl&) {
    return Ctrl().CheckGotoScene(2);
}
bool CtrlCheckGotoSceneCharaSelect(SqNetworkCtrl&) {
    return Ctrl().CheckGotoScene(3);
}
bool CheckBeforeBattle() {
    const CGameMemberSlot* own = GetNetworkDatabase().session.ownSlot;
    if (own == nullptr) {
        return false;
    }
    return own->sequence == 4 || Ctrl().CheckGotoScene(4);
}
bool CtrlCheckGotoBeforeBattleScene(SqNetworkCtrl&) {
    return CheckBeforeBattle();
}
bool CtrlCheckGotoSceneBattle(SqNetworkCtrl&) {
    return Ctrl().CheckGotoScene(6);
}
void CtrlSendArrivalPreBattle(SqNetworkCtrl&) {
    Ctrl().SendArrivalPreBattle();
}
bool CtrlSendBattleStart(SqNetworkCtrl&) {
    return Ctrl().SendBattleStart();
}
void CtrlSendArrivalResultEnd(SqNetworkCtrl&) {
    Ctrl().SendArrivalResultEnd();
}
void CtrlStopRefrainMessageToHost(SqNetworkCtrl&) {
    Ctrl().StopRefrainMessageToHost();
}
void CtrlAfterBattleSessionFinish(SqNetworkCtrl&) {
    SGameNetworkDatabase& db = GetNetworkDatabase();
    db.battleData.Clear();
    db.session.Clear();
    if (IGameNetworkServer* server = ScriptNetworkServer()) {
        server->OnBattleSessionFinish();
    }
}
void CtrlArrivalBattleResult(SqNetworkCtrl&) {
    SGameNetworkDatabase& db = GetNetworkDatabase();
    for (std::uint32_t& tag : db.battleData.battleInfo.tag) {
        tag = 0;
    }
    for (SGameBattlerInfo& b : db.battleData.battlers) {
        b.flags = static_cast<std::uint8_t>(b.flags & ~0x05u);
    }
    db.session.param.flags &= 0xFF0F;
}
bool CtrlIsExistSession(SqNetworkCtrl&) {
    return GetNetworkDatabase().session.state != 0;
}
bool CtrlIsVoiceChatSpeaking(SqNetworkCtrl&, int battler) {
    return InTable(battler) && Ctrl().IsVoiceChatSpeaking(battler);
}
template <std::uint32_t Bit, bool High = false>
bool CtrlResult(SqNetworkCtrl&) {
    return ((High ? Ctrl().resultHigh : Ctrl().resultLow) & Bit) != 0;
}

// Trailing arguments the controller does not use are accepted.
SQInteger IntArg(HSQUIRRELVM v, SQInteger idx) {
    SQInteger i = 0;
    if (idx <= sq_gettop(v) && SQ_SUCCEEDED(sq_getinteger(v, idx, &i))) {
        return i;
    }
    return 0;
}
SQInteger RawSendPlayerRoom(HSQUIRRELVM v) {
    Ctrl().SendPlayerRoom(static_cast<int>(IntArg(v, 2)), static_cast<std::uint8_t>(IntArg(v, 3)));
    return 0;
}
SQInteger RawSendTeamSelect(HSQUIRRELVM v) {
    Ctrl().SendTeamSelect(static_cast<int>(IntArg(v, 2)), static_cast<int>(IntArg(v, 3)),
                          static_cast<std::uint8_t>(IntArg(v, 4)));
    return 0;
}
SQInteger RawSendCharaSelect(HSQUIRRELVM v) {
    Ctrl().SendCharaSelect(static_cast<int>(IntArg(v, 2)));
    return 0;
}
SQInteger RawInitKeyData(HSQUIRRELVM v) {
    Ctrl().InitKeyData(static_cast<std::uint8_t>(IntArg(v, 3)));
    return 0;
}

// [SECTION] Voice chat

struct SqVoiceChatManager {
    CGameVoiceChatManager* manager = &CGameVoiceChatManagerNULL::GetInstance();
};
bool VoiceSetHeadSetEnable(SqVoiceChatManager& m, bool v) {
    return m.manager->SetHeadSetEnable(v);
}
bool VoiceGetHeadSetEnable(SqVoiceChatManager& m) {
    return m.manager->GetHeadSetEnable();
}

// [SECTION] Lockstep globals

bool g_pause = false;
std::string g_debugMessages[8];

struct NetDebugSetting {
    int value = 0;
    bool enabled = false;
    int second = 0;
} g_debugSetting;

std::uint16_t LocalPadWord() {
    QZW::IQzGameManager* gm = GetScriptGameManager();
    QZW::Win::CQzInputManager* input = gm ? gm->GetInputManager() : nullptr;
    QZW::IQzPadReader* r = input ? input->GetPadReader() : nullptr;
    return r ? static_cast<std::uint16_t>(r->GetButtonState(0, 0) & 0xFFFF) : 0;
}

int SQ_UpdateNetKeyBuffer() {
    return Ctrl().UpdateNetKeyBuffer(LocalPadWord(), g_pause);
}
// A demo setting from the environment: QZ_DEMO_<name> as a whole decimal
// number, -1 when unset or not a number. Only the QZ_DEMO_ names are read.
std::int32_t SQ_GetDemoSetting(const char* name) {
    const char* text =
        name != nullptr ? std::getenv((std::string("QZ_DEMO_") + name).c_str()) : nullptr;
    if (text == nullptr || *text == '\0') {
        return -1;
    }
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    return (*end == '\0' && v >= 0 && v <= 0x7FFFFFFF) ? std::int32_t(v) : -1;
}

// As "SQ_UpdateNetKeyBuffer" with the given word for the local pad's (the
// demo's unattended players press by a pattern).
int SQ_UpdateNetKeyBufferWord(std::int32_t word) {
    return Ctrl().UpdateNetKeyBuffer(static_cast<std::uint16_t>(word & 0xFFFF), g_pause);
}
void SQ_TimeStep() {
    Ctrl().TimeStep();
}
bool SQ_IsNetworkWaiting() {
    return IsNetKeyOnline() && Ctrl().networkWaiting != 0;
}
bool SQ_UpdateNetworkWait() {
    if (!IsNetKeyOnline()) {
        return false;
    }
    Ctrl().UpdateNetworkWait();
    return true;
}
void SQ_SetOnline() {
    SetNetKeyOnline(true);
}
void SQ_SetOffline() {
    SetNetKeyOnline(false);
    Ctrl().EndKeyExchange();
}
bool SQ_IsOnline() {
    return IsNetKeyOnline();
}
void SQ_SetNetwrokPause(bool v) {
    g_pause = v;
}
bool SQ_IsNetwrokPause() {
    return g_pause;
}
bool SQ_IsChangingHost() {
    return false;
}
bool SQ_IsHostChangePopup() {
    IGameNetworkServer* server = ScriptNetworkServer();
    return server != nullptr && server->hostLossCounter >= 1;
}
void SQ_SetNetDebugMsg(int i, const char* text) {
    if (InTable(i, 8)) {
        g_debugMessages[i] = text ? text : "";
    }
}

// [SECTION] Debug globals

void SQ_NetworkDebugSetting(int a, int b) {
    g_debugSetting = NetDebugSetting{a, a > 0, b};
}
int SQ_GetRoomNum() {
    IGameNetworkServer* server = ScriptNetworkServer();
    return server ? server->GetRoomNum() : 0;
}
int SQ_GetSearchedRoomNum() {
    IGameNetworkServer* server = ScriptNetworkServer();
    return server ? server->searchResultCount : 0;
}
std::string SQ_GetSearchedRoomHost(int i) {
    IGameNetworkServer* server = ScriptNetworkServer();
    CNetSearchResultNode* node = server ? server->SearchResult(i) : nullptr;
    if (node == nullptr) {
        return std::string();
    }
    server->boundSearchResult = node;
    server->boundSearchIndex = i;
    return node->GetHostName();
}
CGameMemberSlot* SQ_GetRoomMemberInfo(int i) {
    if (!InTable(i)) {
        return nullptr;
    }
    CGameMemberSlot& slot = GetNetworkDatabase().session.slots[i];
    return slot.IsConnect() ? &slot : nullptr;
}
bool SQ_CheckGotoPlayScene() {
    return CheckBeforeBattle();
}
bool SQ_CheckPlayStart() {
    return Ctrl().CheckGotoScene(6);
}
int SQ_GetDelay() {
    return GetNetworkDatabase().battleData.battleParam.KeyBufferDelay;
}
int SQ_GetCurTime() {
    return GetNetworkDatabase().battleData.battleParam.currentFrame;
}
int SQ_GetInBuffer(int i) {
    return InTable(i) ? GetNetworkDatabase().battleData.battleParam.lastFrame[i] : 0;
}
int SQ_GetSkipSum() {
    return GetNetworkDatabase().battleData.battleParam.waitCount;
}
int SQ_GetSkipSumLongSpan() {
    return GetNetworkDatabase().battleData.battleParam.longSpanCount;
}
int SQ_GetReqNum() {
    return GetNetworkDatabase().battleData.battleParam.resendCount;
}
int SQ_DumpKeyBufferData(int i) {
    if (!InTable(i)) {
        return 0;
    }
    const KeyHistory& h = GetNetworkDatabase().battleData.battleParam.keyHistory[i];
    std::uint16_t n = h.Newest();
    for (int walked = 0; n != KeyHistory::kNoNode && walked < KeyHistory::kNodes; ++walked) {
        const KeyHistoryNode& node = h.Node(n);
        std::printf("%d, %d,\n", node.frame, node.key);
        n = node.older;
    }
    return 0;
}

}  // namespace

bool IsNetworkPause() {
    return g_pause;
}

const char* NetDebugMessage(int i) {
    return InTable(i, 8) ? g_debugMessages[i].c_str() : nullptr;
}

void RegisterNetworkRecordClasses(HSQUIRRELVM v) {
    using SqBind::Class;
    {
        Class<SqNetworkCtrl> c(v, "SQ_NetworkCtrl");
        c.Ctors<SqBind::Ctor<>>()
            .Method<&CtrlManagementNetwork>("ManagementNetwork")
            .Method<&CtrlCheckGotoSceneTeamSelect>("CheckGotoSceneTeamSelect")
            .Method<&CtrlCheckGotoSceneCharaSelect>("CheckGotoSceneCharaSelect")
            .Method<&CtrlCheckGotoSceneCharaSelect>("CheckGotoSceneCharaSelectFromRank")
            .Method<&CtrlCheckGotoBeforeBattleScene>("CheckGotoBeforeBattleScene")
            .Method<&CtrlCheckGotoSceneBattle>("CheckGotoSceneBattle")
            .Method<&CtrlSendArrivalPreBattle>("SendArrivalPreBattle")
            .Method<&CtrlSendBattleStart>("SendBattleStart")
            .Method<&CtrlSendArrivalResultEnd>("SendArrivalResultEnd")
            .Method<&CtrlStopRefrainMessageToHost>("StopRefrainMessageToHost")
            .Method<&CtrlAfterBattleSessionFinish>("AfterBattleSessionFinish")
            .Method<&CtrlArrivalBattleResult>("ArrivalBattleResult")
            .Method<&CtrlIsExistSession>("IsExistSession")
            .Method<&CtrlIsVoiceChatSpeaking>("IsVoiceChatSpeaking")
            .Method<&CtrlResult<NetResult::kInitSucceeded>>("SucceedInitNetwork")
            .Method<&CtrlResult<NetResult::kInitFailed>>("FailedInitNetwork")
            .Method<&CtrlResult<NetResult::kCreateSucceeded>>("SucceedCreateRoom")
            .Method<&CtrlResult<NetResult::kCreateFailed>>("FailedCreateRoom")
            .Method<&CtrlResult<NetResult::kDeleteSucceeded>>("SucceedRoomDelete")
            .Method<&CtrlResult<NetResult::kDeleteFailed>>("FailedRoomDelete")
            .Method<&CtrlResult<NetResult::kSearchSucceeded>>("SucceedRoomSearch")
            .Method<&CtrlResult<NetResult::kSearchFailed>>("FailedRoomSearch")
            .Method<&CtrlResult<NetResult::kConnectSucceeded>>("SucceedConnectRoom")
            .Method<&CtrlResult<NetResult::kConnectFailed>>("FailedConnectRoom")
            .Method<&CtrlResult<NetResult::kInviteSucceeded>>("SucceedConnectInviteRoom")
            .Method<&CtrlResult<NetResult::kInviteFailed>>("FailedConnectInviteRoom")
            .Method<&CtrlResult<NetResult::kDisconnectSucceeded>>("SucceedDisconnectRoom")
            .Method<&CtrlResult<NetResult::kConnectFailed>>("FailedDisconnectRoom")
            .Method<&CtrlResult<NetResult::kKicked, true>>("CheckKickedRoom")
            .Method<&CtrlResult<NetResult::kHostLost>>("CheckHostLost");
        SqBind::NewSlot(v, "SendPlayerRoom", &RawSendPlayerRoom, false);
        SqBind::NewSlot(v, "SendTeamSelect", &RawSendTeamSelect, false);
        SqBind::NewSlot(v, "SendCharaSelect", &RawSendCharaSelect, false);
        SqBind::NewSlot(v, "InitKeyData", &RawInitKeyData, false);
    }
    Class<SqNetworkDatabase>(v, "SQ_NetworkDatabase")
        .Ctors<SqBind::Ctor<>>()
        .StaticFunction<&DatabaseClear>("Clear")
        .StaticFunction<&DatabaseCheckPlayerTeamID>("CheckPlayerTeamID");
    Class<SGameSessionInfo>(v, "SQ_NetSessionParam")
        .Method<&InfoIsQuickMatching>("IsQuickMatching")
        .Method<&InfoIsFormatTag>("IsFormatTag")
        .Method<&InfoIsJoinLimit>("IsJoinLimit")
        .Method<&InfoIsUseVoiceChat>("IsUseVoiceChat")
        .Method<&InfoGetSessionName>("GetSessionName")
        .Method<&InfoGetMemberMax>("GetMemberMax");
    Class<SGameSessionParam>(v, "GameSessionParam")
        .Var<&SGameSessionParam::StartCount>("StartCount")
        .Var<&SGameSessionParam::TagType>("TagType")
        .Var<&SGameSessionParam::Member>("Member");
    Class<CGameMemberSlot>(v, "CSqNetMemberSlot")
        .Method<&CGameMemberSlot::BattlerNo>("BattlerNo")
        .Method<&CGameMemberSlot::IsHost>("IsHost")
        .Method<&CGameMemberSlot::IsConnect>("IsConnect")
        .Method<&SlotMemberName>("MemberName")
        .Method<&CGameMemberSlot::MemberID>("MemberID")
        .Method<&CGameMemberSlot::GetRTT>("GetRTT")
        .Method<&CGameMemberSlot::GetSequence>("GetSequence")
        .Method<&CGameMemberSlot::GetSequenceSub>("GetSequenceSub")
        .Method<&CGameMemberSlot::SetSequenceSub>("SetSequenceSub")
        .Method<&CGameMemberSlot::GetNextSequence>("GetNextSequence")
        .Method<&CGameMemberSlot::GetPlayCount>("GetPlayCount")
        .Method<&CGameMemberSlot::SetPlayCount>("SetPlayCount")
        .Method<&CGameMemberSlot::GetRankSum>("GetRankSum")
        .Method<&CGameMemberSlot::SetRankSum>("SetRankSum")
        .Method<&CGameMemberSlot::IsHeadsetPresent>("IsHeadsetPresent")
        .Method<&CGameMemberSlot::ResetSendPlayerNoState>("ResetSendPlayerNoState")
        .Method<&CGameMemberSlot::ResultSendPlayerNoState>("ResultSendPlayerNoState")
        .Method<&CGameMemberSlot::MemberOffsetIndex>("MemberOffsetIndex")
        .Method<&CGameMemberSlot::MsgState>("MsgState");
    Class<SqNetSession>(v, "SQ_NetSession")
        .Ctors<SqBind::Ctor<>>()
        .Method<&SessionIsBattleOK>("IsBattleOK")
        .Method<&SessionIsSyncPlayData>("IsSyncPlayData")
        .Method<&SessionIsBattleOKAll>("IsBattleOKAll")
        .Method<&SessionIsSyncPlayDataAll>("IsSyncPlayDataAll")
        .Method<&SessionIsConnectLock>("IsConnectLock")
        .Method<&SessionBattlerCount>("BattlerCount")
        .Method<&SessionResetBattleOK>("ResetBattleOK")
        .Method<&SessionGetStartCount>("GetStartCount")
        .Method<&SessionSetStartCount>("SetStartCount")
        .Method<&SessionGetTagType>("GetTagType")
        .Method<&SessionSetTagType>("SetTagType")
        .Method<&SessionGetSessionInfo>("GetSessionInfo")
        .Method<&SessionGetSessionParam>("GetSessionParam")
        .Method<&SessionGetMemberSlot>("GetMemberSlot")
        .Method<&SessionGetMySelfSlot>("GetMySelfSlot")
        .Method<&SessionGetHostSlot>("GetHostSlot")
        .Method<&SessionGetSyncDataNum>("GetSyncDataNum");
    Class<SqNetBattle>(v, "SQ_NetBattle")
        .Ctors<SqBind::Ctor<>>()
        .Method<&BattleClear>("Clear")
        .Method<&BattleClearBattleParam>("ClearBattleParam")
        .Method<&BattleClearNetBattleProcess>("ClearNetBattleProcess")
        .Method<&BattleGetBattleProsParam>("GetBattleProsParam")
        .Method<&BattleGetBattleInfo>("GetBattleInfo")
        .Method<&BattleGetBattleParam>("GetBattleParam")
        .Method<&BattleGetBattlerInfo>("GetBattlerInfo");
    Class<SGameBattlerInfo>(v, "SQ_NetBattlerInfo")
        .Method<&BattlerIsReceived>("IsReceived")
        .Method<&BattlerSetReceived>("SetReceived")
        .Method<&BattlerIsFixed>("IsFixed")
        .Method<&BattlerSetFixed>("SetFixed")
        .Method<&BattlerIsNPC>("IsNPC")
        .Method<&BattlerGetNPC>("GetNPC")
        .Method<&BattlerSetNPC>("SetNPC")
        .Method<&BattlerGetSelectIndex>("GetSelectIndex")
        .Method<&BattlerSetSelectIndex>("SetSelectIndex")
        .Method<&BattlerGetTeamID>("GetTeamID")
        .Method<&BattlerSetTeamID>("SetTeamID")
        .Method<&BattlerGetKeyConfig>("GetKeyConfig")
        .Method<&BattlerSetKeyConfig>("SetKeyConfig");
    Class<NET_ROOM_GAME_INFO>(v, "SQ_RoomInfo")
        .Var<&NET_ROOM_GAME_INFO::ruleTeamType>("ruleTeamType")
        .Var<&NET_ROOM_GAME_INFO::ruleTime>("ruleTime")
        .Var<&NET_ROOM_GAME_INFO::ruleRound>("ruleRound")
        .Var<&NET_ROOM_GAME_INFO::ruleStage>("ruleStage")
        .Var<&NET_ROOM_GAME_INFO::ruleBgm>("ruleBgm")
        .Var<&NET_ROOM_GAME_INFO::ruleItemNum>("ruleItemNum")
        .Var<&NET_ROOM_GAME_INFO::ruleFall>("ruleFall");
    Class<SGameBattleInfo>(v, "SQ_BattleInfo")
        .Method<&BattleInfoIsReceived>("IsReceived")
        .Method<&BattleInfoSetIsReceived>("SetIsReceived")
        .Method<&BattleInfoGetStageNo>("GetStageNo")
        .Method<&BattleInfoSetStageNo>("SetStageNo")
        .Method<&BattleInfoGetBGM>("GetBGM")
        .Method<&BattleInfoSetBGM>("SetBGM")
        .Method<&BattleInfoGetTag>("GetTag")
        .Method<&BattleInfoSetTag>("SetTag")
        .Method<&BattleInfoGetGameInfo>("GetGameInfo")
        .Var<&SGameBattleInfo::RandomSeed>("RandomSeed");
    Class<SGameBattleProcessParam>(v, "SQ_BattleProsParam")
        .Method<&ProsGetGameCount>("GetGameCount")
        .Method<&ProsSetGameCount>("SetGameCount")
        .Method<&ProsGetRankSum>("GetRankSum")
        .Method<&ProsSetRankSum>("SetRankSum");
    Class<SGameBattleParam>(v, "SQ_BattleParam")
        .Prop<&BattleParamGetDelay, &BattleParamSetDelay>("KeyBufferDelay");
}

void RegisterVoiceChatClass(HSQUIRRELVM v) {
    SqBind::Class<SqVoiceChatManager>(v, "SQ_VoiceChatManager")
        .Ctors<SqBind::Ctor<>>()
        .Method<&VoiceSetHeadSetEnable>("SetHeadSetEnable")
        .Method<&VoiceGetHeadSetEnable>("GetHeadSetEnable");
}

void RegisterLockstepGlobals(HSQUIRRELVM v) {
    using SqBind::Function;
    Function<&SQ_UpdateNetKeyBuffer>(v, "SQ_UpdateNetKeyBuffer");
    Function<&SQ_TimeStep>(v, "SQ_TimeStep");
    Function<&SQ_IsNetworkWaiting>(v, "SQ_IsNetworkWaiting");
    Function<&SQ_UpdateNetworkWait>(v, "SQ_UpdateNetworkWait");
    Function<&SQ_SetOnline>(v, "SQ_SetOnline");
    Function<&SQ_SetOffline>(v, "SQ_SetOffline");
    Function<&SQ_UpdateNetKeyBufferWord>(v, "SQ_UpdateNetKeyBufferWord");
    Function<&SQ_GetDemoSetting>(v, "SQ_GetDemoSetting");
    Function<&SQ_IsOnline>(v, "SQ_IsOnline");
    Function<&SQ_SetNetwrokPause>(v, "SQ_SetNetwrokPause");
    Function<&SQ_IsNetwrokPause>(v, "SQ_IsNetwrokPause");
    Function<&SQ_IsChangingHost>(v, "SQ_IsChangingHost");
    Function<&SQ_IsHostChangePopup>(v, "SQ_IsHostChangePopup");
    Function<&SQ_SetNetDebugMsg>(v, "SQ_SetNetDebugMsg");
}

void RegisterNetworkDebugGlobals(HSQUIRRELVM v) {
    using SqBind::Function;
    Function<&SQ_NetworkDebugSetting>(v, "SQ_NetworkDebugSetting");
    Function<&SQ_GetRoomNum>(v, "SQ_GetRoomNum");
    Function<&SQ_GetSearchedRoomNum>(v, "SQ_GetSearchedRoomNum");
    Function<&SQ_GetSearchedRoomHost>(v, "SQ_GetSearchedRoomHost");
    Function<&SQ_GetRoomMemberInfo>(v, "SQ_GetRoomMemberInfo");
    Function<&SQ_CheckGotoPlayScene>(v, "SQ_CheckGotoPlayScene");
    Function<&SQ_CheckPlayStart>(v, "SQ_CheckPlayStart");
    Function<&SQ_GetDelay>(v, "SQ_GetDelay");
    Function<&SQ_GetCurTime>(v, "SQ_GetCurTime");
    Function<&SQ_GetInBuffer>(v, "SQ_GetInBuffer");
    Function<&SQ_GetSkipSum>(v, "SQ_GetSkipSum");
    Function<&SQ_GetSkipSumLongSpan>(v, "SQ_GetSkipSumLongSpan");
    Function<&SQ_GetReqNum>(v, "SQ_GetReqNum");
    Function<&SQ_DumpKeyBufferData>(v, "SQ_DumpKeyBufferData");
}

}  // namespace Sample
