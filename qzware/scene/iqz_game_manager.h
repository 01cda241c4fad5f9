// The engine's service root: creates, owns, updates and hands out the engine's
// managers and runs one engine frame per Update. One instance, the function-
// static QZW::Win::CQzGameManager (qzware/win/qz_game_manager.h).
#pragma once

#include <cstdint>

#include "platform/win32/win32_types.h"

namespace QZW {

class CQzTaskManager;
class CQzDrawTask;
class IQzGraphics;
class IQzSoundManager;
class IQzMovieManager;
class CQzManagerBase;
namespace Win {
class CQzInputManager;
class CQzFileManager;
}  // namespace Win

class IQzGameManager {
public:
    virtual ~IQzGameManager() = default;
    virtual bool Initialize() = 0;
    virtual void InitializeGraphics(platform::win32::HWND hwnd) = 0;
    virtual void Finalize() = 0;
    virtual void Update() = 0;
    virtual Win::CQzInputManager* GetInputManager() = 0;
    virtual Win::CQzFileManager* GetFileManager() = 0;
    virtual IQzSoundManager* GetSoundManager() = 0;
    virtual IQzGraphics* GetGraphics() = 0;
    virtual CQzTaskManager* GetTaskManager() = 0;
    virtual IQzMovieManager* GetMovieManager() = 0;
    // A manager slot nothing fills; always null.
    virtual CQzManagerBase* GetUnusedManager() = 0;
    virtual CQzDrawTask* GetDrawTask() = 0;
    virtual double GetInputUpdateTime() = 0;
    virtual double GetFileUpdateTime() = 0;
    virtual double GetSoundUpdateTime() = 0;
    virtual double GetTaskUpdateTime() = 0;
    virtual float GetDeltaTime() = 0;
    virtual float GetTimeScale() = 0;
    virtual void SetEscapeQuit(bool quit) = 0;
    virtual bool IsEscapeQuit() = 0;
    virtual std::uint32_t GetLanguage() = 0;
    virtual void SetLanguage(std::uint32_t language) = 0;
};

// Base of the engine managers.
class CQzManagerBase {
public:
    virtual ~CQzManagerBase() = default;
    virtual void SetGameManager(IQzGameManager* manager) { gameManager = manager; }

    IQzGameManager* gameManager = nullptr;
};

}  // namespace QZW
