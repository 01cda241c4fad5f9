// The peer-to-peer sender and receiver tasks. Once a frame the sender runs
// the periodic resends and drains the send queue: messages to the local
// member go straight into the receive log (so they are read in the same
// frame), the others out through the platform services. The receiver appends
// every packet that arrives (event 9) to the receive log, after checking the
// packet's own length against the bytes read. Both feed the networker's logs.
// Game thread only.
#pragma once

#include <cstdint>

#include "proj/game/base_task.h"
#include "qzware/depend/win/vho/vho_listener.h"

namespace vho {
class Steam;
}

namespace Sample {

// Where the sender's messages for other members go: send type 0 for kind 1,
// send type 1 for every other kind.
class P2PTransport {
public:
    virtual ~P2PTransport() = default;
    virtual void Send(std::uint64_t to, const std::uint8_t* data, std::uint32_t size,
                      int sendType) = 0;
};

// One sender update: the periodic resends, then the whole send queue; local
// messages into the receive log, the others to the transport (none: dropped).
void RunP2PSender(std::uint64_t ownAccountId, P2PTransport* transport);
// The same through these platform services: their own account id, their
// packet sends.
void RunP2PSender(vho::Steam& steam);
// One packet of `size` bytes read from `sender`: dropped when shorter than a
// header or its length field is below 4 or above size, else logged.
void ReceiveP2PPacket(std::uint64_t sender, const std::uint8_t* data, std::uint32_t size);

class CGameP2PNetworkSender : public CBaseTask {
public:
    // steam: the platform services to send through; null takes the process's
    // instance at each update (none: remote messages go nowhere).
    CGameP2PNetworkSender(QZW::IQzGameManager* gameManager, IGameControl* gameControl,
                          vho::Steam* steam = nullptr);
    void Update() override;

private:
    vho::Steam* steam_;
};

class CGameP2PNetworkReceiver : public CBaseTask, public vho::Listener {
public:
    // Attaches to event 9 of the platform services (steam, or the process's
    // instance) when they are started; it never detaches.
    CGameP2PNetworkReceiver(QZW::IQzGameManager* gameManager, IGameControl* gameControl,
                            vho::Steam* steam = nullptr);
    // Event 9: data is a vho::P2PPacketEvent. A packet shorter than its
    // header, or whose length field is below 4 or above the bytes read, is
    // dropped unseen.
    void ReceivePacket(void* data);
};

// The first frame's network set-up: the buffer block with its periodic
// slots, the network database, the match controller's lobby server (the game
// control's), then the sender and receiver appended to the root task. 1.
int CreateP2PNetworkTasks(QZW::CQzTask* root, QZW::IQzGameManager* gameManager,
                          IGameControl* gameControl);

}  // namespace Sample
