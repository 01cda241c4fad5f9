// Text input for the game's text-entry prompt, in place of the rich-edit
// control's input method handling: one abstract backend chosen at start-up.
//   textprompt_sdl.cpp  - SDL2 text input and IME composition (the program)
//   textprompt_null.cpp - a scripted fake for tests (no display needed)
// Main (game) thread only. Typed characters reach the prompt as WM_CHAR
// messages of the game window; this layer only switches the input method on
// and off and reports the text it is still composing.
#pragma once

#include <string>

namespace platform::textprompt {

class Backend {
public:
    virtual ~Backend() = default;

    // Loads what the prompt needs (LoadLibraryA("Riched20.dll")); false when
    // it cannot be had, and the prompt then opens without an input method.
    virtual bool load() = 0;
    virtual void unload() = 0;

    // WINNLSEnableIME: input method on while the prompt is open, off after.
    // `x`, `y`, `w`, `h`: where the composition window should appear, in the
    // game window's client pixels.
    virtual void begin_input(int x, int y, int w, int h) = 0;
    virtual void end_input() = 0;
    virtual bool input_active() const = 0;

    // The input method's pre-edit text (UTF-8), empty when it composes nothing.
    virtual std::string composition() const = 0;
};

// The backend in force: SDL2 unless a test set another.
Backend& current();
// nullptr restores the SDL2 backend; the caller keeps ownership.
void set_current(Backend* backend);
// The SDL2 backend (textprompt_sdl.cpp).
Backend& sdl_backend();

}  // namespace platform::textprompt
