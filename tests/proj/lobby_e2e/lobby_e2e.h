// What the four-process room test's players and its checker share: the
// match's length and key delay, and the pads each battler presses.
#pragma once

#include <cstdint>

#include "proj/network/game_network_ctrl.h"

namespace lobby_e2e {

constexpr std::uint8_t kDelay = 3;
constexpr std::size_t kFrames = 240;

inline std::uint16_t Pad(int battler, std::uint16_t frame) {
    std::uint64_t x = (static_cast<std::uint64_t>(battler) << 32) ^ frame ^ 0x5A5A5A5Au;
    x ^= x >> 33;
    x *= 0xff51afd7ed558ccdull;
    x ^= x >> 33;
    return static_cast<std::uint16_t>(x);
}

// The word every player must consume for battler b at frame f.
inline std::uint16_t Expected(int battler, std::uint16_t frame) {
    if (frame < kDelay) {
        return 0;
    }
    const std::uint16_t sent = Pad(battler, static_cast<std::uint16_t>(frame - kDelay));
    return sent & Sample::CGameNetworkCtrl::kLocalKeyMask &
           ~Sample::CGameNetworkCtrl::kDelayRaiseMark;
}

}  // namespace lobby_e2e
