// The platform-service library's device list: the pads that answer at start
// (pad-index order) and then the keyboard, polled together once per frame.
// Devices are found once; a pad plugged in later is not seen.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32/win32_types.h"
#include "qzware/depend/win/vho/vho_input_device.h"

namespace vho {

class InputDeviceManager {
public:
    InputDeviceManager() = default;
    ~InputDeviceManager() { Finalize(); }
    InputDeviceManager(const InputDeviceManager&) = delete;
    InputDeviceManager& operator=(const InputDeviceManager&) = delete;

    // Stores the window, finds the pads, adds the keyboard. A second call
    // starts over with a fresh list.
    bool Initialize(platform::win32::HWND window);
    // Appends a pad for every index 0..3 that answers now.
    void EnumerateXInput();
    void AddKeyboard();

    void UpdateAll();
    void ResetAll();
    // Null for an index outside the list.
    InputDevice* GetDevice(std::int32_t index) const;
    std::int32_t GetDeviceCount() const { return std::int32_t(devices.size()); }
    bool IsInitialized() const { return initialized; }
    InputDevice* FindDevice(const std::string& deviceName) const;
    // Releases and deletes every device; the manager may be initialised again.
    void Finalize();

    bool initialized = false;
    platform::win32::HWND hwnd = nullptr;
    std::vector<std::unique_ptr<InputDevice>> devices;
};

}  // namespace vho
