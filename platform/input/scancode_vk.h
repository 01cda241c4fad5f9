// The virtual-key code of a physical key: SDL scancodes (USB HID usages) to
// Win32 VK codes as a US layout gives them. Pure table, any thread.
// Limits: keys are mapped by position, so letters follow the US layout
// whatever the user's layout is; keys with no VK code answer 0.
#pragma once

namespace platform::input {

// The VK code (1..254) of an SDL scancode, or 0 when it has none.
int vk_from_scancode(int sdl_scancode);

}  // namespace platform::input
