// The open text-entry prompt drawn by the game draw task each frame: two
// lines of the 8x8 font over its box, one cell per character (anything beyond
// ASCII shows as one "?"), and nothing while no prompt is open.
#include "proj/win/text_entry_overlay.h"

#include <gtest/gtest.h>

#include "platform/textprompt/textprompt_null.h"
#include "proj/game/game_draw_task.h"
#include "proj/win/system_util.h"
#include "proj/win/text_entry_window.h"
#include "qzware/scene/qz_sprite_list.h"
#include "tests/support/game_draw_fakes.h"

namespace {

using Sample::Win::CSystemUtil;

class TextEntryOverlayTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::textprompt::set_current(&prompt);
        CSystemUtil::GetInstance().EndKeyboard();
    }
    void TearDown() override {
        CSystemUtil::GetInstance().EndKeyboard();
        platform::textprompt::set_current(nullptr);
    }
    // Vertices of the debug text the frame queued: four per character cell.
    std::size_t CellsAfterAFrame(Sample::CGameDrawTask& task) {
        task.Update();
        return task.debugSpriteList->GetVertexCount() / 4;
    }

    platform::textprompt::ScriptedTextPrompt prompt;
    qz_test_support::RecordingGraphics graphics;
    qz_test_support::GameDrawWorld world{graphics};
};

TEST_F(TextEntryOverlayTest, ThePromptIsQueuedEveryFrameWhileOpenAndNeverAfter) {
    Sample::CGameDrawTask& task = world.MakeTask(true);
    EXPECT_EQ(0u, CellsAfterAFrame(task));

    CSystemUtil::GetInstance().OpenKeyboardDialog("Hi", "ab", 8);
    // "Hi", then "ab_" with the caret at the end.
    EXPECT_EQ(5u, CellsAfterAFrame(task));
    EXPECT_EQ(5u, CellsAfterAFrame(task)) << "queued again in the next frame";

    prompt.set_composition("xy");
    EXPECT_EQ(9u, CellsAfterAFrame(task)) << "the composition shows as [xy]";

    CSystemUtil::GetInstance().EndKeyboard();
    EXPECT_EQ(0u, CellsAfterAFrame(task));
}

TEST_F(TextEntryOverlayTest, CharactersBeyondAsciiTakeOneCellEach) {
    Sample::CGameDrawTask& task = world.MakeTask(true);
    // An accented letter (two UTF-8 bytes) and a surrogate pair (four).
    CSystemUtil::GetInstance().OpenKeyboardDialog("\xc3\xa9", "a\xf0\x9f\x98\x80", 8);
    EXPECT_EQ(1u + 3u, CellsAfterAFrame(task));
}

}  // namespace
