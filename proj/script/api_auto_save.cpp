// The auto-save script functions: forwarders to the game control's auto-save
// control. The saving ones store a fresh checksum in the record first.
#include "proj/game/iauto_save_control.h"
#include "proj/game/igame_control.h"
#include "proj/game/save_data.h"
#include "proj/script/script_api.h"
#include "proj/script/sq_bind.h"

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

}  // namespace

void RegisterAutoSaveScriptApi(HSQUIRRELVM v) {
    using SqBind::Function;
    Function<&SQ_CheckSaveDataValid>(v, "SQ_CheckSaveDataValid");
    Function<&SQ_AutoSaveStartSave>(v, "SQ_AutoSaveStartSave");
    Function<&SQ_AutoSaveStartLoad>(v, "SQ_AutoSaveStartLoad");
    Function<&SQ_AutoSaveCreateData>(v, "SQ_AutoSaveCreateData");
    Function<&SQ_AutoSaveDeleteData>(v, "SQ_AutoSaveDeleteData");
    Function<&SQ_AutoSaveIsComplete>(v, "SQ_AutoSaveIsComplete");
    Function<&SQ_AutoSaveIsError>(v, "SQ_AutoSaveIsError");
    Function<&SQ_AutoSaveClearLastError>(v, "SQ_AutoSaveClearLastError");
    Function<&SQ_AutoSaveGetLastError>(v, "SQ_AutoSaveGetLastError");
    Function<&SQ_AutoSaveGetNeedSize>(v, "SQ_AutoSaveGetNeedSize");
    Function<&SQ_AutoSaveGetSaveDataSizeKB>(v, "SQ_AutoSaveGetSaveDataSizeKB");
}

}  // namespace Sample
