// vho::Steam: the one object through which the program reaches the online
// platform (platform/online): start and stop, the per-frame step (callbacks,
// then packets), the event subject, peer-to-peer packets and the peer table,
// and the local user's identity. Until a complete Start every operation
// answers a fixed value (-1, 0, false, "" or the invalid id). Game thread only.
#pragma once

#include <cstdint>
#include <string>

#include "qzware/depend/win/vho/vho_singleton.h"
#include "qzware/depend/win/vho/vho_steam_event_dispatcher.h"
#include "qzware/depend/win/vho/vho_steam_id.h"
#include "qzware/depend/win/vho/vho_steam_lobbies.h"
#include "qzware/depend/win/vho/vho_steam_p2p.h"
#include "qzware/depend/win/vho/vho_steam_voice_chat.h"

namespace platform::online {
class Backend;
}

namespace vho {

class SteamAchievements;

class Steam : public Singleton<Steam> {
public:
    // On the backend platform::online::current() answers.
    Steam();
    explicit Steam(platform::online::Backend& platform);
    // Not the process's instance: one of several members in one process.
    Steam(platform::online::Backend& platform, Unregistered tag);
    ~Steam() override;

    // Empty message on success; else "Failed initializing Steam." or
    // "Not logged into Steam." and the object stays not started.
    virtual void Start(std::string& message);
    // Deletes the parts (voice, achievements, p2p, then dispatcher) and stops
    // the platform; safe twice.
    virtual void Shutdown();
    // Once a frame: the platform's callbacks, then the packet poll.
    virtual void Update();

    // [SECTION] Lobbies (list entries addressed by list position)
    virtual void CreateLobby(int maxMembers);
    virtual void RequestLobbyList();
    virtual void JoinLobby(std::uint32_t index);
    virtual void LeaveLobby();
    virtual void RemoveLobby(std::uint32_t index);
    virtual CSteamID GetLobbyId(std::uint32_t index);
    // -1 when not started.
    virtual int GetLobbyCount();
    // -1 when not started or out of range; 65535 when the owner has no peer entry.
    virtual int GetLobbyOwnerPeerId(std::uint32_t index);
    virtual CSteamID GetLobbyOwner(std::uint16_t index);
    virtual bool IsInLobby();
    virtual void SetLobbyData(std::uint32_t index, const char* key, const char* value);
    virtual void SetLobbyDataInt(std::uint32_t index, const char* key, int value);
    virtual void SetLobbyDataFloat(std::uint32_t index, const char* key, float value);
    // "" when not started or out of range.
    virtual const char* GetLobbyData(std::uint32_t index, const char* key);
    virtual int GetLobbyDataInt(std::uint32_t index, const char* key);
    virtual float GetLobbyDataFloat(std::uint32_t index, const char* key);
    virtual int GetNumLobbyMembers(std::uint32_t index);
    virtual CSteamID GetLobbyMemberByIndex(std::uint32_t index, int member);
    virtual bool IsLobbyJoinRequested();
    virtual void ResetLobbies();
    virtual void SetJoinRequestedLobby(const CSteamID* lobby);
    virtual SteamLobbies* GetLobbies() { return lobbies_; }

    // [SECTION] Peers and packets
    virtual PeerEntry* AddPeer(const CSteamID* id);
    virtual void SendP2PPacketNoDelay(const CSteamID* to, const void* data, std::uint32_t size);
    virtual void SendP2PPacket(const CSteamID* to, const void* data, std::uint32_t size);
    virtual void ClearPeers();
    virtual PeerEntry* FindPeer(const CSteamID* id);
    // 65535 when the id has no real entry.
    virtual std::uint16_t GetPeerId(const CSteamID* id);
    virtual void SetPeerPing(const CSteamID* id, std::uint16_t ping);
    // -1 when not started or the id has no real entry.
    virtual int GetPeerPing(const CSteamID* id);
    virtual int GetPeerPingById(std::uint16_t peerId);

    // [SECTION] Events and identity
    // The dispatcher (null while not started).
    virtual Subject<int>* GetSubject();
    // Nothing while not started.
    virtual void PostEvent(int code, void* data);
    virtual const CSteamID* GetSteamId() { return &ownId_; }
    virtual const char* GetPersonaName();
    virtual const char* GetCurrentGameLanguage();
    virtual void OpenLobbyInviteOverlay();
    virtual void SetPlayedWith(CSteamID user);
    virtual void OpenAddFriendOverlay(const CSteamID* user);

    // [SECTION] Achievements and voice
    // Unlocks the achievement at that position of the platform's list unless
    // it is already achieved; nothing while not started or past the list.
    virtual void UnlockAchievement(std::uint32_t index);
    virtual bool IsAchievementUnlocked(std::uint32_t index);
    virtual std::uint32_t GetNumAchievements();
    // Resets every statistic and achievement of the user; false while not started.
    virtual bool ResetAllStats();
    virtual void SetVoiceRecording(bool on);
    virtual bool IsVoiceRecording();
    virtual bool DecompressVoice(VoicePcmRecord* out, const VoiceRecord* in);

    virtual SteamEventDispatcher* GetEventDispatcher() { return dispatcher_; }
    virtual SteamP2P* GetP2P() { return p2p_; }
    virtual SteamAchievements* GetAchievements() { return achievements_; }
    virtual SteamVoiceChat* GetVoiceChat() { return voice_; }

    bool IsStarted() const { return started_ != 0; }
    platform::online::Backend& GetPlatform() { return *platform_; }

private:
    platform::online::Backend* platform_;
    std::uint8_t started_ = 0;
    CSteamID ownId_;
    SteamEventDispatcher* dispatcher_ = nullptr;
    SteamLobbies* lobbies_ = nullptr;
    SteamP2P* p2p_ = nullptr;
    SteamAchievements* achievements_ = nullptr;
    SteamVoiceChat* voice_ = nullptr;
    PeerEntry nullPeer_;  // answered while not started
};

}  // namespace vho
