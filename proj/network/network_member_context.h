// A member's whole network-play state in one object, so that several members
// can run in one process (tests and the match harness): while a context is
// in use, GetNetworkDatabase, GetP2PBuffers, CGameNetworkCtrl::GetInstance
// and the network key buffer answer that context's own. Without one they
// answer the process-wide instances. Game thread only.
#pragma once

#include <memory>

#include "proj/network/game_network_ctrl.h"
#include "proj/network/game_network_database.h"
#include "proj/network/p2p_buffers.h"
#include "proj/script/net_key_buffer.h"

namespace Sample {

class NetworkMemberContext {
public:
    NetworkMemberContext();
    ~NetworkMemberContext();
    NetworkMemberContext(const NetworkMemberContext&) = delete;
    NetworkMemberContext& operator=(const NetworkMemberContext&) = delete;

    SGameNetworkDatabase database;
    P2PBufferBlock buffers;
    std::unique_ptr<CGameNetworkCtrl> ctrl;
    NetKeyEntry keys[kNetKeyPlayers];
    bool keysOnline = false;
};

// Null: back to the process-wide state.
void UseNetworkMemberContext(NetworkMemberContext* context);
NetworkMemberContext* CurrentNetworkMemberContext();

// Uses a context for the scope.
class ScopedNetworkMember {
public:
    explicit ScopedNetworkMember(NetworkMemberContext& c)
        : previous_(CurrentNetworkMemberContext()) {
        UseNetworkMemberContext(&c);
    }
    ~ScopedNetworkMember() { UseNetworkMemberContext(previous_); }
    ScopedNetworkMember(const ScopedNetworkMember&) = delete;
    ScopedNetworkMember& operator=(const ScopedNetworkMember&) = delete;

private:
    NetworkMemberContext* previous_;
};

}  // namespace Sample
