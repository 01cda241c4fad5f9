// What the match controller asks of the lobby session server: the per-frame
// polls of pending lobby requests (0 done, 100 or more failed, anything else
// pending), the host-loss and silent-member orders, and the records a
// finished request leaves for the controller. The defaults are the
// interface's own; a lobby server overrides what it does.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>

#include "proj/network/game_network_database.h"
#include "proj/network/game_voice_chat_manager.h"
#include "proj/network/session_request_objects.h"

namespace Sample {

constexpr int kServerPending = 1;
constexpr int kServerFailed = 100;

// What a joined room's connect request carries: the session, its member
// table with the host's address, and the battle data.
struct ConnectedRoomRecord {
    SGameSessionInfo info;
    SGameSessionParam param;
    MemberIdentityRecord identities[kSessionMembers];
    MemberStateRecord states[kSessionMembers];
    PeerAddress host;
    SGameBattleInfo battleInfo;
    SGameBattlerInfo battlers[kSessionMembers];
};

class IGameNetworkServer {
public:
    virtual ~IGameNetworkServer() = default;

    // [SECTION] Polls, in the order the controller makes them each frame
    virtual int UpdateSession() { return kServerPending; }
    virtual int CheckNetworkInit() { return kServerPending; }
    virtual int CheckCreateSession() { return kServerPending; }
    virtual int CheckDeleteSession() { return kServerPending; }
    virtual int CheckSearchSession() { return kServerPending; }
    // Once per member index 0-3; the lobby server always answers 100.
    virtual int CheckMember(int) { return kServerFailed; }
    virtual int CheckConnectSession() { return kServerPending; }
    virtual int CheckDisconnectSession() { return kServerPending; }
    virtual int CheckKicked() { return kServerPending; }

    // [SECTION] Orders
    virtual int OrderRemoveMember(int) { return kServerFailed; }
    virtual int OrderDisconnectSession() { return kServerFailed; }

    // [SECTION] What finished requests leave
    virtual OwnUserRecord OwnUser() { return {}; }
    // The create request's session info (name, flags, member max).
    virtual SGameSessionInfo CreatedSessionInfo() { return {}; }
    virtual ConnectedRoomRecord ConnectedRoom() { return {}; }

    // [SECTION] Messages, pings and members
    // Categories the match protocol does not own (7, 0, 18 and above).
    virtual void ReceiveMessage(const std::uint8_t*, std::uint16_t, const PeerAddress&) {}
    virtual std::int16_t GetHostPing(int) { return -1; }
    // The account the lobby names its owner (the host after a take-over); 0
    // where the lobby cannot say.
    virtual std::uint64_t LobbyOwner() { return 0; }
    // Whether the lobby names account `id` its owner; false where it cannot say.
    bool IsLobbyOwner(std::uint64_t id) { return id != 0 && LobbyOwner() == id; }
    // Whether this program's copy of the lobby may be out of date: its
    // directory presence has not been refreshed for longer than a presence
    // lasts, so the directory may have given the lobby another owner that
    // the copy does not show. False where the lobby cannot say.
    virtual bool OwnPresenceLapsed() { return false; }
    // Tells the voice layer which member a voice question is about.
    virtual void QueryMemberVoice(const MemberVoiceRecord&, std::uint64_t) {}
    virtual int UpdateMemberTable(CGameMemberSlot*, const MemberIdentityRecord*,
                                  const MemberStateRecord*) {
        return 0;
    }
    virtual void EnableSendBreakUp() { sendBreakUp = 1; }
    virtual void DisableSendBreakUp() { sendBreakUp = 0; }
    // The request state back to its start: break-up messages on, no error and
    // no host loss counted, every request object zero-filled.
    void ClearSessionRequestObjects() {
        sendBreakUp = 1;
        lastError = 0;
        hostLossCounter = 0;
        initObj = SNetInitObj{};
        createObj = SNetCreateSessionObj{};
        searchObj = SNetSearchSessionObj{};
        connectObj = SNetConnectSessionObj{};
        friendObj = SNetRequestFriendObj{};
    }

    // [SECTION] The scripts' orders and room services (the lobby server's)
    virtual int OrderNetworkInit(SNetInitObj&) { return kServerFailed; }
    virtual int OrderCreateSession(SNetCreateSessionObj&) { return kServerFailed; }
    virtual int OrderDeleteSession(SNetCreateSessionObj&) { return kServerFailed; }
    virtual int OrderSearchSession(SNetSearchSessionObj&) { return kServerFailed; }
    virtual int OrderConnectSession(SNetConnectSessionObj&) { return kServerFailed; }
    virtual int OrderClearServerData() { return kServerFailed; }
    virtual int ObserverClearServerData() { return 0; }
    virtual int KickOutRoomMember(int) { return kServerFailed; }
    virtual int SendRoomChat(const char*) { return 0; }
    virtual int GetRoomNum() { return 0; }
    virtual bool IsRoomCreater() { return false; }
    virtual bool IsNetworkAvailable() { return false; }
    virtual void OnBattleSessionFinish() {}
    virtual int StartUpdateSeachResult(std::uint32_t, const std::uint32_t*) { return 0; }
    virtual int StartUpdateAllSeachResult() { return 0; }
    virtual int CheckUpdateSeachResult() { return 0; }
    virtual std::unique_ptr<CNetSearchResultNode> CreateSearchResultNode() { return nullptr; }

    // [SECTION] Search results
    static constexpr int kSearchNodes = 20;
    // Fills the node list with up to 20 nodes (once).
    void AllocSearchResults() {
        for (int i = 0; i < kSearchNodes; ++i) {
            if (std::unique_ptr<CNetSearchResultNode> n = CreateSearchResultNode()) {
                searchResults.push_back(std::move(n));
            }
        }
    }
    void FreeSearchResults() {
        searchResults.clear();
        boundSearchResult = nullptr;
    }
    // Node i while i is below the result count, else null.
    CNetSearchResultNode* SearchResult(int i) {
        return i >= 0 && i < searchResultCount && i < static_cast<int>(searchResults.size())
                   ? searchResults[static_cast<std::size_t>(i)].get()
                   : nullptr;
    }

    std::uint8_t sendBreakUp = 1;
    std::int32_t lastError = 0;
    std::uint32_t hostLossCounter = 0;

    SNetInitObj initObj;
    SNetCreateSessionObj createObj;
    SNetSearchSessionObj searchObj;
    SNetConnectSessionObj connectObj;
    SNetRequestFriendObj friendObj;
    std::deque<std::unique_ptr<CNetSearchResultNode>> searchResults;
    std::int32_t searchResultCount = 0;
    CNetSearchResultNode* boundSearchResult = nullptr;
    std::int32_t boundSearchIndex = 0;
    std::uint32_t searchIndexTable[kSearchNodes] = {};
    std::int32_t friendCount = 0;
};

}  // namespace Sample
