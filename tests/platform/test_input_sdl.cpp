// SDL pad readings in XInput's shape, and the SDL backend with no pads.
#include <gtest/gtest.h>

#include "platform/input/input.h"
#include "platform/input/pad_map.h"

// SDL's controller start-up leaves libdbus allocations behind for the life of
// the process. Weak, so that another file of this program may bring its own.
extern "C" __attribute__((weak)) const char* __lsan_default_suppressions() {
    return "leak:libdbus-1.so\n";
}

namespace {

using namespace platform::input;

TEST(PadMap, FlipsYScalesTriggersAndSetsXInputBits) {
    struct Row {
        const char* what;
        PadButton button;  // kPadButtonCount: none
        PadAxis axis;
        std::int16_t value;
        PadState want;
    };
    auto st = [](std::uint16_t b, int lt, int rt, int lx, int ly, int rx, int ry) {
        PadState s;
        s.wButtons = b;
        s.bLeftTrigger = std::uint8_t(lt);
        s.bRightTrigger = std::uint8_t(rt);
        s.sThumbLX = std::int16_t(lx);
        s.sThumbLY = std::int16_t(ly);
        s.sThumbRX = std::int16_t(rx);
        s.sThumbRY = std::int16_t(ry);
        return s;
    };
    const Row rows[] = {
        {"A", kPadA, kAxisLeftX, 0, st(XINPUT_GAMEPAD_A, 0, 0, 0, 0, 0, 0)},
        {"Y", kPadY, kAxisLeftX, 0, st(XINPUT_GAMEPAD_Y, 0, 0, 0, 0, 0, 0)},
        {"start", kPadStart, kAxisLeftX, 0, st(XINPUT_GAMEPAD_START, 0, 0, 0, 0, 0, 0)},
        {"back", kPadBack, kAxisLeftX, 0, st(XINPUT_GAMEPAD_BACK, 0, 0, 0, 0, 0, 0)},
        {"guide has no bit", kPadGuide, kAxisLeftX, 0, st(0, 0, 0, 0, 0, 0, 0)},
        {"left shoulder", kPadLeftShoulder, kAxisLeftX, 0,
         st(XINPUT_GAMEPAD_LEFT_SHOULDER, 0, 0, 0, 0, 0, 0)},
        {"right thumb", kPadRightStick, kAxisLeftX, 0,
         st(XINPUT_GAMEPAD_RIGHT_THUMB, 0, 0, 0, 0, 0, 0)},
        {"dpad up", kPadDpadUp, kAxisLeftX, 0, st(XINPUT_GAMEPAD_DPAD_UP, 0, 0, 0, 0, 0, 0)},
        {"dpad right", kPadDpadRight, kAxisLeftX, 0,
         st(XINPUT_GAMEPAD_DPAD_RIGHT, 0, 0, 0, 0, 0, 0)},
        {"left x as is", kPadButtonCount, kAxisLeftX, -12345, st(0, 0, 0, -12345, 0, 0, 0)},
        {"left y pushed up", kPadButtonCount, kAxisLeftY, -32768, st(0, 0, 0, 0, 32767, 0, 0)},
        {"left y pushed down", kPadButtonCount, kAxisLeftY, 32767, st(0, 0, 0, 0, -32767, 0, 0)},
        {"right y", kPadButtonCount, kAxisRightY, 9000, st(0, 0, 0, 0, 0, 0, -9000)},
        {"right x", kPadButtonCount, kAxisRightX, 32767, st(0, 0, 0, 0, 0, 32767, 0)},
        {"left trigger full", kPadButtonCount, kAxisTriggerLeft, 32767, st(0, 255, 0, 0, 0, 0, 0)},
        {"left trigger half", kPadButtonCount, kAxisTriggerLeft, 16384, st(0, 128, 0, 0, 0, 0, 0)},
        {"right trigger slight", kPadButtonCount, kAxisTriggerRight, 127, st(0, 0, 0, 0, 0, 0, 0)},
        {"right trigger negative", kPadButtonCount, kAxisTriggerRight, -5, st(0, 0, 0, 0, 0, 0, 0)},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        SdlPadReading in;
        if (r.button != kPadButtonCount) {
            in.buttons[r.button] = true;
        }
        in.axes[r.axis] = r.value;
        const PadState got = pad_state_from_sdl(in);
        EXPECT_EQ(got.wButtons, r.want.wButtons);
        EXPECT_EQ(got.bLeftTrigger, r.want.bLeftTrigger);
        EXPECT_EQ(got.bRightTrigger, r.want.bRightTrigger);
        EXPECT_EQ(got.sThumbLX, r.want.sThumbLX);
        EXPECT_EQ(got.sThumbLY, r.want.sThumbLY);
        EXPECT_EQ(got.sThumbRX, r.want.sThumbRX);
        EXPECT_EQ(got.sThumbRY, r.want.sThumbRY);
    }
}

// Pads past 3 never answer; pads 0..3 answer only when a controller is there
// (none on the test machines), and a refusal leaves the state alone.
TEST(InputSdl, RefusesAbsentPadsAndReadsKeysUpWithoutAWindow) {
    Backend& sdl = sdl_backend();
    for (std::uint32_t i : {0u, 1u, 2u, 3u, 4u, 0xFFFFFFFFu}) {
        PadState s;
        s.wButtons = 0xBEEF;
        const std::uint32_t result = sdl.pad_state(i, &s);
        if (i < kMaxPads && result == ERROR_SUCCESS) {
            EXPECT_NE(s.dwPacketNumber, 0u) << i;
            continue;
        }
        EXPECT_EQ(result, ERROR_DEVICE_NOT_CONNECTED) << i;
        EXPECT_EQ(s.wButtons, 0xBEEF) << i;
    }
    std::uint8_t keys[256];
    for (std::uint8_t& k : keys) {
        k = 0xAA;
    }
    ASSERT_TRUE(sdl.keyboard_state(keys));
    for (int vk = 0; vk < 256; ++vk) {
        EXPECT_EQ(keys[vk], 0) << vk;
    }
}

}  // namespace
