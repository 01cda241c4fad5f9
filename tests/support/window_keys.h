// Types into one X window through the display's keyboard focus, as a player
// would (xdotool's XTEST presses), and holds a key until the program's
// script log shows it was seen. Needs xdotool and the X display the window
// is on; the display's focus is shared, so two of these at once take each
// other's keys (the tests that use it hold one lock).
#pragma once

#include <string>
#include <utility>

#include "tests/support/script_log_watch.h"

namespace qz_test {

class WindowKeys {
public:
    explicit WindowKeys(std::string window) : window_(std::move(window)) {}

    // Gives the window the keyboard focus, trying again while the X server
    // has not made it viewable yet; false after timeoutMs.
    bool Focus(int timeoutMs = kEffectWaitMs);
    // Presses `key` (an X key name: "space", "n") and keeps it down until
    // `log` shows `seen` or timeoutMs passes, then lets go. The program reads
    // the keyboard once a frame, so a press that goes down and up between
    // two reads is never seen; a held one always is. The key's auto-repeat
    // is off while it is held, so however long the hold, the window gets one
    // press and one character. True when `seen` came.
    bool HoldUntilLogged(const std::string& key, ScriptLogWatch& log, const std::string& seen,
                         int timeoutMs = kEffectWaitMs);
    // Presses and lets go of each key in turn ("BackSpace Return"). For
    // keys the program takes from its message queue (characters, Return,
    // Escape), which keeps every press however short.
    bool Tap(const std::string& keys);
    // Types `text` (no single quote in it) one character at a time, as Tap
    // does.
    bool Type(const std::string& text);

private:
    std::string window_;
};

}  // namespace qz_test
