#include "qzware/depend/win/vho/vho_input_device_manager.h"

#include "platform/input/input.h"

namespace vho {

bool InputDeviceManager::Initialize(platform::win32::HWND window) {
    Finalize();
    hwnd = window;
    EnumerateXInput();
    AddKeyboard();
    initialized = true;
    return true;
}

void InputDeviceManager::EnumerateXInput() {
    for (std::uint32_t i = 0; i < platform::input::kMaxPads; ++i) {
        platform::input::PadState probe;
        if (platform::input::current().pad_state(i, &probe) == platform::input::ERROR_SUCCESS) {
            devices.push_back(std::make_unique<XInputDevice>(this, i));
        }
    }
}

void InputDeviceManager::AddKeyboard() {
    devices.push_back(std::make_unique<KeyboardDevice>(this));
}

void InputDeviceManager::UpdateAll() {
    for (auto& d : devices) {
        d->Poll();
    }
}

void InputDeviceManager::ResetAll() {
    for (auto& d : devices) {
        d->Reset();
    }
}

InputDevice* InputDeviceManager::GetDevice(std::int32_t index) const {
    if (index < 0 || index >= GetDeviceCount()) {
        return nullptr;
    }
    return devices[std::size_t(index)].get();
}

InputDevice* InputDeviceManager::FindDevice(const std::string& deviceName) const {
    for (const auto& d : devices) {
        if (d->GetName() == deviceName) {
            return d.get();
        }
    }
    return nullptr;
}

void InputDeviceManager::Finalize() {
    for (auto& d : devices) {
        d->Release();
    }
    devices.clear();
    initialized = false;
}

}  // namespace vho
