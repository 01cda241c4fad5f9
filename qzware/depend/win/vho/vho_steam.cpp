#include "qzware/depend/win/vho/vho_steam.h"

#include "platform/online/online.h"

namespace vho {

namespace {

constexpr const char* kFailedInit = "Failed initializing Steam.";
constexpr const char* kNotLoggedOn = "Not logged into Steam.";

}  // namespace

Steam::Steam() : Steam(platform::online::current()) {}

Steam::Steam(platform::online::Backend& platform) : platform_(&platform) {}

Steam::~Steam() {
    Shutdown();
}

void Steam::Start(std::string& message) {
    message.clear();
    if (started_) {
        return;
    }
    if (!platform_->init()) {
        message = kFailedInit;
        return;
    }
    if (!platform_->logged_on()) {
        message = kNotLoggedOn;
        platform_->shutdown();
        return;
    }
    // The dispatcher first: the other parts register with the platform and
    // raise their events through it.
    dispatcher_ = new SteamEventDispatcher(this);
    bool ok = dispatcher_->Init();
    if (ok) {
        p2p_ = new SteamP2P(this);
        ok = p2p_->Init();
    }
    if (!ok) {
        Shutdown();
        platform_->shutdown();
        message = kFailedInit;
        return;
    }
    started_ = 1;
    ownId_ = CSteamID(platform_->own_id());
}

void Steam::Shutdown() {
    if (p2p_) {
        p2p_->Finalize();
        delete p2p_;
        p2p_ = nullptr;
    }
    if (dispatcher_) {
        dispatcher_->Finalize();
        delete dispatcher_;
        dispatcher_ = nullptr;
    }
    if (started_) {
        platform_->shutdown();
    }
    started_ = 0;
}

void Steam::Update() {
    if (!started_) {
        return;
    }
    dispatcher_->Update();
    // A listener may have ended the platform inside a callback.
    if (started_ && p2p_) {
        p2p_->Update();
    }
}

// [SECTION] Peers and packets

PeerEntry* Steam::AddPeer(const CSteamID* id) {
    return started_ ? p2p_->AddPeer(id) : &nullPeer_;
}

void Steam::SendP2PPacketNoDelay(const CSteamID* to, const void* data, std::uint32_t size) {
    if (started_) {
        p2p_->SendPacket(to, data, size, 1);
    }
}

void Steam::SendP2PPacket(const CSteamID* to, const void* data, std::uint32_t size) {
    if (started_) {
        p2p_->SendPacket(to, data, size, 0);
    }
}

void Steam::ClearPeers() {
    if (started_) {
        p2p_->ClearPeers();
    }
}

PeerEntry* Steam::FindPeer(const CSteamID* id) {
    return started_ ? p2p_->FindPeer(id) : &nullPeer_;
}

std::uint16_t Steam::GetPeerId(const CSteamID* id) {
    const PeerEntry* entry = FindPeer(id);
    return SteamP2P::IsRealEntry(entry) ? entry->peerId : std::uint16_t(65535);
}

void Steam::SetPeerPing(const CSteamID* id, std::uint16_t ping) {
    if (started_) {
        p2p_->SetPeerPing(id, ping);
    }
}

int Steam::GetPeerPing(const CSteamID* id) {
    if (!started_) {
        return -1;
    }
    const PeerEntry* entry = p2p_->FindPeer(id);
    return SteamP2P::IsRealEntry(entry) ? int(entry->ping) : -1;
}

int Steam::GetPeerPingById(std::uint16_t peerId) {
    if (!started_) {
        return -1;
    }
    const PeerEntry* entry = p2p_->FindPeerById(peerId);
    return SteamP2P::IsRealEntry(entry) ? int(entry->ping) : -1;
}

// [SECTION] Events and identity

Subject<int>* Steam::GetSubject() {
    return dispatcher_;
}

void Steam::PostEvent(int code, void* data) {
    if (started_ && dispatcher_) {
        dispatcher_->Notify(code, data);
    }
}

const char* Steam::GetPersonaName() {
    return platform_->persona_name();
}

const char* Steam::GetCurrentGameLanguage() {
    return platform_->game_language();
}

void Steam::OpenLobbyInviteOverlay() {
    platform_->activate_overlay("LobbyInvite", 0);
}

void Steam::SetPlayedWith(CSteamID user) {
    platform_->set_played_with(user.ConvertToUint64());
}

void Steam::OpenAddFriendOverlay(const CSteamID* user) {
    platform_->activate_overlay("friendadd", user ? user->ConvertToUint64() : 0);
}

}  // namespace vho
