#include "proj/win/test_win.h"

#include "platform/window/window.h"
#include "proj/win/sample_app.h"
#include "proj/win/system_util.h"
#include "proj/win/text_entry_window.h"
#include "qzware/win/qz_game_manager.h"

namespace Sample::Win {

using namespace platform::win32;

CTestWin::CTestWin() {
    clientWidth = 1280;
    clientHeight = 720;
}

LRESULT CTestWin::WndProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        CSampleApp::GetInstance().Quit();
    }
    // While the text-entry prompt is open it takes the keys (Escape closes
    // the prompt instead of ending the game).
    if (CTextEntryWindow* prompt = CSystemUtil::GetInstance().GetDialogWindow()) {
        if (prompt->EditProc(message, wParam, lParam)) {
            return 0;
        }
    }
    if (message == WM_CHAR && wParam == WPARAM(VK_ESCAPE) &&
        QZW::Win::GetGameManager().IsEscapeQuit()) {
        CSampleApp::GetInstance().Quit();
    }
    return platform::window::current().def_window_proc(wnd, message, wParam, lParam);
}

void CTestWin::OnPlatformShutdown() {
    CSampleApp::GetInstance().Quit();
}

}  // namespace Sample::Win
