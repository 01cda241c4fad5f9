// The demo's platform services: the game language, and an achievement
// unlocked through the queue on the first press of space.
::gAchievements <- SQ_Achievement();
gAchievements.Initialize();
DemoLog("services: language " + SQ_GetLanguage());

function StepServices() {
    if (SQ_IsPressJustKey(kVkSpace)) {
        gAchievements.UnlockRequest(0);
    }
    gAchievements.Update();
}
