// The services and the VM handle every script function reads.
#include "proj/script/script_api.h"

namespace Sample {

namespace {
QZW::IQzGameManager* scriptGameManager = nullptr;
IGameControl* scriptGameControl = nullptr;
HSQUIRRELVM scriptVM = nullptr;
}  // namespace

void SetScriptServices(QZW::IQzGameManager* gameManager, IGameControl* gameControl) {
    scriptGameManager = gameManager;
    scriptGameControl = gameControl;
}
QZW::IQzGameManager* GetScriptGameManager() {
    return scriptGameManager;
}
IGameControl* GetScriptGameControl() {
    return scriptGameControl;
}
HSQUIRRELVM GetSquirrelVM() {
    return scriptVM;
}
void SetSquirrelVM(HSQUIRRELVM v) {
    scriptVM = v;
}

}  // namespace Sample
