// Pads and keyboard in place of XInputGetState (XInput 1.3) and
// GetKeyboardState: one abstract backend chosen at start-up.
//   input_sdl.cpp  - SDL2 GameController and keyboard state (the program)
//   input_null.cpp - a scripted fake for tests (no devices needed)
// Main (game) thread only. Button bits, results and key codes keep their
// Win32 values so the engine's tables read as they would over XInput.
#pragma once

#include <cstdint>

namespace platform::input {

// Results of pad_state (the Win32 error codes XInputGetState answers).
constexpr std::uint32_t ERROR_SUCCESS = 0;
constexpr std::uint32_t ERROR_DEVICE_NOT_CONNECTED = 1167;

// Pads XInput serves: user indices 0 to 3.
constexpr std::uint32_t kMaxPads = 4;

// wButtons bits.
constexpr std::uint16_t XINPUT_GAMEPAD_DPAD_UP = 0x0001;
constexpr std::uint16_t XINPUT_GAMEPAD_DPAD_DOWN = 0x0002;
constexpr std::uint16_t XINPUT_GAMEPAD_DPAD_LEFT = 0x0004;
constexpr std::uint16_t XINPUT_GAMEPAD_DPAD_RIGHT = 0x0008;
constexpr std::uint16_t XINPUT_GAMEPAD_START = 0x0010;
constexpr std::uint16_t XINPUT_GAMEPAD_BACK = 0x0020;
constexpr std::uint16_t XINPUT_GAMEPAD_LEFT_THUMB = 0x0040;
constexpr std::uint16_t XINPUT_GAMEPAD_RIGHT_THUMB = 0x0080;
constexpr std::uint16_t XINPUT_GAMEPAD_LEFT_SHOULDER = 0x0100;
constexpr std::uint16_t XINPUT_GAMEPAD_RIGHT_SHOULDER = 0x0200;
constexpr std::uint16_t XINPUT_GAMEPAD_A = 0x1000;
constexpr std::uint16_t XINPUT_GAMEPAD_B = 0x2000;
constexpr std::uint16_t XINPUT_GAMEPAD_X = 0x4000;
constexpr std::uint16_t XINPUT_GAMEPAD_Y = 0x8000;

// XINPUT_STATE: sticks -32768..32767 with Y pointing up, triggers 0..255.
// The packet number changes whenever the rest of the state changes.
struct PadState {
    std::uint32_t dwPacketNumber = 0;
    std::uint16_t wButtons = 0;
    std::uint8_t bLeftTrigger = 0;
    std::uint8_t bRightTrigger = 0;
    std::int16_t sThumbLX = 0;
    std::int16_t sThumbLY = 0;
    std::int16_t sThumbRX = 0;
    std::int16_t sThumbRY = 0;
};

// Bit 7 of a keyboard_state byte: the key is down.
constexpr std::uint8_t kKeyDown = 0x80;

class Backend {
public:
    virtual ~Backend() = default;
    // XInputGetState: ERROR_SUCCESS and the pad's state, or
    // ERROR_DEVICE_NOT_CONNECTED (out untouched) for an absent pad or an
    // index past 3.
    virtual std::uint32_t pad_state(std::uint32_t index, PadState* out) = 0;
    // GetKeyboardState: 256 bytes indexed by virtual-key code, bit 7 set for
    // a key that is down. False (out untouched) when no state can be read.
    virtual bool keyboard_state(std::uint8_t out[256]) = 0;
};

// The backend in force: SDL2 unless a test set another.
Backend& current();
// nullptr restores the SDL2 backend; the caller keeps ownership.
void set_current(Backend* backend);
// The SDL2 backend (input_sdl.cpp).
Backend& sdl_backend();

}  // namespace platform::input
