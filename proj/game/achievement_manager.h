// The scripts' achievement queue: up to 11 different ids a frame, handed to
// the platform achievement object when the scripts flush it; the script
// class "SQ_Achievement" is its only interface. Beside it, the game's
// language number from the platform's current game language.
#pragma once

#include <squirrel.h>

#include <cstdint>

namespace QZW {
class IQzArchievement;
}

namespace Sample {

class AchievementManager {
public:
    static constexpr std::uint32_t kCapacity = 11;

    static AchievementManager& GetInstance();
    virtual ~AchievementManager() = default;

    // Queues the id unless it is pending already or the queue is full.
    void UnlockRequest(std::int32_t id);
    // Unlocks every pending id in queued order, then empties the queue;
    // nothing is retried.
    void Flush();
    void Clear() { count = 0; }

    // The platform achievement object (the program's own unless a test set one).
    static QZW::IQzArchievement& Platform();
    static void SetPlatform(QZW::IQzArchievement* platform);

    std::uint32_t pending[kCapacity] = {};
    std::uint32_t count = 0;
};

// 0 "japanese", 2 "koreana", 3 "schinese", 4 "tchinese", 1 any other name
// (the comparison is exact).
std::int32_t GameLanguageFromName(const char* name);
// The platform's current game language as that number; 1 without started
// platform services.
std::int32_t GetGameLanguage();

// The "SQ_Achievement" class, into the table on top of the stack.
void RegisterAchievementScriptClass(HSQUIRRELVM v);

}  // namespace Sample
