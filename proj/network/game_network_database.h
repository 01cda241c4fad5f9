// The network database: the one process-wide record of online play (own
// user, the session with its four member slots, the room's battle data and
// the four battlers' key histories), shared by the match controller, the
// lobby session server and the scripts. Game thread only.
#pragma once

#include <cstdint>

#include "proj/network/game_records.h"
#include "proj/network/key_history.h"
#include "proj/network/peer_address.h"

namespace Sample {

// [SECTION] Member flags and session flags

namespace MemberFlag {
constexpr std::uint16_t kHost = 0x0002;
constexpr std::uint16_t kJoined = 0x0004;
constexpr std::uint16_t kHeadset = 0x0080;
constexpr std::uint16_t kBattler0 = 0x0100;  // 0x100 << n for battler n
constexpr std::uint16_t kBattlerBits = 0x0F00;
constexpr std::uint16_t kBattlerAssigned = 0x1000;
}  // namespace MemberFlag

namespace SessionFlag {
constexpr std::uint16_t kBattleOkBits = 0x000F;
constexpr std::uint16_t kSyncPlayData0 = 0x0010;  // 0x10 << n for member n
constexpr std::uint16_t kBattlerConfirmedBits = 0x0F00;
constexpr std::uint16_t kConnectLock = 0x1000;
}  // namespace SessionFlag

// [SECTION] Own user and session records

struct OwnUserRecord {
    std::uint64_t id = 0;
    char name[kMemberNameCompared] = {};
    std::uint16_t reserved0 = 0;
    std::uint16_t reserved1 = 0;
};

struct SGameSessionInfo {
    static constexpr std::size_t kWireSize = 134;
    static constexpr std::size_t kNameField = 126;
    char sessionName[kNameField] = {};
    std::uint16_t flags = 0;  // bit 0 quick matching, 4 format tag, 5 join limit, 6 voice chat
    std::uint16_t reserved0 = 0;
    std::uint8_t memberMax = 0;
    std::uint8_t reserved1 = 0;
    std::uint16_t reserved2 = 0;
};
void Pack(Net::LeWriter& w, const SGameSessionInfo& r);
// Leaves the session name zero-terminated within its 126 bytes.
void Unpack(Net::LeReader& r, SGameSessionInfo& out);

class CGameMemberSlot {
public:
    // Back to the cleared state (keeps the slot's index).
    void Clear();

    std::uint16_t MemberOffsetIndex() const { return memberOffsetIndex; }
    bool IsConnect() const { return state == kConnected; }
    std::uint64_t MemberID() const { return memberId; }
    const char* MemberName() const { return memberName; }
    std::uint16_t GetSequence() const { return sequence; }
    std::uint16_t GetSequenceSub() const { return sequenceSub; }
    void SetSequenceSub(std::uint16_t v) { sequenceSub = v; }
    bool IsHost() const { return (flags & MemberFlag::kHost) != 0; }
    bool IsHeadsetPresent() const { return (flags & MemberFlag::kHeadset) != 0; }
    std::int16_t GetRTT() const { return rtt; }
    std::uint8_t GetPlayCount() const { return playCount; }
    void SetPlayCount(std::uint8_t v) { playCount = v; }
    std::uint8_t GetRankSum() const { return rankSum; }
    void SetRankSum(std::uint8_t v) { rankSum = v; }
    std::uint8_t GetNextSequence() const { return nextSequence; }
    std::uint32_t ResultSendPlayerNoState() const { return sendPlayerNoState; }
    void ResetSendPlayerNoState() { sendPlayerNoState = 0; }
    std::uint32_t MsgState() const { return messageState; }
    // -1 without a battler assigned, else the lowest battler bit held.
    int BattlerNo() const;
    // Assigns battler n (0-3; others are ignored): sets 0x1000 and its bit,
    // and for n = 0, 2 and 3 also clears battler 1's bit.
    void SetBattlerNo(int n);

    MemberIdentityRecord Identity() const;
    MemberStateRecord StateRecord() const;
    void SetIdentity(const MemberIdentityRecord& r);
    void SetStateRecord(const MemberStateRecord& r);

