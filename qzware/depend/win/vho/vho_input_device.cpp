#include "qzware/depend/win/vho/vho_input_device.h"

#include "platform/input/input.h"

namespace vho {
namespace {

// The state word of one reading: wButtons, trigger and stick direction bits.
std::uint32_t StateWord(const platform::input::PadState& s) {
    struct Test {
        bool on;
        std::uint32_t bit;
    };
    const std::int32_t lx = s.sThumbLX, ly = s.sThumbLY, rx = s.sThumbRX, ry = s.sThumbRY;
    const Test tests[] = {
        {s.bLeftTrigger > kTriggerThreshold, kPadLeftTriggerBit},
        {s.bRightTrigger > kTriggerThreshold, kPadRightTriggerBit},
        {ly >= kLeftThumbDeadZone, kPadLeftStickUpBit},
        {ly <= -kLeftThumbDeadZone, kPadLeftStickDownBit},
        {lx <= -kLeftThumbDeadZone, kPadLeftStickLeftBit},
        {lx >= kLeftThumbDeadZone, kPadLeftStickRightBit},
        {ry >= kRightThumbDeadZone, kPadRightStickUpBit},
        {ry <= -kRightThumbDeadZone, kPadRightStickDownBit},
        {rx <= -kRightThumbDeadZone, kPadRightStickLeftBit},
        {rx >= kRightThumbDeadZone, kPadRightStickRightBit},
    };
    std::uint32_t word = s.wButtons;
    for (const Test& t : tests) {
        if (t.on) {
            word |= 1u << t.bit;
        }
    }
    return word;
}

}  // namespace

XInputDevice::XInputDevice(InputDeviceManager* owner, std::uint32_t index)
    : InputDevice(owner, "Joystick " + std::to_string(index + 1)), padIndex(index) {}

std::uint32_t XInputDevice::Poll() {
    platform::input::PadState s;
    const std::uint32_t result = platform::input::current().pad_state(padIndex, &s);
    if (result != platform::input::ERROR_SUCCESS) {
        return result;
    }
    const std::uint32_t n = StateWord(s);
    pressed = (current ^ n) & n;
    released = (current ^ n) & current;
    current = n;
    return result;
}

std::uint32_t KeyboardDevice::Poll() {
    std::uint8_t now[256];
    if (!platform::input::current().keyboard_state(now)) {
        return 1;
    }
    for (int vk = 0; vk < 256; ++vk) {
        const bool down = (now[vk] & platform::input::kKeyDown) != 0;
        const bool held = (keys[vk] & kKeyPress) != 0;
        std::uint8_t b = 0;
        if (down) {
            b |= kKeyPress;
        }
        if (down && !held) {
            b |= kKeyTrigger;
        }
        if (held && !down) {
            b |= kKeyRelease;
        }
        keys[vk] = b;
    }
    return 0;
}

}  // namespace vho
