#include "platform/window/vk_map.h"

#include <array>

#include "platform/win32/win32_types.h"

// The scancode numbers are the USB HID keyboard usages SDL uses; they never
// change between SDL releases, so the table does not need SDL's header.
namespace platform::window {
namespace {

using namespace platform::win32;

constexpr int kScancodeCount = 232;

// Win32 codes that win32_types.h does not name (the engine never tests them).
constexpr int VK_PAUSE = 0x13;
constexpr int VK_CAPITAL = 0x14;
constexpr int VK_SNAPSHOT = 0x2C;
constexpr int VK_LWIN = 0x5B;
constexpr int VK_RWIN = 0x5C;
constexpr int VK_APPS = 0x5D;
constexpr int VK_NUMLOCK = 0x90;
constexpr int VK_SCROLL = 0x91;
constexpr int VK_OEM_1 = 0xBA;  // ;:
constexpr int VK_OEM_PLUS = 0xBB;
constexpr int VK_OEM_COMMA = 0xBC;
constexpr int VK_OEM_MINUS = 0xBD;
constexpr int VK_OEM_PERIOD = 0xBE;
constexpr int VK_OEM_2 = 0xBF;  // /?
constexpr int VK_OEM_3 = 0xC0;  // `~
constexpr int VK_OEM_4 = 0xDB;  // [{
constexpr int VK_OEM_5 = 0xDC;  // \|
constexpr int VK_OEM_6 = 0xDD;  // ]}
constexpr int VK_OEM_7 = 0xDE;  // '"
constexpr int VK_OEM_102 = 0xE2;

constexpr std::array<std::uint8_t, kScancodeCount> make_table() {
    std::array<std::uint8_t, kScancodeCount> t{};
    for (int i = 0; i < 26; ++i)
        t[4 + i] = std::uint8_t('A' + i);  // A..Z
    for (int i = 0; i < 9; ++i)
        t[30 + i] = std::uint8_t('1' + i);  // 1..9
    t[39] = '0';
    t[40] = VK_RETURN;
    t[41] = VK_ESCAPE;
    t[42] = VK_BACK;
    t[43] = VK_TAB;
    t[44] = VK_SPACE;
    t[45] = VK_OEM_MINUS;
    t[46] = VK_OEM_PLUS;
    t[47] = VK_OEM_4;
    t[48] = VK_OEM_6;
    t[49] = VK_OEM_5;
    t[50] = VK_OEM_5;  // non-US hash sits where backslash is
    t[51] = VK_OEM_1;
    t[52] = VK_OEM_7;
    t[53] = VK_OEM_3;
    t[54] = VK_OEM_COMMA;
    t[55] = VK_OEM_PERIOD;
    t[56] = VK_OEM_2;
    t[57] = VK_CAPITAL;
    for (int i = 0; i < 12; ++i)
        t[58 + i] = std::uint8_t(VK_F1 + i);  // F1..F12
    t[70] = VK_SNAPSHOT;
    t[71] = VK_SCROLL;
    t[72] = VK_PAUSE;
    t[73] = VK_INSERT;
    t[74] = VK_HOME;
    t[75] = VK_PRIOR;
    t[76] = VK_DELETE;
    t[77] = VK_END;
    t[78] = VK_NEXT;
    t[79] = VK_RIGHT;
    t[80] = VK_LEFT;
    t[81] = VK_DOWN;
    t[82] = VK_UP;
    t[83] = VK_NUMLOCK;
    t[84] = VK_DIVIDE;
    t[85] = VK_MULTIPLY;
    t[86] = VK_SUBTRACT;
    t[87] = VK_ADD;
    t[88] = VK_RETURN;  // numpad Enter: Win32 reports VK_RETURN (extended)
    for (int i = 0; i < 9; ++i)
        t[89 + i] = std::uint8_t(VK_NUMPAD1 + i);  // KP 1..9
    t[98] = VK_NUMPAD0;
    t[99] = VK_DECIMAL;
    t[100] = VK_OEM_102;
    t[101] = VK_APPS;
    for (int i = 0; i < 12; ++i)
        t[104 + i] = std::uint8_t(VK_F12 + 1 + i);  // F13..F24
    t[224] = VK_LCONTROL;
    t[225] = VK_LSHIFT;
    t[226] = VK_LMENU;
    t[227] = VK_LWIN;
    t[228] = VK_RCONTROL;
    t[229] = VK_RSHIFT;
    t[230] = VK_RMENU;
    t[231] = VK_RWIN;
    return t;
}

constexpr auto kTable = make_table();

struct OemChar {
    int vk;
    char plain, shifted;
};
constexpr OemChar kOemChars[] = {
    {VK_OEM_MINUS, '-', '_'},  {VK_OEM_PLUS, '=', '+'}, {VK_OEM_4, '[', '{'},
    {VK_OEM_6, ']', '}'},      {VK_OEM_5, '\\', '|'},   {VK_OEM_1, ';', ':'},
    {VK_OEM_7, '\'', '"'},     {VK_OEM_3, '`', '~'},    {VK_OEM_COMMA, ',', '<'},
    {VK_OEM_PERIOD, '.', '>'}, {VK_OEM_2, '/', '?'},    {VK_MULTIPLY, '*', '*'},
    {VK_ADD, '+', '+'},        {VK_SUBTRACT, '-', '-'}, {VK_DIVIDE, '/', '/'},
    {VK_DECIMAL, '.', '.'},    {VK_SPACE, ' ', ' '},
};

}  // namespace

int vk_from_scancode(int scancode) {
    if (scancode < 0 || scancode >= kScancodeCount)
        return 0;
    return kTable[std::size_t(scancode)];
}

int generic_vk(int vk) {
    switch (vk) {
        case VK_LSHIFT:
        case VK_RSHIFT:
            return VK_SHIFT;
        case VK_LCONTROL:
        case VK_RCONTROL:
            return VK_CONTROL;
        case VK_LMENU:
        case VK_RMENU:
            return VK_MENU;
        default:
            return vk;
    }
}

bool is_control_char_key(int vk) {
    return vk == VK_ESCAPE || vk == VK_RETURN || vk == VK_BACK || vk == VK_TAB;
}

std::uint32_t char_from_vk(int vk, bool shift) {
    if (is_control_char_key(vk))
        return std::uint32_t(vk);  // the codes equal the characters
    if (vk >= 'A' && vk <= 'Z')
        return std::uint32_t(shift ? vk : vk - 'A' + 'a');
    if (vk >= '0' && vk <= '9') {
        constexpr char kShiftedDigits[] = ")!@#$%^&*(";
        return std::uint32_t(shift ? kShiftedDigits[vk - '0'] : vk);
    }
    if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9)
        return std::uint32_t('0' + (vk - VK_NUMPAD0));
    for (const OemChar& c : kOemChars) {
        if (c.vk == vk)
            return std::uint32_t(std::uint8_t(shift ? c.shifted : c.plain));
    }
    return 0;
}

}  // namespace platform::window
