// Starts the runaway-script watchdog for the program: quit signals from the
// platform, the main window's close request and Escape (when the game allows
// Escape to quit), and the file manager's queued writes finished before a
// stuck program ends.
#pragma once

#include <cstdint>

namespace QZW::Win {
class CQzFileManager;
}

namespace Sample::Win {

// Once, on the main thread, after the window system started.
void StartScriptWatchdog();

// Waits until the loader thread has written every request already handed to
// it, or `limitMs` passes; never touches the game thread's side of the file
// manager. True when nothing was left.
bool WaitForQueuedWrites(QZW::Win::CQzFileManager& files, std::uint32_t limitMs);

}  // namespace Sample::Win
