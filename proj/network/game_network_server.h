// Sample::Win::CGameNetworkServer: online rooms on the platform's lobbies
// (through vho::Steam) and its peer-to-peer packets. Each script request is
// an order that starts a step and a check that the match controller polls
// every frame (0 done, 100 or more failed, -1 or -100 nothing yet). It also
// carries the lobby-layer messages (categories 20 to 33) and keeps the
// room's member list in the lobby data through CGameRoomInfo. Game thread only.
//
// Differs from the platform it stands on: create, search and connect give up
// after kRequestTimeoutFrames with a refused result; peers are answered at
// the address the transport reports, and what only the lobby owner may send
// is taken only from the owner.
#pragma once

#include <cstdint>

#include "proj/network/game_room_info.h"
#include "proj/network/igame_network_server.h"
#include "qzware/depend/win/vho/vho_listener.h"

namespace vho {
class Steam;
}
namespace QZW::Win {
class CQzNetworker;
}

namespace Sample::Win {

class CWinSearchResultNode final : public CNetSearchResultNode {
public:
    CWinSearchResultNode() { Clear(); }
    // Every field zero, the round trip -1 (not measured).
    void Clear();

    std::uint64_t GetSessionID() const override { return sessionId; }
    const char* GetSessionName() const override { return sessionName; }
    std::uint64_t GetHostID() const override { return hostId; }
    const char* GetHostName() const override { return hostName; }
    std::uint8_t GetHostArea() const override { return hostArea; }
    std::int32_t GetHostRTT() const override { return hostRtt; }
    std::uint16_t GetSessionFlag() const override { return sessionFlag; }
    std::uint8_t GetMemberMax() const override { return memberMax; }
    std::uint8_t GetMemberNow() const override { return memberNow; }
    std::uint8_t GetValidVoiceChat() const override { return validVoiceChat; }
    std::uint16_t GetGameVersion() const override { return gameVersion; }
    const char* GetKeyword() const override { return keyword; }
    NET_ROOM_GAME_INFO* GetGameInfo() override { return &gameInfo; }

    std::uint64_t sessionId = 0;
    char sessionName[kSessionTextField] = {};
    char hostName[20] = {};
    std::uint16_t gameVersion = 0;
    std::uint8_t memberMax = 0;
    std::uint8_t memberNow = 0;
    std::uint16_t sessionFlag = 0;
    std::int32_t hostRtt = -1;
    NET_ROOM_GAME_INFO gameInfo;
    std::uint8_t validVoiceChat = 0;
    std::uint8_t hostArea = 0;
    char keyword[kSessionTextField] = {};
    std::uint64_t hostId = 0;
};

class CGameNetworkServer : public IGameNetworkServer, public vho::Listener {
public:
    enum LobbyState : std::int32_t {
        kIdle = 0,
        kInitOrdered = 1,
        kInitDone = 2,
        kCreating = 3,
        kCreated = 4,
        kSearching = 5,
        kListReceived = 6,
        kJoining = 8,
        kEntered = 9,
        kMeasuring = 10,
        kHelloSent = 11,
        kHelloAnswered = 12,
        kSettled = 17,
        kDeleting = 18,
        kLeaving = 19,
        kJoinRefused = 21,
        kKickedOut = 22,
    };
    static constexpr int kPending = -100;
    static constexpr int kWaiting = -1;
    static constexpr int kRefused = 100;
    static constexpr std::int32_t kRttWaitFrames = 900;
    // A searcher's identity probe to a host that has not answered goes
    // again this often (half a second), so one lost probe loses no room.
    static constexpr std::int32_t kProbeResendFrames = 30;
    static constexpr std::int32_t kRttLimitMs = 180;
    // About ten seconds at 60 frames a second.
    static constexpr std::int32_t kRequestTimeoutFrames = 600;
    static constexpr std::uint32_t kHelloSlot = 4;

    // The process's server over the process's platform services, built on
    // first use; null while there are none.
    static CGameNetworkServer* GetInstance();
    // Drops the process's server (tests).
    static void DestroyInstance();

