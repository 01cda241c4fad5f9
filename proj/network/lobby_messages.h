// The lobby layer's peer-to-peer messages, categories 20 to 33: the same
// 4-byte header as the match messages (u16 total length, u8 category, u8
// sub-type 0), then fixed fields, little-endian. A message is taken only when
// its length field, the bytes received and its category's size agree; names
// and chat text are always read back zero-terminated.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "proj/network/game_network_database.h"

namespace Sample {

namespace LobbyCategory {
constexpr std::uint8_t kHello = 20;
constexpr std::uint8_t kHelloReply = 21;
constexpr std::uint8_t kKick = 22;
constexpr std::uint8_t kIdentity = 23;
constexpr std::uint8_t kIdentityReply = 24;
constexpr std::uint8_t kPing = 25;
constexpr std::uint8_t kPong = 26;
constexpr std::uint8_t kPingRequest = 27;
constexpr std::uint8_t kPingEcho = 28;
constexpr std::uint8_t kHostChange = 29;
constexpr std::uint8_t kRoundTrip = 30;
constexpr std::uint8_t kRoomChat = 32;
constexpr std::uint8_t kRoomChatRelay = 33;
}  // namespace LobbyCategory

constexpr std::size_t kLobbyNameField = 20;
constexpr std::size_t kRoomChatField = 128;

// The size a category's messages must have (27: at least 8); 0 when the
// category is not one of the lobby layer's.
std::size_t LobbyMessageSize(std::uint8_t category);
// Header length equal to `size`, and `size` right for the category.
bool IsWellFormedLobbyMessage(const std::uint8_t* message, std::size_t size);

using LobbyBytes = std::vector<std::uint8_t>;

struct LobbyHello {
    std::uint64_t id = 0;
    char name[kLobbyNameField] = {};
};
struct LobbyHelloReply {
    std::uint64_t ids[kSessionMembers] = {};
    SGameSessionInfo info;
    SGameSessionParam param;
    MemberIdentityRecord identities[kSessionMembers];
    MemberStateRecord states[kSessionMembers];
    SGameBattleInfo battleInfo;
    std::uint64_t hostId = 0;
    std::uint64_t second = 0;
};
struct LobbyPing {
    std::uint64_t id = 0;
    std::uint32_t stamp = 0;
    std::uint32_t flag = 0;
};
struct LobbyChat {
    std::uint32_t slot = 0;
    char text[kRoomChatField] = {};
};
struct LobbyChatRelay {
    char text[kRoomChatField] = {};
    char name[kLobbyNameField] = {};
};

LobbyBytes BuildHello(std::uint64_t id, const char* name);
LobbyBytes BuildHelloReply(const LobbyHelloReply& r);
LobbyBytes BuildKick();
// 23 or 24.
LobbyBytes BuildIdentity(std::uint8_t category, std::uint64_t id, std::uint8_t flag);
// 25 or 26.
LobbyBytes BuildPing(std::uint8_t category, const LobbyPing& p);
// 27 or 28.
LobbyBytes BuildStamp(std::uint8_t category, std::uint32_t stamp);
LobbyBytes BuildHostChange(std::uint64_t id);
LobbyBytes BuildRoundTrip(std::uint32_t roundTrip, std::uint32_t slot);
// Empty for an absent or empty text; the text is cut to 127 bytes.
LobbyBytes BuildRoomChat(std::uint32_t slot, const char* text);
LobbyBytes BuildRoomChatRelay(const char* text, const char* name);

// Each reader expects a well-formed message of its category.
LobbyHello ReadHello(const std::uint8_t* m);
LobbyHelloReply ReadHelloReply(const std::uint8_t* m);
void ReadIdentity(const std::uint8_t* m, std::uint64_t& id, std::uint8_t& flag);
LobbyPing ReadPing(const std::uint8_t* m);
std::uint32_t ReadStamp(const std::uint8_t* m);
std::uint64_t ReadHostChange(const std::uint8_t* m);
void ReadRoundTrip(const std::uint8_t* m, std::uint32_t& roundTrip, std::uint32_t& slot);
LobbyChat ReadRoomChat(const std::uint8_t* m);
LobbyChatRelay ReadRoomChatRelay(const std::uint8_t* m);

// now - stamp; across a wrap one less than the modular difference.
std::uint32_t LobbyRoundTrip(std::uint32_t now, std::uint32_t stamp);

}  // namespace Sample
