// The null voice-chat manager's one instance.
#include "proj/network/game_voice_chat_manager.h"

namespace Sample {

CGameVoiceChatManagerNULL& CGameVoiceChatManagerNULL::GetInstance() {
    static CGameVoiceChatManagerNULL manager;
    return manager;
}

}  // namespace Sample
