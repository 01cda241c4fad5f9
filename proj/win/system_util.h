// The system utilities of this build: the software keyboard is the text-
// entry window (text_entry_window.h). One function-static instance.
#pragma once

#include <memory>

#include "proj/game/isystem_util_control.h"

namespace Sample::Win {

class CTextEntryWindow;

class CSystemUtil final : public ISystemUtilControl {
public:
    static CSystemUtil& GetInstance();

    CSystemUtil();
    ~CSystemUtil() override;

    void BeginKeyboard() override {}
    // Destroys an open prompt; state 0.
    void EndKeyboard() override;
    // Opens the prompt (nothing happens while one is open).
    void OpenKeyboardDialog(const std::string& title, const std::string& text,
                            std::int32_t maxLength) override;
    void UpdateKeyboardDialog(std::int32_t) override {}
    std::int32_t GetKeyboardDialogState() override { return state; }
    std::int32_t GetKeyboardDialogEndState() override { return endState; }
    // The last taken (or initial) text as UTF-8.
    std::string GetKeyboardDialogText() override;

    // The open prompt, null when none.
    CTextEntryWindow* GetDialogWindow() const { return dialogWindow.get(); }
    // The prompt closed itself (Enter, OK, Escape or WM_CLOSE): it is
    // destroyed once its message has been handled; state 2.
    void OnDialogClosed();

    std::int32_t state = 0;
    std::int32_t endState = 0;

private:
    std::unique_ptr<CTextEntryWindow> dialogWindow;
    std::unique_ptr<CTextEntryWindow> closedWindow;
};

}  // namespace Sample::Win
