// Pad reader over the scripted input backend: player assignment, key sets,
// edges across polls, thresholds, pads that stop answering, bad indices.
#include "qzware/win/qz_pad_reader.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "platform/input/input_null.h"
#include "platform/win32/win32_types.h"
#include "qzware/win/qz_input_manager.h"

namespace {

using platform::input::PadState;
using platform::input::ScriptedInput;
using namespace platform::win32;
using QZW::Win::CQzPadReader;

class PadReaderTest : public ::testing::Test {
protected:
    // Pads 0..n-1 connected, idle.
    void StartWithPads(int n) {
        for (int i = 0; i < n; ++i) {
            input.set_pad(std::uint32_t(i), PadState{});
        }
        ASSERT_TRUE(reader.Initialize());
    }
    void Poll() { reader.Update(); }

    ScriptedInput input;
    platform::input::ScopedInput scope{input};
    CQzPadReader reader;
};

struct Assignment {
    int pads;
    int playerDevice[4];
    int playerCount;
    bool keyboard[4];
    bool connected[4];
};

TEST_F(PadReaderTest, AssignsPlayersToPadsThenTheKeyboardTwice) {
    const Assignment cases[] = {
        {0, {0, 0, -1, -1}, 2, {true, true, true, true}, {false, false, false, false}},
        {1, {0, 1, 1, -1}, 3, {false, true, true, true}, {true, false, false, false}},
        {2, {0, 1, 2, 2}, 4, {false, false, true, true}, {true, true, false, false}},
        {3, {0, 1, 2, 3}, 4, {false, false, false, true}, {true, true, true, false}},
        {4, {0, 1, 2, 3}, 4, {false, false, false, false}, {true, true, true, true}},
    };
    for (const Assignment& c : cases) {
        SCOPED_TRACE(c.pads);
        ScriptedInput fresh;
        platform::input::ScopedInput use(fresh);
        for (int i = 0; i < c.pads; ++i) {
            fresh.set_pad(std::uint32_t(i), PadState{});
        }
        CQzPadReader r;
        ASSERT_TRUE(r.Initialize());
        EXPECT_EQ(r.deviceManager->GetDeviceCount(), c.pads + 1);
        EXPECT_EQ(r.playerCount, c.playerCount);
        EXPECT_EQ(r.GetPlayerCount(), c.playerCount);
        for (int p = 0; p < 4; ++p) {
            EXPECT_EQ(r.playerDevice[p], c.playerDevice[p]) << "player " << p;
            EXPECT_EQ(r.IsKeyboard(p), c.keyboard[p]) << "player " << p;
            EXPECT_EQ(r.IsConnected(p), c.connected[p]) << "player " << p;
        }
    }
}

TEST_F(PadReaderTest, PadsAreListedInIndexOrderWithTheKeyboardLast) {
    input.set_pad(1, PadState{});
    input.set_pad(3, PadState{});
    ASSERT_TRUE(reader.Initialize());
    const vho::InputDeviceManager& m = *reader.deviceManager;
    ASSERT_EQ(m.GetDeviceCount(), 3);
    EXPECT_EQ(m.GetDevice(0)->GetName(), "Joystick 2");
    EXPECT_EQ(m.GetDevice(1)->GetName(), "Joystick 4");
    EXPECT_EQ(m.GetDevice(2)->GetName(), "Keyboard");
    EXPECT_EQ(m.FindDevice("Joystick 4"), m.GetDevice(1));
    EXPECT_EQ(m.FindDevice("Joystick 1"), nullptr);
    EXPECT_EQ(m.GetDevice(3), nullptr);
    EXPECT_EQ(m.GetDevice(-1), nullptr);

    // A pad that shows up after start is not seen.
    input.set_pad(0, PadState{});
    Poll();
    EXPECT_EQ(m.GetDeviceCount(), 3);
}

struct KeyCase {
    int pads;
    int player;
    int vk;
    std::uint16_t mask;
};

TEST_F(PadReaderTest, KeyboardPlayersReadTheirOwnKeySet) {
    const KeyCase cases[] = {
        // No pad: player 0 on W/S/A/D, player 1 on the arrows.
        {0, 0, 'W', QZW::kQzPadUp},
        {0, 0, 'S', QZW::kQzPadDown},
        {0, 0, 'A', QZW::kQzPadLeft},
        {0, 0, 'D', QZW::kQzPadRight},
        {0, 0, VK_UP, 0},
        {0, 1, VK_UP, QZW::kQzPadUp},
        {0, 1, VK_DOWN, QZW::kQzPadDown},
        {0, 1, VK_LEFT, QZW::kQzPadLeft},
        {0, 1, VK_RIGHT, QZW::kQzPadRight},
        {0, 1, 'W', 0},
        {0, 2, 'W', 0},  // no third player
        // One pad: player 1 uses set 0, player 2 set 1.
        {1, 1, 'M', QZW::kQzPadStart},
        {1, 2, VK_DECIMAL, QZW::kQzPadStart},
        {1, 2, 'M', 0},
        {1, 0, 'M', 0},  // player 0 is on the pad
        // Three pads: the last player alone on the keyboard, set 0.
        {3, 3, 'W', QZW::kQzPadUp},
        {3, 3, VK_UP, 0},
        // Four pads: the keyboard serves nobody.
        {4, 3, 'W', 0},
    };
    for (const KeyCase& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << c.pads << " pads, player " << c.player << ", key " << c.vk);
        ScriptedInput fresh;
        platform::input::ScopedInput use(fresh);
        for (int i = 0; i < c.pads; ++i) {
            fresh.set_pad(std::uint32_t(i), PadState{});
        }
        CQzPadReader r;
        r.Initialize();
        fresh.set_key(c.vk, true);
        r.Update();
        EXPECT_EQ(r.GetButtonState(c.player, 0), c.mask);
        EXPECT_EQ(r.GetTriggerState(c.player, 0), c.mask);
    }
}

