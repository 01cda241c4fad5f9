#include "proj/win/sample_app.h"

#include <cstdlib>
#include <ctime>

#include "platform/clock/clock.h"
#include "platform/window/window.h"
#include "proj/game/dbg_task_info_task.h"
#include "proj/game/game_draw_task.h"
#include "proj/game/save_data.h"
#include "proj/network/p2p_network_tasks.h"
#include "proj/script/squirrel_task.h"
#include "proj/win/game_control.h"
#include "proj/win/pending_file_requests.h"
#include "proj/win/resolution_pick.h"
#include "proj/win/test_win.h"
#include "qzware/scene/iqz_sound_manager.h"
#include "qzware/scene/qz_task.h"
#include "qzware/win/qz_file_manager.h"
#include "qzware/win/qz_game_manager.h"

namespace Sample::Win {
namespace {

using platform::win32::HWND;

// How long the program waits at exit for file writes still queued.
constexpr std::uint32_t kQuitFlushLimitMs = 5000;

// Unattended runs (the end-to-end tests) end the program after this many
// steady frames; without the variable it runs until it is closed.
std::uint32_t QuitAfterFramesFromEnvironment() {
    const char* text = std::getenv("QZ_QUIT_AFTER_FRAMES");
    if (text == nullptr) {
        return 0;
    }
    char* end = nullptr;
    const unsigned long frames = std::strtoul(text, &end, 10);
    return (end != text && *end == '\0' && frames <= 0xFFFFFFFFul) ? std::uint32_t(frames) : 0;
}

}  // namespace

CSampleApp& CSampleApp::GetInstance() {
    static CSampleApp app;
    return app;
}

int CSampleApp::Initialize(platform::win32::HINSTANCE instance, CTestWin* mainWindow) {
    QZW::Win::CQzGameManager& manager = QZW::Win::GetGameManager();
    hInstance = instance;
    window = mainWindow;
    gameManager = &manager;
    window->Register(instance);
    window->hwnd = window->client.Create(instance, "QZ_WC", "Vornakle", window->clientWidth,
                                         window->clientHeight);
    if (!window->hwnd) {
        return 0;
    }
    fps.Initialize(60);
    manager.Initialize();
    quitAfterFrames = QuitAfterFramesFromEnvironment();
    frameCallback = &CSampleApp::FirstFrame;
    return 1;
}

void CSampleApp::Idle() {
    if (frameCallback) {
        (this->*frameCallback)();
    }
    fps.Wait();
}

void CSampleApp::MainFrame() {
    if (gameManager) {
        gameManager->Update();
    }
    if (quitAfterFrames != 0 && ++steadyFrames >= quitAfterFrames) {
        Quit();
    }
}

void CSampleApp::FirstFrame() {
    QZW::Win::CQzGameManager& manager = QZW::Win::GetGameManager();
    // Nothing starts before the sound manager is ready; this frame runs again.
    if (QZW::IQzSoundManager* sound = manager.GetSoundManager()) {
        if (!sound->IsInitialized()) {
            return;
        }
    }
    const HWND hwnd = window->hwnd;
    manager.InitializeGraphics(hwnd);
    if (manager.HasErrorMessage()) {
        platform::window::current().message_box(manager.GetErrorText().c_str(),
                                                manager.GetErrorTitle().c_str());
        std::exit(-1);
    }

    SaveData record;
    LoadStartupSaveRecord(record);

    const vho::Monitor& monitor = window->client.monitor;
    if (auto size =
            PickResolution(record.Resolution, monitor.desktopWidth, monitor.desktopHeight)) {
        window->client.SetClientSize(size->width, size->height);
    }
    window->client.ChangeDisplayMode(record.FullScreen != 1);

    platform::window::Backend& windows = platform::window::current();
    windows.show_window(hwnd, platform::win32::SW_SHOW);
    windows.update_window(hwnd);

    // Tick order: debug overlay, present, engine draw, game draw, scripts,
    // network. The scripts' constructor runs them, so every earlier task
    // exists by then.
    QZW::CQzTask* root = manager.GetTaskManager()->GetRootTask();
    CGameControl* control = &CGameControl::GetInstance();
    root->InsertChildFront(new CDbgTaskInfoTask(gameManager, control), false);
    gameDrawTask = new CGameDrawTask(gameManager, control);
    root->AppendChild(gameDrawTask);
    root->AppendChild(new CSquirrelTask(gameManager, control));
    CreateNetworkTasks();
    frameCallback = &CSampleApp::MainFrame;
}

int CSampleApp::CreateNetworkTasks() {
    QZW::CQzTask* root = gameManager->GetTaskManager()->GetRootTask();
    return CreateP2PNetworkTasks(root, gameManager, &CGameControl::GetInstance());
}

void CSampleApp::Quit() {
    if (gameManager) {
        if (QZW::CQzTaskManager* tasks = gameManager->GetTaskManager()) {
            QZW::CQzTask* root = tasks->GetRootTask();
            for (QZW::CQzTask* child : root->children) {
                child->alive = false;
                child->KillChildren();
            }
            root->RemoveDeadChildren();
        }
        if (QZW::Win::CQzFileManager* files = gameManager->GetFileManager()) {
            // A save queued by the last frame still reaches the disk.
            FinishPendingFileRequests(*files, kQuitFlushLimitMs);
            files->Finalize();
        }
    }
    std::exit(0);
}

}  // namespace Sample::Win
