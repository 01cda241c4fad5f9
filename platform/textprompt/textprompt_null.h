// A scripted text-prompt backend for tests: records when the input method is
// switched on and off and where, and answers the composition the test sets.
#pragma once

#include <string>

#include "platform/textprompt/textprompt.h"

namespace platform::textprompt {

class ScriptedTextPrompt final : public Backend {
public:
    bool load() override;
    void unload() override;
    void begin_input(int x, int y, int w, int h) override;
    void end_input() override;
    bool input_active() const override { return active_; }
    std::string composition() const override { return composition_; }

    // What the input method is composing (UTF-8); cleared by end_input.
    void set_composition(std::string text) { composition_ = std::move(text); }
    // When false, load() fails as a missing library would.
    void set_loadable(bool loadable) { loadable_ = loadable; }

    bool loaded() const { return loaded_; }
    int begin_count() const { return begin_count_; }
    int end_count() const { return end_count_; }
    int last_x() const { return last_x_; }
    int last_y() const { return last_y_; }

private:
    bool loadable_ = true;
    bool loaded_ = false;
    bool active_ = false;
    int begin_count_ = 0;
    int end_count_ = 0;
    int last_x_ = 0;
    int last_y_ = 0;
    std::string composition_;
};

}  // namespace platform::textprompt
