// Turns an SDL game controller reading into XInput's state shape: button
// bits, Y axes flipped to point up, triggers scaled to 0..255. Pure, so the
// conversion is testable without a device.
#pragma once

#include <cstdint>

#include "platform/input/input.h"

namespace platform::input {

// Button and axis slots in SDL_GameControllerButton / SDL_GameControllerAxis
// order (input_sdl.cpp checks that the numbering matches SDL's).
enum PadButton : int {
    kPadA,
    kPadB,
    kPadX,
    kPadY,
    kPadBack,
    kPadGuide,
    kPadStart,
    kPadLeftStick,
    kPadRightStick,
    kPadLeftShoulder,
    kPadRightShoulder,
    kPadDpadUp,
    kPadDpadDown,
    kPadDpadLeft,
    kPadDpadRight,
    kPadButtonCount
};
enum PadAxis : int {
    kAxisLeftX,
    kAxisLeftY,
    kAxisRightX,
    kAxisRightY,
    kAxisTriggerLeft,
    kAxisTriggerRight,
    kPadAxisCount
};

struct SdlPadReading {
    bool buttons[kPadButtonCount] = {};
    std::int16_t axes[kPadAxisCount] = {};
};

// The state without its packet number (the caller keeps that count). The
// guide button has no XInput bit and is dropped.
PadState pad_state_from_sdl(const SdlPadReading& reading);

}  // namespace platform::input
