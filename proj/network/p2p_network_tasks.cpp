// Sender and receiver tasks over the buffer block and the platform services.
#include "proj/network/p2p_network_tasks.h"

#include "proj/game/igame_control.h"
#include "proj/network/game_network_ctrl.h"
#include "proj/network/game_network_database.h"
#include "proj/network/le_bytes.h"
#include "proj/network/p2p_buffers.h"
#include "qzware/depend/win/vho/vho_steam.h"
#include "qzware/win/qz_networker.h"

namespace Sample {

namespace {

vho::Steam* Services(vho::Steam* given) {
    if (given != nullptr) {
        return given;
    }
    return vho::Steam::HasInstance() ? vho::Steam::GetInstance() : nullptr;
}

class SteamTransport : public P2PTransport {
public:
    explicit SteamTransport(vho::Steam* steam) : steam_(steam) {}
    void Send(std::uint64_t to, const std::uint8_t* data, std::uint32_t size,
              int sendType) override {
        const CSteamID id(to);
        if (sendType == 0) {
            steam_->SendP2PPacket(&id, data, size);
        } else {
            steam_->SendP2PPacketNoDelay(&id, data, size);
        }
    }

private:
    vho::Steam* steam_;
};

}  // namespace

CGameP2PNetworkSender::CGameP2PNetworkSender(QZW::IQzGameManager* gameManager,
                                             IGameControl* gameControl, vho::Steam* steam)
    : CBaseTask("CGameP2PNetowrkSender", gameManager, gameControl), steam_(steam) {}

void CGameP2PNetworkSender::Update() {
    if (vho::Steam* steam = Services(steam_)) {
        RunP2PSender(*steam);
    } else {
        RunP2PSender(0, nullptr);
    }
}

void RunP2PSender(vho::Steam& steam) {
    SteamTransport transport(&steam);
    RunP2PSender(steam.GetSteamId()->ConvertToUint64(), &transport);
}

void RunP2PSender(std::uint64_t ownAccountId, P2PTransport* transport) {
    RunPeriodicSends();
    QZW::Win::CQzNetworker& networker = QZW::Win::GetNetworker();
    DrainSendQueue([&](const P2PSendRecord& r) {
        if (IsLocalPeer(r.to, ownAccountId)) {
            // A full log drops the message, as a lost packet would be.
            AppendReceiveLog(r.to, r.message, r.length);
        } else if (transport != nullptr) {
            transport->Send(r.to.id, r.message, r.length, r.kind == kP2PSendKindDelayed ? 0 : 1);
        }
        networker.AddSendingLog(r.message[2], r.length, r.to.id, r.to.second);
    });
}

CGameP2PNetworkReceiver::CGameP2PNetworkReceiver(QZW::IQzGameManager* gameManager,
                                                 IGameControl* gameControl, vho::Steam* steam)
    : CBaseTask("CGameP2PNetworkReceiver", gameManager, gameControl) {
    vho::Steam* services = Services(steam);
    if (services != nullptr && services->GetSubject() != nullptr) {
        services->GetSubject()->Attach(vho::kSteamP2PPacket, this,
                                       &CGameP2PNetworkReceiver::ReceivePacket);
    }
}

void CGameP2PNetworkReceiver::ReceivePacket(void* data) {
    const auto* event = static_cast<const vho::P2PPacketEvent*>(data);
    if (event != nullptr) {
        ReceiveP2PPacket(event->sender.ConvertToUint64(), event->data, event->size);
    }
}

void ReceiveP2PPacket(std::uint64_t sender, const std::uint8_t* data, std::uint32_t size) {
    if (data == nullptr || size < 4) {
        return;
    }
    const std::uint16_t length = Net::LeU16At(data);
    if (length < 4 || length > size) {
        return;
    }
    const PeerAddress from{sender, 0};
    AppendReceiveLog(from, data, length);
    QZW::Win::GetNetworker().AddReceivingLog(data, length, from.id);
}

int CreateP2PNetworkTasks(QZW::CQzTask* root, QZW::IQzGameManager* gameManager,
                          IGameControl* gameControl) {
    CreateP2PBuffers(kP2PSendQueueSize);
    CreatePeriodicSends();
    GetNetworkDatabase();
    // The match controller reaches the lobby session server through the game control.
    CGameNetworkCtrl::GetInstance().SetServer(gameControl ? gameControl->GetNetworkServer()
                                                          : nullptr);
    root->AppendChild(new CGameP2PNetworkSender(gameManager, gameControl));
    root->AppendChild(new CGameP2PNetworkReceiver(gameManager, gameControl));
    return 1;
}

}  // namespace Sample
