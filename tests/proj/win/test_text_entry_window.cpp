// The text-entry prompt driven through the game window's messages with the
// scripted input-method backend: its state table, the text it keeps on each
// way of closing, the limit, and the 127-unit cut that never splits a pair.
#include "proj/win/text_entry_window.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/textprompt/textprompt_null.h"
#include "platform/window/window_null.h"
#include "proj/win/system_util.h"
#include "proj/win/test_win.h"
#include "qzware/win/qz_game_manager.h"

namespace {

using namespace platform::win32;
using Sample::Win::CSystemUtil;
using Sample::Win::CTestWin;
using Sample::Win::CTextEntryWindow;

class TextEntryTest : public ::testing::Test {
public:
    void SetUp() override {
        platform::textprompt::set_current(&prompt);
        util().EndKeyboard();
    }
    void TearDown() override {
        util().EndKeyboard();
        platform::textprompt::set_current(nullptr);
    }
    static CSystemUtil& util() { return CSystemUtil::GetInstance(); }

    // Types through the game window, as the player's keys arrive.
    void Type(const std::u32string& chars) {
        for (char32_t c : chars) {
            window.WndProc(nullptr, WM_CHAR, WPARAM(c), 0);
        }
    }
    void Key(int vk) { window.WndProc(nullptr, WM_KEYDOWN, WPARAM(vk), 0); }

    platform::window::NullBackend desk;
    platform::window::ScopedBackend scoped{desk};
    platform::textprompt::ScriptedTextPrompt prompt;
    CTestWin window;
};

TEST_F(TextEntryTest, StatesFollowOpenTypeEnterAndEnd) {
    EXPECT_EQ(0, util().GetKeyboardDialogState());
    util().OpenKeyboardDialog("Name", "ab", 16);
    EXPECT_EQ(1, util().GetKeyboardDialogState());
    EXPECT_EQ(2, util().GetKeyboardDialogEndState());
    EXPECT_TRUE(prompt.input_active());
    ASSERT_NE(nullptr, util().GetDialogWindow());
    EXPECT_EQ(2u, util().GetDialogWindow()->GetCaret()) << "the caret starts at the end";

    Type(U"c\u00e9");
    EXPECT_EQ("ab", util().GetKeyboardDialogText()) << "nothing is taken before Enter";
    Type(U"\r");
    EXPECT_EQ(2, util().GetKeyboardDialogState());
    EXPECT_EQ(nullptr, util().GetDialogWindow());
    EXPECT_FALSE(prompt.input_active());
    EXPECT_EQ("abc\xc3\xa9", util().GetKeyboardDialogText());

    util().OpenKeyboardDialog("Again", "x", 16);
    EXPECT_EQ(1, util().GetKeyboardDialogState());
    EXPECT_EQ("x", util().GetKeyboardDialogText()) << "opening replaces the text";
    util().EndKeyboard();
    EXPECT_EQ(0, util().GetKeyboardDialogState());
    EXPECT_EQ(2, util().GetKeyboardDialogEndState()) << "the end state stays 2";
    EXPECT_EQ(2, prompt.end_count());
}

TEST_F(TextEntryTest, ClosingWithoutEnterKeepsTheInitialText) {
    struct Case {
        const char* how;
        void (*close)(TextEntryTest&);
    };
    const Case cases[] = {
        {"Escape", [](TextEntryTest& t) { t.Type(U"\x1b"); }},
        {"WM_CLOSE", [](TextEntryTest&) { util().GetDialogWindow()->DialogProc(WM_CLOSE, 0, 0); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.how);
        util().OpenKeyboardDialog("", "keep", 16);
        Type(U"zz");
        c.close(*this);
        EXPECT_EQ(2, util().GetKeyboardDialogState());
        EXPECT_EQ("keep", util().GetKeyboardDialogText());
    }
}

TEST_F(TextEntryTest, TheOkButtonTakesTheText) {
    util().OpenKeyboardDialog("", "", 16);
    Type(U"ok");
    util().GetDialogWindow()->DialogProc(WM_COMMAND, Sample::Win::kOkButtonId, 0);
    EXPECT_EQ(2, util().GetKeyboardDialogState());
    EXPECT_EQ("ok", util().GetKeyboardDialogText());
}

TEST_F(TextEntryTest, ASecondOpenWhileOpenChangesNothing) {
    util().OpenKeyboardDialog("First", "one", 5);
    util().OpenKeyboardDialog("Second", "two", 50);
    const Sample::Win::TextEntryGlobals& g = Sample::Win::GetTextEntryGlobals();
    EXPECT_EQ(u"First", g.title);
    EXPECT_EQ(u"one", g.text);
    EXPECT_EQ(5, g.maxLength);
    EXPECT_EQ(1, prompt.begin_count());
}

TEST_F(TextEntryTest, EditingKeysWorkOnWholeCharactersAndTheLimitHolds) {
    util().OpenKeyboardDialog("", "", 4);
    Type(U"a\U0001F600b");  // a, a pair, b: four units
    Type(U"c");             // over the limit: refused
    CTextEntryWindow* p = util().GetDialogWindow();
    EXPECT_EQ(u"a\U0001F600b", p->GetEditText());
    Key(VK_LEFT);
    Key(VK_LEFT);  // before the pair
    EXPECT_EQ(1u, p->GetCaret());
    Key(VK_DELETE);
    EXPECT_EQ(u"ab", p->GetEditText()) << "delete takes the whole pair";
    Key(VK_END);
    Type(U"\b");
    EXPECT_EQ(u"a", p->GetEditText());
    Key(VK_HOME);
    Type(U"z");
    EXPECT_EQ(u"za", p->GetEditText());
}

TEST_F(TextEntryTest, EscapeWhileThePromptIsOpenDoesNotEndTheGame) {
    QZW::Win::GetGameManager().SetEscapeQuit(true);
    util().OpenKeyboardDialog("", "", 8);
    // Returning at all shows the game went on; the prompt took the key.
    EXPECT_EQ(0, window.WndProc(nullptr, WM_CHAR, WPARAM(VK_ESCAPE), 0));
    EXPECT_EQ(2, util().GetKeyboardDialogState());
}

TEST(TextEntryCut, CutsAt127UnitsWithoutSplittingASurrogatePair) {
    const std::u16string pair = u"\U0001F600";
    const struct {
        const char* what;
        std::u16string text;
        std::size_t kept;
    } cases[] = {
        {"short", std::u16string(10, u'a'), 10},
        {"exactly 127", std::u16string(127, u'a'), 127},
        {"128 plain", std::u16string(128, u'a'), 127},
        {"pair across the cut", std::u16string(126, u'a') + pair + u"b", 126},
        {"pair before the cut", std::u16string(125, u'a') + pair + u"bc", 127},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::u16string cut = Sample::Win::CutTakenText(c.text);
        EXPECT_EQ(c.kept, cut.size());
        EXPECT_EQ(c.text.substr(0, c.kept), cut);
    }
}

TEST_F(TextEntryTest, EnterTakesAtMost127Units) {
    util().OpenKeyboardDialog("", std::string(125, 'a'), 0);
    Type(U"\U0001F600\r");
    EXPECT_EQ(std::string(125, 'a') + "\xf0\x9f\x98\x80", util().GetKeyboardDialogText());
    util().OpenKeyboardDialog("", std::string(126, 'a'), 0);
    Type(U"\U0001F600\r");
    EXPECT_EQ(std::string(126, 'a'), util().GetKeyboardDialogText());
}

}  // namespace
