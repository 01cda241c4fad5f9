// The voice-chat manager the match controller asks who is speaking. This
// program has one implementation, the null manager: nobody ever speaks and
// no headset is enabled.
#pragma once

#include <cstddef>
#include <cstdint>

namespace Sample {

// A member's id record as the lobby layer hands it to the voice chat: the
// account id at 0, the 24-byte name at 8, the rest zero.
struct MemberVoiceRecord {
    static constexpr std::size_t kSize = 168;
    std::uint8_t bytes[kSize] = {};
};

class CGameVoiceChatManager {
public:
    virtual ~CGameVoiceChatManager() = default;
    virtual int Update() = 0;
    virtual int Reserved0() = 0;
    virtual int Reserved1() = 0;
    virtual bool IsSpeaking(int index) = 0;
    virtual bool IsMemberSpeaking(const MemberVoiceRecord& member) = 0;
    virtual bool SetHeadSetEnable(bool enable) = 0;
    virtual bool GetHeadSetEnable() = 0;
};

class CGameVoiceChatManagerNULL : public CGameVoiceChatManager {
public:
    static CGameVoiceChatManagerNULL& GetInstance();
    int Update() override { return 0; }
    int Reserved0() override { return 0; }
    int Reserved1() override { return 0; }
    bool IsSpeaking(int) override { return false; }
    bool IsMemberSpeaking(const MemberVoiceRecord&) override { return false; }
    bool SetHeadSetEnable(bool) override { return false; }
    bool GetHeadSetEnable() override { return false; }
};

}  // namespace Sample
