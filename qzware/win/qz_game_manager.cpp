#include "qzware/win/qz_game_manager.h"

#include "platform/clock/clock.h"
#include "qzware/common/qz_mem.h"
#include "qzware/depend/win/vho/vho_fps.h"
#include "qzware/depend/win/vho/vho_steam.h"
#include "qzware/scene/qz_draw_flip_task.h"
#include "qzware/scene/qz_draw_task.h"
#include "qzware/scene/qz_task.h"
#include "qzware/scene/resource_manager.h"
#include "qzware/win/qz_file_manager.h"
#include "qzware/win/qz_graphics_gl2.h"
#include "qzware/win/qz_input_manager.h"
#include "qzware/win/qz_texture_gl.h"
#include "qzware/win/qz_window.h"

namespace QZW::Win {
namespace {

double NowSeconds() {
    return double(platform::clock::now_ms()) / 1000.0;
}

// Texture files are read from the data tree through the file manager.
void* ReadTextureThroughFileManager(const char* path, std::size_t* size) {
    CQzFileManager* files = QzGetFileManager();
    if (!files || !path) {
        return nullptr;
    }
    std::uint32_t length = 0;
    void* data = files->LoadFile(path, &length, 8);
    if (size) {
        *size = length;
    }
    return data;
}

}  // namespace

float ClampFrameDelta(double d) {
    if (d <= 0.0) {
        return 0.0f;
    }
    return d > 0.03333333333333333 ? 0.033333335f : float(d);
}

CQzGameManager& GetGameManager() {
    static CQzGameManager manager;
    return manager;
}

CQzGameManager::CQzGameManager() {
    if (!QzMemManagerExists()) {
        QzMemManagerCreate();
    }
}

CQzGameManager::~CQzGameManager() = default;

bool CQzGameManager::Initialize() {
    inputManager = new CQzInputManager();
    fileManager = new CQzFileManager();
    taskManager = new CQzTaskManager();
    fileManager->SetGameManager(this);
    CQzTextureGL::SetFileReader(&ReadTextureThroughFileManager);
    // The pad reader binds to the first window of the window class.
    inputManager->SetWindow(CQzWindowManager::GetInstance().GetFirstWindowHandle());
    inputManager->Initialize(this);
    return true;
}

void CQzGameManager::InitializeGraphics(platform::win32::HWND window) {
    hwnd = window;
    auto* renderer = new CQzGraphicsGL2();
    renderer->SetErrorSink([this](const std::string& title, const std::string& text) {
        SetErrorMessage(title, text);
    });
    graphics = renderer;
    renderer->CreateContext(window);
    // Present first: each tick shows the frame composed in the tick before,
    // then the draw task draws and composes the next one.
    if (taskManager) {
        CQzTask* root = taskManager->GetRootTask();
        root->AppendChild(new CQzDrawFlipTask(GetGraphics()));
        drawTask = new CQzDrawTask(this);
        root->AppendChild(drawTask);
    }
    StartFrameClock();
}

void CQzGameManager::StartFrameClock() {
    lastTime = NowSeconds();
    deltaTime = 0.0f;
    fpsStamp = platform::clock::now_ms();
}

void CQzGameManager::Finalize() {
    drawTask = nullptr;
    if (taskManager) {
        delete taskManager;  // kills and reaps every task under the root
        taskManager = nullptr;
    }
    // The shared meshes and fonts hold vertex buffers and page materials:
    // they go once nothing uses them and while the GL context still lives.
    CResourceManager::GetInstance()->ReleaseAll();
    if (inputManager) {
        inputManager->Finalize();
        delete inputManager;
        inputManager = nullptr;
    }
    if (fileManager) {
        fileManager->Finalize();
        delete fileManager;
        fileManager = nullptr;
    }
    if (graphics) {
        graphics->Finalize();
        delete graphics;
        graphics = nullptr;
    }
    QzMemManagerDestroy();
}

void CQzGameManager::Update() {
    const double t0 = NowSeconds();
    deltaTime = ClampFrameDelta(t0 - lastTime);
    lastTime = t0;
    UpdateManagers(t0);
    CountFrame();
}

void CQzGameManager::UpdateManagers(double frameStart) {
    if (inputManager) {
        inputManager->Update();
    }
    inputTime = NowSeconds() - frameStart;

    double t = NowSeconds();
    if (taskManager) {
        CQzTask* root = taskManager->GetRootTask();
        root->RemoveDeadChildren();
        root->Execute();
    }
    taskTime = NowSeconds() - t;

    t = NowSeconds();
    soundTime = NowSeconds() - t;

    t = NowSeconds();
    if (fileManager) {
        fileManager->Update();
    }
    fileTime = NowSeconds() - t;

    // The platform services exist for the program's whole life (the entry
    // creates them first); their absence is a programming error.
    vho::Steam::GetInstance()->Update();
}

void CQzGameManager::CountFrame() {
    const std::uint32_t m = platform::clock::now_ms();
    fpsAccum += vho::ElapsedMs(fpsStamp, m);
    fpsFrames += 1;
    fpsStamp = m;
    if (fpsAccum >= 1000u) {
        fpsAccum -= 1000u;
        fps = fpsFrames;
        fpsFrames = 0;
    }
}

void CQzGameManager::SetErrorMessage(const std::string& title, const std::string& text) {
    errorTitle = title;
    errorText = text;
}

}  // namespace QZW::Win
