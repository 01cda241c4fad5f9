#include "qzware/depend/win/vho/vho_steam.h"

#include <cstdio>

#include "platform/online/online.h"
#include "qzware/depend/win/vho/vho_steam_achievements.h"

namespace vho {

namespace {

constexpr const char* kFailedInit = "Failed initializing Steam.";
constexpr const char* kNotLoggedOn = "Not logged into Steam.";

}  // namespace

Steam::Steam() : Steam(platform::online::current()) {}

Steam::Steam(platform::online::Backend& platform) : platform_(&platform) {}

Steam::Steam(platform::online::Backend& platform, Unregistered tag)
    : Singleton<Steam>(tag), platform_(&platform) {}

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
        lobbies_ = new SteamLobbies(this);
        ok = lobbies_->Init();
    }
    if (ok) {
        p2p_ = new SteamP2P(this);
        ok = p2p_->Init();
    }
    if (ok) {
        achievements_ = new SteamAchievements(this);
        ok = achievements_->Init();
    }
    if (ok) {
        voice_ = new SteamVoiceChat(this);
        ok = voice_->Init();
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
    if (voice_) {
        voice_->Finalize();
        delete voice_;
        voice_ = nullptr;
    }
    if (achievements_) {
        achievements_->Finalize();
        delete achievements_;
        achievements_ = nullptr;
    }
    if (p2p_) {
        p2p_->Finalize();
        delete p2p_;
        p2p_ = nullptr;
    }
    if (lobbies_) {
        lobbies_->Finalize();
        delete lobbies_;
        lobbies_ = nullptr;
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
    if (started_ && voice_) {
        voice_->Update();
    }
}

// [SECTION] Lobbies

void Steam::CreateLobby(int maxMembers) {
    if (started_) {
        lobbies_->CreateLobby(maxMembers);
    }
}

void Steam::RequestLobbyList() {
    if (started_) {
        lobbies_->RequestLobbyList();
    }
}

void Steam::JoinLobby(std::uint32_t index) {
    if (started_ && index < lobbies_->GetLobbyCount()) {
        const CSteamID id = lobbies_->GetLobbyEntry(index)->id;
        lobbies_->JoinLobby(&id);
    }
}

void Steam::LeaveLobby() {
    if (started_) {
        lobbies_->LeaveLobby();
    }
}

void Steam::RemoveLobby(std::uint32_t index) {
    if (started_ && index < lobbies_->GetLobbyCount()) {
        const CSteamID id = lobbies_->GetLobbyEntry(index)->id;
        lobbies_->RemoveLobby(&id);
    }
}

CSteamID Steam::GetLobbyId(std::uint32_t index) {
    if (!started_ || index >= lobbies_->GetLobbyCount()) {
        return CSteamID();
    }
    return lobbies_->GetLobbyEntry(index)->id;
}

int Steam::GetLobbyCount() {
    return started_ ? static_cast<int>(lobbies_->GetLobbyCount()) : -1;
}

int Steam::GetLobbyOwnerPeerId(std::uint32_t index) {
    if (!started_ || index >= lobbies_->GetLobbyCount()) {
        return -1;
    }
    const CSteamID owner(platform_->get_lobby_owner(GetLobbyId(index).ConvertToUint64()));
    const PeerEntry* entry = p2p_->FindPeer(&owner);
    return SteamP2P::IsRealEntry(entry) ? int(entry->peerId) : 65535;
}

CSteamID Steam::GetLobbyOwner(std::uint16_t index) {
    if (!started_) {
        return CSteamID();
    }
    const CSteamID lobby = lobbies_->FindLobbyEntry(index)->id;
    if (!lobby.IsLobby()) {
        return CSteamID();
    }
    return CSteamID(platform_->get_lobby_owner(lobby.ConvertToUint64()));
}

bool Steam::IsInLobby() {
    return started_ && lobbies_->IsInLobby();
}

void Steam::SetLobbyData(std::uint32_t index, const char* key, const char* value) {
    if (started_ && index < lobbies_->GetLobbyCount()) {
        const CSteamID id = lobbies_->GetLobbyEntry(index)->id;
        lobbies_->SetLobbyData(&id, key, value);
    }
}

void Steam::SetLobbyDataInt(std::uint32_t index, const char* key, int value) {
    char text[256] = {};
    std::snprintf(text, sizeof text, "%d", value);
    SetLobbyData(index, key, text);
}

void Steam::SetLobbyDataFloat(std::uint32_t index, const char* key, float value) {
    char text[256] = {};
    std::snprintf(text, sizeof text, "%f", double(value));
    SetLobbyData(index, key, text);
}

const char* Steam::GetLobbyData(std::uint32_t index, const char* key) {
    if (!started_ || index >= lobbies_->GetLobbyCount()) {
        return "";
    }
    const CSteamID id = lobbies_->GetLobbyEntry(index)->id;
    const char* value = lobbies_->GetLobbyData(&id, key);
    return value ? value : "";
}

int Steam::GetLobbyDataInt(std::uint32_t index, const char* key) {
    int value = 0;
    std::sscanf(GetLobbyData(index, key), "%d", &value);
    return value;
}

float Steam::GetLobbyDataFloat(std::uint32_t index, const char* key) {
    float value = 0;
    std::sscanf(GetLobbyData(index, key), "%f", &value);
    return value;
}

int Steam::GetNumLobbyMembers(std::uint32_t index) {
    if (!started_ || index >= lobbies_->GetLobbyCount()) {
        return 0;
    }
    const CSteamID id = lobbies_->GetLobbyEntry(index)->id;
    return lobbies_->GetNumLobbyMembers(&id);
}

CSteamID Steam::GetLobbyMemberByIndex(std::uint32_t index, int member) {
    if (!started_ || index >= lobbies_->GetLobbyCount()) {
        return CSteamID();
    }
    const CSteamID id = lobbies_->GetLobbyEntry(index)->id;
    return lobbies_->GetLobbyMemberByIndex(&id, member);
}

bool Steam::IsLobbyJoinRequested() {
    return started_ && lobbies_->IsJoinRequested();
}

void Steam::ResetLobbies() {
    if (started_) {
        lobbies_->Reset();
    }
}

void Steam::SetJoinRequestedLobby(const CSteamID* lobby) {
    if (started_) {
        lobbies_->SetJoinRequestedLobby(lobby);
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

// [SECTION] Achievements and voice

void Steam::UnlockAchievement(std::uint32_t index) {
    if (!started_) {
        return;
    }
    const std::string name = achievements_->GetAchievementName(index);
    if (!name.empty() && !achievements_->IsAchieved(name.c_str())) {
        achievements_->SetAchievement(name.c_str());
    }
}

bool Steam::IsAchievementUnlocked(std::uint32_t index) {
    if (!started_) {
        return false;
    }
    const std::string name = achievements_->GetAchievementName(index);
    return !name.empty() && achievements_->IsAchieved(name.c_str());
}

std::uint32_t Steam::GetNumAchievements() {
    return started_ ? achievements_->GetNumAchievements() : 0;
}

bool Steam::ResetAllStats() {
    return started_ && platform_->reset_all_stats(true);
}

void Steam::SetVoiceRecording(bool on) {
    if (!started_) {
        return;
    }
    if (on) {
        voice_->StartRecording();
    } else {
        voice_->StopRecording();
    }
}

bool Steam::IsVoiceRecording() {
    return started_ && voice_->IsRecording();
}

bool Steam::DecompressVoice(VoicePcmRecord* out, const VoiceRecord* in) {
    return started_ && voice_->DecompressVoice(out, in);
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
