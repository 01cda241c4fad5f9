// Match messages, categories 1 to 17: a 4-byte header (u16 total length,
// u8 category, u8 sub-type) and a fixed payload per (category, sub), built and
// parsed byte for byte. Parsing refuses anything that is not exactly its
// table length, lies about its length, or names a battler, slot or tag
// outside 0-3. Category 7 and every other category are not match messages.
#pragma once

#include <cstddef>
#include <cstdint>

#include "proj/network/game_records.h"

namespace Sample {

namespace GameMessageCategory {
constexpr std::uint8_t kStatus = 1;
constexpr std::uint8_t kRoomSessionInfo = 2;
constexpr std::uint8_t kTeamSelectSessionInfo = 3;
constexpr std::uint8_t kCharaSelectSessionInfo = 4;
constexpr std::uint8_t kBattleSessionInfo = 5;
constexpr std::uint8_t kHostStateAck = 6;
constexpr std::uint8_t kPlayerRoom = 8;
constexpr std::uint8_t kTeamSelect = 9;
constexpr std::uint8_t kCharaSelect = 10;
constexpr std::uint8_t kGotoScene = 11;
constexpr std::uint8_t kArrivalPreBattle = 12;
constexpr std::uint8_t kBattleStart = 13;
constexpr std::uint8_t kKeyInput = 14;
constexpr std::uint8_t kKeyResendRequest = 15;
constexpr std::uint8_t kArrivalResultEnd = 16;
constexpr std::uint8_t kBattleInfo = 17;
}  // namespace GameMessageCategory

constexpr std::size_t kGameMessageHeader = 4;
// The longest match message (category 3).
constexpr std::size_t kMaxMatchMessage = 272;
constexpr int kMaxKeyWords = 7;
// Category 14's sub byte: the sender holds no word of that battler past the
// message's frame field (the run ends at its own last frame). 0 otherwise,
// and from senders that do not say.
constexpr std::uint8_t kKeyRunWhole = 1;

// True for 1 to 6 and 8 to 17: the categories the match controller parses.
bool IsMatchCategory(std::uint8_t category);
// The fixed total length of (category, sub), or 0 when the pair is not a match
// message. Category 14 is 8 + 2n and answers 0 here.
std::size_t MatchMessageLength(std::uint8_t category, std::uint8_t sub);

// Every field any match message carries; each (category, sub) uses its own.
struct GameMessage {
    std::uint8_t category = 0;
    std::uint8_t sub = 0;
    // 1: status
    std::uint8_t statusFlags = 0;
    std::int16_t hostPing = 0;
    // 2 to 5 snapshots; 9 sub 2/4/5/6; 10 sub 2/3; 17
    SGameSessionParam sessionParam;
    MemberIdentityRecord identities[kSessionMembers];
    MemberStateRecord states[kSessionMembers];
    SGameBattleInfo battleInfo;
    SGameBattlerInfo battlers[kSessionMembers];  // 4: only flags and selectIndex travel
    // 8 sub 1: value; 9 sub 3: tag index and value; 9 sub 1: battler index
    std::uint8_t value = 0;
    std::uint8_t index = 0;
    // 9 sub 1, 10 sub 1
    SGameBattlerInfo battler;
    // 11
    std::uint16_t scene = 0;
    // 14 (frame field, battler, words newest first; sub: kKeyRunWhole or 0)
    // and 15 (frame, battler)
    std::uint16_t frame = 0;
    std::uint8_t keyBattler = 0;
    std::uint8_t keyCount = 0;
    std::uint16_t keys[kMaxKeyWords] = {};
};

// Writes the message into out; answers its length, or 0 when (category, sub)
// is not a match message, the key count is above 7, or it does not fit.
std::size_t BuildGameMessage(const GameMessage& m, std::uint8_t* out, std::size_t capacity);

// Reads the message at data (size bytes received). False, with out untouched,
// when the header's length is below 4, above size, or not the table length of
// its (category, sub); when category 14's word count disagrees with its length
// or exceeds frame + 1; or when a battler, slot or tag index is 4 or more.
bool ParseGameMessage(const std::uint8_t* data, std::size_t size, GameMessage& out);

}  // namespace Sample
