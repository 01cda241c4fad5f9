#include "platform/input/pad_map.h"

namespace platform::input {
namespace {

struct ButtonBit {
    PadButton button;
    std::uint16_t bit;
};

constexpr ButtonBit kButtonBits[] = {
    {kPadDpadUp, XINPUT_GAMEPAD_DPAD_UP},
    {kPadDpadDown, XINPUT_GAMEPAD_DPAD_DOWN},
    {kPadDpadLeft, XINPUT_GAMEPAD_DPAD_LEFT},
    {kPadDpadRight, XINPUT_GAMEPAD_DPAD_RIGHT},
    {kPadStart, XINPUT_GAMEPAD_START},
    {kPadBack, XINPUT_GAMEPAD_BACK},
    {kPadLeftStick, XINPUT_GAMEPAD_LEFT_THUMB},
    {kPadRightStick, XINPUT_GAMEPAD_RIGHT_THUMB},
    {kPadLeftShoulder, XINPUT_GAMEPAD_LEFT_SHOULDER},
    {kPadRightShoulder, XINPUT_GAMEPAD_RIGHT_SHOULDER},
    {kPadA, XINPUT_GAMEPAD_A},
    {kPadB, XINPUT_GAMEPAD_B},
    {kPadX, XINPUT_GAMEPAD_X},
    {kPadY, XINPUT_GAMEPAD_Y},
};

// SDL's Y grows downwards, XInput's upwards; -32768 has no positive twin.
std::int16_t flip(std::int16_t v) {
    return v == -32768 ? 32767 : std::int16_t(-v);
}

// SDL triggers run 0..32767 (negative only from odd drivers); 128 SDL steps
// make one XInput step, so 32767 lands on 255.
std::uint8_t trigger(std::int16_t v) {
    return v <= 0 ? 0 : std::uint8_t(v >> 7);
}

}  // namespace

PadState pad_state_from_sdl(const SdlPadReading& reading) {
    PadState s;
    for (const ButtonBit& b : kButtonBits) {
        if (reading.buttons[b.button]) {
            s.wButtons = std::uint16_t(s.wButtons | b.bit);
        }
    }
    s.bLeftTrigger = trigger(reading.axes[kAxisTriggerLeft]);
    s.bRightTrigger = trigger(reading.axes[kAxisTriggerRight]);
    s.sThumbLX = reading.axes[kAxisLeftX];
    s.sThumbLY = flip(reading.axes[kAxisLeftY]);
    s.sThumbRX = reading.axes[kAxisRightX];
    s.sThumbRY = flip(reading.axes[kAxisRightY]);
    return s;
}

}  // namespace platform::input
