// SDL events to window messages for the SDL2 backend: window close and
// SDL_QUIT become WM_CLOSE, keys WM_KEYDOWN/WM_KEYUP with virtual-key codes,
// text input the characters of the key that typed it. Depends on SDL2 events.
// Main thread only.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "platform/window/message_queue.h"

namespace platform::window {

// Polls every pending SDL event into `queue`. `by_id` maps SDL window ids to
// handles; keys and text without a known window, and SDL_QUIT, go to
// `game_window` (SDL_QUIT becomes WM_QUIT when there is none).
void pump_sdl_events(MessageQueue& queue, const std::map<std::uint32_t, HWND>& by_id,
                     HWND game_window);

// UTF-8 to code points; each byte of a broken sequence gives U+FFFD.
std::vector<std::uint32_t> decode_utf8(const char* text);

}  // namespace platform::window
