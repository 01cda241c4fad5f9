// Draws the open text-entry prompt over the game: a dark box centred in the
// 1280x720 picture with the title, the text with its caret and what the
// input method is composing, in the debug layer's 8x8 font.
#pragma once

namespace Sample {
class CGameDrawTask;
}

namespace Sample::Win {

// Nothing while no prompt is open. Call after the layers were emptied for
// the frame (the prompt is queued again every frame).
void DrawTextEntryPrompt(CGameDrawTask& draw);

}  // namespace Sample::Win
