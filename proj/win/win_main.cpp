#include "proj/win/win_main.h"

#include <string>

#include "platform/instance/instance.h"
#include "platform/window/window.h"
#include "proj/win/sample_app.h"
#include "proj/win/script_watchdog_setup.h"
#include "proj/win/test_win.h"

namespace Sample::Win {

int WinMain(platform::win32::HINSTANCE instance, platform::win32::HINSTANCE, const char*, int) {
    platform::window::Backend& windows = platform::window::current();
    const platform::instance::Guard guard =
        platform::instance::acquire("Velmodan dual boot prevention.");
    if (guard == platform::instance::Guard::already_running) {
        windows.message_box("It has already started application.", nullptr);
        return -1;
    }

    std::string reason;
    if (!windows.init(&reason)) {
        windows.message_box(("No display is available: " + reason).c_str(), "Vornakle");
        platform::instance::release();
        return -1;
    }

    // A script that never returns must not keep the program from quitting.
    StartScriptWatchdog();

    CSampleApp& app = CSampleApp::GetInstance();
    CTestWin* window = new CTestWin();
    if (!app.Initialize(instance, window)) {
        windows.message_box("The game window could not be created (no OpenGL-capable display).",
                            "Vornakle");
        delete window;
        platform::instance::release();
        return -1;
    }
    const int result = app.Run();

    window->Close();
    delete window;
    platform::instance::release();
    return result;
}

}  // namespace Sample::Win
