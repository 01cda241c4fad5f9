#include "tests/support/window_keys.h"

#include <X11/Xlib.h>

#include <chrono>
#include <thread>

#include "tests/support/process_runner.h"

namespace qz_test {
namespace {

// Turns the X server's auto-repeat off for one key while it lives and puts
// back what it was: a key held for seconds on a busy machine would otherwise
// repeat into the program's text prompt.
class NoAutoRepeat {
public:
    explicit NoAutoRepeat(const std::string& key) {
        display_ = XOpenDisplay(nullptr);
        if (!display_) {
            return;
        }
        code_ = XKeysymToKeycode(display_, XStringToKeysym(key.c_str()));
        if (code_ == 0) {
            return;
        }
        XKeyboardState state{};
        XGetKeyboardControl(display_, &state);
        wasOn_ = ((state.auto_repeats[code_ / 8] >> (code_ % 8)) & 1) != 0;
        Set(AutoRepeatModeOff);
    }
    ~NoAutoRepeat() {
        if (display_) {
            if (code_ != 0 && wasOn_) {
                Set(AutoRepeatModeOn);
            }
            XCloseDisplay(display_);
        }
    }
    NoAutoRepeat(const NoAutoRepeat&) = delete;
    NoAutoRepeat& operator=(const NoAutoRepeat&) = delete;

private:
    void Set(int mode) {
        XKeyboardControl change{};
        change.key = code_;
        change.auto_repeat_mode = mode;
        XChangeKeyboardControl(display_, KBKey | KBAutoRepeatMode, &change);
        XSync(display_, False);
    }

    Display* display_ = nullptr;
    int code_ = 0;
    bool wasOn_ = false;
};

bool Xdotool(const std::string& args) {
    int status = -1;
    RunCapture("xdotool " + args + " 2>&1", &status);
    return status == 0;
}

}  // namespace

bool WindowKeys::Focus(int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!Xdotool("windowfocus --sync " + window_)) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

bool WindowKeys::HoldUntilLogged(const std::string& key, ScriptLogWatch& log,
                                 const std::string& seen, int timeoutMs) {
    if (!Focus(timeoutMs)) {
        return false;
    }
    NoAutoRepeat quiet(key);
    const bool down = Xdotool("keydown " + key);
    const bool saw = down && log.WaitFor(seen, timeoutMs);
    // Let go in every case: a key left down would stay down on the display
    // for the tests after this one.
    const bool up = Xdotool("keyup " + key);
    return saw && up;
}

bool WindowKeys::Tap(const std::string& keys) {
    return Focus() && Xdotool("key --delay 20 " + keys);
}

bool WindowKeys::Type(const std::string& text) {
    return Focus() && Xdotool("type --delay 20 '" + text + "'");
}

}  // namespace qz_test
