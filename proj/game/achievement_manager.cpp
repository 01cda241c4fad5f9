#include "proj/game/achievement_manager.h"

#include <cstring>

#include "proj/script/sq_bind.h"
#include "qzware/depend/win/vho/vho_steam.h"
#include "qzware/win/qz_achievement_win.h"

namespace Sample {
namespace {

QZW::IQzArchievement* g_platformOverride = nullptr;

// Every script instance is a handle on the one queue.
struct AchievementHandle {
    void Initialize() { AchievementManager::Platform(); }
    void Update() { AchievementManager::GetInstance().Flush(); }
    void UnlockRequest(std::int32_t id) { AchievementManager::GetInstance().UnlockRequest(id); }
    void LockAllItem() { AchievementManager::Platform().ResetAll(); }
};

}  // namespace

AchievementManager& AchievementManager::GetInstance() {
    static AchievementManager instance;
    return instance;
}

void AchievementManager::UnlockRequest(std::int32_t id) {
    const std::uint32_t value = std::uint32_t(id);
    for (std::uint32_t k = 0; k < count; ++k) {
        if (pending[k] == value) {
            return;
        }
    }
    if (count >= kCapacity) {
        return;
    }
    pending[count++] = value;
}

void AchievementManager::Flush() {
    if (count == 0) {
        return;
    }
    QZW::IQzArchievement& platform = Platform();
    for (std::uint32_t k = 0; k < count; ++k) {
        platform.Unlock(pending[k]);
    }
    count = 0;
}

QZW::IQzArchievement& AchievementManager::Platform() {
    if (g_platformOverride) {
        return *g_platformOverride;
    }
    return QZW::Win::CQzAchievementWin::GetInstance();
}

void AchievementManager::SetPlatform(QZW::IQzArchievement* platform) {
    g_platformOverride = platform;
}

std::int32_t GameLanguageFromName(const char* name) {
    struct Entry {
        const char* name;
        std::int32_t number;
    };
    static constexpr Entry kLanguages[] = {
        {"japanese", 0}, {"koreana", 2}, {"schinese", 3}, {"tchinese", 4}};
    if (name != nullptr) {
        for (const Entry& e : kLanguages) {
            if (std::strcmp(name, e.name) == 0) {
                return e.number;
            }
        }
    }
    return 1;
}

std::int32_t GetGameLanguage() {
    if (!vho::Steam::HasInstance() || !vho::Steam::GetInstance()->IsStarted()) {
        return 1;
    }
    return GameLanguageFromName(vho::Steam::GetInstance()->GetCurrentGameLanguage());
}

void RegisterAchievementScriptClass(HSQUIRRELVM v) {
    SqBind::Class<AchievementHandle>(v, "SQ_Achievement")
        .Ctors<SqBind::Ctor<>>()
        .Method<&AchievementHandle::Initialize>("Initialize")
        .Method<&AchievementHandle::Update>("Update")
        .Method<&AchievementHandle::UnlockRequest>("UnlockRequest")
        .Method<&AchievementHandle::LockAllItem>("LockAllItem");
}

}  // namespace Sample
