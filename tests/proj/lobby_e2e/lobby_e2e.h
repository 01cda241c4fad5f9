// What the four-process room test's players and its checker share: the
// match's length and starting key delay, the pads each battler presses and
// how a player logs a frame the lockstep stepped over.
#pragma once

#include <cstdint>

#include "proj/network/game_network_ctrl.h"

namespace lobby_e2e {

constexpr std::uint8_t kDelay = 3;
constexpr std::size_t kFrames = 240;
// The log line of a frame in which the delay was raised ("<frame> raised"):
// no member consumes words in it. The host raises the delay at a 20-frame
// mark of a 40-frame window.
constexpr const char* kRaised = " raised";

inline std::uint16_t Pad(int battler, std::uint16_t frame) {
    std::uint64_t x = (static_cast<std::uint64_t>(battler) << 32) ^ frame ^ 0x5A5A5A5Au;
    x ^= x >> 33;
    x *= 0xff51afd7ed558ccdull;
    x ^= x >> 33;
    return static_cast<std::uint16_t>(x);
}

// The word every player must consume for battler b at frame f (the pad
// pressed for a frame is that frame's less the starting delay).
inline std::uint16_t Expected(int battler, std::uint16_t frame) {
    if (frame < kDelay) {
        return 0;
    }
    const std::uint16_t sent = Pad(battler, static_cast<std::uint16_t>(frame - kDelay));
    return sent & Sample::CGameNetworkCtrl::kLocalKeyMask &
           ~Sample::CGameNetworkCtrl::kDelayRaiseMark;
}

}  // namespace lobby_e2e