    static constexpr std::uint16_t kEmpty = 0;
    static constexpr std::uint16_t kConnected = 2;
    static constexpr std::uint8_t kNoJoinOrder = 0xFF;

    std::uint16_t memberOffsetIndex = 0;
    std::uint16_t state = kEmpty;
    std::uint64_t memberId = 0;
    char memberName[kMemberNameField] = {};
    std::uint16_t sequence = 0;
    std::uint16_t sequenceSub = 0;
    std::uint16_t flags = 0;
    std::int16_t rtt = -1;
    std::uint8_t playCount = 0;
    std::uint8_t rankSum = 0;
    std::uint16_t silenceCounter = 0;
    std::uint8_t nextSequence = 0;
    std::uint8_t joinOrder = 0;
    std::uint8_t partnerAcknowledged = 0;
    PeerAddress peer;
    std::uint32_t sendPlayerNoState = 0;
    std::uint32_t messageState = 0;
};

struct SGameSessionRecord {
    enum State : std::uint32_t { kNone = 0, kRequested = 1, kRunning = 2, kLeaving = 3 };

    // State 0, info and parameters zero, every slot cleared, no slot pointers.
    void Clear();
    // The slots, then the whole clear.
    void ClearMembers();
    // Connected slots' join orders become 0, 1, 2... in their join order;
    // the others 0xFF.
    void RenumberMembers();
    // Every connected slot takes the battler number of its index; session
    // flags 0x0F00 are set all four when the host slot holds a battler.
    void RefreshBattlerNumbers();
    // Re-derives the own, host and battler pointers from the slots: the own
    // slot is the one with the own account id (names need not be unique).
    void UpdateSlotPointers(std::uint64_t ownAccountId);
    // The first empty slot's index, or -1 when all four are taken.
    int FirstEmptySlot() const;
    // The slot index of a pointer into `slots`, or -1.
    int IndexOf(const CGameMemberSlot* slot) const;

    std::uint32_t state = kNone;
    SGameSessionInfo info;
    SGameSessionParam param;
    CGameMemberSlot slots[kSessionMembers];
    CGameMemberSlot* ownSlot = nullptr;
    CGameMemberSlot* hostSlot = nullptr;
    CGameMemberSlot* battlerSlots[kSessionMembers] = {};
};

// [SECTION] Battle data

struct SGameBattleProcessParam {
    std::uint8_t gameCount[kSessionMembers] = {};
    std::uint8_t rankSum[kSessionMembers] = {};
};

struct SGameBattleParam {
    KeyHistory keyHistory[kSessionMembers];
    std::uint16_t lastFrame[kSessionMembers] = {};
    std::uint16_t resendCount = 0;
    std::uint8_t resendCountdown[kSessionMembers] = {};
    std::uint16_t waitCount = 0;
    std::uint16_t currentFrame = 0;
    std::uint8_t KeyBufferDelay = 0;
    std::uint8_t delayRaiseFlag = 0;
    std::uint8_t windowCount = 0;
    std::uint8_t longSpanCount = 0;

    // Zeroes the key-exchange state and rebuilds the four histories.
    void Clear();
};

struct SGameBattleData {
    SGameBattleProcessParam processParam;
    SGameBattleInfo battleInfo;
    SGameBattlerInfo battlers[kSessionMembers];
    SGameBattleParam battleParam;

    void Clear();
};

// [SECTION] The database

struct SGameNetworkDatabase {
    static constexpr std::uint32_t kNetworkReady = 2;

    // False when a battler that has chosen (record bit 0, or its session
    // sync-play-data bit) already holds team id `team`; -1 is always free.
    bool CheckPlayerTeamID(int team) const;

    std::uint32_t networkState = 0;
    OwnUserRecord ownUser;
    SGameBattleData battleData;
    SGameSessionRecord session;
};

// The instance; the first call resets it.
SGameNetworkDatabase& GetNetworkDatabase();
// Network state and own user zero, battle data and session cleared.
void ResetNetworkDatabase();

}  // namespace Sample
