// A scripted pad and keyboard backend for tests: the test sets what each pad
// answers and which keys are down, then the engine polls it as it would
// XInput. Also counts the reads so a test can see that polling happened.
#pragma once

#include <cstdint>

#include "platform/input/input.h"

namespace platform::input {

class ScriptedInput final : public Backend {
public:
    std::uint32_t pad_state(std::uint32_t index, PadState* out) override;
    bool keyboard_state(std::uint8_t out[256]) override;

    // A connected pad answers its state; an absent one ERROR_DEVICE_NOT_CONNECTED.
    // Indices past 3 are ignored.
    void set_connected(std::uint32_t index, bool connected);
    // Sets the pad's state (and connects it); the packet number is bumped.
    void set_pad(std::uint32_t index, const PadState& pad);
    // Key `vk` down or up; codes outside 0..255 are ignored.
    void set_key(int vk, bool down);
    void release_all_keys();
    // When false, keyboard_state fails and leaves its buffer alone.
    void set_keyboard_available(bool available) { keyboard_available_ = available; }

    std::uint32_t pad_reads() const { return pad_reads_; }
    std::uint32_t keyboard_reads() const { return keyboard_reads_; }

private:
    PadState pads_[kMaxPads];
    bool connected_[kMaxPads] = {};
    std::uint8_t keys_[256] = {};
    bool keyboard_available_ = true;
    std::uint32_t pad_reads_ = 0;
    std::uint32_t keyboard_reads_ = 0;
};

// Installs a backend for one scope and restores SDL's after.
class ScopedInput {
public:
    explicit ScopedInput(Backend& backend) { set_current(&backend); }
    ~ScopedInput() { set_current(nullptr); }
    ScopedInput(const ScopedInput&) = delete;
    ScopedInput& operator=(const ScopedInput&) = delete;
};

}  // namespace platform::input
