// The game's service root beside the engine's game manager: hands out the
// auto-save control, the system utilities and the online game server.
#pragma once

namespace Sample {

class IAutoSaveControl;
class ISystemUtilControl;
class IGameNetworkServer;

class IGameControl {
public:
    virtual ~IGameControl() = default;
    virtual IAutoSaveControl* GetAutoSaveControl() = 0;
    virtual ISystemUtilControl* GetSystemUtilControl() = 0;
    virtual IGameNetworkServer* GetNetworkServer() = 0;
    virtual void Exit() = 0;
};

}  // namespace Sample
