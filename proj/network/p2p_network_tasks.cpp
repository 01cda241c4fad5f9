// Sender and receiver tasks over the buffer block and the platform services.
#include "proj/network/p2p_network_tasks.h"

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

}  // namespace

CGameP2PNetworkSender::CGameP2PNetworkSender(QZW::IQzGameManager* gameManager,
                                             IGameControl* gameControl, vho::Steam* steam)
    : CBaseTask("CGameP2PNetowrkSender", gameManager, gameControl), steam_(steam) {}

void CGameP2PNetworkSender::Update() {
    RunPeriodicSends();
    vho::Steam* steam = Services(steam_);
    const std::uint64_t ownId = steam ? steam->GetSteamId()->ConvertToUint64() : 0;
    QZW::Win::CQzNetworker& networker = QZW::Win::GetNetworker();
    DrainSendQueue([&](const P2PSendRecord& r) {
        if (IsLocalPeer(r.to, ownId)) {
            // A full log drops the message, as a lost packet would be.
            AppendReceiveLog(r.to, r.message, r.length);
        } else if (steam != nullptr) {
            const CSteamID to(r.to.id);
            if (r.kind == kP2PSendKindDelayed) {
                steam->SendP2PPacket(&to, r.message, r.length);
            } else {
                steam->SendP2PPacketNoDelay(&to, r.message, r.length);
            }
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
    if (event == nullptr || event->data == nullptr || event->size < 4) {
        return;
    }
    const std::uint16_t length = Net::LeU16At(event->data);
    if (length < 4 || length > event->size) {
        return;
    }
    const PeerAddress from{event->sender.ConvertToUint64(), 0};
    AppendReceiveLog(from, event->data, length);
    QZW::Win::GetNetworker().AddReceivingLog(event->data, length, from.id);
}

int CreateP2PNetworkTasks(QZW::CQzTask* root, QZW::IQzGameManager* gameManager,
                          IGameControl* gameControl) {
    CreateP2PBuffers(kP2PSendQueueSize);
    CreatePeriodicSends();
    GetNetworkDatabase();
    root->AppendChild(new CGameP2PNetworkSender(gameManager, gameControl));
    root->AppendChild(new CGameP2PNetworkReceiver(gameManager, gameControl));
    return 1;
}

}  // namespace Sample
