#include "platform/input/scancode_vk.h"

#include <array>
#include <cstdint>

// Scancode numbers are USB HID keyboard usages (SDL_scancode.h keeps them);
// VK codes are those of winuser.h.
namespace platform::input {
namespace {

constexpr int kScancodeCount = 232;  // through SDL_SCANCODE_RGUI (231)

struct Range {
    int first_scancode;
    int last_scancode;
    int first_vk;
};

// Runs of consecutive scancodes with consecutive VK codes.
constexpr Range kRanges[] = {
    {4, 29, 'A'},      // A..Z
    {30, 38, '1'},     // 1..9
    {58, 69, 0x70},    // F1..F12
    {89, 97, 0x61},    // keypad 1..9 (VK_NUMPAD1..9)
    {104, 115, 0x7C},  // F13..F24
};

struct Single {
    int scancode;
    int vk;
};

constexpr Single kSingles[] = {
    {39, '0'},   {40, 0x0D},  // Return
    {41, 0x1B},               // Escape
    {42, 0x08},               // Backspace
    {43, 0x09},               // Tab
    {44, 0x20},               // Space
    {45, 0xBD},               // - (VK_OEM_MINUS)
    {46, 0xBB},               // = (VK_OEM_PLUS)
    {47, 0xDB},               // [ (VK_OEM_4)
    {48, 0xDD},               // ] (VK_OEM_6)
    {49, 0xDC},               // backslash (VK_OEM_5)
    {50, 0xDC},               // non-US # sits where backslash does
    {51, 0xBA},               // ; (VK_OEM_1)
    {52, 0xDE},               // ' (VK_OEM_7)
    {53, 0xC0},               // ` (VK_OEM_3)
    {54, 0xBC},               // , (VK_OEM_COMMA)
    {55, 0xBE},               // . (VK_OEM_PERIOD)
    {56, 0xBF},               // / (VK_OEM_2)
    {57, 0x14},               // Caps Lock (VK_CAPITAL)
    {70, 0x2C},               // Print Screen (VK_SNAPSHOT)
    {71, 0x91},               // Scroll Lock
    {72, 0x13},               // Pause
    {73, 0x2D},               // Insert
    {74, 0x24},               // Home
    {75, 0x21},               // Page Up (VK_PRIOR)
    {76, 0x2E},               // Delete
    {77, 0x23},               // End
    {78, 0x22},               // Page Down (VK_NEXT)
    {79, 0x27},               // Right
    {80, 0x25},               // Left
    {81, 0x28},               // Down
    {82, 0x26},               // Up
    {83, 0x90},               // Num Lock
    {84, 0x6F},               // keypad /
    {85, 0x6A},               // keypad *
    {86, 0x6D},               // keypad -
    {87, 0x6B},               // keypad +
    {88, 0x0D},               // keypad Enter reads as Return, as on Windows
    {98, 0x60},               // keypad 0
    {99, 0x6E},               // keypad . (VK_DECIMAL)
    {100, 0xE2},              // non-US backslash (VK_OEM_102)
    {101, 0x5D},              // Application (VK_APPS)
    {224, 0xA2},              // left Ctrl
    {225, 0xA0},              // left Shift
    {226, 0xA4},              // left Alt
    {227, 0x5B},              // left GUI (VK_LWIN)
    {228, 0xA3},              // right Ctrl
    {229, 0xA1},              // right Shift
    {230, 0xA5},              // right Alt
    {231, 0x5C},              // right GUI (VK_RWIN)
};

constexpr std::array<std::uint8_t, kScancodeCount> build_table() {
    std::array<std::uint8_t, kScancodeCount> t{};
    for (const Range& r : kRanges) {
        for (int s = r.first_scancode; s <= r.last_scancode; ++s) {
            t[std::size_t(s)] = std::uint8_t(r.first_vk + (s - r.first_scancode));
        }
    }
    for (const Single& s : kSingles) {
        t[std::size_t(s.scancode)] = std::uint8_t(s.vk);
    }
    return t;
}

constexpr std::array<std::uint8_t, kScancodeCount> kTable = build_table();

}  // namespace

int vk_from_scancode(int sdl_scancode) {
    if (sdl_scancode < 0 || sdl_scancode >= kScancodeCount) {
        return 0;
    }
    return kTable[std::size_t(sdl_scancode)];
}

}  // namespace platform::input
