// The game's application object: owns the frame pacer, drives the first-frame
// set-up (renderer, save record, window size, game tasks) and then one game-
// manager update per frame. One function-static instance; main thread only.
#pragma once

#include <cstdint>

#include "platform/win32/win32_types.h"
#include "qzware/depend/win/vho/vho_fps.h"
#include "qzware/win/qz_win_app.h"

namespace QZW {
class IQzGameManager;
}

namespace Sample {
class CGameDrawTask;
}

namespace Sample::Win {

class CTestWin;

class CSampleApp : public QZW::Win::CQzWinApp {
public:
    static CSampleApp& GetInstance();

    // Registers and creates the main window, sets the pacer to 60 frames per
    // second and initialises the game manager. False when no window could be
    // created (no display): the caller shows the reason and exits.
    int Initialize(platform::win32::HINSTANCE instance, CTestWin* mainWindow);
    void Idle() override;
    void FirstFrame();
    void MainFrame();
    int CreateNetworkTasks();
    // Kills the task tree, lets pending file writes finish, and ends the process.
    [[noreturn]] void Quit();

    platform::win32::HINSTANCE hInstance = nullptr;
    CTestWin* window = nullptr;
    QZW::IQzGameManager* gameManager = nullptr;
    CGameDrawTask* gameDrawTask = nullptr;
    void (CSampleApp::*frameCallback)() = nullptr;
    vho::FPS fps;
    // Zero: run until closed; else Quit after that many steady frames.
    std::uint32_t quitAfterFrames = 0;
    std::uint32_t steadyFrames = 0;

private:
    CSampleApp() = default;
};

}  // namespace Sample::Win
