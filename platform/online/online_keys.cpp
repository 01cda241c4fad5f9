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

static_assert(kPresenceKeySize == crypto_generichash_KEYBYTES);
static_assert(kDatagramCodeSize >= crypto_generichash_BYTES_MIN);

PresenceKey new_presence_key() {
    ensure_sodium();
    PresenceKey key;
    crypto_generichash_keygen(key.data());
    return key;
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

DatagramCode datagram_code(const PresenceKey& key, const Recipient& to, const std::uint8_t* header,
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

bool datagram_code_matches(const PresenceKey& key, const Recipient& to, const std::uint8_t* header,
                           std::size_t header_size, const std::uint8_t* payload,
                           std::size_t payload_size, const std::uint8_t* code) {
    static_assert(kDatagramCodeSize == crypto_verify_16_BYTES);
    const DatagramCode expected =
        datagram_code(key, to, header, header_size, payload, payload_size);
    return crypto_verify_16(expected.data(), code) == 0;
}

}  // namespace platform::online
