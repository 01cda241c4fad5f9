// The version, platform and settings script functions: fixed answers the
// scripts branch on, the game language, the display mode and client size of
// the game's window, and screenshots of the front buffer.
#include <cstdint>
#include <iterator>

#include "proj/game/achievement_manager.h"
#include "proj/script/script_api.h"
#include "proj/script/script_function_table.h"
#include "qzware/scene/iqz_game_manager.h"
#include "qzware/win/qz_graphics_gl2.h"
#include "qzware/win/qz_screenshot.h"
#include "qzware/win/qz_window.h"

namespace Sample {

namespace {

struct Resolution {
    std::uint32_t width;
    std::uint32_t height;
};
constexpr Resolution kResolutions[] = {
    {1920, 1080}, {1366, 768}, {1280, 720}, {1280, 1024}, {800, 600}, {640, 480},
};
constexpr std::int32_t kResolutionCount = std::int32_t(std::size(kResolutions));

std::int32_t SQ_VersionNumber() {
    return 0x1000;
}
const char* SQ_VersionString() {
    return "2016101502";
}
const char* SQ_GetPlatform() {
    return "WIN32";
}
std::int32_t SQ_TargetMedia() {
    return 1;
}
std::int32_t SQ_DecisionButtonType() {
    return 1;
}
std::int32_t SQ_GetLocalize() {
    return 1;
}
bool SQ_IsSteam() {
    return true;
}

void SQ_SetLanguage(std::int32_t language) {
    if (QZW::IQzGameManager* gm = GetScriptGameManager()) {
        gm->SetLanguage(static_cast<std::uint32_t>(language));
    }
}

vho::Client* GameClient() {
    QZW::Win::CQzWindow* w = QZW::Win::CQzWindowManager::GetInstance().GetFirstWindow();
    return w ? &w->client : nullptr;
}

void SQ_FullScreen(bool full) {
    if (vho::Client* c = GameClient()) {
        c->ChangeDisplayMode(!full);
    }
}

void SQ_Resolution(std::int32_t index) {
    vho::Client* c = GameClient();
    if (!c || index < 0 || index >= kResolutionCount) {
        return;
    }
    c->SetClientSize(kResolutions[index].width, kResolutions[index].height);
}

// The front buffer can only be read once the renderer's context is up.
void SQ_ScreenShot(const char* path, std::int32_t w, std::int32_t h, std::int32_t x,
                   std::int32_t y) {
    QZW::IQzGameManager* gm = GetScriptGameManager();
    auto* gl = gm ? dynamic_cast<QZW::Win::CQzGraphicsGL2*>(gm->GetGraphics()) : nullptr;
    if (!gl || !gl->IsReady() || !path) {
        return;
    }
    QZW::Win::SaveScreenshot(path, w, h, x, y);
}

constexpr ScriptFunction kSettingsFunctions[] = {
    ScriptFn<&SQ_VersionNumber>("SQ_VersionNumber"),
    ScriptFn<&SQ_VersionString>("SQ_VersionString"),
    ScriptFn<&SQ_GetPlatform>("SQ_GetPlatform"),
    ScriptFn<&SQ_TargetMedia>("SQ_TargetMedia"),
    ScriptFn<&SQ_DecisionButtonType>("SQ_DecisionButtonType"),
    ScriptFn<&SQ_GetLocalize>("SQ_GetLocalize"),
    ScriptFn<&SQ_IsSteam>("SQ_IsSteam"),
    ScriptFn<&GetGameLanguage>("SQ_GetLanguage"),
    ScriptFn<&SQ_SetLanguage>("SQ_SetLanguage"),
    ScriptFn<&SQ_FullScreen>("SQ_FullScreen"),
    ScriptFn<&SQ_Resolution>("SQ_Resolution"),
    ScriptFn<&SQ_ScreenShot>("SQ_ScreenShot"),
};

}  // namespace

ScriptFunctionTable SettingsScriptFunctions() {
    return kSettingsFunctions;
}

}  // namespace Sample
