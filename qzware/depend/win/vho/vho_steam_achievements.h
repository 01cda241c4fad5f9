// The local user's achievements on the online platform: statistics are
// requested at start, an achievement is looked up and unlocked by its
// platform name, and every unlock is stored at once. Game thread only.
#pragma once

#include <cstdint>
#include <string>

namespace vho {

class Steam;

class SteamAchievements {
public:
    explicit SteamAchievements(Steam* owner);
    virtual ~SteamAchievements();

    // Registers the stats-received, stats-stored and achievement-stored
    // callbacks (nothing is done with them) and requests the statistics.
    virtual bool Init();
    virtual void Finalize() {}
    // Sets the achievement and stores the statistics.
    virtual void SetAchievement(const char* name);
    // True when achieved, and also when the platform cannot tell (statistics
    // not received yet, unknown name): no unlock is tried then.
    virtual bool IsAchieved(const char* name);
    virtual std::uint32_t GetNumAchievements();
    // "" past the end of the platform's list.
    virtual std::string GetAchievementName(std::uint32_t index);

private:
    Steam* owner_;
    int statsReceived_ = 0;
    int statsStored_ = 0;
    int achievementStored_ = 0;
};

}  // namespace vho
