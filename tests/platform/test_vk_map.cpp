// The scancode table and the characters keys type, checked against the USB
// HID usage numbers SDL reports and the Win32 codes the engine tests.
#include "platform/window/vk_map.h"

#include <gtest/gtest.h>

#include "platform/win32/win32_types.h"

namespace {

using namespace platform::window;
using namespace platform::win32;

struct ScanCase {
    int scancode;
    int vk;
    const char* what;
};

TEST(VkMap, ScancodesMapToWin32VirtualKeys) {
    const ScanCase cases[] = {
        {4, 'A', "A"},
        {29, 'Z', "Z"},
        {22, 'S', "S"},
        {30, '1', "1"},
        {38, '9', "9"},
        {39, '0', "0 (after 9 in HID order)"},
        {40, VK_RETURN, "Return"},
        {41, VK_ESCAPE, "Escape"},
        {42, VK_BACK, "Backspace"},
        {43, VK_TAB, "Tab"},
        {44, VK_SPACE, "Space"},
        {58, VK_F1, "F1"},
        {69, VK_F12, "F12"},
        {79, VK_RIGHT, "Right"},
        {80, VK_LEFT, "Left"},
        {81, VK_DOWN, "Down"},
        {82, VK_UP, "Up"},
        {74, VK_HOME, "Home"},
        {75, VK_PRIOR, "Page Up"},
        {78, VK_NEXT, "Page Down"},
        {84, VK_DIVIDE, "KP /"},
        {85, VK_MULTIPLY, "KP *"},
        {86, VK_SUBTRACT, "KP -"},
        {87, VK_ADD, "KP +"},
        {88, VK_RETURN, "KP Enter"},
        {89, VK_NUMPAD1, "KP 1"},
        {91, VK_NUMPAD3, "KP 3"},
        {92, VK_NUMPAD4, "KP 4"},
        {94, VK_NUMPAD6, "KP 6"},
        {97, VK_NUMPAD9, "KP 9"},
        {98, VK_NUMPAD0, "KP 0 (after KP 9)"},
        {99, VK_DECIMAL, "KP ."},
        {224, VK_LCONTROL, "left Ctrl"},
        {225, VK_LSHIFT, "left Shift"},
        {226, VK_LMENU, "left Alt"},
        {228, VK_RCONTROL, "right Ctrl"},
        {229, VK_RSHIFT, "right Shift"},
        {230, VK_RMENU, "right Alt"},
        {0, 0, "unknown"},
        {3, 0, "error roll-over"},
        {-1, 0, "negative"},
        {232, 0, "past the table"},
        {512, 0, "far past the table"},
    };
    for (const ScanCase& c : cases) {
        EXPECT_EQ(vk_from_scancode(c.scancode), c.vk)
            << c.what << " (scancode " << c.scancode << ")";
    }
}

TEST(VkMap, KeyMessagesCarryTheGenericModifierCodes) {
    const int cases[][2] = {
        {VK_LSHIFT, VK_SHIFT},
        {VK_RSHIFT, VK_SHIFT},
        {VK_LCONTROL, VK_CONTROL},
        {VK_RCONTROL, VK_CONTROL},
        {VK_LMENU, VK_MENU},
        {VK_RMENU, VK_MENU},
        {'A', 'A'},
        {VK_DECIMAL, VK_DECIMAL},
    };
    for (const auto& c : cases)
        EXPECT_EQ(generic_vk(c[0]), c[1]) << "vk " << c[0];
}

struct CharCase {
    int vk;
    bool shift;
    std::uint32_t ch;
};

TEST(VkMap, KeysTypeTheirUsLayoutCharacters) {
    const CharCase cases[] = {
        {VK_ESCAPE, false, 0x1B}, {VK_ESCAPE, true, 0x1B},  {VK_RETURN, false, 0x0D},
        {VK_BACK, false, 0x08},   {VK_TAB, false, 0x09},    {VK_SPACE, false, ' '},
        {'A', false, 'a'},        {'A', true, 'A'},         {'Z', false, 'z'},
        {'0', false, '0'},        {'1', true, '!'},         {'0', true, ')'},
        {VK_NUMPAD7, false, '7'}, {VK_DECIMAL, false, '.'}, {VK_ADD, false, '+'},
        {VK_F1, false, 0},        {VK_SHIFT, true, 0},      {VK_LEFT, false, 0},
    };
    for (const CharCase& c : cases) {
        EXPECT_EQ(char_from_vk(c.vk, c.shift), c.ch) << "vk " << c.vk << " shift " << c.shift;
    }
}

}  // namespace
