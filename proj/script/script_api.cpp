// Registration of the script API groups built so far.
#include "proj/script/script_api.h"

#include "proj/game/save_data.h"

namespace Sample {

void RegisterScriptApi(QZW::IQzGameManager* gameManager, IGameControl* gameControl) {
    SetScriptServices(gameManager, gameControl);
    HSQUIRRELVM v = GetSquirrelVM();
    RegisterIncludeScriptApi(v);
    RegisterAutoSaveScriptApi(v);
    SaveData::RegisterScriptClass(v);
}

// Network play registers its classes here once it exists; nothing yet.
void RegisterNetworkScriptApi(QZW::IQzGameManager*, IGameControl*) {}

}  // namespace Sample
