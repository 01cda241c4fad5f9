// The runaway-script watchdog. The VM cannot be interrupted, so a script that
// never returns (an endless loop at load or in SQUpdate) would hold the game
// thread, and with it every quit request, forever. The host marks each script
// call with a Scope; a thread of the watchdog's own notices quit signals and,
// once a call has run past the stall time, the window's close request or
// Escape. When the game thread has not come back from the script within the
// grace time of a quit request, the watchdog lets queued file writes finish,
// reports the stuck script on stderr and in the script log, and ends the
// program with exit status kScriptFatalExitStatus. Normal quits never reach
// it: they happen outside script calls.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace Sample {

class CScriptWatchdog {
public:
    struct Settings {
        // Game-thread work the watchdog does on its own thread.
        // Pumps the window's events: true when a close request or Escape waits.
        std::function<bool()> closeRequested;
        // Waits (bounded) for file writes already queued to reach the disk.
        std::function<void()> finishWrites;
        // Waits up to the given milliseconds for a quit signal; its name or null.
        std::function<const char*(std::uint32_t)> waitForSignal;
        std::uint32_t stallMs = 1000;
        std::uint32_t graceMs = 2000;
    };

    // Marks the game thread's time inside one script call (nested calls
    // name the innermost).
    class Scope {
    public:
        explicit Scope(std::string what);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        std::string outer;
    };

    // Starts the watchdog's thread once; it runs until the process ends.
    static void Start(Settings settings);
};

}  // namespace Sample
