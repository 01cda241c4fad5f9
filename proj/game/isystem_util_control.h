// The system utilities the scripts reach through the game control: the
// software keyboard, a text-entry window polled once a frame (state 0 none,
// 1 open, 2 closed with its text ready).
#pragma once

#include <cstdint>
#include <string>

namespace Sample {

class ISystemUtilControl {
public:
    virtual ~ISystemUtilControl() = default;
    virtual void BeginKeyboard() = 0;
    virtual void EndKeyboard() = 0;
    virtual void OpenKeyboardDialog(const std::string& title, const std::string& text,
                                    std::int32_t maxLength) = 0;
    virtual void UpdateKeyboardDialog(std::int32_t value) = 0;
    virtual std::int32_t GetKeyboardDialogState() = 0;
    virtual std::int32_t GetKeyboardDialogEndState() = 0;
    virtual std::string GetKeyboardDialogText() = 0;
};

}  // namespace Sample
