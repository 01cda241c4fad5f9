// The game's main window: a 1280 x 720 engine window whose messages end the
// game (destroyed window, Escape while the game manager allows it), as does
// the platform's shutdown event (2), to which it listens while it lives.
#pragma once

#include "qzware/depend/win/vho/vho_listener.h"
#include "qzware/win/qz_window.h"

namespace Sample::Win {

class CTestWin : public QZW::Win::CQzWindow, public vho::Listener {
public:
    CTestWin();
    ~CTestWin() override;

    platform::win32::LRESULT WndProc(platform::win32::HWND hwnd, platform::win32::UINT message,
                                     platform::win32::WPARAM wParam,
                                     platform::win32::LPARAM lParam) override;
    // The platform asked the program to close (event 2; no data).
    void OnPlatformShutdown(void* data);
};

}  // namespace Sample::Win
