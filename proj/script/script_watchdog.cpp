// The watchdog's thread and the game thread's script-call marks.
#include "proj/script/script_watchdog.h"

#include <chrono>
#include <mutex>
#include <thread>
#include <utility>

#include "platform/clock/clock.h"
#include "proj/script/sq_error_handler.h"

namespace Sample {

namespace {

// What the game thread is running; guarded by `busy`, which the watchdog
// also holds while it pumps the window's events for the held game thread.
struct Marks {
    std::mutex busy;
    int depth = 0;
    // Counts outermost script calls, so a request is tied to one call.
    std::uint64_t calls = 0;
    std::uint32_t since = 0;  // start of the outermost call
    std::string what;         // the innermost call
};

Marks& TheMarks() {
    // Never destroyed: the watchdog's thread may outlive static destruction.
    static Marks* marks = new Marks();
    return *marks;
}

// Names how long after the request the watchdog acted, so a run can tell
// the grace time it gave from the time the machine took to end it.
std::string StuckReport(const Marks& m, const char* reason, std::uint32_t requestedAt,
                        std::uint32_t now) {
    return "script host: quit requested (" + std::string(reason) +
           ") but the script has not returned; stuck in " + m.what + " for " +
           std::to_string((now - m.since) / 1000) + " s, " + std::to_string(now - requestedAt) +
           " ms after the request. Ending the program.";
}

void Run(CScriptWatchdog::Settings s) {
    const char* reason = nullptr;
    std::uint32_t requestedAt = 0;
    std::uint64_t requestedIn = 0;
    for (;;) {
        const char* signal = nullptr;
        if (s.waitForSignal) {
            signal = s.waitForSignal(100);
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        Marks& m = TheMarks();
        std::unique_lock<std::mutex> hold(m.busy);
        const std::uint32_t now = platform::clock::now_ms();
        if (signal && !reason) {
            // Tied to the script call it came in, or else to the next one.
            reason = signal;
            requestedAt = now;
            requestedIn = m.depth ? m.calls : 0;
        }
        if (reason && requestedIn && (m.depth == 0 || requestedIn != m.calls)) {
            // Back from that call: the game thread handles the request itself.
            reason = nullptr;
            requestedIn = 0;
        }
        if (m.depth == 0) {
            continue;
        }
        if (reason && !requestedIn) {
            requestedAt = now;
            requestedIn = m.calls;
        }
        if (!reason && s.closeRequested && now - m.since >= s.stallMs && s.closeRequested()) {
            reason = "window close or Escape";
            requestedAt = now;
            requestedIn = m.calls;
        }
        if (!reason) {
            continue;
        }
        if (now - requestedAt >= s.graceMs) {
            const std::string report = StuckReport(m, reason, requestedAt, now);
            // Held to the end: the game thread stays out of the window system.
            if (s.finishWrites) {
                s.finishWrites();
            }
            ScriptFatalExit(report.c_str());
        }
    }
}

}  // namespace

CScriptWatchdog::Scope::Scope(std::string what) {
    Marks& m = TheMarks();
    std::lock_guard<std::mutex> hold(m.busy);
    outer = std::move(m.what);
    m.what = std::move(what);
    if (m.depth++ == 0) {
        ++m.calls;
        m.since = platform::clock::now_ms();
    }
}

CScriptWatchdog::Scope::~Scope() {
    // Taking the lock also waits for a pump of the watchdog's to end before
    // the game thread goes back to the window system.
    Marks& m = TheMarks();
    std::lock_guard<std::mutex> hold(m.busy);
    --m.depth;
    m.what = std::move(outer);
}

void CScriptWatchdog::Start(Settings settings) {
    static std::once_flag started;
    std::call_once(started, [&] { std::thread(Run, std::move(settings)).detach(); });
}

}  // namespace Sample
