// The network script API's pieces, registered in order by
// RegisterNetworkScriptApi; each expects the root table on top of the stack.
#pragma once

#include <squirrel.h>

namespace Sample {

class IGameNetworkServer;

// The lobby session server the game control hands out, or null.
IGameNetworkServer* ScriptNetworkServer();

void RegisterGameServerClass(HSQUIRRELVM v);
// "SQ_NetworkCtrl", the database's record views and "SQ_NetworkDatabase".
void RegisterNetworkRecordClasses(HSQUIRRELVM v);
void RegisterRequestObjectClasses(HSQUIRRELVM v);
void RegisterVoiceChatClass(HSQUIRRELVM v);
void RegisterLockstepGlobals(HSQUIRRELVM v);
void RegisterSearchResultClasses(HSQUIRRELVM v);
void RegisterNetworkDebugGlobals(HSQUIRRELVM v);

// "SQ_IsNetwrokPause": while set, the own key word is sent as 0.
bool IsNetworkPause();
// "SQ_SetNetDebugMsg" entry i (0-7), or null.
const char* NetDebugMessage(int i);

}  // namespace Sample
