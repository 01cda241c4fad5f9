// The script class "SQ_SaveData": one record per instance, its scalar fields
// as integer properties and the guarded array accessors as methods.
#include "proj/game/save_data.h"

#include "proj/script/sq_bind.h"

namespace Sample {

void SaveData::RegisterScriptClass(SQVM* v) {
    SqBind::Class<SaveData>(v, "SQ_SaveData")
        .Ctors<SqBind::Ctor<>>()
        .Var<&SaveData::VolumeSE>("VolumeSE")
        .Var<&SaveData::VolumeBGM>("VolumeBGM")
        .Var<&SaveData::TextSpeed>("TextSpeed")
        .Var<&SaveData::Language>("Language")
        .Var<&SaveData::FullScreen>("FullScreen")
        .Var<&SaveData::Resolution>("Resolution")
        .Method<&SaveData::SetOptionKey>("SetOptionKey")
        .Method<&SaveData::GetOptionKey>("GetOptionKey")
        .Method<&SaveData::SetUseTeam>("SetUseTeam")
        .Method<&SaveData::GetUseTeam>("GetUseTeam")
        .Method<&SaveData::SetArcadeWinTeam>("SetArcadeWinTeam")
        .Method<&SaveData::GetArcadeWinTeam>("GetArcadeWinTeam");
}

}  // namespace Sample
