#include "proj/network/game_room_info.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "proj/network/game_network_database.h"
#include "qzware/depend/win/vho/vho_steam.h"

namespace Sample {

namespace {

constexpr const char* kKickOut = "kick_out";
constexpr const char* kKeys[CGameRoomInfo::kMembers] = {"player0 info", "player1 info",
                                                        "player2 info", "player3 info"};

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

void CopyName(char (&to)[20], const char* from) {
    std::memset(to, 0, sizeof to);
    if (from != nullptr) {
        std::memcpy(to, from, strnlen(from, sizeof to - 1));
    }
}

}  // namespace

const char* CGameRoomInfo::KeyOf(int i) {
    return kKeys[i & 3];
}

std::uint64_t CGameRoomInfo::OwnId() const {
    return steam_->GetSteamId()->ConvertToUint64();
}

void CGameRoomInfo::Reset() {
    open_ = host_ = 0;
    std::memset(pending_, 0, sizeof pending_);
}

bool CGameRoomInfo::Open(bool host) {
    if (open_) {
        return false;
    }
    open_ = 1;
    host_ = host ? 1 : 0;
    if (host_) {
        WriteMemberData(0, OwnId(), steam_->GetPersonaName(), RoomMemberRecord::kPresent);
    }
    return true;
}

bool CGameRoomInfo::InLobby(std::uint64_t id) {
    const int n = steam_->GetNumLobbyMembers(0);
    for (int k = 0; k < n; ++k) {
        const CSteamID member = steam_->GetLobbyMemberByIndex(0, k);
        if (member.IsValid() && member.ConvertToUint64() == id) {
            return true;
        }
    }
    return false;
}

bool CGameRoomInfo::AddMember(std::uint64_t id, const char* name) {
    if (!open_ || !host_) {
        return false;
    }
    for (int i = 0; i < kMembers; ++i) {
        if (pending_[i] == id) {
            return false;
        }
        const RoomMemberRecord r = ReadMemberData(i);
        if (r.id == id && r.state != RoomMemberRecord::kEmpty) {
            return false;
        }
    }
    if (!InLobby(id)) {
        return false;
    }
    const int slot = GetNetworkDatabase().session.FirstEmptySlot();
    if (slot < 0) {
        return false;
    }
    pending_[slot] = id;
    return WriteMemberData(slot, id, name, RoomMemberRecord::kJoined);
}

bool CGameRoomInfo::AcceptMember(int i) {
    if (!open_ || !host_ || i < 0 || i >= kMembers ||
        records_[i].state != RoomMemberRecord::kJoined) {
        return false;
    }
    pending_[i] = 0;
    const RoomMemberRecord r = records_[i];
    return WriteMemberData(i, r.id, r.name, RoomMemberRecord::kPresent);
}

bool CGameRoomInfo::LeaveMember(int i) {
    if (!open_ || !host_ || i < 0 || i >= kMembers ||
        records_[i].state != RoomMemberRecord::kPresent) {
        return false;
    }
    const RoomMemberRecord r = records_[i];
    return WriteMemberData(i, r.id, r.name, RoomMemberRecord::kLeft);
}

bool CGameRoomInfo::KickMember(int i) {
    if (!open_ || !host_ || i < 0 || i >= kMembers) {
        return false;
    }
    const RoomMemberRecord r = ReadMemberData(i);
    if (r.state != RoomMemberRecord::kPresent || IsKickedFrom(0, r.id)) {
        return false;
    }
    // The list only grows, so it is built to its own length.
    std::string value = steam_->GetLobbyData(0, kKickOut);
    value += ' ';
    value += std::to_string(r.id);
    steam_->SetLobbyData(0, kKickOut, value.c_str());
    return true;
}

bool CGameRoomInfo::RemoveLeftMember(int i) {
    if (!host_ || i < 0 || i >= kMembers || records_[i].state != RoomMemberRecord::kLeft) {
        return false;
    }
    return ClearMemberData(i);
}

bool CGameRoomInfo::RestoreMember(int i) {
    if (!host_ || i < 0 || i >= kMembers || records_[i].state != RoomMemberRecord::kTakeOver) {
        return false;
    }
    const RoomMemberRecord r = records_[i];
    return WriteMemberData(i, r.id, r.name, RoomMemberRecord::kPresent);
}

bool CGameRoomInfo::ClearMemberData(int i) {
    if (!host_ || i < 0 || i >= kMembers) {
        return false;
    }
    steam_->SetLobbyData(0, kKeys[i], "");
    records_[i] = RoomMemberRecord{};
    return true;
}

bool CGameRoomInfo::WriteMemberData(int i, std::uint64_t id, const char* name, std::int32_t state) {
    if (!host_ || i < 0 || i >= kMembers) {
        return false;
    }
    RoomMemberRecord& r = records_[i];
    r.id = id;
    CopyName(r.name, name);
    r.state = state;
    char value[256] = {};
    std::snprintf(value, sizeof value, "%d %llu %s", static_cast<int>(state),
                  static_cast<unsigned long long>(id), r.name);
    steam_->SetLobbyData(0, kKeys[i], value);
    return true;
}

RoomMemberRecord CGameRoomInfo::ParseMemberValue(const char* value) {
    RoomMemberRecord r;
    if (value == nullptr || value[0] == '\0') {
        return r;
    }
    int state = 0;
    unsigned long long id = 0;
    char name[20] = {};
    const int got = std::sscanf(value, "%d %llu %19s", &state, &id, name);
    if (got >= 1) {
        r.state = state;
    }
    if (got >= 2) {
        r.id = id;
    }
    if (got >= 3) {
        CopyName(r.name, name);
    }
    return r;
}

RoomMemberRecord CGameRoomInfo::ReadMemberData(int i) {
    if (i < 0 || i >= kMembers) {
        return {};
    }
    // The platform's answer lasts only until its next call.
    const std::string value = steam_->GetLobbyData(0, kKeys[i]);
    if (value.empty()) {
        return {};
    }
    const RoomMemberRecord parsed = ParseMemberValue(value.c_str());
    if (parsed.state != records_[i].state) {
        RoomMemberRecord changed = records_[i];
        changed.state = RoomMemberRecord::kChanged;
        return changed;
    }
    return parsed;
}

void CGameRoomInfo::UpdateMemberData() {
    for (int i = 0; i < kMembers; ++i) {
        records_[i] = ParseMemberValue(steam_->GetLobbyData(0, kKeys[i]));
    }
}

bool CGameRoomInfo::ListsId(const char* list, std::uint64_t id) {
    if (list == nullptr) {
        return false;
    }
    const std::string want = std::to_string(id);
    const char* p = list;
    while (*p != '\0') {
        if (!IsDigit(*p)) {
            ++p;
            continue;
        }
        const char* start = p;
        while (IsDigit(*p)) {
            ++p;
        }
        if (static_cast<std::size_t>(p - start) == want.size() &&
            std::memcmp(start, want.data(), want.size()) == 0) {
            return true;
        }
    }
    return false;
}

bool CGameRoomInfo::IsKickedFrom(std::uint32_t entry, std::uint64_t id) {
    return ListsId(steam_->GetLobbyData(entry, kKickOut), id);
}

void CGameRoomInfo::Update(bool inBattle) {
    const std::uint64_t own = OwnId();
    if (!host_) {
        if (!inBattle || steam_->GetLobbyOwner(0).ConvertToUint64() != own) {
            return;
        }
        UpdateMemberData();
        for (int i = 0; i < kMembers; ++i) {
            if (records_[i].id == own && records_[i].state == RoomMemberRecord::kPresent) {
                host_ = 1;
                const RoomMemberRecord r = records_[i];
                WriteMemberData(i, r.id, r.name, RoomMemberRecord::kTakeOver);
                break;
            }
        }
        if (!host_) {
            return;
        }
    }
    std::vector<std::uint64_t> members;
    const int n = steam_->GetNumLobbyMembers(0);
    for (int k = 0; k < n; ++k) {
        const CSteamID m = steam_->GetLobbyMemberByIndex(0, k);
        if (m.IsValid()) {
            members.push_back(m.ConvertToUint64());
        }
    }
    for (int i = 0; i < kMembers; ++i) {
        const RoomMemberRecord r = records_[i];
        if (r.id == 0 || r.id == own || r.state != RoomMemberRecord::kPresent) {
            continue;
        }
        bool present = false;
        for (std::uint64_t m : members) {
            present = present || m == r.id;
        }
        if (!present) {
            WriteMemberData(i, r.id, r.name, RoomMemberRecord::kLeft);
        }
    }
}

}  // namespace Sample
