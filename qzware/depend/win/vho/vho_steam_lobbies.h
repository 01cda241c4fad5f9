// vho::SteamLobbies: the platform's matchmaking lobbies behind a numbered
// list of known lobbies (search results, the lobby being created or entered,
// or the invited one). Results arrive in the per-frame callback run and are
// raised as events 3 to 7. Ids that are not lobby ids never reach the
// platform. Game thread only.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/online/online_callbacks.h"
#include "qzware/depend/win/vho/vho_steam_id.h"

namespace vho {

class Steam;

struct LobbyEntry {
    CSteamID id;
    std::uint16_t index = 65535;  // 65535 only in the null entry
};

class SteamLobbies {
public:
    static constexpr std::uint16_t kNoIndex = 65535;

    struct LobbyList {
        std::vector<LobbyEntry> entries;  // insertion order
        std::uint16_t counter = 0;        // the next appended entry's index
        LobbyEntry nullEntry;
    };

    explicit SteamLobbies(Steam* owner);
    virtual ~SteamLobbies();

    virtual bool Init();
    virtual void Finalize() {}
    // Leaves the lobby, clears both flags and the list.
    virtual void Reset();
    virtual void CreateLobby(int maxMembers);
    virtual void RequestLobbyList();
    // Leaves the current lobby first; the list stays until the enter result.
    virtual void JoinLobby(const CSteamID* lobby);
    virtual void LeaveLobby();
    virtual std::uint32_t GetLobbyCount() const {
        return static_cast<std::uint32_t>(list_.entries.size());
    }
    // The first entry whose index is the low 16 bits; the null entry if none.
    virtual LobbyEntry* GetLobbyEntry(std::uint32_t index);
    virtual LobbyEntry* FindLobbyEntry(std::uint16_t index);
    // Erases the entry (and its equals), then renumbers the rest 0, 1, 2...
    virtual void RemoveLobby(const CSteamID* lobby);
    virtual bool IsInLobby() const { return inLobby_ != 0; }
    // The entry of index 0; the invalid id when none.
    virtual CSteamID GetCurrentLobby();
    virtual int GetNumLobbyMembers(const CSteamID* lobby);
    virtual CSteamID GetLobbyMemberByIndex(const CSteamID* lobby, int member);
    virtual void SetLobbyData(const CSteamID* lobby, const char* key, const char* value);
    // Null for an id that is not a lobby id.
    virtual const char* GetLobbyData(const CSteamID* lobby, const char* key);
    virtual bool IsJoinRequested() const { return joinRequested_ != 0; }
    virtual void SetJoinRequestedLobby(const CSteamID* lobby);

    const LobbyList& List() const { return list_; }
    std::size_t PendingOrphans() const { return orphanTokens_.size(); }

private:
    struct Binding {
        platform::online::CallHandle call = 0;
        int token = 0;
    };
    LobbyEntry& Append(CSteamID id);
    void Bind(Binding& binding, platform::online::CallHandle call, int recordId,
              void (SteamLobbies::*handler)(const void*));
    void OnLobbyMatchList(const void* record);
    void OnLobbyCreated(const void* record);
    void OnLobbyEnter(const void* record);
    // A pending call replaced by a newer order: when its lobby is entered or
    // created after all, that lobby is left at once.
    void Orphan(Binding& binding, int recordId);
    // Every pending order is superseded by a new one (any kind).
    void SupersedePending();

    // Call results still awaited for superseded orders (each removed once
    // delivered).
    std::vector<int> orphanTokens_;
    std::uint64_t enterLobby_ = 0;  // the lobby of the pending join

    Binding matchList_, created_, enter_;
    int dataUpdateToken_ = 0;
    int joinRequestedToken_ = 0;
    Steam* owner_;
    std::uint8_t inLobby_ = 0;
    std::uint8_t joinRequested_ = 0;
    LobbyList list_;
};

}  // namespace vho
