// The single-instance guard (a named mutex on Windows): an exclusive flock on
// a lock file named after the guard, in $XDG_RUNTIME_DIR or /tmp. The lock
// goes with the process, so a crashed instance never blocks the next start.
#pragma once

#include <string>

namespace platform::instance {

enum class Guard { acquired, already_running, failed };

// Takes the guard `name` for this process (main thread, once).
Guard acquire(const std::string& name);
// Gives the guard up (ReleaseMutex + CloseHandle); harmless when not held.
void release();
// The lock file used for `name` (for tests and diagnostics).
std::string lock_path(const std::string& name);

}  // namespace platform::instance
