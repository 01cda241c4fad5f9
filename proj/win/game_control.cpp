// The function-static game control and the first frame's save-record load.
#include "proj/win/game_control.h"

#include "platform/clock/clock.h"

#include "proj/game/save_data.h"
#include "proj/network/game_network_server.h"
#include "proj/win/auto_save_control.h"
#include "proj/win/system_util.h"

#include "qzware/win/qz_file_manager.h"

namespace Sample::Win {

CGameControl& CGameControl::GetInstance() {
    static CGameControl control;
    return control;
}

IAutoSaveControl* CGameControl::GetAutoSaveControl() {
    static CAutoSaveControl autoSave;
    return &autoSave;
}

ISystemUtilControl* CGameControl::GetSystemUtilControl() {
    return &CSystemUtil::GetInstance();
}

IGameNetworkServer* CGameControl::GetNetworkServer() {
    return CGameNetworkServer::GetInstance();
}

void LoadStartupSaveRecord(SaveData& record, std::uint32_t limitMs) {
    SaveData::Reset(record);
    record.FullScreen = 0;
    record.Resolution = 2;
    IAutoSaveControl* control = CGameControl::GetInstance().GetAutoSaveControl();
    QZW::Win::CQzFileManager* fm = ::QzGetFileManager();
    if (!fm) {
        return;
    }
    control->StartLoad(&record);
    // A loader thread that is gone would never finish the request; one that
    // is stuck is given up on after the limit (a late completion then finds
    // the record gone and writes nothing).
    const std::uint32_t start = platform::clock::now_ms();
    while (!control->IsComplete() && fm->IsLoaderRunning() &&
           platform::clock::now_ms() - start < limitMs) {
        fm->Update();
        platform::clock::sleep_ms(1);  // the loader reads meanwhile; no need to spin a core
    }
}

}  // namespace Sample::Win