TEST_F(PadReaderTest, EveryKeyOfBothSetsGivesItsButton) {
    struct Row {
        std::uint16_t mask;
        int set0, set1;
    };
    const Row rows[] = {
        {QZW::kQzPadUp, 'W', VK_UP},         {QZW::kQzPadDown, 'S', VK_DOWN},
        {QZW::kQzPadLeft, 'A', VK_LEFT},     {QZW::kQzPadRight, 'D', VK_RIGHT},
        {QZW::kQzPadA, 'U', VK_NUMPAD4},     {QZW::kQzPadB, 'O', VK_NUMPAD6},
        {QZW::kQzPadX, 'J', VK_NUMPAD1},     {QZW::kQzPadY, 'L', VK_NUMPAD3},
        {QZW::kQzPadStart, 'M', VK_DECIMAL}, {QZW::kQzPadBack, 'N', VK_NUMPAD0},
        {QZW::kQzPadR1, 'P', VK_NUMPAD9},
    };
    StartWithPads(0);
    for (const Row& r : rows) {
        SCOPED_TRACE(r.mask);
        input.release_all_keys();
        input.set_key(r.set0, true);
        Poll();
        EXPECT_EQ(reader.GetButtonState(0, 0), r.mask);
        EXPECT_EQ(reader.GetButtonState(1, 0), 0);
        input.release_all_keys();
        input.set_key(r.set1, true);
        Poll();
        EXPECT_EQ(reader.GetButtonState(0, 0), 0);
        EXPECT_EQ(reader.GetButtonState(1, 0), r.mask);
    }
    // Everything at once: left shoulder and triggers have no key.
    for (const Row& r : rows) {
        input.set_key(r.set0, true);
    }
    Poll();
    EXPECT_EQ(reader.GetButtonState(0, 0),
              0xFFFF & ~(QZW::kQzPadL1 | QZW::kQzPadL2 | QZW::kQzPadR2 | 0x1000 | 0x2000));
}

TEST_F(PadReaderTest, NewlyPressedOnTheFirstPollOnlyHeldOnAll) {
    StartWithPads(1);
    PadState a;
    a.wButtons = platform::input::XINPUT_GAMEPAD_A;
    input.set_pad(0, a);
    input.set_key('U', true);  // player 1's A
    const std::uint16_t trigger[] = {QZW::kQzPadA, 0, 0};
    for (int poll = 0; poll < 3; ++poll) {
        SCOPED_TRACE(poll);
        Poll();
        for (int player : {0, 1}) {
            EXPECT_EQ(reader.GetButtonState(player, 0), QZW::kQzPadA) << "player " << player;
            EXPECT_EQ(reader.GetTriggerState(player, 0), trigger[poll]) << "player " << player;
        }
    }
    input.set_pad(0, PadState{});
    input.set_key('U', false);
    Poll();
    const vho::InputDevice* pad = reader.deviceManager->GetDevice(0);
    const vho::InputDevice* keys = reader.deviceManager->GetDevice(1);
    EXPECT_TRUE(pad->IsRelease(12));
    EXPECT_TRUE(keys->IsRelease('U'));
    for (int player : {0, 1}) {
        EXPECT_EQ(reader.GetButtonState(player, 0), 0);
        EXPECT_EQ(reader.GetTriggerState(player, 0), 0);
    }
    Poll();
    EXPECT_FALSE(pad->IsRelease(12));
    EXPECT_FALSE(keys->IsRelease('U'));
}

struct PadCase {
    const char* what;
    PadState state;
    std::uint16_t mask;
};