    CGameNetworkServer(vho::Steam* steam, QZW::Win::CQzNetworker* networker);
    ~CGameNetworkServer() override;

    // [SECTION] Orders
    int OrderNetworkInit(SNetInitObj& init) override;
    int OrderCreateSession(SNetCreateSessionObj& create) override;
    int OrderDeleteSession(SNetCreateSessionObj& create) override;
    int OrderSearchSession(SNetSearchSessionObj& search) override;
    int OrderConnectSession(SNetConnectSessionObj& connect) override;
    int OrderDisconnectSession() override;
    int OrderRemoveMember(int i) override;
    std::uint64_t LobbyOwner() override;
    bool OwnPresenceLapsed() override;
    int OrderClearServerData() override;
    int KickOutRoomMember(int i) override;
    int SendRoomChat(const char* text) override;

    // [SECTION] Checks
    int CheckNetworkInit() override;
    int CheckCreateSession() override;
    int CheckDeleteSession() override;
    int CheckSearchSession() override;
    int CheckConnectSession() override;
    int CheckDisconnectSession() override;
    int CheckKicked() override;
    int UpdateSession() override;

    // [SECTION] What finished requests leave
    OwnUserRecord OwnUser() override;
    SGameSessionInfo CreatedSessionInfo() override;
    ConnectedRoomRecord ConnectedRoom() override;

    // [SECTION] Messages and members
    void ReceiveMessage(const std::uint8_t* message, std::uint16_t length,
                        const PeerAddress& from) override;
    std::int16_t GetHostPing(int) override;
    int UpdateMemberTable(CGameMemberSlot* slots, const MemberIdentityRecord* identities,
                          const MemberStateRecord* states) override;
    bool IsNetworkAvailable() override { return onlineFlag != 0 && networkConnected != 0; }
    std::unique_ptr<CNetSearchResultNode> CreateSearchResultNode() override {
        return std::make_unique<CWinSearchResultNode>();
    }

    CGameRoomInfo& RoomInfo() { return roomInfo; }
    std::int32_t State() const { return lobbyState; }
    vho::Steam* Steam() { return steam_; }

    std::int32_t lobbyState = kIdle;
    std::uint8_t onlineFlag = 1;
    std::uint8_t hostChange = 0;
    std::uint8_t hostChangeStartedHere = 0;
    std::int32_t resultWait = 0;
    std::int32_t requestFrames = 0;  // frames the current create, search or connect has waited
    std::int32_t invalidLobbyMirror = 0;
    std::uint8_t networkConnected = 1;

private:
    // [SECTION] Platform events
    void AttachEvents();
    void OnLobbyCreated(void* data);
    void OnLobbyListReceived(void* data);
    void OnLobbyEntered(void* data);

    // [SECTION] Steps
    void FillSearchResults();
    // The identity probe to every listed host whose round trip is unknown.
    void SendProbes();
    void FinishSearch();
    // A request that waited too long: its lobby is left, the state settles.
    int GiveUp();
    void EndConnect();
    void TakeOverAsHost(int i);

    // [SECTION] Lobby-layer handlers
    void ReceiveHello(const std::uint8_t* m, const PeerAddress& from);
    void ReceiveHelloReply(const std::uint8_t* m);
    void ReceivePong(const std::uint8_t* m, const PeerAddress& from);
    void ReceiveRoundTrip(const std::uint8_t* m, const PeerAddress& from);
    void ReceiveRoomChat(const std::uint8_t* m, const PeerAddress& from);
    void ReceiveRoomChatRelay(const std::uint8_t* m);
    bool FromLobbyOwner(const PeerAddress& from);
    void SendDirect(std::uint64_t to, const std::vector<std::uint8_t>& message);
    std::uint64_t OwnId() const;
    const char* OwnName() const;

    vho::Steam* steam_;
    QZW::Win::CQzNetworker* networker_;
    bool attached_ = false;
    CGameRoomInfo roomInfo;
};

}  // namespace Sample::Win
