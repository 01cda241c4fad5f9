#include "qzware/depend/win/vho/vho_steam_lobbies.h"

#include <memory>

#include "platform/online/online.h"
#include "qzware/depend/win/vho/vho_steam.h"
#include "qzware/depend/win/vho/vho_steam_event_dispatcher.h"

namespace vho {

namespace po = platform::online;

SteamLobbies::SteamLobbies(Steam* owner) : owner_(owner) {}

SteamLobbies::~SteamLobbies() {
    po::CallbackRouter& router = owner_->GetPlatform().callbacks();
    for (int token :
         {matchList_.token, created_.token, enter_.token, dataUpdateToken_, joinRequestedToken_}) {
        if (token != 0) {
            router.unregister(token);
        }
    }
    for (int token : orphanTokens_) {
        router.unregister(token);
    }
}

bool SteamLobbies::Init() {
    list_.entries.clear();
    list_.counter = 0;
    inLobby_ = joinRequested_ = 0;
    po::CallbackRouter& router = owner_->GetPlatform().callbacks();
    dataUpdateToken_ = router.register_callback(po::LobbyDataUpdate::kId, [this](const void* r) {
        owner_->PostEvent(kSteamLobbyDataUpdate, const_cast<po::LobbyDataUpdate*>(
                                                     static_cast<const po::LobbyDataUpdate*>(r)));
    });
    joinRequestedToken_ =
        router.register_callback(po::GameLobbyJoinRequested::kId, [this](const void* r) {
            const CSteamID lobby(static_cast<const po::GameLobbyJoinRequested*>(r)->lobby);
            SetJoinRequestedLobby(&lobby);
            owner_->PostEvent(kSteamLobbyJoinRequested, nullptr);
        });
    return true;
}

void SteamLobbies::Reset() {
    LeaveLobby();
    inLobby_ = joinRequested_ = 0;
    list_.entries.clear();
    list_.counter = 0;
}

void SteamLobbies::Bind(Binding& binding, po::CallHandle call, int recordId,
                        void (SteamLobbies::*handler)(const void*)) {
    po::CallbackRouter& router = owner_->GetPlatform().callbacks();
    if (binding.token != 0) {
        router.unregister(binding.token);
        binding.token = 0;
        Orphan(binding, recordId);
    }
    binding.call = call;
    if (call != 0) {
        binding.token =
            router.register_call_result(call, recordId, [this, &binding, handler](const void* r) {
                binding.call = 0;
                binding.token = 0;  // a call result is dropped once delivered
                (this->*handler)(r);
            });
    }
}

void SteamLobbies::Orphan(Binding& binding, int recordId) {
    if (binding.call == 0 || recordId == po::LobbyMatchList::kId) {
        return;  // a late list result holds no lobby
    }
    po::Backend& platform = owner_->GetPlatform();
    auto token = std::make_shared<int>(0);
    *token = platform.callbacks().register_call_result(
        binding.call, recordId, [this, &platform, recordId, token](const void* r) {
            // Delivered once: the token is no longer the router's.
            std::erase(orphanTokens_, *token);
            std::uint64_t entered = 0;
            if (recordId == po::LobbyCreated::kId) {
                const auto* c = static_cast<const po::LobbyCreated*>(r);
                entered = c->result == po::kResultOk ? c->lobby : 0;
            } else {
                const auto* e = static_cast<const po::LobbyEnter*>(r);
                entered = e->response == std::uint32_t(po::kEnterSuccess) ? e->lobby : 0;
            }
            // A newer join of the same lobby (pending or already in) keeps it.
            const bool wanted =
                entered != 0 && ((enter_.call != 0 && enterLobby_ == entered) ||
                                 (inLobby_ && GetCurrentLobby() == CSteamID(entered)));
            if (entered != 0 && !wanted) {
                platform.leave_lobby(entered);
            }
        });
    if (*token != 0) {
        orphanTokens_.push_back(*token);
    }
}

void SteamLobbies::SupersedePending() {
    po::CallbackRouter& router = owner_->GetPlatform().callbacks();
    const std::pair<Binding*, int> pending[] = {{&matchList_, po::LobbyMatchList::kId},
                                                {&created_, po::LobbyCreated::kId},
                                                {&enter_, po::LobbyEnter::kId}};
    for (const auto& [binding, recordId] : pending) {
        if (binding->token != 0) {
            router.unregister(binding->token);
            binding->token = 0;
            Orphan(*binding, recordId);
            binding->call = 0;
        }
    }
}

void SteamLobbies::CreateLobby(int maxMembers) {
    SupersedePending();
    Reset();
    Bind(created_, owner_->GetPlatform().create_lobby(po::kLobbyTypePublic, maxMembers),
         po::LobbyCreated::kId, &SteamLobbies::OnLobbyCreated);
}

void SteamLobbies::RequestLobbyList() {
    SupersedePending();
    Reset();
    Bind(matchList_, owner_->GetPlatform().request_lobby_list(), po::LobbyMatchList::kId,
         &SteamLobbies::OnLobbyMatchList);
}

void SteamLobbies::JoinLobby(const CSteamID* lobby) {
    SupersedePending();
    LeaveLobby();
    enterLobby_ = lobby->ConvertToUint64();
    Bind(enter_, owner_->GetPlatform().join_lobby(lobby->ConvertToUint64()), po::LobbyEnter::kId,
         &SteamLobbies::OnLobbyEnter);
}

void SteamLobbies::LeaveLobby() {
    if (!inLobby_) {
        return;
    }
    inLobby_ = 0;
    const CSteamID current = GetCurrentLobby();
    if (current.IsValid()) {
        owner_->GetPlatform().leave_lobby(current.ConvertToUint64());
    }
}

LobbyEntry* SteamLobbies::GetLobbyEntry(std::uint32_t index) {
    return FindLobbyEntry(static_cast<std::uint16_t>(index));
}

LobbyEntry* SteamLobbies::FindLobbyEntry(std::uint16_t index) {
    for (LobbyEntry& e : list_.entries) {
        if (e.index == index) {
            return &e;
        }
    }
    return &list_.nullEntry;
}

void SteamLobbies::RemoveLobby(const CSteamID* lobby) {
    std::vector<LobbyEntry>& v = list_.entries;
    for (std::size_t i = 0; i < v.size(); ++i) {
        if (v[i].id == *lobby) {
            const LobbyEntry found = v[i];
            if (found.index != kNoIndex && found.id.IsValid()) {
                std::erase_if(v, [&](const LobbyEntry& e) {
                    return e.id == found.id && e.index == found.index;
                });
            }
            break;
        }
    }
    for (std::size_t i = 0; i < v.size(); ++i) {
        v[i].index = static_cast<std::uint16_t>(i);
    }
}

CSteamID SteamLobbies::GetCurrentLobby() {
    return FindLobbyEntry(0)->id;
}

int SteamLobbies::GetNumLobbyMembers(const CSteamID* lobby) {
    return lobby->IsLobby() ? owner_->GetPlatform().get_num_lobby_members(lobby->ConvertToUint64())
                            : 0;
}

CSteamID SteamLobbies::GetLobbyMemberByIndex(const CSteamID* lobby, int member) {
    if (!lobby->IsLobby()) {
        return CSteamID();
    }
    return CSteamID(
        owner_->GetPlatform().get_lobby_member_by_index(lobby->ConvertToUint64(), member));
}

void SteamLobbies::SetLobbyData(const CSteamID* lobby, const char* key, const char* value) {
    if (lobby->IsLobby()) {
        owner_->GetPlatform().set_lobby_data(lobby->ConvertToUint64(), key, value);
    }
}

const char* SteamLobbies::GetLobbyData(const CSteamID* lobby, const char* key) {
    if (!lobby->IsLobby()) {
        return nullptr;
    }
    return owner_->GetPlatform().get_lobby_data(lobby->ConvertToUint64(), key);
}

void SteamLobbies::SetJoinRequestedLobby(const CSteamID* lobby) {
    list_.entries.assign(1, LobbyEntry{*lobby, 0});
    list_.counter = 1;
    joinRequested_ = 1;
}

LobbyEntry& SteamLobbies::Append(CSteamID id) {
    list_.entries.push_back(LobbyEntry{id, list_.counter});
    list_.counter = static_cast<std::uint16_t>((list_.counter + 1u) % 65535u);
    return list_.entries.back();
}

void SteamLobbies::OnLobbyCreated(const void* r) {
    const auto* record = static_cast<const po::LobbyCreated*>(r);
    if (record->result != po::kResultOk) {
        return;
    }
    LobbyEntry& entry = Append(CSteamID(record->lobby));
    inLobby_ = 1;
    owner_->PostEvent(kSteamLobbyCreated, &entry);
}

void SteamLobbies::OnLobbyMatchList(const void* r) {
    const auto* record = static_cast<const po::LobbyMatchList*>(r);
    std::vector<std::uint16_t> indexes;
    for (std::uint32_t i = 0; i < record->lobbies_matching; ++i) {
        const CSteamID id(owner_->GetPlatform().get_lobby_by_index(static_cast<int>(i)));
        if (id.IsLobby()) {
            indexes.push_back(Append(id).index);
        }
    }
    owner_->PostEvent(kSteamLobbyMatchList, &indexes);
}

void SteamLobbies::OnLobbyEnter(const void* r) {
    const auto* record = static_cast<const po::LobbyEnter*>(r);
    list_.entries.assign(1, LobbyEntry{CSteamID(record->lobby), 0});
    list_.counter = 1;
    if (record->response == static_cast<std::uint32_t>(po::kEnterSuccess)) {
        inLobby_ = 1;
    }
    CSteamID lobby(record->lobby);
    owner_->PostEvent(kSteamLobbyEnter, &lobby);
}

}  // namespace vho
