#include "qzware/depend/win/vho/vho_steam_p2p.h"

#include <algorithm>

#include "platform/online/online.h"
#include "qzware/depend/win/vho/vho_steam.h"
#include "qzware/depend/win/vho/vho_steam_event_dispatcher.h"

namespace vho {

namespace po = platform::online;

SteamP2P::SteamP2P(Steam* owner) : owner_(owner) {}

SteamP2P::~SteamP2P() {
    po::CallbackRouter& router = owner_->GetPlatform().callbacks();
    for (int token : {sessionRequest_, connectFail_}) {
        if (token != 0) {
            router.unregister(token);
        }
    }
}

bool SteamP2P::Init() {
    po::CallbackRouter& router = owner_->GetPlatform().callbacks();
    sessionRequest_ = router.register_callback(po::P2PSessionRequest::kId, [this](const void* r) {
        // Every session is accepted at once, whoever asks.
        owner_->GetPlatform().accept_p2p_session(
            static_cast<const po::P2PSessionRequest*>(r)->remote);
    });
    connectFail_ = router.register_callback(po::P2PSessionConnectFail::kId, [this](const void* r) {
        const auto* record = static_cast<const po::P2PSessionConnectFail*>(r);
        if (record->error == 4) {
            owner_->PostEvent(kSteamP2PConnectFail, const_cast<po::P2PSessionConnectFail*>(record));
        }
    });
    return true;
}

void SteamP2P::Update() {
    po::Backend& platform = owner_->GetPlatform();
    std::uint32_t size = 0;
    for (int reads = 0; reads < kMaxReadsPerFrame && platform.is_p2p_packet_available(&size, 0);
         ++reads) {
        std::uint64_t sender = 0;
        std::uint32_t bytesRead = 0;
        const std::uint32_t capacity = std::min(size, kReadBufferSize);
        if (!platform.read_p2p_packet(buffer_, capacity, &bytesRead, &sender, 0)) {
            continue;  // skipped; the platform layer has dropped it
        }
        // Never more than was asked for, whatever the platform layer answers.
        P2PPacketEvent event{CSteamID(sender), buffer_, std::min(bytesRead, capacity)};
        owner_->PostEvent(kSteamP2PPacket, &event);
    }
}

void SteamP2P::ClearPeers() {
    table_.entries.clear();
    table_.counter = 0;
}

PeerEntry* SteamP2P::AddPeer(const CSteamID* id) {
    PeerEntry entry;
    entry.id = id ? *id : CSteamID();
    entry.peerId = table_.counter;
    entry.ping = 65535;
    table_.counter = std::uint16_t((table_.counter + 1u) % 65535u);
    table_.entries.push_back(entry);
    return &table_.entries.back();
}

PeerEntry* SteamP2P::FindPeerById(std::uint16_t peerId) {
    if (peerId == 65535) {
        return &table_.nullEntry;
    }
    for (PeerEntry& entry : table_.entries) {
        if (entry.peerId == peerId) {
            return &entry;
        }
    }
    return &table_.nullEntry;
}

PeerEntry* SteamP2P::FindPeer(const CSteamID* id) {
    if (id == nullptr) {
        return &table_.nullEntry;
    }
    for (PeerEntry& entry : table_.entries) {
        if (entry.id == *id) {
            return &entry;
        }
    }
    return &table_.nullEntry;
}

void SteamP2P::SetPeerPing(const CSteamID* id, std::uint16_t ping) {
    PeerEntry* entry = FindPeer(id);
    if (IsRealEntry(entry)) {
        entry->ping = ping;
    }
}

void SteamP2P::CloseSession(const CSteamID* id) {
    if (id) {
        owner_->GetPlatform().close_p2p_session(id->ConvertToUint64());
    }
}

void SteamP2P::SendPacket(const CSteamID* to, const void* data, std::uint32_t size, int sendType) {
    if (to) {
        owner_->GetPlatform().send_p2p_packet(to->ConvertToUint64(), data, size, sendType, 0);
    }
}

void SteamP2P::SendPacketToPeer(std::uint16_t peerId, const void* data, std::uint32_t size,
                                int sendType) {
    PeerEntry* entry = FindPeerById(peerId);
    if (IsRealEntry(entry)) {
        SendPacket(&entry->id, data, size, sendType);
    }
}

}  // namespace vho
