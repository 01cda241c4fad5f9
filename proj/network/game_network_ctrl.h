// CGameNetworkCtrl: the game side of an online match. The scripts call
// ManagementNetwork once a frame: it drains the receive log, dispatches each
// match message, runs the host's or member's heartbeat duties, polls the
// lobby session server and turns each outcome into a one-frame result bit.
// It also runs the key exchange and the scene handshakes. Game thread only.
//
// Peers are trusted no further than their slot: what only the host may send
// is taken only from the host slot's address, and key words only for the
// sender slot's own battler.
#pragma once

#include <cstdint>
#include <string>

#include "proj/network/game_message.h"
#include "proj/network/igame_network_server.h"

namespace Sample {

namespace NetResult {
// Low word.
constexpr std::uint32_t kInitSucceeded = 0x00000100;
constexpr std::uint32_t kInitFailed = 0x00000200;
constexpr std::uint32_t kCreateSucceeded = 0x00000400;
constexpr std::uint32_t kCreateFailed = 0x00000800;
constexpr std::uint32_t kDeleteSucceeded = 0x00001000;
constexpr std::uint32_t kDeleteFailed = 0x00002000;
constexpr std::uint32_t kSearchSucceeded = 0x00004000;
constexpr std::uint32_t kSearchFailed = 0x00008000;
constexpr std::uint32_t kConnectSucceeded = 0x00010000;
constexpr std::uint32_t kConnectFailed = 0x00020000;  // also a failed disconnect
constexpr std::uint32_t kInviteSucceeded = 0x00040000;
constexpr std::uint32_t kInviteFailed = 0x00080000;
constexpr std::uint32_t kDisconnectSucceeded = 0x00100000;
constexpr std::uint32_t kMemberPollSucceeded = 0x01000000;
constexpr std::uint32_t kMemberPollFailed = 0x02000000;
constexpr std::uint32_t kMemberRemoved = 0x10000000;
constexpr std::uint32_t kHostLost = 0x20000000;
constexpr std::uint32_t kSessionChanged = 0x40000000;
// High word.
constexpr std::uint32_t kUpdateSessionFailed = 0x08000000;
constexpr std::uint32_t kKicked = 0x10000000;
}  // namespace NetResult

// How far a member has got through the scenes (1 room to 6 battle; the
// later phases count as the room). Set-up data from the host is taken only
// when it belongs to this phase or a later one, so a reordered older
// snapshot or reply cannot overwrite what a scene order brought.
int SetUpPhase(const CGameMemberSlot& own);

class CGameNetworkCtrl {
public:
    static constexpr int kStatusInterval = 61;
    static constexpr int kHostRebroadcast = 60;  // counter above this: rebroadcast
    static constexpr int kMemberSilenceLimit = 600;
    static constexpr int kHostSilenceLimit = 601;
    // A battler whose words the host has missed this many frames in a row
    // (however alive its status keeps it) is taken out of the match, and so
    // is a member that has not handed over a departed battler's words this
    // long after it was asked.
    static constexpr int kKeyWithholdLimit = kHostSilenceLimit;
    // A member gives the host up after missing the words only the host sends
    // (its own, a departed battler's) this many frames in a row: longer than
    // the host itself takes to take a withholding battler out, so a host
    // held by another is not left.
    static constexpr int kHostKeysLimit = 2 * kHostSilenceLimit;
    static constexpr std::uint32_t kHostLossGrace = 1801;
    static constexpr std::uint32_t kRequestSlot = 4;
    static constexpr std::uint16_t kLocalKeyMask = 0xCFFF;
    // The delay-raise mark; START uses the same bit, so it is never sent online.
    static constexpr std::uint16_t kDelayRaiseMark = 0x4000;
    static constexpr std::uint8_t kMaxKeyDelay = 7;

    static CGameNetworkCtrl& GetInstance();
    virtual ~CGameNetworkCtrl() = default;

    // Back to the state at start-up (tests and a new process-wide start).
    void Reset();
    void SetServer(IGameNetworkServer* s) { server = s; }
    // Null: the null manager.
    void SetVoiceChat(CGameVoiceChatManager* v) { voiceChat = v; }

