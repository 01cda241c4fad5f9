// The engine's service root: owns the input, file, sound, graphics, task and
// movie managers, runs one engine frame per Update in a fixed stage order
// (input, tasks, sound, files, movie, platform services) and counts frames
// per second. One function-static instance; main thread only.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "qzware/scene/iqz_game_manager.h"

namespace QZW::Win {

class CQzGameManager : public IQzGameManager {
public:
    // Builds the engine memory manager first (lock, heap, pools disabled).
    CQzGameManager();
    ~CQzGameManager() override;
    CQzGameManager(const CQzGameManager&) = delete;
    CQzGameManager& operator=(const CQzGameManager&) = delete;

    bool Initialize() override;
    void InitializeGraphics(platform::win32::HWND window) override;
    void Finalize() override;
    void Update() override;
    CQzInputManager* GetInputManager() override { return inputManager; }
    CQzFileManager* GetFileManager() override { return fileManager; }
    IQzSoundManager* GetSoundManager() override { return soundManager; }
    IQzGraphics* GetGraphics() override { return graphics; }
    CQzTaskManager* GetTaskManager() override { return taskManager; }
    IQzMovieManager* GetMovieManager() override { return movieManager; }
    CQzManagerBase* GetUnusedManager() override { return nullptr; }
    CQzDrawTask* GetDrawTask() override { return drawTask; }
    double GetInputUpdateTime() override { return inputTime; }
    double GetFileUpdateTime() override { return fileTime; }
    double GetSoundUpdateTime() override { return soundTime; }
    double GetTaskUpdateTime() override { return taskTime; }
    float GetDeltaTime() override { return deltaTime; }
    float GetTimeScale() override { return 1.0f; }
    void SetEscapeQuit(bool quit) override { escapeQuit = quit; }
    bool IsEscapeQuit() override { return escapeQuit; }
    std::uint32_t GetLanguage() override { return language; }
    void SetLanguage(std::uint32_t value) override { language = value; }

    virtual bool HasErrorMessage() { return !errorTitle.empty() || !errorText.empty(); }
    virtual void SetErrorMessage(const std::string& title, const std::string& text);
    virtual const std::string& GetErrorTitle() { return errorTitle; }
    virtual const std::string& GetErrorText() { return errorText; }

    // Primes the frame delta and the frame counter at the current time (the
    // end of InitializeGraphics).
    void StartFrameClock();
    // Frames counted in the last whole second (debug overlay).
    std::uint32_t GetFps() const { return fps; }
    platform::win32::HWND GetWindowHandle() const { return hwnd; }

    CQzInputManager* inputManager = nullptr;
    CQzFileManager* fileManager = nullptr;
    IQzSoundManager* soundManager = nullptr;
    IQzGraphics* graphics = nullptr;
    CQzTaskManager* taskManager = nullptr;
    IQzMovieManager* movieManager = nullptr;
    CQzManagerBase* unusedManager = nullptr;
    CQzDrawTask* drawTask = nullptr;
    platform::win32::HWND hwnd = nullptr;
    double inputTime = 0.0;
    double fileTime = 0.0;
    double soundTime = 0.0;
    double taskTime = 0.0;
    double lastTime = 0.0;
    float deltaTime = 0.0f;
    // Also read by the runaway-script watchdog's thread.
    std::atomic<bool> escapeQuit{true};
    std::string errorTitle;
    std::string errorText;
    std::uint32_t fpsStamp = 0;
    std::uint32_t fpsAccum = 0;
    std::uint32_t fpsFrames = 0;
    std::uint32_t fps = 0;
    std::uint32_t language = 0;

private:
    // Steps 2 to 6 of Update after the delta: the managers in their fixed order.
    void UpdateManagers(double frameStart);
    void CountFrame();
};

// The process-wide game manager (built on first use).
CQzGameManager& GetGameManager();

// The clamp applied to every frame delta: never negative, never more than a
// thirtieth of a second, however long the frame took.
float ClampFrameDelta(double elapsedSeconds);

}  // namespace QZW::Win
