// A small per-account achievements store and the voice recorder state, shared
// by both backends. Achievements are a fixed list of names, unknown until the
// current stats were requested and their result delivered; voice records
// nothing (there is no microphone path), it only keeps the recording state.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/online/online_callbacks.h"

namespace platform::online {

// Voice results with the platform's numbering.
constexpr int kVoiceOk = 0;
constexpr int kVoiceNotRecording = 2;
constexpr int kVoiceNoData = 3;
constexpr int kVoiceDataCorrupted = 5;

class AchievementStore {
public:
    void set_names(std::vector<std::string> names);
    // Posts the stats-received callback (the values are then readable).
    bool request_current_stats(std::uint64_t user, CallbackRouter& router);
    // False while stats were not received or the name is unknown.
    bool get(const char* name, bool* achieved) const;
    bool set(const char* name);
    // Posts stats-stored and one achievement-stored per newly set name.
    bool store(CallbackRouter& router);
    std::uint32_t count() const { return std::uint32_t(names_.size()); }
    // "" past the end.
    const char* name(std::uint32_t index) const;
    bool reset_all(bool achievements_too);
    bool received() const { return received_; }

private:
    int find(const char* name) const;
    std::vector<std::string> names_;
    std::vector<bool> achieved_;
    std::vector<bool> unsaved_;
    bool requested_ = false;
    bool received_ = false;
};

class VoiceRecorder {
public:
    void start() { recording_ = true; }
    void stop() { recording_ = false; }
    bool recording() const { return recording_; }
    // No voice is ever captured: "no data" while recording.
    int available(std::uint32_t* compressed) const;
    int get(void* dst, std::uint32_t capacity, std::uint32_t* written) const;
    int decompress(const void* src, std::uint32_t size, std::uint32_t* written) const;

private:
    bool recording_ = false;
};

}  // namespace platform::online
