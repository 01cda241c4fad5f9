// Input devices of the platform-service library: an XInput pad and the
// keyboard, each polled once per frame into held / newly pressed / newly
// released sets. Reads the platform through platform/input (input.h).
// Codes outside a device's range (bit 32 and up, keys past 255) read as off.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

namespace vho {

class InputDeviceManager;

// GetType values; 1 is treated as a pad wherever the type is tested.
constexpr std::int32_t kInputDeviceKeyboard = 0;
constexpr std::int32_t kInputDevicePad = 2;

class InputDevice {
public:
    InputDevice(InputDeviceManager* owner, std::string deviceName)
        : manager(owner), name(std::move(deviceName)) {}
    virtual ~InputDevice() = default;
    // Called by the manager before it deletes the device; nothing to release.
    virtual void Release() {}
    virtual std::int32_t GetType() const = 0;
    virtual std::string GetName() const { return name; }
    // Reads the device; 0 on success, else the platform's error (the previous
    // state is then kept).
    virtual std::uint32_t Poll() = 0;
    virtual void Reset() {}
    virtual bool IsTrigger(std::uint32_t code) const = 0;
    virtual bool IsPress(std::uint32_t code) const = 0;
    virtual bool IsRelease(std::uint32_t code) const = 0;

    InputDeviceManager* manager;
    std::string name;
};

// Dead zones and trigger threshold as XInput publishes them.
constexpr std::int32_t kLeftThumbDeadZone = 7849;
constexpr std::int32_t kRightThumbDeadZone = 8689;
constexpr std::int32_t kTriggerThreshold = 30;

// State word bits beyond XInput's wButtons (bits 0 to 15).
constexpr std::uint32_t kPadLeftTriggerBit = 10;
constexpr std::uint32_t kPadRightTriggerBit = 11;
constexpr std::uint32_t kPadLeftStickUpBit = 16;
constexpr std::uint32_t kPadLeftStickDownBit = 17;
constexpr std::uint32_t kPadLeftStickLeftBit = 18;
constexpr std::uint32_t kPadLeftStickRightBit = 19;
constexpr std::uint32_t kPadRightStickUpBit = 20;
constexpr std::uint32_t kPadRightStickDownBit = 21;
constexpr std::uint32_t kPadRightStickLeftBit = 22;
constexpr std::uint32_t kPadRightStickRightBit = 23;

class XInputDevice final : public InputDevice {
public:
    XInputDevice(InputDeviceManager* owner, std::uint32_t index);
    std::int32_t GetType() const override { return kInputDevicePad; }
    std::uint32_t Poll() override;
    bool IsTrigger(std::uint32_t bit) const override { return BitOf(pressed, bit); }
    bool IsPress(std::uint32_t bit) const override { return BitOf(current, bit); }
    bool IsRelease(std::uint32_t bit) const override { return BitOf(released, bit); }

    static bool BitOf(std::uint32_t word, std::uint32_t bit) {
        return bit < 32 && ((word >> bit) & 1u) != 0;
    }

    std::uint32_t padIndex;
    std::uint32_t pressed = 0;
    std::uint32_t released = 0;
    std::uint32_t current = 0;
};

// Key byte bits.
constexpr std::uint8_t kKeyTrigger = 0x01;
constexpr std::uint8_t kKeyRelease = 0x02;
constexpr std::uint8_t kKeyPress = 0x04;

class KeyboardDevice final : public InputDevice {
public:
    explicit KeyboardDevice(InputDeviceManager* owner) : InputDevice(owner, "Keyboard") {}
    std::int32_t GetType() const override { return kInputDeviceKeyboard; }
    std::uint32_t Poll() override;
    bool IsTrigger(std::uint32_t vk) const override { return KeyBit(vk, kKeyTrigger); }
    bool IsPress(std::uint32_t vk) const override { return KeyBit(vk, kKeyPress); }
    bool IsRelease(std::uint32_t vk) const override { return KeyBit(vk, kKeyRelease); }

    std::uint8_t keys[256] = {};

private:
    bool KeyBit(std::uint32_t vk, std::uint8_t bit) const { return vk < 256 && (keys[vk] & bit); }
};

}  // namespace vho
