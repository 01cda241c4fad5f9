// The platform services' event subject: pumps the platform's callbacks once a
// frame and turns three of them into events 0, 1 and 2. Every other part
// raises its events through vho::Steam::PostEvent. Game thread only.
#pragma once

#include "qzware/depend/win/vho/vho_subject.h"

namespace platform::online {
class Backend;
}

namespace vho {

class Steam;

// Event codes and what their data points at (8 is not used).
enum SteamEvent : int {
    kSteamServersConnected = 0,     // null
    kSteamServersDisconnected = 1,  // null
    kSteamShutdown = 2,             // null
    kSteamLobbyCreated = 3,         // LobbyEntry* of the new list entry
    kSteamLobbyMatchList = 4,       // list of u16 list indexes
    kSteamLobbyEnter = 5,           // CSteamID* of the lobby
    kSteamLobbyDataUpdate = 6,      // the platform's LobbyDataUpdate record
    kSteamLobbyJoinRequested = 7,   // null
    kSteamP2PPacket = 9,            // P2PPacketEvent*
    kSteamP2PConnectFail = 10,      // the platform's P2PSessionConnectFail record
    kSteamVoiceData = 11,           // VoiceRecord*
};

class SteamEventDispatcher : public Subject<int> {
public:
    explicit SteamEventDispatcher(Steam* owner);
    ~SteamEventDispatcher() override;

    // Registers the servers-connected (101), servers-disconnected (103) and
    // shutdown (704) callbacks; true.
    virtual bool Init();
    virtual void Finalize() {}
    // Runs the platform's callbacks: every callback and call result fires here.
    virtual void Update();

private:
    Steam* owner_;
    int connected_ = 0;
    int disconnected_ = 0;
    int shutdown_ = 0;
};

}  // namespace vho
