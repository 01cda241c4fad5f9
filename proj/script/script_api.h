// The script API's registration entry points and the two services every
// script function reaches through (set once by RegisterScriptApi).
// Both registrations expect the root table on top of the VM's stack.
#pragma once

#include <squirrel.h>

#include <cstdint>

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

// The script clock: tenths of a millisecond for `elapsedMs`, the lowest
// integer once that no longer fits a signed 32-bit value.
std::int32_t ScriptSystemTime(std::uint32_t elapsedMs);

// The value classes Vector2, Vector3, Vector4, Color, Matrix,
// ResultViewPosScScale, QzRandom and CQzSpriteList, into the table on top of
// the stack. A sprite list the scripts release while the game draw task
// exists is freed only after the next frame was drawn.
void RegisterValueClasses(HSQUIRRELVM v);

// The networker class "SQ_Networker" and its log and room records, into the
// table on top of the stack.
void RegisterNetworkerClasses(HSQUIRRELVM v);

}  // namespace Sample
