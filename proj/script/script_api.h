// The script API's registration entry points and the two services every
// script function reaches through (set once by RegisterScriptApi).
// Both registrations expect the root table on top of the VM's stack.
#pragma once

#include <squirrel.h>

namespace QZW {
class IQzGameManager;
}

namespace Sample {

class IGameControl;

void RegisterScriptApi(QZW::IQzGameManager* gameManager, IGameControl* gameControl);
void RegisterNetworkScriptApi(QZW::IQzGameManager* gameManager, IGameControl* gameControl);

void SetScriptServices(QZW::IQzGameManager* gameManager, IGameControl* gameControl);
QZW::IQzGameManager* GetScriptGameManager();
IGameControl* GetScriptGameControl();

// The process's script VM (set by the script host while it is open).
HSQUIRRELVM GetSquirrelVM();
void SetSquirrelVM(HSQUIRRELVM v);

// The groups of script functions registered by RegisterScriptApi.
void RegisterIncludeScriptApi(HSQUIRRELVM v);
void RegisterAutoSaveScriptApi(HSQUIRRELVM v);

}  // namespace Sample
