#include "platform/input/input_null.h"

#include <cstring>

namespace platform::input {

std::uint32_t ScriptedInput::pad_state(std::uint32_t index, PadState* out) {
    ++pad_reads_;
    if (index >= kMaxPads || !connected_[index] || !out) {
        return ERROR_DEVICE_NOT_CONNECTED;
    }
    *out = pads_[index];
    return ERROR_SUCCESS;
}

bool ScriptedInput::keyboard_state(std::uint8_t out[256]) {
    ++keyboard_reads_;
    if (!keyboard_available_ || !out) {
        return false;
    }
    std::memcpy(out, keys_, sizeof keys_);
    return true;
}

void ScriptedInput::set_connected(std::uint32_t index, bool connected) {
    if (index < kMaxPads) {
        connected_[index] = connected;
    }
}

void ScriptedInput::set_pad(std::uint32_t index, const PadState& pad) {
    if (index >= kMaxPads) {
        return;
    }
    const std::uint32_t packet = pads_[index].dwPacketNumber + 1;
    pads_[index] = pad;
    pads_[index].dwPacketNumber = packet;
    connected_[index] = true;
}

void ScriptedInput::set_key(int vk, bool down) {
    if (vk >= 0 && vk < 256) {
        keys_[vk] = down ? kKeyDown : 0;
    }
}

void ScriptedInput::release_all_keys() {
    std::memset(keys_, 0, sizeof keys_);
}

}  // namespace platform::input
