#include "proj/win/win_main.h"

#include <string>

#include "platform/instance/instance.h"
#include "platform/window/window.h"
#include "proj/win/sample_app.h"
#include "proj/win/test_win.h"
#include "qzware/depend/win/vho/vho_steam.h"

namespace Sample::Win {

int WinMain(platform::win32::HINSTANCE instance, platform::win32::HINSTANCE, const char*, int) {
    platform::window::Backend& windows = platform::window::current();
    const platform::instance::Guard guard =
        platform::instance::acquire("Velmodan dual boot prevention.");
    if (guard == platform::instance::Guard::already_running) {
        windows.message_box("It has already started application.", nullptr);
        return -1;
    }

    // The platform services come first and live to the end of the entry.
    vho::Steam* steam = new vho::Steam();
    std::string message;
    steam->Start(message);
    if (!message.empty()) {
        windows.message_box(message.c_str(), nullptr);
        delete steam;
        platform::instance::release();
        return -1;
    }

    std::string reason;
    if (!windows.init(&reason)) {
        windows.message_box(("No display is available: " + reason).c_str(), "Vornakle");
        delete steam;
        platform::instance::release();
        return -1;
    }

    CSampleApp& app = CSampleApp::GetInstance();
    CTestWin* window = new CTestWin();
    if (!app.Initialize(instance, window)) {
        windows.message_box("The game window could not be created (no OpenGL-capable display).",
                            "Vornakle");
        delete window;
        delete steam;
        platform::instance::release();
        return -1;
    }
    const int result = app.Run();

    window->Close();
    delete window;
    platform::instance::release();
    delete steam;
    return result;
}

}  // namespace Sample::Win
