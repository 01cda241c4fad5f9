// The engine's networker interface and the records it shows scripts: the
// message-log entry, the text-chat entry and log, and the world, room and
// search records (their operations answer fixed values in this system).
#pragma once

#include <cstdint>

namespace QZW::NET {

struct CQzNetMsgLog {
    std::uint32_t count = 0;    // sequence number
    std::uint32_t msgId = 0;    // category: byte 2 of the game message
    std::uint32_t msgSize = 0;  // the message's own length
    std::uint64_t addr = 0;     // destination of a sent message, sender of a received one
    std::uint32_t port = 0;     // low 32 bits of a sent message's second id; 0 when received
    char text[64] = {};

    const char* GetIP() const { return text; }
};

struct CQzNetTextChatString {
    static constexpr std::uint32_t kNameField = 16;
    static constexpr std::uint32_t kTextField = 180;
    static constexpr std::uint32_t kLineField = 206;
    std::uint32_t sequence = 0;
    std::uint32_t head = 0;  // always 0
    char name[kNameField] = {};
    char text[kTextField] = {};
    char line[kLineField] = {};  // name ':' text

    const char* GetMsg() const { return line; }
};

struct CQzNetTextChatLog {
    static constexpr std::int32_t kEntries = 30;
    std::int32_t count = 0;
    std::uint32_t nextSequence = 0;
    CQzNetTextChatString entries[kEntries];  // entry 0 the newest
};

struct CQzNetWorldInfo {
    std::int32_t worldID = 0;
    std::int32_t currRoomNum = 0;
    std::int32_t currTotalRoomMemberNum = 0;
};

struct CQzNetRoomInfo {
    std::int32_t state = 0;
    std::int32_t roomId = 0;
    std::int32_t hostId = 0;
    std::int32_t hostRTT = 0;
    std::int32_t memberNum = 0;
    std::int32_t lock = 0;
};

struct CQzNetSearchRoomInfo {
    std::int32_t worldId = 0;
    std::int32_t roomId = 0;
    std::int32_t hostId = 0;
    std::int32_t hostRTT = 0;
    std::int32_t memberNum = 0;
};

class IQzNetworker {
public:
    virtual ~IQzNetworker() = default;
    virtual int CheckNetworkLogin(int pad) = 0;
    virtual int GetInviteSeq(int pad) = 0;
    virtual void SetInviteSeq(int pad, int seq) = 0;
    virtual void ResetInviteSeq(int pad) = 0;
    virtual int CheckVoiceChatEnable() = 0;
    virtual int GetAssignedRequest() = 0;
    virtual int RequestGetWorldInfo() = 0;
    virtual int RequestGetRoomInfo() = 0;
    virtual int GetWorldNum() = 0;
    virtual CQzNetWorldInfo* GetWorldInfo(int i) = 0;
    virtual int GetRoomNum() = 0;
    virtual CQzNetRoomInfo* GetRoomInfo(int i) = 0;
    virtual int GetCurrentRoomId() = 0;
    virtual int GetSearchRoomNum() = 0;
    virtual CQzNetSearchRoomInfo* GetSearchRoomInfo(int i) = 0;
    virtual int Reserved(int a, int b) = 0;  // unnamed placeholder of the interface
    virtual CQzNetTextChatLog* GetTextChatLog() = 0;
    virtual int GetMsgLogNum() = 0;
    virtual CQzNetMsgLog* GetSendingLog(std::uint32_t i) = 0;
    virtual CQzNetMsgLog* GetReceivingLog(std::uint32_t i) = 0;
    virtual void EnableRealTimeMultiPlay() = 0;
    virtual void DisableRealTimeMultiPlay() = 0;
};

}  // namespace QZW::NET
