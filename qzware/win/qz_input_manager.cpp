#include "qzware/win/qz_input_manager.h"

namespace QZW::Win {

bool CQzInputManager::Initialize(IQzGameManager* manager) {
    SetGameManager(manager);
    return padReader->Initialize();
}

}  // namespace QZW::Win
