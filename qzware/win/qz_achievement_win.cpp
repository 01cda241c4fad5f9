#include "qzware/win/qz_achievement_win.h"

#include "qzware/depend/win/vho/vho_steam.h"

namespace QZW::Win {

CQzAchievementWin& CQzAchievementWin::GetInstance() {
    static CQzAchievementWin instance;
    return instance;
}

void CQzAchievementWin::Unlock(std::uint32_t index) {
    // Without the services object the getter would assert and end the game.
    if (vho::Steam::HasInstance()) {
        vho::Steam::GetInstance()->UnlockAchievement(index);
    }
}

void CQzAchievementWin::ResetAll() {
    if (vho::Steam::HasInstance()) {
        vho::Steam::GetInstance()->ResetAllStats();
    }
}

}  // namespace QZW::Win
