// Quit signals (SIGTERM, SIGINT) seen by a thread of our own, so a program
// whose game thread is held (a script that never returns) still learns of
// them. Whatever handled the signals before keeps doing so: the window
// system still turns them into a close request in the game's queue.
#pragma once

#include <cstdint>

namespace platform::quit_signal {

// Starts watching SIGTERM and SIGINT, once, after the window system started
// (it installs its own handling first). Main thread.
void watch();
// Waits up to `timeout_ms` for a quit signal since the last call; its name
// ("SIGTERM", "SIGINT") or nullptr when none came. One thread at a time.
const char* wait(std::uint32_t timeout_ms);

}  // namespace platform::quit_signal
