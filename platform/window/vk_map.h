// Keyboard codes: SDL scancodes (USB HID usage numbers) to Win32 virtual-key
// codes, and the character a key types. Pure functions, no SDL header needed,
// so the input layer and the tests use the same table.
// Limits: layout-independent (a US keyboard); unknown scancodes map to 0.
#pragma once

#include <cstdint>

namespace platform::window {

// The virtual-key code of a scancode, side-specific for the modifiers
// (VK_LSHIFT, VK_RCONTROL, VK_LMENU, ...); the numpad Enter gives VK_RETURN.
// 0 when the key has no virtual-key code here.
int vk_from_scancode(int scancode);

// The code a WM_KEYDOWN carries: VK_LSHIFT/VK_RSHIFT -> VK_SHIFT and the same
// for control and alt; other codes unchanged.
int generic_vk(int vk);

// The character TranslateMessage makes of a key on a US layout: control
// characters (Escape 0x1B, Return 0x0D, Backspace 0x08, Tab 0x09), space,
// letters (upper case with shift), digits and the numpad; 0 for none.
std::uint32_t char_from_vk(int vk, bool shift);

// True for the keys whose character is a control code (Escape, Return,
// Backspace, Tab): their WM_CHAR never comes from text input.
bool is_control_char_key(int vk);

}  // namespace platform::window
