// A game manager for tests that hands out only what the test gives it: each
// service getter answers its public field (null until set), the update times
// and delta answer 0, and the rest keeps the engine's defaults (time scale 1,
// Escape quits, language 0). Fakes derive from it and override what they change.
#pragma once

#include <cstdint>

#include "qzware/scene/iqz_game_manager.h"

namespace qz_test_support {

class NullGameManager : public QZW::IQzGameManager {
public:
    QZW::Win::CQzInputManager* inputManager = nullptr;
    QZW::Win::CQzFileManager* fileManager = nullptr;
    QZW::IQzGraphics* graphics = nullptr;
    QZW::IQzSoundManager* soundManager = nullptr;
    QZW::CQzDrawTask* drawTask = nullptr;

    bool Initialize() override { return true; }
    void InitializeGraphics(platform::win32::HWND) override {}
    void Finalize() override {}
    void Update() override {}
    QZW::Win::CQzInputManager* GetInputManager() override { return inputManager; }
    QZW::Win::CQzFileManager* GetFileManager() override { return fileManager; }
    QZW::IQzSoundManager* GetSoundManager() override { return soundManager; }
    QZW::IQzGraphics* GetGraphics() override { return graphics; }
    QZW::CQzTaskManager* GetTaskManager() override { return nullptr; }
    QZW::IQzMovieManager* GetMovieManager() override { return nullptr; }
    QZW::CQzManagerBase* GetUnusedManager() override { return nullptr; }
    QZW::CQzDrawTask* GetDrawTask() override { return drawTask; }
    double GetInputUpdateTime() override { return 0; }
    double GetFileUpdateTime() override { return 0; }
    double GetSoundUpdateTime() override { return 0; }
    double GetTaskUpdateTime() override { return 0; }
    float GetDeltaTime() override { return 0; }
    float GetTimeScale() override { return 1; }
    void SetEscapeQuit(bool) override {}
    bool IsEscapeQuit() override { return true; }
    std::uint32_t GetLanguage() override { return 0; }
    void SetLanguage(std::uint32_t) override {}
};

}  // namespace qz_test_support
