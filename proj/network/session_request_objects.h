// The request objects the scripts fill before an order of the lobby session
// server (create, search, connect, friend request, result refresh), the
// network init object, and the search-result node a search fills. Plain
// records; the server keeps one of each and hands them out by reference.
#pragma once

#include <cstdint>
#include <cstring>

#include "proj/network/game_network_database.h"

namespace Sample {

constexpr std::size_t kSessionTextField = 126;  // 125 characters and a zero
constexpr std::uint16_t kGameVersion = 4096;

// Copies at most field - 1 bytes of text into a zero-filled field.
inline void CopyBoundedText(char* field, std::size_t size, const char* text) {
    std::memset(field, 0, size);
    if (text != nullptr) {
        std::memcpy(field, text, strnlen(text, size - 1));
    }
}

struct SNetInitObj {
    std::uint64_t ownId = 0;
    char name[20] = {};
    std::uint16_t reserved0 = 0;
    std::uint16_t reserved1 = 0;
};

namespace CreateFlag {
constexpr std::uint16_t kQuickRoom = 0x0001;
constexpr std::uint16_t kFormatTag = 0x0010;
constexpr std::uint16_t kVoiceChat = 0x0040;
}  // namespace CreateFlag

struct SNetCreateSessionObj {
    std::uint64_t lobbyIndex = 0;
    std::uint64_t ownId = 0;
    char sessionName[kSessionTextField] = {};
    char keyword[kSessionTextField] = {};
    std::uint16_t gameVersion = 0;
    std::uint8_t MemberMax = 0;
    std::uint16_t hostArea = 0;
    std::uint16_t reserved = 0;
    std::uint16_t friendNum = 0;
    std::uint16_t flags = 0;
    NET_ROOM_GAME_INFO gameInfo;
};

struct SNetSearchSessionObj {
    std::uint16_t gameVersion = 0;
    char keyword[kSessionTextField] = {};
    std::uint8_t MemberNum = 0;
    std::uint8_t HostRTTFilter = 0;
    std::uint8_t teamType = 0;  // 0 any, n: rule team n - 1
    std::uint8_t voice = 0;
    std::uint8_t hostArea = 0;
};

struct SNetConnectSessionObj {
    std::uint64_t hostId = 0;
    std::uint64_t second = 0;
    SGameSessionInfo info;
    SGameSessionParam param;
    MemberIdentityRecord identities[kSessionMembers];
    MemberStateRecord states[kSessionMembers];
    SGameBattleInfo battleInfo;
    std::uint64_t lobbyIndex = 0;
    std::uint64_t ownId = 0;
    char ownName[20] = {};
    std::uint8_t SearchIndex = 0;
    std::uint16_t AppVer = 0;
};

struct SNetRequestFriendObj {
    std::int32_t memberIndex = 0;
    std::uint8_t message[512] = {};
};

struct SQ_SearchUpdateObj {
    static constexpr std::uint32_t kMaxIds = 20;
    std::uint32_t UpdateNum = 0;
    std::uint32_t ids[kMaxIds] = {};
    void AddID(std::uint32_t id) {
        if (UpdateNum < kMaxIds) {
            ids[UpdateNum++] = id;
        }
    }
};

class CNetSearchResultNode {
public:
    virtual ~CNetSearchResultNode() = default;
    virtual void Reserved() {}
    virtual std::uint64_t GetSessionID() const = 0;
    virtual const char* GetSessionName() const = 0;
    virtual std::uint64_t GetHostID() const = 0;
    virtual const char* GetHostName() const = 0;
    virtual std::uint8_t GetHostArea() const = 0;
    virtual std::int32_t GetHostRTT() const = 0;
    virtual std::uint16_t GetSessionFlag() const = 0;
    virtual std::uint8_t GetMemberMax() const = 0;
    virtual std::uint8_t GetMemberNow() const = 0;
    virtual std::uint8_t GetValidVoiceChat() const = 0;
    virtual std::uint16_t GetGameVersion() const = 0;
    virtual const char* GetKeyword() const = 0;
    virtual NET_ROOM_GAME_INFO* GetGameInfo() = 0;
};

}  // namespace Sample
