#include "proj/win/text_entry_window.h"

#include "platform/textprompt/textprompt.h"
#include "proj/win/system_util.h"

namespace Sample::Win {
namespace {

using namespace platform::win32;

constexpr int kPictureWidth = 1280;
constexpr int kPictureHeight = 720;
// A limit of 0 lets the control hold as much as a rich-edit control does.
constexpr std::size_t kDefaultLimit = 32767;

bool IsHighSurrogate(char16_t u) {
    return u >= 0xD800 && u <= 0xDBFF;
}
bool IsLowSurrogate(char16_t u) {
    return u >= 0xDC00 && u <= 0xDFFF;
}

}  // namespace

TextEntryGlobals& GetTextEntryGlobals() {
    static TextEntryGlobals globals;
    return globals;
}

std::u16string CutTakenText(const std::u16string& text) {
    if (text.size() <= kTakenTextUnits) {
        return text;
    }
    std::size_t n = kTakenTextUnits;
    if (IsHighSurrogate(text[n - 1]) && IsLowSurrogate(text[n])) {
        --n;
    }
    return text.substr(0, n);
}

CTextEntryWindow::CTextEntryWindow(CSystemUtil* owner) : owner(owner) {}

CTextEntryWindow::~CTextEntryWindow() {
    if (!closed) {
        platform::textprompt::current().end_input();
    }
}

LRESULT CTextEntryWindow::DialogProc(UINT message, WPARAM wParam, LPARAM) {
    const TextEntryGlobals& g = GetTextEntryGlobals();
    switch (message) {
        case WM_INITDIALOG:
            editText = g.text;
            limit = g.maxLength > 0 ? std::size_t(g.maxLength) : kDefaultLimit;
            if (editText.size() > limit) {
                editText.resize(limit);
            }
            caret = editText.size();
            // Centred on the parent's picture, halves truncated toward zero.
            left = kPictureWidth / 2 - kWidth / 2;
            top = kPictureHeight / 2 - kHeight / 2;
            platform::textprompt::current().begin_input(left, top, kWidth, kHeight);
            break;
        case WM_COMMAND:
            if ((wParam & 0xFFFFu) == kOkButtonId) {
                TakeText();
                Close();
            }
            break;
        case WM_CLOSE:
            Close();
            break;
        default:
            break;
    }
    return 0;
}

bool CTextEntryWindow::EditProc(UINT message, WPARAM wParam, LPARAM) {
    if (closed) {
        return false;
    }
    if (message == WM_CHAR) {
        const std::uint32_t c = std::uint32_t(wParam);
        if (c == 13) {
            TakeText();
            Close();
        } else if (c == 27) {
            Close();
        } else if (c == 8) {
            EraseBefore();
        } else if (c >= 0x20 && c != 0x7F) {
            Insert(c);
        }
        return true;
    }
    if (message == WM_KEYDOWN) {
        switch (int(wParam)) {
            case VK_LEFT:
                if (caret > 0) {
                    caret -= caret >= 2 && IsLowSurrogate(editText[caret - 1]) &&
                                     IsHighSurrogate(editText[caret - 2])
                                 ? 2
                                 : 1;
                }
                break;
            case VK_RIGHT:
                if (caret < editText.size()) {
                    caret += caret + 1 < editText.size() && IsHighSurrogate(editText[caret]) &&
                                     IsLowSurrogate(editText[caret + 1])
                                 ? 2
                                 : 1;
                }
                break;
            case VK_HOME:
                caret = 0;
                break;
            case VK_END:
                caret = editText.size();
                break;
            case VK_DELETE:
                EraseAfter();
                break;
            default:
                break;
        }
        return true;
    }
    return message == WM_KEYUP;
}

void CTextEntryWindow::TakeText() {
    GetTextEntryGlobals().text = CutTakenText(editText);
}

void CTextEntryWindow::Close() {
    if (closed) {
        return;
    }
    closed = true;
    platform::textprompt::current().end_input();
    if (owner) {
        owner->OnDialogClosed();
    }
}

void CTextEntryWindow::Insert(std::uint32_t codePoint) {
    if (codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
        return;
    }
    std::u16string units;
    if (codePoint >= 0x10000) {
        const std::uint32_t v = codePoint - 0x10000;
        units.push_back(char16_t(0xD800 + (v >> 10)));
        units.push_back(char16_t(0xDC00 + (v & 0x3FF)));
    } else {
        units.push_back(char16_t(codePoint));
    }
    if (editText.size() + units.size() > limit) {
        return;
    }
    editText.insert(caret, units);
    caret += units.size();
}

void CTextEntryWindow::EraseBefore() {
    if (caret == 0) {
        return;
    }
    std::size_t n = 1;
    if (caret >= 2 && IsLowSurrogate(editText[caret - 1]) && IsHighSurrogate(editText[caret - 2])) {
        n = 2;
    }
    editText.erase(caret - n, n);
    caret -= n;
}

void CTextEntryWindow::EraseAfter() {
    if (caret >= editText.size()) {
        return;
    }
    std::size_t n = 1;
    if (caret + 1 < editText.size() && IsHighSurrogate(editText[caret]) &&
        IsLowSurrogate(editText[caret + 1])) {
        n = 2;
    }
    editText.erase(caret, n);
}

}  // namespace Sample::Win
