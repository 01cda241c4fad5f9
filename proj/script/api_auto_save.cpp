// The auto-save script functions: forwarders to the game control's auto-save
// control. The saving ones store a fresh checksum in the record first.
#include "proj/game/iauto_save_control.h"
#include "proj/game/igame_control.h"
#include "proj/game/save_data.h"
#include "proj/script/script_api.h"
#include "proj/script/script_function_table.h"

namespace Sample {

namespace {

IAutoSaveControl* Control() {
    IGameControl* gc = GetScriptGameControl();
    return gc ? gc->GetAutoSaveControl() : nullptr;
}

bool SQ_CheckSaveDataValid(const SaveData& r) {
    return r.checksum == SaveData::CalcChecksum(r);
}
void SQ_AutoSaveStartSave(SaveData& r) {
    r.checksum = SaveData::CalcChecksum(r);
    if (IAutoSaveControl* c = Control()) {
        c->StartSave(&r);
    }
}
void SQ_AutoSaveStartLoad(SaveData& r) {
    if (IAutoSaveControl* c = Control()) {
        c->StartLoad(&r);
    }
}
void SQ_AutoSaveCreateData(SaveData& r) {
    r.checksum = SaveData::CalcChecksum(r);
    if (IAutoSaveControl* c = Control()) {
        c->CreateData(&r);
    }
}
void SQ_AutoSaveDeleteData() {
    if (IAutoSaveControl* c = Control()) {
        c->DeleteData();
    }
}
bool SQ_AutoSaveIsComplete() {
    IAutoSaveControl* c = Control();
    return c ? c->IsComplete() : true;
}
bool SQ_AutoSaveIsError() {
    IAutoSaveControl* c = Control();
    return c && c->IsError();
}
void SQ_AutoSaveClearLastError() {
    if (IAutoSaveControl* c = Control()) {
        c->ClearLastError();
    }
}
std::int32_t SQ_AutoSaveGetLastError() {
    IAutoSaveControl* c = Control();
    return c ? c->GetLastError() : 0;
}
std::int32_t SQ_AutoSaveGetNeedSize() {
    IAutoSaveControl* c = Control();
    return c ? c->GetNeedSize() : 0;
}
std::int32_t SQ_AutoSaveGetSaveDataSizeKB() {
    IAutoSaveControl* c = Control();
    return c ? c->GetSaveDataSizeKB() : 0;
}

constexpr ScriptFunction kAutoSaveFunctions[] = {
    ScriptFn<&SQ_CheckSaveDataValid>("SQ_CheckSaveDataValid"),
    ScriptFn<&SQ_AutoSaveStartSave>("SQ_AutoSaveStartSave"),
    ScriptFn<&SQ_AutoSaveStartLoad>("SQ_AutoSaveStartLoad"),
    ScriptFn<&SQ_AutoSaveCreateData>("SQ_AutoSaveCreateData"),
    ScriptFn<&SQ_AutoSaveDeleteData>("SQ_AutoSaveDeleteData"),
    ScriptFn<&SQ_AutoSaveIsComplete>("SQ_AutoSaveIsComplete"),
    ScriptFn<&SQ_AutoSaveIsError>("SQ_AutoSaveIsError"),
    ScriptFn<&SQ_AutoSaveClearLastError>("SQ_AutoSaveClearLastError"),
    ScriptFn<&SQ_AutoSaveGetLastError>("SQ_AutoSaveGetLastError"),
    ScriptFn<&SQ_AutoSaveGetNeedSize>("SQ_AutoSaveGetNeedSize"),
    ScriptFn<&SQ_AutoSaveGetSaveDataSizeKB>("SQ_AutoSaveGetSaveDataSizeKB"),
};

}  // namespace

ScriptFunctionTable AutoSaveScriptFunctions() {
    return kAutoSaveFunctions;
}

}  // namespace Sample
