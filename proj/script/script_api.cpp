// RegisterScriptApi: the global function groups in their order, then the
// value classes and the script classes.
#include "proj/script/script_api.h"

#include "proj/game/achievement_manager.h"
#include "proj/game/save_data.h"
#include "proj/nodes/sq_node_script.h"
#include "proj/script/script_function_table.h"

namespace Sample {

void RegisterScriptFunctions(HSQUIRRELVM v, ScriptFunctionTable table) {
    for (const ScriptFunction& f : table) {
        sq_pushstring(v, f.name, -1);
        sq_newclosure(v, f.function, 0);
        sq_setnativeclosurename(v, -1, f.name);
        // The VM counts `this` among the parameters.
        sq_setparamscheck(v, f.parameters + 1, nullptr);
        sq_newslot(v, -3, SQFalse);
    }
}

std::vector<ScriptFunction> ScriptApiFunctions() {
    std::vector<ScriptFunction> all;
    for (ScriptFunctionTable t :
         {SystemScriptFunctions(), PadScriptFunctions(), FileScriptFunctions(),
          SettingsScriptFunctions(), TextScriptFunctions(), DrawScriptFunctions(),
          ProjectionScriptFunctions(), KeyboardScriptFunctions(), AutoSaveScriptFunctions(),
          MaterialScriptFunctions()}) {
        all.insert(all.end(), t.begin(), t.end());
    }
    return all;
}

void RegisterScriptApi(QZW::IQzGameManager* gameManager, IGameControl* gameControl) {
    SetScriptServices(gameManager, gameControl);
    HSQUIRRELVM v = GetSquirrelVM();
    RegisterScriptFunctions(v, ScriptApiFunctions());
    RegisterValueClasses(v);
    RegisterScriptNodeClasses(v);
    SaveData::RegisterScriptClass(v);
    RegisterAchievementScriptClass(v);
}

// Network play registers its classes here once it exists; nothing yet.
void RegisterNetworkScriptApi(QZW::IQzGameManager*, IGameControl*) {}

}  // namespace Sample
