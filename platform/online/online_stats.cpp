#include "platform/online/online_stats.h"

#include <cstring>

namespace platform::online {

void AchievementStore::set_names(std::vector<std::string> names) {
    names_ = std::move(names);
    achieved_.assign(names_.size(), false);
    unsaved_.assign(names_.size(), false);
}

bool AchievementStore::request_current_stats(std::uint64_t user, CallbackRouter& router) {
    requested_ = true;
    received_ = true;
    UserStatsReceived record;
    record.user = user;
    router.post(record);
    return true;
}

int AchievementStore::find(const char* name) const {
    if (!received_ || name == nullptr) {
        return -1;
    }
    for (std::size_t i = 0; i < names_.size(); ++i) {
        if (names_[i] == name) {
            return int(i);
        }
    }
    return -1;
}

bool AchievementStore::get(const char* name, bool* achieved) const {
    const int i = find(name);
    if (i < 0) {
        return false;
    }
    if (achieved) {
        *achieved = achieved_[std::size_t(i)];
    }
    return true;
}

bool AchievementStore::set(const char* name) {
    const int i = find(name);
    if (i < 0) {
        return false;
    }
    if (!achieved_[std::size_t(i)]) {
        achieved_[std::size_t(i)] = true;
        unsaved_[std::size_t(i)] = true;
    }
    return true;
}

bool AchievementStore::store(CallbackRouter& router) {
    if (!received_) {
        return false;
    }
    router.post(UserStatsStored{});
    for (std::size_t i = 0; i < names_.size(); ++i) {
        if (unsaved_[i]) {
            unsaved_[i] = false;
            UserAchievementStored record;
            std::strncpy(record.name, names_[i].c_str(), sizeof(record.name) - 1);
            router.post(record);
        }
    }
    return true;
}

const char* AchievementStore::name(std::uint32_t index) const {
    return index < names_.size() ? names_[index].c_str() : "";
}

bool AchievementStore::reset_all(bool achievements_too) {
    if (!received_) {
        return false;
    }
    if (achievements_too) {
        achieved_.assign(names_.size(), false);
        unsaved_.assign(names_.size(), false);
    }
    return true;
}

int VoiceRecorder::available(std::uint32_t* compressed) const {
    if (compressed) {
        *compressed = 0;
    }
    return recording_ ? kVoiceNoData : kVoiceNotRecording;
}

int VoiceRecorder::get(void*, std::uint32_t, std::uint32_t* written) const {
    if (written) {
        *written = 0;
    }
    return recording_ ? kVoiceNoData : kVoiceNotRecording;
}

int VoiceRecorder::decompress(const void*, std::uint32_t size, std::uint32_t* written) const {
    if (written) {
        *written = 0;
    }
    return size == 0 ? kVoiceNoData : kVoiceDataCorrupted;
}

}  // namespace platform::online