PadState Pad(std::uint16_t buttons, int lt, int rt, int lx, int ly, int rx = 0, int ry = 0) {
    PadState s;
    s.wButtons = buttons;
    s.bLeftTrigger = std::uint8_t(lt);
    s.bRightTrigger = std::uint8_t(rt);
    s.sThumbLX = std::int16_t(lx);
    s.sThumbLY = std::int16_t(ly);
    s.sThumbRX = std::int16_t(rx);
    s.sThumbRY = std::int16_t(ry);
    return s;
}

TEST_F(PadReaderTest, PadStateMapsToTheGameMaskAtTheThresholds) {
    using namespace platform::input;
    const PadCase cases[] = {
        {"stick right at the dead zone", Pad(0, 0, 0, 7849, 0), QZW::kQzPadRight},
        {"stick right inside the dead zone", Pad(0, 0, 0, 7848, 0), 0},
        {"stick left at the dead zone", Pad(0, 0, 0, -7849, 0), QZW::kQzPadLeft},
        {"stick left inside the dead zone", Pad(0, 0, 0, -7848, 0), 0},
        {"stick up", Pad(0, 0, 0, 0, 7849), QZW::kQzPadUp},
        {"stick down", Pad(0, 0, 0, 0, -32768), QZW::kQzPadDown},
        {"left trigger over the threshold", Pad(0, 31, 0, 0, 0), QZW::kQzPadL2},
        {"left trigger at the threshold", Pad(0, 30, 0, 0, 0), 0},
        {"right trigger full", Pad(0, 0, 255, 0, 0), QZW::kQzPadR2},
        {"right trigger at the threshold", Pad(0, 0, 30, 0, 0), 0},
        {"right stick and thumb clicks are not mapped",
         Pad(XINPUT_GAMEPAD_LEFT_THUMB | XINPUT_GAMEPAD_RIGHT_THUMB, 0, 0, 0, 0, 32767, -32768), 0},
        {"D-pad and stick together",
         Pad(XINPUT_GAMEPAD_DPAD_UP | XINPUT_GAMEPAD_DPAD_LEFT, 0, 0, -20000, 20000),
         QZW::kQzPadUp | QZW::kQzPadLeft},
        {"D-pad down and right",
         Pad(XINPUT_GAMEPAD_DPAD_DOWN | XINPUT_GAMEPAD_DPAD_RIGHT, 0, 0, 0, 0),
         QZW::kQzPadDown | QZW::kQzPadRight},
        {"face buttons", Pad(XINPUT_GAMEPAD_A | XINPUT_GAMEPAD_B | XINPUT_GAMEPAD_X, 0, 0, 0, 0),
         QZW::kQzPadA | QZW::kQzPadB | QZW::kQzPadX},
        {"Y and shoulders",
         Pad(XINPUT_GAMEPAD_Y | XINPUT_GAMEPAD_LEFT_SHOULDER | XINPUT_GAMEPAD_RIGHT_SHOULDER, 0, 0,
             0, 0),
         QZW::kQzPadY | QZW::kQzPadL1 | QZW::kQzPadR1},
        {"START and BACK", Pad(XINPUT_GAMEPAD_START | XINPUT_GAMEPAD_BACK, 0, 0, 0, 0),
         QZW::kQzPadStart | QZW::kQzPadBack},
    };
    StartWithPads(1);
    for (const PadCase& c : cases) {
        SCOPED_TRACE(c.what);
        input.set_pad(0, PadState{});
        Poll();
        input.set_pad(0, c.state);
        Poll();
        EXPECT_EQ(reader.GetButtonState(0, 0), c.mask);
        EXPECT_EQ(reader.GetTriggerState(0, 0), c.mask);
    }
}

TEST_F(PadReaderTest, RightStickSetsItsOwnStateBitsAtItsDeadZone) {
    struct Row {
        int rx, ry;
        std::uint32_t bits;
    };
    const Row rows[] = {
        {8689, 0, 1u << 23},
        {8688, 0, 0},
        {-8689, 0, 1u << 22},
        {0, 8689, 1u << 20},
        {0, -8689, 1u << 21},
        {0, -8688, 0},
        {-32768, 32767, (1u << 22) | (1u << 20)},
    };
    StartWithPads(1);
    auto* pad = static_cast<vho::XInputDevice*>(reader.deviceManager->GetDevice(0));
    for (const Row& r : rows) {
        SCOPED_TRACE(::testing::Message() << r.rx << "," << r.ry);
        input.set_pad(0, Pad(0, 0, 0, 0, 0, r.rx, r.ry));
        Poll();
        EXPECT_EQ(pad->current, r.bits);
    }
}

