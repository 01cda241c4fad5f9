// Letting the file manager's queued requests finish before the process ends,
// so a save queued by the last frame still reaches the disk.
#pragma once

#include <cstdint>

namespace QZW::Win {
class CQzFileManager;
}

namespace Sample::Win {

// Pumps the file manager until no request is pending, its loader thread is
// gone, or `limitMs` passes; sleeps between turns so it never spins a core.
// True when nothing was left pending.
bool FinishPendingFileRequests(QZW::Win::CQzFileManager& files, std::uint32_t limitMs);

}  // namespace Sample::Win
