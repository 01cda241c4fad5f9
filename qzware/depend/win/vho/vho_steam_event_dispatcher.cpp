#include "qzware/depend/win/vho/vho_steam_event_dispatcher.h"

#include "platform/online/online.h"
#include "qzware/depend/win/vho/vho_steam.h"

namespace vho {

namespace po = platform::online;

SteamEventDispatcher::SteamEventDispatcher(Steam* owner) : owner_(owner) {}

SteamEventDispatcher::~SteamEventDispatcher() {
    po::CallbackRouter& router = owner_->GetPlatform().callbacks();
    for (int token : {connected_, disconnected_, shutdown_}) {
        if (token != 0) {
            router.unregister(token);
        }
    }
}

bool SteamEventDispatcher::Init() {
    po::CallbackRouter& router = owner_->GetPlatform().callbacks();
    connected_ = router.register_callback(po::ServersConnected::kId, [this](const void*) {
        Notify(kSteamServersConnected, nullptr);
    });
    disconnected_ = router.register_callback(po::ServersDisconnected::kId, [this](const void*) {
        Notify(kSteamServersDisconnected, nullptr);
    });
    shutdown_ = router.register_callback(po::PlatformShutdown::kId,
                                         [this](const void*) { Notify(kSteamShutdown, nullptr); });
    return true;
}

void SteamEventDispatcher::Update() {
    owner_->GetPlatform().run_callbacks();
}

}  // namespace vho
