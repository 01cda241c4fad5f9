#include "proj/win/script_watchdog_setup.h"

#include "platform/clock/clock.h"
#include "platform/quit_signal/quit_signal.h"
#include "platform/window/window.h"
#include "proj/script/script_watchdog.h"
#include "qzware/win/qz_file_manager.h"
#include "qzware/win/qz_game_manager.h"

namespace Sample::Win {

namespace {
// A stuck program still waits this long for writes already queued.
constexpr std::uint32_t kStuckWriteLimitMs = 2000;
}  // namespace

bool WaitForQueuedWrites(QZW::Win::CQzFileManager& files, std::uint32_t limitMs) {
    const std::uint32_t start = platform::clock::now_ms();
    for (;;) {
        bool empty = false;
        {
            QZW::CQzScopedLock hold(&files.lock);
            empty = files.threadQueue.empty();
        }
        if (empty) {
            return true;
        }
        if (!files.IsLoaderRunning() || platform::clock::now_ms() - start >= limitMs) {
            return false;
        }
        platform::clock::sleep_ms(5);
    }
}

void StartScriptWatchdog() {
    platform::quit_signal::watch();
    CScriptWatchdog::Settings settings;
    settings.waitForSignal = [](std::uint32_t ms) { return platform::quit_signal::wait(ms); };
    settings.closeRequested = [] {
        return platform::window::current().close_requested(
            QZW::Win::GetGameManager().IsEscapeQuit());
    };
    settings.finishWrites = [] {
        if (QZW::Win::CQzFileManager* files = ::QzGetFileManager()) {
            WaitForQueuedWrites(*files, kStuckWriteLimitMs);
        }
    };
    CScriptWatchdog::Start(std::move(settings));
}

}  // namespace Sample::Win
