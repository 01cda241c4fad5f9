// The engine's pad reader: assigns up to four players to the pads found at
// start and to the keyboard (which serves two players with two key sets), and
// turns each device into the game's 16-bit button mask. Main thread only.
// Players outside 0..3 or without a device read as 0 / false.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/win32/win32_types.h"
#include "qzware/depend/win/vho/vho_input_device_manager.h"

namespace QZW {

// Game button mask bits.
constexpr std::uint16_t kQzPadLeft = 0x0001;
constexpr std::uint16_t kQzPadRight = 0x0002;
constexpr std::uint16_t kQzPadUp = 0x0004;
constexpr std::uint16_t kQzPadDown = 0x0008;
constexpr std::uint16_t kQzPadA = 0x0010;
constexpr std::uint16_t kQzPadB = 0x0020;
constexpr std::uint16_t kQzPadX = 0x0040;
constexpr std::uint16_t kQzPadY = 0x0080;
constexpr std::uint16_t kQzPadL1 = 0x0100;
constexpr std::uint16_t kQzPadR1 = 0x0200;
constexpr std::uint16_t kQzPadL2 = 0x0400;
constexpr std::uint16_t kQzPadR2 = 0x0800;
constexpr std::uint16_t kQzPadStart = 0x4000;
constexpr std::uint16_t kQzPadBack = 0x8000;

constexpr std::int32_t kQzMaxPlayers = 4;

class IQzPadReader {
public:
    virtual ~IQzPadReader() = default;
    virtual bool Initialize() = 0;
    virtual void Finalize() = 0;
    // Held buttons of the player.
    virtual std::uint16_t GetButtonState(std::int32_t player, std::int32_t unused) = 0;
    // Buttons newly pressed at the last Update.
    virtual std::uint16_t GetTriggerState(std::int32_t player, std::int32_t unused) = 0;
    // Queries this build does not serve: fixed answers.
    virtual std::uint16_t GetReleaseState(std::int32_t player, std::int32_t unused) = 0;
    virtual float GetAnalogX(std::int32_t player, std::int32_t stick) = 0;
    virtual float GetAnalogY(std::int32_t player, std::int32_t stick) = 0;
    virtual bool IsVibrationSupported(std::int32_t player) = 0;
    virtual bool SetVibration(std::int32_t player, float left, float right) = 0;
    virtual void Update() = 0;
    virtual bool IsDeviceChanged() = 0;
    virtual bool IsConnected(std::int32_t player) = 0;
    virtual std::int32_t GetPlayerCount() = 0;
    virtual bool IsKeyboard(std::int32_t player) = 0;
};

namespace Win {

class CQzPadReader final : public IQzPadReader {
public:
    // The one reader of the process (exit-time destructor). Tests make their own.
    static CQzPadReader* GetInstance();

    CQzPadReader();
    ~CQzPadReader() override;
    CQzPadReader(const CQzPadReader&) = delete;
    CQzPadReader& operator=(const CQzPadReader&) = delete;

    // The window the device manager is given (the first main window); stored
    // only. Set before Initialize.
    void SetWindow(platform::win32::HWND hwnd) { window = hwnd; }

    // Finds the devices and assigns players; a second call starts over.
    bool Initialize() override;
    void Finalize() override;
    std::uint16_t GetButtonState(std::int32_t player, std::int32_t unused) override;
    std::uint16_t GetTriggerState(std::int32_t player, std::int32_t unused) override;
    std::uint16_t GetReleaseState(std::int32_t, std::int32_t) override { return 0; }
    float GetAnalogX(std::int32_t, std::int32_t) override { return 0.0f; }
    float GetAnalogY(std::int32_t, std::int32_t) override { return 0.0f; }
    bool IsVibrationSupported(std::int32_t) override { return false; }
    bool SetVibration(std::int32_t, float, float) override { return false; }
    // Polls every device; once per frame from the input manager.
    void Update() override;
    bool IsDeviceChanged() override { return false; }
    // True for a player on a pad (a keyboard player is not "connected").
    bool IsConnected(std::int32_t player) override;
    // min(device count + 1, 4): the keyboard counts twice. 0 before Initialize.
    std::int32_t GetPlayerCount() override;
    // player >= device count - 1, for players 0..3 once initialised.
    bool IsKeyboard(std::int32_t player) override;

    std::unique_ptr<vho::InputDeviceManager> deviceManager;
    std::int32_t playerDevice[kQzMaxPlayers] = {-1, -1, -1, -1};
    std::int32_t playerCount = 0;
    platform::win32::HWND window = nullptr;

private:
    vho::InputDevice* PlayerDevice(std::int32_t player) const;
    std::uint16_t Mask(std::int32_t player, bool newlyPressed) const;
};

}  // namespace Win
}  // namespace QZW
