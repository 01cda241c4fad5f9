// The game control of this build: one function-static instance handing out
// the function-static auto-save control. The text-entry and online game-
// server services are not part of this build yet and answer null.
#pragma once

#include "proj/game/igame_control.h"

namespace Sample {
struct SaveData;
}

namespace Sample::Win {

class CAutoSaveControl;

class CGameControl final : public IGameControl {
public:
    static CGameControl& GetInstance();

    IAutoSaveControl* GetAutoSaveControl() override;
    ISystemUtilControl* GetSystemUtilControl() override { return nullptr; }
    IGameNetworkServer* GetNetworkServer() override { return nullptr; }
    void Exit() override {}
};

// The first frame's save record: defaults, windowed, resolution index 2, then
// replaced whole by the save file when one exists (the file manager is pumped
// on this thread until the load completes).
void LoadStartupSaveRecord(SaveData& record);

}  // namespace Sample::Win
