#include "platform/textprompt/textprompt_null.h"

namespace platform::textprompt {

bool ScriptedTextPrompt::load() {
    loaded_ = loadable_;
    return loaded_;
}

void ScriptedTextPrompt::unload() {
    loaded_ = false;
}

void ScriptedTextPrompt::begin_input(int x, int y, int, int) {
    active_ = true;
    ++begin_count_;
    last_x_ = x;
    last_y_ = y;
}

void ScriptedTextPrompt::end_input() {
    active_ = false;
    ++end_count_;
    composition_.clear();
}

}  // namespace platform::textprompt
