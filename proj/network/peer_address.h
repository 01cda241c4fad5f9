// A member's 16-byte peer address: the u64 platform account id and 8 further
// bytes as the receiver delivers them. Two addresses name the same member
// when their first 12 bytes match.
//
// The local member, whose messages go through the loopback log, is decided by
// one rule everywhere: the account id is 0, or 0x7f000001 (no platform
// account has a zero high word, so it can never name a peer), or the own
// account id.
#pragma once

#include <cstddef>
#include <cstdint>

namespace Sample {

struct PeerAddress {
    std::uint64_t id = 0;
    std::uint64_t second = 0;

    static constexpr std::size_t kWireSize = 16;
    bool operator==(const PeerAddress&) const = default;
};

constexpr std::uint64_t kLoopbackPeerId = 0x7f000001u;

// Same member: account ids equal and the low 32 bits of the second ids equal.
inline bool SamePeer(const PeerAddress& a, const PeerAddress& b) {
    return a.id == b.id &&
           static_cast<std::uint32_t>(a.second) == static_cast<std::uint32_t>(b.second);
}

inline bool IsLocalPeerId(std::uint64_t id, std::uint64_t ownAccountId) {
    return id == 0 || id == kLoopbackPeerId || (ownAccountId != 0 && id == ownAccountId);
}

inline bool IsLocalPeer(const PeerAddress& a, std::uint64_t ownAccountId) {
    return IsLocalPeerId(a.id, ownAccountId);
}

}  // namespace Sample
