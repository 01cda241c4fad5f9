// Per-presence datagram keys and the code every datagram carries (keyed
// BLAKE2b through libsodium). A member draws a fresh random key with each
// session (epoch) and publishes it only in its presence in the directory; a
// peer that has read it checks the code of each datagram from that member.
// The code also covers the recipient's id and session, which are not sent:
// a datagram taken from one member's traffic fails at every other member and
// at a later session of the same member.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace platform::online {

constexpr std::size_t kPresenceKeySize = 32;
constexpr std::size_t kDatagramCodeSize = 16;
using PresenceKey = std::array<std::uint8_t, kPresenceKeySize>;
using DatagramCode = std::array<std::uint8_t, kDatagramCodeSize>;

// The member a datagram is for.
struct Recipient {
    std::uint64_t id = 0;
    std::uint32_t epoch = 0;
};

// From libsodium's random source.
PresenceKey new_presence_key();
// 64 lowercase hex digits, as stored in the directory.
std::string key_text(const PresenceKey& key);
// nullopt unless exactly 64 hex digits.
std::optional<PresenceKey> parse_key_text(const std::string& text);

// The code of a datagram: `header` (everything before the code field) and
// `payload` under the sender's key, bound to the recipient.
DatagramCode datagram_code(const PresenceKey& key, const Recipient& to, const std::uint8_t* header,
                           std::size_t header_size, const std::uint8_t* payload,
                           std::size_t payload_size);
// Compared in constant time.
bool datagram_code_matches(const PresenceKey& key, const Recipient& to, const std::uint8_t* header,
                           std::size_t header_size, const std::uint8_t* payload,
                           std::size_t payload_size, const std::uint8_t* code);

}  // namespace platform::online
