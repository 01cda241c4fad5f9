// The posted-message queue both window backends share: FIFO of Msg, each key
// down carrying the characters it types, and TranslateMessage's rule that
// turns a key down into WM_CHAR messages delivered next.
// Main thread only; no system calls.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "platform/window/window.h"

namespace platform::window {

class MessageQueue {
public:
    // Appends a message; `chars` are what translate() posts for a key down.
    void post(const Msg& msg, std::vector<std::uint32_t> chars = {});
    bool empty() const { return entries_.empty(); }
    // The oldest message without taking it.
    bool peek(Msg* out) const;
    // Takes the oldest message and keeps its characters for translate().
    bool take(Msg* out);
    // WM_KEYDOWN: Escape, Return, Backspace and Tab give their control code;
    // other keys the characters they came with when `msg` is the message last
    // taken. The WM_CHARs go to the front, so they are the next messages.
    void translate(const Msg& msg);
    // Text typed by the key down still queued last: attached to it when it
    // has no characters yet (true), else nothing changes (false).
    bool attach_to_last_key_down(const std::vector<std::uint32_t>& chars);
    // True when a `message` for `hwnd` waits.
    bool contains(HWND hwnd, UINT message) const;
    // True when a close request (WM_CLOSE, WM_QUIT) waits, or, when
    // `escape_counts`, an Escape key down.
    bool has_close_request(bool escape_counts) const;
    // Drops the messages of a destroyed window.
    void remove_window(HWND hwnd);
    std::vector<Msg> messages() const;

private:
    struct Entry {
        Msg msg;
        std::vector<std::uint32_t> chars;
    };
    std::deque<Entry> entries_;
    Entry last_taken_;
};

}  // namespace platform::window