    // [SECTION] Per-frame step and session
    void ManagementNetwork();
    void OnCreateRoomSucceeded();
    void OnConnectRoomSucceeded();
    void ClearSession();
    // Queues the message (kind 0) to every connected slot but the host.
    void SendToMembers(const std::uint8_t* message, std::size_t length);
    void BroadcastSessionInfo();
    void ApplyMemberTable(const MemberIdentityRecord* identities, const MemberStateRecord* states,
                          const PeerAddress& host);
    void UpdateHost();
    // The lobby made this member its owner: the own slot becomes the host
    // slot and the session is rebroadcast under it.
    void TakeOverHost();
    // The lobby's owner at `from` says it took over: its slot becomes the host
    // slot. Said to a member that still thinks itself host (it was stopped
    // while the others went on), it ends that member's match: host lost.
    void AcceptNewHost(const PeerAddress& from);
    // Tells a member that still acts as host that the lobby has another owner.
    void TellNotHost(const PeerAddress& to);
    // The own slot for a local address, else the slot that matches over 12
    // bytes, else null.
    CGameMemberSlot* FindMemberSlotByPeer(const PeerAddress& address);
    // Hands one drained message to its handler (the lobby layer's to the server).
    void Dispatch(const std::uint8_t* message, std::uint16_t length, const PeerAddress& from);

    // Own member flag 0x80 := the voice chat hears the local user.
    void UpdateVoiceFlag();
    // False unless battler's slot exists and is connected; then the voice
    // chat's answer for that member when it has a headset (flag 0x80).
    bool IsVoiceChatSpeaking(int battler);

    // [SECTION] Heartbeat, host loss and kicks
    void RefreshPeerAlive(const PeerAddress& address);
    void ManageHost();
    void CheckHeartBeat();

    // [SECTION] Key exchange
    // Arms the key exchange for one battle: until then key words and resend
    // requests are not taken, so a previous battle's words never answer.
    void InitKeyData(std::uint8_t delay);
    bool KeysArmed() const { return keysArmed == kKeysArmed; }
    // The battle is over for this member ("SQ_SetOffline"): until the next
    // InitKeyData it still answers resend requests for its last frames, which
    // a member still finishing may need, and no others.
    void EndKeyExchange();
    // A battler that held a slot when the battle was armed and has none now.
    bool IsDeparted(int battler) const;
    // The frame from which a departed battler's words are 0 on every member,
    // or -1 while the host is still collecting them (known on the host only).
    int DepartedEnd(int battler) const;
    // The local pad word for this frame: masked, sent unless held; then, unless
    // waiting, the four battlers' words of the current frame into the network
    // key buffer. 1.
    int UpdateNetKeyBuffer(std::uint16_t padWord, bool paused);
    void SendKeyInput(std::uint16_t word);
    std::uint16_t GetMemberKey(int battler);
    void UpdateNetworkWait();
    // "SQ_TimeStep": the current frame advances unless held.
    void TimeStep();
    // Category 14 for battler b with frame field f: words f, f-1, ... (up to 7).
    std::size_t BuildKeyMessage(int battler, std::uint16_t frame, std::uint8_t* out,
                                std::size_t capacity);

    // [SECTION] Scene handshakes
    void SendPlayerRoom(int sub, std::uint8_t value = 0);
    void SendTeamSelect(int sub, int index = 0, std::uint8_t value = 0);
    void SendCharaSelect(int sub);
    void SendArrivalPreBattle();
    bool SendBattleStart();
    void SendArrivalResultEnd();
    void StopRefrainMessageToHost();
    bool CheckGotoScene(int scene);

