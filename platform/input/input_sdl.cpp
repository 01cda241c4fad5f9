// SDL2 backend of the pad and keyboard contract.
//   [x] pads 0..3: the game controllers SDL knows, given slots in the order
//       they are first seen; a slot whose controller goes away is refilled
//   [x] XInput's state shape (pad_map.cpp) and a packet number that changes
//       with the state
//   [x] keyboard: SDL's scancode state mapped to VK codes, plus VK_SHIFT,
//       VK_CONTROL and VK_MENU for either side, as GetKeyboardState gives
//   [ ] toggle bits (bit 0: Caps Lock, Num Lock) are never set
//   [ ] keys follow SDL's event pump, which the window layer's loop runs;
//       without a window every key reads as up
#include "platform/input/input.h"

#include <SDL.h>

#include <atomic>
#include <cstring>
#include <string>

#include "platform/debug/debug.h"
#include "platform/input/pad_map.h"
#include "platform/window/vk_map.h"

namespace platform::input {
namespace {

static_assert(int(SDL_CONTROLLER_BUTTON_A) == kPadA);
static_assert(int(SDL_CONTROLLER_BUTTON_START) == kPadStart);
static_assert(int(SDL_CONTROLLER_BUTTON_DPAD_RIGHT) == kPadDpadRight);
static_assert(int(SDL_CONTROLLER_AXIS_LEFTX) == kAxisLeftX);
static_assert(int(SDL_CONTROLLER_AXIS_TRIGGERRIGHT) == kAxisTriggerRight);

struct Slot {
    SDL_GameController* controller = nullptr;
    PadState last;
    bool has_last = false;
};

struct State {
    bool init_tried = false;
    bool init_ok = false;
    Slot slots[kMaxPads];
};

State& state() {
    static State s;
    return s;
}

bool ensure_init(State& s) {
    if (s.init_tried) {
        return s.init_ok;
    }
    s.init_tried = true;
    s.init_ok = SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0;
    if (!s.init_ok) {
        const std::string line =
            std::string("input: no game controller support: ") + SDL_GetError() + "\n";
        debug::output(line.c_str());
    }
    return s.init_ok;
}

bool held_by_a_slot(const State& s, SDL_JoystickID id) {
    for (const Slot& slot : s.slots) {
        if (slot.controller &&
            SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(slot.controller)) == id) {
            return true;
        }
    }
    return false;
}

// Drops controllers that went away and gives free slots, lowest first, the
// controllers no slot holds yet.
void refresh_slots(State& s) {
    for (Slot& slot : s.slots) {
        if (slot.controller && !SDL_GameControllerGetAttached(slot.controller)) {
            SDL_GameControllerClose(slot.controller);
            slot = Slot{};
        }
    }
    const int count = SDL_NumJoysticks();
    int next = 0;
    for (Slot& slot : s.slots) {
        if (slot.controller) {
            continue;
        }
        for (; next < count && !slot.controller; ++next) {
            if (!SDL_IsGameController(next) ||
                held_by_a_slot(s, SDL_JoystickGetDeviceInstanceID(next))) {
                continue;
            }
            slot.controller = SDL_GameControllerOpen(next);
        }
    }
}

PadState read_controller(SDL_GameController* c) {
    SdlPadReading r;
    for (int b = 0; b < kPadButtonCount; ++b) {
        r.buttons[b] = SDL_GameControllerGetButton(c, SDL_GameControllerButton(b)) != 0;
    }
    for (int a = 0; a < kPadAxisCount; ++a) {
        r.axes[a] = SDL_GameControllerGetAxis(c, SDL_GameControllerAxis(a));
    }
    return pad_state_from_sdl(r);
}

bool same_reading(const PadState& a, const PadState& b) {
    return a.wButtons == b.wButtons && a.bLeftTrigger == b.bLeftTrigger &&
           a.bRightTrigger == b.bRightTrigger && a.sThumbLX == b.sThumbLX &&
           a.sThumbLY == b.sThumbLY && a.sThumbRX == b.sThumbRX && a.sThumbRY == b.sThumbRY;
}

class SdlInput final : public Backend {
public:
    std::uint32_t pad_state(std::uint32_t index, PadState* out) override {
        State& s = state();
        if (index >= kMaxPads || !out || !ensure_init(s)) {
            return ERROR_DEVICE_NOT_CONNECTED;
        }
        SDL_GameControllerUpdate();
        refresh_slots(s);
        Slot& slot = s.slots[index];
        if (!slot.controller) {
            return ERROR_DEVICE_NOT_CONNECTED;
        }
        PadState now = read_controller(slot.controller);
        now.dwPacketNumber = slot.last.dwPacketNumber;
        if (!slot.has_last || !same_reading(now, slot.last)) {
            ++now.dwPacketNumber;
        }
        slot.last = now;
        slot.has_last = true;
        *out = now;
        return ERROR_SUCCESS;
    }

    bool keyboard_state(std::uint8_t out[256]) override {
        if (!out) {
            return false;
        }
        int count = 0;
        const Uint8* keys = SDL_GetKeyboardState(&count);
        std::memset(out, 0, 256);
        if (!keys) {
            return true;
        }
        for (int sc = 0; sc < count; ++sc) {
            if (!keys[sc]) {
                continue;
            }
            const int vk = platform::window::vk_from_scancode(sc);
            if (vk > 0 && vk < 256) {
                out[vk] = kKeyDown;
            }
        }
        // GetKeyboardState also reports the side-less modifier codes.
        struct Pair {
            int either, left, right;
        };
        constexpr Pair kModifiers[] = {{0x10, 0xA0, 0xA1}, {0x11, 0xA2, 0xA3}, {0x12, 0xA4, 0xA5}};
        for (const Pair& m : kModifiers) {
            if (out[m.left] | out[m.right]) {
                out[m.either] = kKeyDown;
            }
        }
        return true;
    }
};

std::atomic<Backend*> g_override{nullptr};

}  // namespace

Backend& sdl_backend() {
    static SdlInput backend;
    return backend;
}

Backend& current() {
    Backend* b = g_override.load(std::memory_order_acquire);
    return b ? *b : sdl_backend();
}

void set_current(Backend* backend) {
    g_override.store(backend, std::memory_order_release);
}

}  // namespace platform::input
