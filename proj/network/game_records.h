// The records that match messages carry and the network database keeps:
// session parameter block, member identity and state records, battler record
// and battle info block. In memory they are plain structs; on the wire they
// are packed field by field, little-endian, at the sizes given here.
#pragma once

#include <cstddef>
#include <cstdint>

#include "proj/network/le_bytes.h"

namespace Sample {

constexpr int kSessionMembers = 4;
// Display names: 20 bytes held (19 characters and a zero) of a 24-byte field.
constexpr std::size_t kMemberNameField = 24;
constexpr std::size_t kMemberNameCompared = 20;

struct NET_ROOM_GAME_INFO {
    std::int32_t ruleTeamType = 0;
    std::int32_t ruleTime = 0;
    std::int32_t ruleRound = 0;
    std::int32_t ruleStage = 0;
    std::int32_t ruleBgm = 0;
    std::int32_t ruleItemNum = 0;
    std::int32_t ruleFall = 0;
};

struct SGameSessionParam {
    static constexpr std::size_t kWireSize = 12;
    std::uint8_t Member = 0;
    std::uint8_t reserved = 0;  // carried unchanged from host to members
    std::uint16_t flags = 0;
    std::int32_t StartCount = 0;
    std::int32_t TagType = 0;
};

struct SGameBattlerInfo {
    static constexpr std::size_t kWireSize = 8;
    static constexpr std::uint8_t kReceived = 0x01;
    static constexpr std::uint8_t kFixed = 0x04;
    std::uint8_t flags = 0;
    std::int8_t teamId = 0;
    std::int8_t selectIndex = 0;
    std::uint8_t npc = 0;
    std::uint8_t keyConfig[4] = {};
};

struct SGameBattleInfo {
    static constexpr std::size_t kWireSize = 52;
    std::uint8_t received = 0;
    std::uint8_t reserved = 0;  // carried unchanged from host to members
    std::uint8_t stageNo = 0;
    std::uint8_t bgm = 0;
    std::uint32_t tag[kSessionMembers] = {};
    std::uint32_t RandomSeed = 0;
    NET_ROOM_GAME_INFO gameInfo;
};

struct MemberIdentityRecord {
    static constexpr std::size_t kWireSize = 32;
    std::uint64_t id = 0;
    char name[kMemberNameField] = {};
};

struct MemberStateRecord {
    static constexpr std::size_t kWireSize = 10;
    std::uint16_t sequence = 0;
    std::uint16_t sequenceSub = 0;
    std::uint16_t flags = 0;
    std::int16_t rtt = -1;
    std::uint8_t playCount = 0;
    std::uint8_t rankSum = 0;
};

// The structs mirror their wire records one to one.
static_assert(sizeof(SGameSessionParam) == SGameSessionParam::kWireSize);
static_assert(sizeof(SGameBattlerInfo) == SGameBattlerInfo::kWireSize);
static_assert(sizeof(SGameBattleInfo) == SGameBattleInfo::kWireSize);
static_assert(sizeof(MemberIdentityRecord) == MemberIdentityRecord::kWireSize);
static_assert(sizeof(MemberStateRecord) == MemberStateRecord::kWireSize);

void Pack(Net::LeWriter& w, const SGameSessionParam& r);
void Pack(Net::LeWriter& w, const SGameBattlerInfo& r);
void Pack(Net::LeWriter& w, const SGameBattleInfo& r);
void Pack(Net::LeWriter& w, const MemberIdentityRecord& r);
void Pack(Net::LeWriter& w, const MemberStateRecord& r);

// Unpacking a name always leaves it zero-terminated within its field.
void Unpack(Net::LeReader& r, SGameSessionParam& out);
void Unpack(Net::LeReader& r, SGameBattlerInfo& out);
void Unpack(Net::LeReader& r, SGameBattleInfo& out);
void Unpack(Net::LeReader& r, MemberIdentityRecord& out);
void Unpack(Net::LeReader& r, MemberStateRecord& out);

}  // namespace Sample
