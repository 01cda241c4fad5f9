#include "qzware/depend/win/vho/vho_steam_achievements.h"

#include "platform/online/online.h"
#include "qzware/depend/win/vho/vho_steam.h"

namespace vho {

namespace po = platform::online;

SteamAchievements::SteamAchievements(Steam* owner) : owner_(owner) {}

SteamAchievements::~SteamAchievements() {
    po::CallbackRouter& router = owner_->GetPlatform().callbacks();
    for (int token : {statsReceived_, statsStored_, achievementStored_}) {
        if (token != 0) {
            router.unregister(token);
        }
    }
}

bool SteamAchievements::Init() {
    po::CallbackRouter& router = owner_->GetPlatform().callbacks();
    statsReceived_ = router.register_callback(po::UserStatsReceived::kId, [](const void*) {});
    statsStored_ = router.register_callback(po::UserStatsStored::kId, [](const void*) {});
    achievementStored_ =
        router.register_callback(po::UserAchievementStored::kId, [](const void*) {});
    // Whether the request went out is not examined: until its answer
    // arrives every achievement reads as achieved.
    owner_->GetPlatform().request_current_stats();
    return true;
}

void SteamAchievements::SetAchievement(const char* name) {
    po::Backend& platform = owner_->GetPlatform();
    platform.set_achievement(name);
    platform.store_stats();
}

bool SteamAchievements::IsAchieved(const char* name) {
    bool achieved = true;
    owner_->GetPlatform().get_achievement(name, &achieved);
    return achieved;
}

std::uint32_t SteamAchievements::GetNumAchievements() {
    return owner_->GetPlatform().get_num_achievements();
}

std::string SteamAchievements::GetAchievementName(std::uint32_t index) {
    if (index >= GetNumAchievements()) {
        return "";
    }
    const char* name = owner_->GetPlatform().get_achievement_name(index);
    return name ? name : "";
}

}  // namespace vho
