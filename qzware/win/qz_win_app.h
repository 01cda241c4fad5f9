// The application base: the message loop. Every queued window message is
// handled before the next idle turn; the whole game runs in idle turns.
// Main thread only; messages come from platform::window.
#pragma once

namespace QZW::Win {

class CQzWinApp {
public:
    virtual ~CQzWinApp() = default;
    // One idle turn (a frame); the base does nothing.
    virtual void Idle() {}
    // Runs until the queue delivers WM_QUIT; returns 0 then.
    int Run();
};

}  // namespace QZW::Win
