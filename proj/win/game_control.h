// The game control of this build: one function-static instance handing out
// the function-static auto-save control and the lobby session server. The
// text-entry service is not part of this build yet and answers null.
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
    // The lobby session server (built on first use); null without platform services.
    IGameNetworkServer* GetNetworkServer() override;
    void Exit() override {}
};

// The first frame's save record: defaults, windowed, resolution index 2, then
// replaced whole by the save file when one exists (the file manager is pumped
// on this thread until the load completes).
void LoadStartupSaveRecord(SaveData& record);

}  // namespace Sample::Win