    IGameNetworkServer* server = nullptr;
    CGameVoiceChatManager* voiceChat = nullptr;
    std::uint32_t resultLow = 0;
    std::uint32_t resultHigh = 0;
    std::uint8_t leaveAtResultEnd = 0;
    std::uint32_t callCounter = 0;
    std::uint8_t holdFlag = 0;
    std::uint8_t networkWaiting = 0;
    std::string memberNames[kSessionMembers];
    static constexpr std::uint8_t kKeysArmed = 1;
    static constexpr std::uint8_t kKeysEnded = 2;
    // How far back from its end an ended battle still answers resend requests.
    static constexpr int kEndedAnswerSpan = 16;
    std::uint8_t keysArmed = 0;  // 0, kKeysArmed or kKeysEnded
    std::uint16_t keysEndFrame = 0;
    // Set when another member took over while this one still hosted: host
    // lost is reported every frame until the session is cleared.
    std::uint8_t replacedAsHost = 0;
    // Battlers with a connected slot when the battle was armed, and their
    // members' account ids (kept after a slot is cleared).
    std::uint8_t battleBattlers = 0;
    std::uint64_t battleMemberIds[kSessionMembers] = {};
    // Per battler, host side: the end frame once fixed (-1 until then) and
    // the slots whose words for the departed battler the host has all of.
    std::int32_t departedEnd[kSessionMembers] = {-1, -1, -1, -1};
    std::uint8_t departedHeard[kSessionMembers] = {};
    std::uint8_t departedAsk[kSessionMembers] = {};    // frames until the next asking
    std::uint16_t departedWait[kSessionMembers] = {};  // frames spent collecting
    // Per battler: frames in a row its word for the current frame has been
    // missing (saturating).
    std::uint16_t keysMissing[kSessionMembers] = {};

private:
    friend class NetworkMemberContext;
    CGameNetworkCtrl() = default;

    // [SECTION] Handlers
    void ReceiveStatus(const GameMessage& m, const PeerAddress& from);
    void ReceiveSessionInfo(const GameMessage& m, const PeerAddress& from);
    void ReceiveHostStateAck(const PeerAddress& from);
    void ReceivePlayerRoom(const GameMessage& m, const PeerAddress& from);
    void ReceiveTeamSelect(const GameMessage& m, const PeerAddress& from);
    void ApplyTeamSelect(const GameMessage& m, const PeerAddress* from);
    void ReceiveCharaSelect(const GameMessage& m, const PeerAddress& from);
    void ReceiveGotoScene(const GameMessage& m, const PeerAddress& from);
    void ReceiveArrivalPreBattle(const PeerAddress& from);
    void ReceiveBattleStart(const PeerAddress& from);
    void ReceiveKeyInput(const GameMessage& m, const PeerAddress& from);
    void ReceiveKeyResendRequest(const GameMessage& m, const PeerAddress& from);
    void ReceiveArrivalResultEnd(const PeerAddress& from);
    void ReceiveBattleInfo(const GameMessage& m, const PeerAddress& from);
    void ConfirmBattleStarted();

    // [SECTION] Helpers
    std::uint64_t OwnAccountId() const;
    CGameVoiceChatManager& Voice();
    bool IsHost() const;
    bool FromHost(const PeerAddress& from);
    void Poll(int result, std::uint32_t ok, std::uint32_t failed, bool high = false);
    void Send(const GameMessage& m, const PeerAddress& to);
    void ArmToHost(const GameMessage& m);
    void ArmToSlot(int slot, const GameMessage& m);
    // Ends the member's resend when slot 4 holds the request (category, sub).
    void EndRequest(std::uint8_t category, std::int16_t sub);
    // Whether slot 4 holds the member's request (category, sub).
    bool Awaiting(std::uint8_t category, std::int16_t sub) const;
    // The own set-up phase, or 0 without an own slot.
    int OwnPhase() const;
    int OwnBattler() const;
    int HostBattler() const;
    // Host side: asks every other member for the departed battler's words it
    // holds, fixes the end once all have answered, then serves 0 past it.
    void CollectDeparted(int battler, bool ask);
    void FillDeparted(int battler);
    // Host side, each frame once the end is fixed: the departed battler's
    // words to every other member, as the host's own go.
    void SendDeparted(int battler);
    // IsDeparted, also after the battle ended for this member (so that the
    // host still answers resend requests for the departed battler's words).
    bool LeftBattle(int battler) const;
    // Whether the member with this account id held a battler of this battle
    // and has left it.
    bool LeftBattleAs(std::uint64_t memberId) const;
    void ResetDeparted();
    // Host side: takes the member in `slot` out of the session, as the lobby
    // does when it leaves, and tells the lobby; its battler departs.
    void TakeOutOfMatch(int slot, const char* why);
    // Member side: frames in a row this member has missed words only the
    // host sends (the host battler's and departed battlers').
    int HostKeysMissing() const;
};

}  // namespace Sample
