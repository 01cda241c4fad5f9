// The network key buffer the pad script functions read while online: one
// entry per player 0 to 3, the held-button word and the previous frame's
// word, filled by the match's key exchange. Zero and offline at start.
// Main (game) thread only.
#pragma once

#include <cstdint>

namespace Sample {

struct NetKeyEntry {
    std::uint16_t held = 0;
    std::uint16_t previous = 0;
};

constexpr std::int32_t kNetKeyPlayers = 4;

// Entry `player`, or null outside 0..3.
NetKeyEntry* GetNetKeyEntry(std::int32_t player);
bool IsNetKeyOnline();
void SetNetKeyOnline(bool online);
// Every entry back to zero.
void ClearNetKeyBuffer();

}  // namespace Sample
