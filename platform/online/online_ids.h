// 64-bit platform ids: account number in the low word; instance, account type
// and universe in the high word (instance bits 0-19, type 20-23, universe 24-31).
// Individual accounts are type 1, universe 1, instance 1; lobbies are type 8
// (chat) with the lobby instance flag 0x40000.
#pragma once

#include <cstdint>

namespace platform::online {

constexpr std::uint32_t kTypeIndividual = 1;
constexpr std::uint32_t kTypeChat = 8;
constexpr std::uint32_t kUniversePublic = 1;
constexpr std::uint32_t kInstanceDesktop = 1;
constexpr std::uint32_t kInstanceLobbyFlag = 0x40000;
constexpr std::uint32_t kTypeMaskHigh = 0xf00000;

constexpr std::uint64_t make_id(std::uint32_t account, std::uint32_t instance, std::uint32_t type,
                                std::uint32_t universe) {
    return (std::uint64_t(universe & 0xff) << 56) | (std::uint64_t(type & 0xf) << 52) |
           (std::uint64_t(instance & 0xfffff) << 32) | account;
}
constexpr std::uint64_t individual_id(std::uint32_t account) {
    return make_id(account, kInstanceDesktop, kTypeIndividual, kUniversePublic);
}
constexpr std::uint64_t lobby_id(std::uint32_t number) {
    return make_id(number, kInstanceLobbyFlag, kTypeChat, kUniversePublic);
}
constexpr std::uint32_t account_of(std::uint64_t id) {
    return std::uint32_t(id);
}
constexpr std::uint32_t type_of(std::uint64_t id) {
    return std::uint32_t(id >> 52) & 0xf;
}
constexpr std::uint32_t instance_of(std::uint64_t id) {
    return std::uint32_t(id >> 32) & 0xfffff;
}
constexpr std::uint32_t universe_of(std::uint64_t id) {
    return std::uint32_t(id >> 56);
}

// The platform's validity rule: a known type and universe; individual and
// chat ids need a non-zero account; individual instances stay at most 4.
constexpr bool is_valid_id(std::uint64_t id) {
    const std::uint32_t type = type_of(id), universe = universe_of(id);
    if (type == 0 || type > 10 || universe == 0 || universe > 4) {
        return false;
    }
    if (type == kTypeIndividual) {
        return account_of(id) != 0 && instance_of(id) <= 4;
    }
    if (type == kTypeChat) {
        return account_of(id) != 0;
    }
    return true;
}
constexpr bool is_lobby_id(std::uint64_t id) {
    const std::uint32_t high = std::uint32_t(id >> 32);
    return (high & kTypeMaskHigh) == (kTypeChat << 20) && (high & kInstanceLobbyFlag) != 0;
}

}  // namespace platform::online
