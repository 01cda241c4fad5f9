// Datagram keys (libsodium). Each session (epoch) of a member draws a fresh
// X25519 key pair and publishes only its public half with its presence; the
// secret half never leaves the process. Two members derive the keys of their
// pair from their two key pairs (crypto_kx; the lower account id takes the
// client role), one key for each direction, and every datagram carries a
// keyed BLAKE2b code under the key of its direction. Knowing both public keys
// gives no power to make a code: that takes one of the two secrets. The code
// also covers the recipient's id and session, which are not sent.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace platform::online {

constexpr std::size_t kPresenceKeySize = 32;
constexpr std::size_t kDatagramCodeSize = 16;
// A session's public key, as its presence publishes it.
using PresenceKey = std::array<std::uint8_t, kPresenceKeySize>;
// The key one direction of a pair codes its datagrams with.
using DatagramKey = std::array<std::uint8_t, 32>;
using DatagramCode = std::array<std::uint8_t, kDatagramCodeSize>;

// One session's key pair; the secret is wiped when the pair goes.
struct KeyPair {
    PresenceKey public_key{};
    std::array<std::uint8_t, 32> secret{};
    KeyPair() = default;
    KeyPair(const KeyPair&) = default;
    KeyPair& operator=(const KeyPair&) = default;
    ~KeyPair();
};

// The member a datagram is for.
struct Recipient {
    std::uint64_t id = 0;
    std::uint32_t epoch = 0;
};

// From libsodium's random source.
KeyPair new_key_pair();
// The same pair for the same seed, every run: for fuzzing and tests whose
// inputs must keep their meaning.
KeyPair key_pair_from_seed(const std::array<std::uint8_t, 32>& seed);
// The public half of a fresh pair whose secret is thrown away: for a
// presence record that never sends.
PresenceKey new_presence_key();
// 64 lowercase hex digits, as stored in the directory.
std::string key_text(const PresenceKey& key);
// nullopt unless exactly 64 hex digits.
std::optional<PresenceKey> parse_key_text(const std::string& text);

// The keys of one pair of sessions: `tx` codes what this side sends, `rx`
// checks what the other side sends. A member's pair with itself has one key
// for both.
struct PairKeys {
    DatagramKey rx{};
    DatagramKey tx{};
    ~PairKeys();
};
// False when the peer's public key is not one a key can be made with.
bool derive_pair_keys(std::uint64_t own_id, const KeyPair& own, std::uint64_t peer_id,
                      const PresenceKey& peer, PairKeys* out);

// The pair keys of this session with each peer session, derived once per
// (peer id, peer epoch, peer public key) and kept for the next datagrams;
// at most kCapacity peers (the least recently used goes first).
class PairKeyCache {
public:
    static constexpr std::size_t kCapacity = 1024;

    // Forgets every pair: this session is `own_id` with `own` from now on.
    void reset(std::uint64_t own_id, const KeyPair& own);
    // Null when the peer's key is unusable or no own pair is set.
    const PairKeys* find(std::uint64_t peer_id, std::uint32_t peer_epoch, const PresenceKey& peer);
    void clear();
    // Derivations done since the last reset (what the cache saves shows here).
    std::uint64_t derivations() const { return derivations_; }

private:
    struct Entry {
        std::uint32_t epoch = 0;
        PresenceKey peer{};
        bool derived = false;
        bool usable = false;
        PairKeys keys;
        std::uint64_t used = 0;
    };
    std::optional<KeyPair> own_;
    std::uint64_t own_id_ = 0;
    std::map<std::uint64_t, Entry> entries_;
    std::uint64_t clock_ = 0;
    std::uint64_t derivations_ = 0;
};

// The code of a datagram: `header` (everything before the code field) and
// `payload` under one direction's key, bound to the recipient.
DatagramCode datagram_code(const DatagramKey& key, const Recipient& to, const std::uint8_t* header,
                           std::size_t header_size, const std::uint8_t* payload,
                           std::size_t payload_size);
// Compared in constant time.
bool datagram_code_matches(const DatagramKey& key, const Recipient& to, const std::uint8_t* header,
                           std::size_t header_size, const std::uint8_t* payload,
                           std::size_t payload_size, const std::uint8_t* code);

}  // namespace platform::online
