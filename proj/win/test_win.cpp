#include "proj/win/test_win.h"

#include "platform/window/window.h"
#include "proj/win/sample_app.h"
#include "qzware/depend/win/vho/vho_steam.h"
#include "qzware/win/qz_game_manager.h"

namespace Sample::Win {

using namespace platform::win32;

namespace {

// The services' event subject, when they were started.
vho::Subject<int>* PlatformEvents() {
    return vho::Steam::HasInstance() ? vho::Steam::GetInstance()->GetSubject() : nullptr;
}

}  // namespace

CTestWin::CTestWin() {
    clientWidth = 1280;
    clientHeight = 720;
    if (vho::Subject<int>* events = PlatformEvents()) {
        events->Attach(vho::kSteamShutdown, this, &CTestWin::OnPlatformShutdown);
    }
}

// The window goes before the platform services at the end of the entry; a
// later shutdown event must not reach a deleted window.
CTestWin::~CTestWin() {
    if (vho::Subject<int>* events = PlatformEvents()) {
        events->Detach(vho::kSteamShutdown, this);
    }
}

LRESULT CTestWin::WndProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        CSampleApp::GetInstance().Quit();
    }
    if (message == WM_CHAR && wParam == WPARAM(VK_ESCAPE) &&
        QZW::Win::GetGameManager().IsEscapeQuit()) {
        CSampleApp::GetInstance().Quit();
    }
    return platform::window::current().def_window_proc(wnd, message, wParam, lParam);
}

void CTestWin::OnPlatformShutdown(void*) {
    CSampleApp::GetInstance().Quit();
}

}  // namespace Sample::Win
