// CSteamID: the platform's 64-bit account, lobby or peer id; 0 is invalid.
#pragma once

#include <cstdint>

#include "platform/online/online_ids.h"

class CSteamID {
public:
    constexpr CSteamID() = default;
    constexpr explicit CSteamID(std::uint64_t id) : id_(id) {}

    constexpr std::uint64_t ConvertToUint64() const { return id_; }
    constexpr std::uint32_t GetAccountID() const { return platform::online::account_of(id_); }
    constexpr bool IsValid() const { return platform::online::is_valid_id(id_); }
    constexpr bool IsLobby() const { return platform::online::is_lobby_id(id_); }
    constexpr bool operator==(const CSteamID& other) const = default;
    constexpr bool operator<(const CSteamID& other) const { return id_ < other.id_; }

private:
    std::uint64_t id_ = 0;
};
static_assert(sizeof(CSteamID) == 8, "a platform id is one 64-bit word");
