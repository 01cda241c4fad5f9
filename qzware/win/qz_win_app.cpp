#include "qzware/win/qz_win_app.h"

#include "platform/window/window.h"

namespace QZW::Win {

int CQzWinApp::Run() {
    platform::window::Backend& windows = platform::window::current();
    platform::window::Msg msg;
    for (;;) {
        while (!windows.peek_message(&msg)) {
            Idle();
        }
        if (!windows.get_message(&msg)) {
            return 0;
        }
        windows.translate_message(msg);
        windows.dispatch_message(msg);
    }
}

}  // namespace QZW::Win
