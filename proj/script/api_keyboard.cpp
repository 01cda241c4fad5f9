// The software keyboard's script functions: forwarders to the game
// control's system utilities (the text-entry window). Without them the
// calls do nothing and the queries answer 0 or "".
#include <string>

#include "proj/game/igame_control.h"
#include "proj/game/isystem_util_control.h"
#include "proj/script/script_api.h"
#include "proj/script/script_function_table.h"

namespace Sample {

namespace {

ISystemUtilControl* Control() {
    IGameControl* gc = GetScriptGameControl();
    return gc ? gc->GetSystemUtilControl() : nullptr;
}

void SQ_BeginKeyboard() {
    if (ISystemUtilControl* c = Control()) {
        c->BeginKeyboard();
    }
}
void SQ_EndKeyboard() {
    if (ISystemUtilControl* c = Control()) {
        c->EndKeyboard();
    }
}
void SQ_OpenKeyboardDialog(const char* title, const char* text, std::int32_t maxLength) {
    if (ISystemUtilControl* c = Control()) {
        c->OpenKeyboardDialog(title ? title : "", text ? text : "", maxLength);
    }
}
void SQ_UpdateKeyboardDialog(std::int32_t value) {
    if (ISystemUtilControl* c = Control()) {
        c->UpdateKeyboardDialog(value);
    }
}
std::int32_t SQ_GetKeyboardDialogState() {
    ISystemUtilControl* c = Control();
    return c ? c->GetKeyboardDialogState() : 0;
}
std::int32_t SQ_GetKeyboardDialogEndState() {
    ISystemUtilControl* c = Control();
    return c ? c->GetKeyboardDialogEndState() : 0;
}
std::string SQ_GetKeyboardDialogText() {
    ISystemUtilControl* c = Control();
    return c ? c->GetKeyboardDialogText() : std::string();
}

constexpr ScriptFunction kKeyboardFunctions[] = {
    ScriptFn<&SQ_BeginKeyboard>("SQ_BeginKeyboard"),
    ScriptFn<&SQ_EndKeyboard>("SQ_EndKeyboard"),
    ScriptFn<&SQ_OpenKeyboardDialog>("SQ_OpenKeyboardDialog"),
    ScriptFn<&SQ_UpdateKeyboardDialog>("SQ_UpdateKeyboardDialog"),
    ScriptFn<&SQ_GetKeyboardDialogState>("SQ_GetKeyboardDialogState"),
    ScriptFn<&SQ_GetKeyboardDialogEndState>("SQ_GetKeyboardDialogEndState"),
    ScriptFn<&SQ_GetKeyboardDialogText>("SQ_GetKeyboardDialogText"),
};

}  // namespace

ScriptFunctionTable KeyboardScriptFunctions() {
    return kKeyboardFunctions;
}

}  // namespace Sample
