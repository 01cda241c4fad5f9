// The pad and key script functions. Pads 99 and above read as 0; while
// online, pads 0..3 read the network key buffer (other pads 0) instead of
// the local pads; keys outside 0..255 read as not pressed.
#include <cstdint>

#include "proj/script/net_key_buffer.h"
#include "proj/script/script_api.h"
#include "proj/script/script_function_table.h"
#include "qzware/win/qz_input_manager.h"
#include "qzware/win/qz_pad_reader.h"

namespace Sample {

namespace {

constexpr std::int32_t kNoPad = 99;

QZW::IQzPadReader* Reader() {
    QZW::IQzGameManager* gm = GetScriptGameManager();
    QZW::Win::CQzInputManager* input = gm ? gm->GetInputManager() : nullptr;
    return input ? input->GetPadReader() : nullptr;
}

std::int32_t PadWord(std::int32_t pad, bool justPressed) {
    if (pad >= kNoPad) {
        return 0;
    }
    if (IsNetKeyOnline() && pad >= 0) {
        const NetKeyEntry* e = GetNetKeyEntry(pad);
        if (!e) {
            return 0;
        }
        return justPressed ? (e->held ^ e->previous) & e->held : e->held;
    }
    QZW::IQzPadReader* r = Reader();
    if (!r) {
        return 0;
    }
    const std::int32_t player = pad < 0 ? 0 : pad;
    return (justPressed ? r->GetTriggerState(player, 0) : r->GetButtonState(player, 0)) & 0xFFFF;
}

std::int32_t SQ_GetPressButtonState(std::int32_t pad) {
    return PadWord(pad, false);
}
bool SQ_IsPressButton(std::int32_t pad, std::int32_t mask) {
    return (PadWord(pad, false) & mask & 0xFFFF) != 0;
}
std::int32_t SQ_GetPressJustButtonState(std::int32_t pad) {
    return PadWord(pad, true);
}
bool SQ_IsPressJustButton(std::int32_t pad, std::int32_t mask) {
    return (PadWord(pad, true) & mask & 0xFFFF) != 0;
}
std::int32_t SQ_GetButtonState(std::int32_t pad) {
    return PadWord(pad, false);
}

bool SQ_IsPressJustKey(std::int32_t key) {
    if (key < 0 || key > 255) {
        return false;
    }
    auto* reader = dynamic_cast<QZW::Win::CQzPadReader*>(Reader());
    if (!reader || !reader->deviceManager) {
        return false;
    }
    const vho::InputDevice* keyboard = reader->deviceManager->FindDevice("Keyboard");
    return keyboard && keyboard->IsTrigger(static_cast<std::uint32_t>(key));
}

bool SQ_IsConnected(std::int32_t pad) {
    QZW::IQzPadReader* r = Reader();
    return r && r->IsConnected(pad);
}
bool SQ_IsKeyboard(std::int32_t pad) {
    QZW::IQzPadReader* r = Reader();
    return r && r->IsKeyboard(pad);
}
std::int32_t SQ_GetLocalPlayerCount() {
    QZW::IQzPadReader* r = Reader();
    return r ? r->GetPlayerCount() : 0;
}

constexpr ScriptFunction kPadFunctions[] = {
    ScriptFn<&SQ_GetPressButtonState>("SQ_GetPressButtonState"),
    ScriptFn<&SQ_IsPressButton>("SQ_IsPressButton"),
    ScriptFn<&SQ_GetPressJustButtonState>("SQ_GetPressJustButtonState"),
    ScriptFn<&SQ_IsPressJustButton>("SQ_IsPressJustButton"),
    ScriptFn<&SQ_GetButtonState>("SQ_GetButtonState"),
    ScriptFn<&SQ_IsPressJustKey>("SQ_IsPressJustKey"),
    ScriptFn<&SQ_IsConnected>("SQ_IsConnected"),
    ScriptFn<&SQ_IsKeyboard>("SQ_IsKeyboard"),
    ScriptFn<&SQ_GetLocalPlayerCount>("SQ_GetLocalPlayerCount"),
};

}  // namespace

ScriptFunctionTable PadScriptFunctions() {
    return kPadFunctions;
}

}  // namespace Sample
