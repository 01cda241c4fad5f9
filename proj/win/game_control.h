// The game control of this build: one function-static instance handing out
// the function-static auto-save control, system utilities and lobby
// session server.
#pragma once

#include <cstdint>

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
    ISystemUtilControl* GetSystemUtilControl() override;
    // The lobby session server (built on first use); null without platform services.
    IGameNetworkServer* GetNetworkServer() override;
    void Exit() override {}
};

// How long the first frame waits for the save record before it goes on with
// the defaults (a stuck disk or file must not keep the window from opening).
constexpr std::uint32_t kStartupSaveWaitMs = 5000;

// The first frame's save record: defaults, windowed, resolution index 2, then
// replaced whole by the save file when one exists (the file manager is pumped
// on this thread until the load completes, at most `limitMs`).
void LoadStartupSaveRecord(SaveData& record, std::uint32_t limitMs = kStartupSaveWaitMs);

}  // namespace Sample::Win
