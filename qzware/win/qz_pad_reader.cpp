#include "qzware/win/qz_pad_reader.h"

#include "platform/win32/win32_types.h"

namespace QZW::Win {
namespace {

// A pad's state-word bits (and the stick direction that doubles the D-pad)
// behind each game button.
struct PadBit {
    std::uint32_t bit;
    std::uint32_t alsoBit;  // 32: none
    std::uint16_t mask;
};

constexpr std::uint32_t kNone = 32;

constexpr PadBit kPadTable[] = {
    {0, vho::kPadLeftStickUpBit, kQzPadUp},
    {1, vho::kPadLeftStickDownBit, kQzPadDown},
    {2, vho::kPadLeftStickLeftBit, kQzPadLeft},
    {3, vho::kPadLeftStickRightBit, kQzPadRight},
    {12, kNone, kQzPadA},
    {13, kNone, kQzPadB},
    {14, kNone, kQzPadX},
    {15, kNone, kQzPadY},
    {8, kNone, kQzPadL1},
    {9, kNone, kQzPadR1},
    {vho::kPadLeftTriggerBit, kNone, kQzPadL2},
    {vho::kPadRightTriggerBit, kNone, kQzPadR2},
    {4, kNone, kQzPadStart},
    {5, kNone, kQzPadBack},
};

// The two keyboard players' keys; no left shoulder and no triggers.
struct KeyBit {
    std::uint16_t mask;
    int keys[2];
};

using namespace platform::win32;
constexpr KeyBit kKeyTable[] = {
    {kQzPadUp, {'W', VK_UP}},         {kQzPadDown, {'S', VK_DOWN}},
    {kQzPadLeft, {'A', VK_LEFT}},     {kQzPadRight, {'D', VK_RIGHT}},
    {kQzPadA, {'U', VK_NUMPAD4}},     {kQzPadB, {'O', VK_NUMPAD6}},
    {kQzPadX, {'J', VK_NUMPAD1}},     {kQzPadY, {'L', VK_NUMPAD3}},
    {kQzPadStart, {'M', VK_DECIMAL}}, {kQzPadBack, {'N', VK_NUMPAD0}},
    {kQzPadR1, {'P', VK_NUMPAD9}},
};

bool IsPadType(std::int32_t type) {
    return type == vho::kInputDevicePad || type == 1;
}

bool Test(const vho::InputDevice& d, std::uint32_t code, bool newlyPressed) {
    return newlyPressed ? d.IsTrigger(code) : d.IsPress(code);
}

}  // namespace

CQzPadReader* CQzPadReader::GetInstance() {
    static CQzPadReader reader;
    return &reader;
}

CQzPadReader::CQzPadReader() = default;

CQzPadReader::~CQzPadReader() {
    Finalize();
}

bool CQzPadReader::Initialize() {
    Finalize();
    deviceManager = std::make_unique<vho::InputDeviceManager>();
    deviceManager->Initialize(window);

    const std::int32_t count = deviceManager->GetDeviceCount();
    std::int32_t p = 0;
    for (std::int32_t i = 0; p < kQzMaxPlayers && i < count; ++i) {
        playerDevice[p++] = i;
        if (deviceManager->GetDevice(i)->GetType() == vho::kInputDeviceKeyboard) {
            if (p < kQzMaxPlayers) {
                playerDevice[p++] = i;
            }
            break;
        }
    }
    playerCount = p;
    return true;
}

void CQzPadReader::Finalize() {
    if (deviceManager) {
        deviceManager->Finalize();
        deviceManager.reset();
    }
    for (std::int32_t& d : playerDevice) {
        d = -1;
    }
    playerCount = 0;
}

vho::InputDevice* CQzPadReader::PlayerDevice(std::int32_t player) const {
    if (!deviceManager || player < 0 || player >= kQzMaxPlayers || player >= playerCount) {
        return nullptr;
    }
    return deviceManager->GetDevice(playerDevice[player]);
}

std::uint16_t CQzPadReader::Mask(std::int32_t player, bool newlyPressed) const {
    const vho::InputDevice* d = PlayerDevice(player);
    if (!d) {
        return 0;
    }
    std::uint16_t mask = 0;
    if (IsPadType(d->GetType())) {
        for (const PadBit& b : kPadTable) {
            if (Test(*d, b.bit, newlyPressed) ||
                (b.alsoBit != kNone && Test(*d, b.alsoBit, newlyPressed))) {
                mask = std::uint16_t(mask | b.mask);
            }
        }
    } else if (d->GetType() == vho::kInputDeviceKeyboard) {
        const int keySet = player >= deviceManager->GetDeviceCount() ? 1 : 0;
        for (const KeyBit& k : kKeyTable) {
            if (Test(*d, std::uint32_t(k.keys[keySet]), newlyPressed)) {
                mask = std::uint16_t(mask | k.mask);
            }
        }
    }
    return mask;
}

std::uint16_t CQzPadReader::GetButtonState(std::int32_t player, std::int32_t) {
    return Mask(player, false);
}

std::uint16_t CQzPadReader::GetTriggerState(std::int32_t player, std::int32_t) {
    return Mask(player, true);
}

void CQzPadReader::Update() {
    if (deviceManager) {
        deviceManager->UpdateAll();
    }
}

bool CQzPadReader::IsConnected(std::int32_t player) {
    const vho::InputDevice* d = PlayerDevice(player);
    return d && IsPadType(d->GetType());
}

std::int32_t CQzPadReader::GetPlayerCount() {
    if (!deviceManager) {
        return 0;
    }
    const std::int32_t n = deviceManager->GetDeviceCount() + 1;
    return n < kQzMaxPlayers ? n : kQzMaxPlayers;
}

bool CQzPadReader::IsKeyboard(std::int32_t player) {
    if (!deviceManager || player < 0 || player >= kQzMaxPlayers) {
        return false;
    }
    return player >= deviceManager->GetDeviceCount() - 1;
}

}  // namespace QZW::Win
