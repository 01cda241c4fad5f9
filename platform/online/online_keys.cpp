#include "platform/online/online_keys.h"

#include <sodium.h>

#include <cstdlib>
#include <cstring>

namespace platform::online {
namespace {

// sodium_init is safe to call from any thread and more than once; without it
// the random source is not ready, so nothing goes on without keys.
void ensure_sodium() {
    static const bool ready = sodium_init() >= 0;
    if (!ready) {
        std::abort();
    }
}

void put_recipient(std::uint8_t* out, const Recipient& to) {
    for (int i = 0; i < 8; ++i) {
        out[i] = std::uint8_t(to.id >> (8 * i));
    }
    for (int i = 0; i < 4; ++i) {
        out[8 + i] = std::uint8_t(to.epoch >> (8 * i));
    }
}

}  // namespace

static_assert(kPresenceKeySize == crypto_kx_PUBLICKEYBYTES);
static_assert(sizeof(KeyPair::secret) == crypto_kx_SECRETKEYBYTES);
static_assert(std::tuple_size_v<DatagramKey> == crypto_kx_SESSIONKEYBYTES);
static_assert(std::tuple_size_v<DatagramKey> >= crypto_generichash_KEYBYTES_MIN &&
              std::tuple_size_v<DatagramKey> <= crypto_generichash_KEYBYTES_MAX);
static_assert(kDatagramCodeSize >= crypto_generichash_BYTES_MIN);

KeyPair::~KeyPair() {
    sodium_memzero(secret.data(), secret.size());
}

PairKeys::~PairKeys() {
    sodium_memzero(rx.data(), rx.size());
    sodium_memzero(tx.data(), tx.size());
}

KeyPair new_key_pair() {
    ensure_sodium();
    KeyPair pair;
    crypto_kx_keypair(pair.public_key.data(), pair.secret.data());
    return pair;
}

KeyPair key_pair_from_seed(const std::array<std::uint8_t, 32>& seed) {
    static_assert(sizeof seed == crypto_kx_SEEDBYTES);
    ensure_sodium();
    KeyPair pair;
    crypto_kx_seed_keypair(pair.public_key.data(), pair.secret.data(), seed.data());
    return pair;
}

PresenceKey new_presence_key() {
    return new_key_pair().public_key;
}

std::string key_text(const PresenceKey& key) {
    char text[kPresenceKeySize * 2 + 1];
    sodium_bin2hex(text, sizeof text, key.data(), key.size());
    return text;
}

std::optional<PresenceKey> parse_key_text(const std::string& text) {
    ensure_sodium();
    if (text.size() != kPresenceKeySize * 2) {
        return std::nullopt;
    }
    PresenceKey key;
    std::size_t length = 0;
    const char* end = nullptr;
    if (sodium_hex2bin(key.data(), key.size(), text.data(), text.size(), nullptr, &length, &end) !=
            0 ||
        length != key.size() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return key;
}

bool derive_pair_keys(std::uint64_t own_id, const KeyPair& own, std::uint64_t peer_id,
                      const PresenceKey& peer, PairKeys* out) {
    ensure_sodium();
    // Both sides must agree on who is the client without talking: the
    // lower id is. The libsodium calls refuse a key of small order.
    const int failed =
        own_id <= peer_id
            ? crypto_kx_client_session_keys(out->rx.data(), out->tx.data(), own.public_key.data(),
                                            own.secret.data(), peer.data())
            : crypto_kx_server_session_keys(out->rx.data(), out->tx.data(), own.public_key.data(),
                                            own.secret.data(), peer.data());
    if (failed != 0) {
        sodium_memzero(out->rx.data(), out->rx.size());
        sodium_memzero(out->tx.data(), out->tx.size());
        return false;
    }
    if (own_id == peer_id) {
        out->rx = out->tx;  // sent to itself: both ends are the client
    }
    return true;
}

void PairKeyCache::reset(std::uint64_t own_id, const KeyPair& own) {
    entries_.clear();
    own_ = own;
    own_id_ = own_id;
    derivations_ = 0;
}

void PairKeyCache::clear() {
    entries_.clear();
    own_.reset();
    own_id_ = 0;
}

const PairKeys* PairKeyCache::find(std::uint64_t peer_id, std::uint32_t peer_epoch,
                                   const PresenceKey& peer) {
    if (!own_) {
        return nullptr;
    }
    ++clock_;
    auto it = entries_.find(peer_id);
    if (it == entries_.end()) {
        if (entries_.size() >= kCapacity) {
            auto oldest = entries_.begin();
            for (auto e = entries_.begin(); e != entries_.end(); ++e) {
                if (e->second.used < oldest->second.used) {
                    oldest = e;
                }
            }
            entries_.erase(oldest);
        }
        it = entries_.try_emplace(peer_id).first;
    }
    Entry& e = it->second;
    e.used = clock_;
    // A new session of the peer brings a new public key; a new key under the
    // same session (a record rewritten) is derived again too.
    if (!e.derived || e.epoch != peer_epoch || e.peer != peer) {
        e.derived = true;
        e.epoch = peer_epoch;
        e.peer = peer;
        e.usable = derive_pair_keys(own_id_, *own_, peer_id, peer, &e.keys);
        ++derivations_;
    }
    return e.usable ? &e.keys : nullptr;
}

DatagramCode datagram_code(const DatagramKey& key, const Recipient& to, const std::uint8_t* header,
                           std::size_t header_size, const std::uint8_t* payload,
                           std::size_t payload_size) {
    ensure_sodium();
    std::uint8_t recipient[12];
    put_recipient(recipient, to);
    crypto_generichash_state state;
    crypto_generichash_init(&state, key.data(), key.size(), kDatagramCodeSize);
    crypto_generichash_update(&state, header, header_size);
    crypto_generichash_update(&state, recipient, sizeof recipient);
    crypto_generichash_update(&state, payload, payload_size);
    DatagramCode code;
    crypto_generichash_final(&state, code.data(), code.size());
    return code;
}

bool datagram_code_matches(const DatagramKey& key, const Recipient& to, const std::uint8_t* header,
                           std::size_t header_size, const std::uint8_t* payload,
                           std::size_t payload_size, const std::uint8_t* code) {
    static_assert(kDatagramCodeSize == crypto_verify_16_BYTES);
    const DatagramCode expected =
        datagram_code(key, to, header, header_size, payload, payload_size);
    return crypto_verify_16(expected.data(), code) == 0;
}

}  // namespace platform::online
