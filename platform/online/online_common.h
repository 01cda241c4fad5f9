// What both backends answer alike: the achievements store, the voice
// recorder state and the absent overlay. A backend that is not running
// (active() false) fails every one of these calls.
#pragma once

#include <string>

#include "platform/online/online.h"
#include "platform/online/online_stats.h"

namespace platform::online {

class CommonBackend : public Backend {
public:
    bool request_current_stats() override;
    bool get_achievement(const char* name, bool* achieved) override;
    bool set_achievement(const char* name) override;
    bool store_stats() override;
    std::uint32_t get_num_achievements() override;
    const char* get_achievement_name(std::uint32_t index) override;
    bool reset_all_stats(bool achievements_too) override;

    void start_voice_recording() override;
    void stop_voice_recording() override;
    int get_available_voice(std::uint32_t* compressed) override;
    int get_voice(void* dst, std::uint32_t capacity, std::uint32_t* written) override;
    int decompress_voice(const void* src, std::uint32_t size, void* dst, std::uint32_t capacity,
                         std::uint32_t* written, std::uint32_t rate) override;

    void activate_overlay(const char* dialog, std::uint64_t user) override;
    void set_played_with(std::uint64_t user) override;

    AchievementStore& achievements() { return achievements_; }

protected:
    virtual bool active() = 0;
    AchievementStore achievements_;
    VoiceRecorder voice_;
    bool overlay_logged_ = false;
};

}  // namespace platform::online