TEST_F(PadReaderTest, APadThatStopsAnsweringKeepsItsLastState) {
    StartWithPads(1);
    input.set_pad(0, Pad(platform::input::XINPUT_GAMEPAD_B, 0, 0, 0, 0));
    Poll();
    input.set_connected(0, false);
    for (int poll = 0; poll < 2; ++poll) {
        Poll();
        EXPECT_EQ(reader.GetButtonState(0, 0), QZW::kQzPadB);
        EXPECT_EQ(reader.GetTriggerState(0, 0), QZW::kQzPadB);
    }
    EXPECT_EQ(reader.deviceManager->GetDevice(0)->Poll(),
              platform::input::ERROR_DEVICE_NOT_CONNECTED);

    // Back again with B let go: the edges move on from the kept state.
    input.set_pad(0, PadState{});
    Poll();
    EXPECT_EQ(reader.GetButtonState(0, 0), 0);
    EXPECT_EQ(reader.GetTriggerState(0, 0), 0);
    EXPECT_TRUE(reader.deviceManager->GetDevice(0)->IsRelease(13));

    // The keyboard likewise keeps its keys when its state cannot be read.
    input.set_key('S', true);
    Poll();
    input.set_key('S', false);
    input.set_keyboard_available(false);
    Poll();
    EXPECT_EQ(reader.GetButtonState(1, 0), QZW::kQzPadDown);
    EXPECT_EQ(reader.GetTriggerState(1, 0), QZW::kQzPadDown);
}

TEST_F(PadReaderTest, PlayersAndCodesOutOfRangeReadAsNothing) {
    using namespace platform::input;
    for (int i = 0; i < 4; ++i) {
        input.set_pad(std::uint32_t(i), Pad(0xFFFF, 255, 255, 32767, 32767, 32767, 32767));
    }
    // Before Initialize nobody is there.
    EXPECT_EQ(reader.GetPlayerCount(), 0);
    EXPECT_EQ(reader.GetButtonState(0, 0), 0);
    EXPECT_FALSE(reader.IsKeyboard(0));
    EXPECT_FALSE(reader.IsConnected(0));
    reader.Update();

    ASSERT_TRUE(reader.Initialize());
    Poll();
    for (int p = 0; p < 4; ++p) {
        EXPECT_NE(reader.GetButtonState(p, 0), 0) << "player " << p;
    }
    for (int p : {4, 5, -1, 100, INT_MAX, INT_MIN}) {
        SCOPED_TRACE(p);
        EXPECT_EQ(reader.GetButtonState(p, 0), 0);
        EXPECT_EQ(reader.GetTriggerState(p, 0), 0);
        EXPECT_FALSE(reader.IsConnected(p));
        EXPECT_FALSE(reader.IsKeyboard(p));
    }

    auto* pad = static_cast<vho::XInputDevice*>(reader.deviceManager->GetDevice(0));
    pad->current = 0xFFFFFFFFu;
    EXPECT_TRUE(pad->IsPress(31));
    for (std::uint32_t bit : {32u, 33u, 64u, 0xFFFFFFFFu}) {
        EXPECT_FALSE(pad->IsPress(bit)) << bit;
        EXPECT_FALSE(pad->IsTrigger(bit)) << bit;
        EXPECT_FALSE(pad->IsRelease(bit)) << bit;
    }
    vho::KeyboardDevice keys(nullptr);
    for (std::uint8_t& b : keys.keys) {
        b = 0x07;
    }
    EXPECT_TRUE(keys.IsPress(255));
    for (std::uint32_t vk : {256u, 1000u, 0xFFFFFFFFu}) {
        EXPECT_FALSE(keys.IsPress(vk)) << vk;
        EXPECT_FALSE(keys.IsTrigger(vk)) << vk;
        EXPECT_FALSE(keys.IsRelease(vk)) << vk;
    }
    // Pad indices past 3 never answer.
    PadState s;
    EXPECT_EQ(input.pad_state(4, &s), ERROR_DEVICE_NOT_CONNECTED);
}

TEST_F(PadReaderTest, InputManagerDrivesItsPadReader) {
    QZW::Win::CQzInputManager manager(&reader);
    auto* window = reinterpret_cast<HWND>(std::uintptr_t(0x1234));
    manager.SetWindow(window);
    ASSERT_TRUE(manager.Initialize(nullptr));
    EXPECT_EQ(manager.GetPadReader(), &reader);
    EXPECT_EQ(reader.deviceManager->hwnd, window);
    EXPECT_EQ(manager.GetPadReader()->GetPlayerCount(), 2);

    const std::uint32_t before = input.keyboard_reads();
    input.set_key('D', true);
    manager.Update();
    EXPECT_EQ(input.keyboard_reads(), before + 1);
    EXPECT_EQ(manager.GetPadReader()->GetButtonState(0, 0), QZW::kQzPadRight);

    manager.Finalize();
    EXPECT_EQ(reader.deviceManager, nullptr);
    EXPECT_EQ(manager.GetPadReader()->GetPlayerCount(), 0);
    EXPECT_EQ(manager.GetPadReader()->GetButtonState(0, 0), 0);
}

}  // namespace
