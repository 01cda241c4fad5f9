// The text-entry window: a modeless prompt drawn over the game (frames keep
// running while the scripts poll it) in place of the rich-edit dialog. It
// takes the game window's WM_CHAR and WM_KEYDOWN messages while it is open:
// characters are inserted at the caret up to the limit, Enter takes the text,
// Escape or WM_CLOSE closes it keeping the text it was opened with.
#pragma once

#include <cstdint>
#include <string>

#include "platform/win32/win32_types.h"

namespace acGraphics {
class CBitmapFont;
}

namespace Sample::Win {

class CSystemUtil;

// The process-wide text-entry values the prompt reads and writes.
struct TextEntryGlobals {
    std::u16string title;
    std::u16string text;
    std::int32_t maxLength = 0;
    platform::win32::HWND parentWindow = nullptr;
    acGraphics::CBitmapFont* font = nullptr;  // fetched on opening; unused
};
TextEntryGlobals& GetTextEntryGlobals();

// The most UTF-16 units a taken text keeps (a 256-byte buffer, terminator
// included); a surrogate pair is never split.
constexpr std::size_t kTakenTextUnits = 127;
std::u16string CutTakenText(const std::u16string& text);

// The prompt's control ids (the dialog's OK button and its text control).
constexpr std::uint32_t kOkButtonId = 1002;
constexpr std::uint32_t kTextControlId = 1006;

class CTextEntryWindow {
public:
    // The prompt's size in the 1280x720 picture; centred on the parent.
    static constexpr int kWidth = 640;
    static constexpr int kHeight = 72;

    explicit CTextEntryWindow(CSystemUtil* owner);
    ~CTextEntryWindow();
    CTextEntryWindow(const CTextEntryWindow&) = delete;
    CTextEntryWindow& operator=(const CTextEntryWindow&) = delete;

    // The dialog's messages: WM_INITDIALOG fills the text control from the
    // globals and turns the input method on; WM_COMMAND with the OK button
    // takes the text and closes; WM_CLOSE closes.
    platform::win32::LRESULT DialogProc(platform::win32::UINT message,
                                        platform::win32::WPARAM wParam,
                                        platform::win32::LPARAM lParam);
    // The text control's keyboard messages; true when the prompt used it.
    bool EditProc(platform::win32::UINT message, platform::win32::WPARAM wParam,
                  platform::win32::LPARAM lParam);

    const std::u16string& GetEditText() const { return editText; }
    std::size_t GetCaret() const { return caret; }
    std::size_t GetLimit() const { return limit; }
    int GetLeft() const { return left; }
    int GetTop() const { return top; }

private:
    void TakeText();
    void Close();
    void Insert(std::uint32_t codePoint);
    void EraseBefore();
    void EraseAfter();

    CSystemUtil* owner;
    std::u16string editText;
    std::size_t caret = 0;
    std::size_t limit = 0;
    int left = 0;
    int top = 0;
    bool closed = false;
};

}  // namespace Sample::Win
