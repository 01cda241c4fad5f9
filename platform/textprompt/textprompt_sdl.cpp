// The text prompt's input method over SDL2: SDL_StartTextInput while the
// prompt is open, and the pre-edit text from SDL_TEXTEDITING, seen through
// an event watch so the window's event pump needs no change.
// Differs from Windows: there is no rich-edit library to load (load() has
// nothing to do); the composition's caret is not shown.
#include "platform/textprompt/textprompt.h"

#include <SDL.h>

#include <atomic>

namespace platform::textprompt {
namespace {

class SdlTextPrompt final : public Backend {
public:
    bool load() override { return true; }
    void unload() override { end_input(); }

    void begin_input(int x, int y, int w, int h) override {
        if (!watching_) {
            SDL_AddEventWatch(&SdlTextPrompt::Watch, this);
            watching_ = true;
        }
        composition_.clear();
        SDL_Rect r{x, y, w, h};
        SDL_SetTextInputRect(&r);
        SDL_StartTextInput();
        active_ = true;
    }

    void end_input() override {
        if (watching_) {
            SDL_DelEventWatch(&SdlTextPrompt::Watch, this);
            watching_ = false;
        }
        composition_.clear();
        active_ = false;
        // Keys keep giving characters (the game window's WM_CHAR) as before.
        if (SDL_WasInit(SDL_INIT_VIDEO) != 0) {
            SDL_StartTextInput();
        }
    }

    bool input_active() const override { return active_; }
    std::string composition() const override { return composition_; }

private:
    static int Watch(void* self, SDL_Event* e) {
        auto* p = static_cast<SdlTextPrompt*>(self);
        if (e->type == SDL_TEXTEDITING) {
            p->composition_ = e->edit.text;
        } else if (e->type == SDL_TEXTINPUT) {
            p->composition_.clear();
        }
        return 0;
    }

    bool active_ = false;
    bool watching_ = false;
    std::string composition_;
};

std::atomic<Backend*> g_override{nullptr};

}  // namespace

Backend& sdl_backend() {
    static SdlTextPrompt backend;
    return backend;
}

Backend& current() {
    Backend* b = g_override.load(std::memory_order_acquire);
    return b ? *b : sdl_backend();
}

void set_current(Backend* backend) {
    g_override.store(backend, std::memory_order_release);
}

}  // namespace platform::textprompt
