// The engine's networker: the room text-chat log (last 30 lines, newest
// first) and rings of the last 32 peer-to-peer messages sent and received,
// for the scripts' diagnostics. World, room and invitation operations answer
// fixed values. One function-local instance; game thread only.
#pragma once

#include <cstdint>

#include "qzware/scene/iqz_networker.h"
#include "qzware/scene/qz_ring.h"

namespace QZW::Win {

class CQzNetworker : public NET::IQzNetworker {
public:
    static constexpr std::int32_t kMsgLogSize = 32;

    CQzNetworker();
    ~CQzNetworker() override;
    CQzNetworker(const CQzNetworker&) = delete;
    CQzNetworker& operator=(const CQzNetworker&) = delete;

    int CheckNetworkLogin(int) override { return 1; }
    int GetInviteSeq(int) override { return 0; }
    void SetInviteSeq(int, int) override {}
    void ResetInviteSeq(int) override {}
    int CheckVoiceChatEnable() override { return static_cast<int>(voiceChatEnabled); }
    int GetAssignedRequest() override { return 0; }
    int RequestGetWorldInfo() override { return 0; }
    int RequestGetRoomInfo() override { return 0; }
    int GetWorldNum() override { return 0; }
    NET::CQzNetWorldInfo* GetWorldInfo(int) override { return nullptr; }
    int GetRoomNum() override { return 0; }
    NET::CQzNetRoomInfo* GetRoomInfo(int) override { return nullptr; }
    int GetCurrentRoomId() override { return 0; }
    int GetSearchRoomNum() override { return 0; }
    NET::CQzNetSearchRoomInfo* GetSearchRoomInfo(int) override { return nullptr; }
    int Reserved(int, int) override { return 0; }
    NET::CQzNetTextChatLog* GetTextChatLog() override { return &textChat; }
    int GetMsgLogNum() override { return msgLogSize; }
    NET::CQzNetMsgLog* GetSendingLog(std::uint32_t i) override;
    NET::CQzNetMsgLog* GetReceivingLog(std::uint32_t i) override;
    void EnableRealTimeMultiPlay() override {}
    void DisableRealTimeMultiPlay() override {}

    // A received game message of `length` readable bytes (its category and
    // own length are logged; fewer than 4 bytes log as category and length 0).
    void AddReceivingLog(const std::uint8_t* message, std::uint32_t length, std::uint64_t sender);
    void AddSendingLog(std::uint32_t category, std::uint32_t length, std::uint64_t destination,
                       std::uint64_t secondId);
    // Nothing when either text is null. The name keeps at most 15 bytes, the
    // text at most chatLength bytes, stopping at a zero and at 179.
    void AddTextChatLog(const char* name, const char* text, std::uint32_t chatLength);
    // Entry i (0 newest), or null outside 0-29.
    NET::CQzNetTextChatString* GetTextChatEntry(std::int32_t i);

    void SetVoiceChatEnabled(std::uint32_t v) { voiceChatEnabled = v; }

    NET::CQzNetTextChatLog textChat;
    std::int32_t msgLogSize = kMsgLogSize;
    qz_ring<NET::CQzNetMsgLog*> sending;
    qz_ring<NET::CQzNetMsgLog*> receiving;
    std::uint32_t sendingCounter = 0;
    std::uint32_t receivingCounter = 0;
    std::uint32_t voiceChatEnabled = 0;
};

// The one networker, built on first use.
CQzNetworker& GetNetworker();

}  // namespace QZW::Win
