// The voice-chat manager the match and the scripts ask; this program has only
// the null manager, which answers every question with 0 or false.
#pragma once

#include <cstdint>

namespace Sample {

class CGameVoiceChatManager {
public:
    virtual ~CGameVoiceChatManager() = default;
    virtual int Update() = 0;
    virtual int Reserved0() = 0;
    virtual int Reserved1() = 0;
    virtual bool IsSpeaking(int index) = 0;
    virtual bool IsMemberSpeaking(std::uint64_t memberId) = 0;
    virtual bool SetHeadSetEnable(bool enable) = 0;
    virtual bool GetHeadSetEnable() = 0;
};

class CGameVoiceChatManagerNULL final : public CGameVoiceChatManager {
public:
    static CGameVoiceChatManagerNULL& GetInstance() {
        static CGameVoiceChatManagerNULL instance;
        return instance;
    }
    int Update() override { return 0; }
    int Reserved0() override { return 0; }
    int Reserved1() override { return 0; }
    bool IsSpeaking(int) override { return false; }
    bool IsMemberSpeaking(std::uint64_t) override { return false; }
    bool SetHeadSetEnable(bool) override { return false; }
    bool GetHeadSetEnable() override { return false; }
};

}  // namespace Sample
