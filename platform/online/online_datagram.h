// The networked backend's packet datagrams and the checks on the receiving
// side. A datagram is "VKP2", u64 sender id, u32 sender session (epoch), u32
// sequence number (all little-endian), a 16-byte code (online_keys.h), then
// the payload, byte for byte as the game sent it. Nothing in a header is
// trusted: the code is checked first, under the key the directory published
// with the sender's presence; one that fails is dropped and costs no
// directory lookup. A datagram from a sender whose key is not known yet (a
// searcher's round-trip probe, a joiner's hello) waits, a bounded while, for
// the backend to read that key (at most one sender a frame), and is checked
// then. Then the sender must be
// registered at the datagram's source address with that session, and its
// sequence number must be newer than any seen from that session (the replay
// window, online_replay.h), so packets arrive in the order they were sent.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "platform/online/online_callbacks.h"
#include "platform/online/online_inbox.h"
#include "platform/online/online_keys.h"
#include "platform/online/online_replay.h"

namespace platform::online {

constexpr std::size_t kDatagramCodeOffset = 20;
constexpr std::size_t kDatagramHeaderSize = kDatagramCodeOffset + kDatagramCodeSize;
constexpr std::size_t kMaxDatagramSize = kDatagramHeaderSize + kMaxPacketSize;

// An IPv4 endpoint in host byte order.
struct Endpoint {
    std::uint32_t address = 0;
    std::uint16_t port = 0;
    bool operator==(const Endpoint&) const = default;
};

struct DatagramHeader {
    std::uint64_t sender = 0;
    std::uint32_t epoch = 0;
    std::uint32_t sequence = 0;
};

// Bytes written, or 0 when the payload is empty, too big or out is too small.
// The code is made under `key` (the sender's) for the recipient `to`.
std::size_t encode_datagram(const DatagramHeader& header, const Recipient& to,
                            const PresenceKey& key, const void* payload, std::uint32_t size,
                            std::uint8_t* out, std::size_t capacity);
// The header and payload as sent; the code is not checked here. False for a
// short datagram, a wrong tag, an empty or oversize payload or a sender that
// is not a valid individual id.
bool decode_datagram(const std::uint8_t* bytes, std::size_t size, DatagramHeader* header,
                     const std::uint8_t** payload, std::uint32_t* payload_size);
// Whether a decoded datagram's code is the one `key` makes for `to`.
bool datagram_code_ok(const std::uint8_t* bytes, std::size_t size, const Recipient& to,
                      const PresenceKey& key);

// What the directory holds for a member: where its packets come from and the
// key of its current session.
struct Registration {
    Endpoint endpoint;
    std::uint32_t epoch = 0;
    PresenceKey key{};
};

// Why datagrams were dropped, in the order the checks run.
struct DatagramDrops {
    std::uint64_t malformed = 0;  // size, tag or sender id
    std::uint64_t unknown = 0;    // no key known for the sender in time
    std::uint64_t code = 0;       // wrong or missing code
    std::uint64_t source = 0;     // other address or session than registered
    std::uint64_t replayed = 0;   // seen before
    std::uint64_t stale = 0;      // behind a newer one (late or too old)
    std::uint64_t total() const { return malformed + unknown + code + source + replayed + stale; }
};

class DatagramReceiver {
public:
    // Datagrams waiting for their sender's key: at most this many (the
    // oldest goes first), each for at most this many retries.
    static constexpr std::size_t kMaxHeld = 64;
    static constexpr int kHeldRetries = 60;

    // The sender's registration as already known locally; the receive path
    // never asks the directory, so a flood of datagrams costs it nothing.
    using Known = std::function<std::optional<Registration>(std::uint64_t sender)>;

    explicit DatagramReceiver(Known known) : known_(std::move(known)) {}

    // This member: the recipient every datagram's code must name.
    void set_self(const Recipient& self) { self_ = self; }
    // True when the datagram's payload went into the inbox.
    bool take(const Endpoint& from, const std::uint8_t* bytes, std::size_t size, PacketInbox& inbox,
              CallbackRouter& router);
    // Checks the waiting datagrams whose sender is known now, in arrival
    // order (call before taking new ones, so order is kept); the others age.
    void retry_held(PacketInbox& inbox, CallbackRouter& router);
    std::size_t held() const { return held_.size(); }
    // The first waiting datagram's sender for which `skip` is false, if any.
    std::optional<std::uint64_t> wanted(
        const std::function<bool(std::uint64_t sender)>& skip) const;
    void clear() {
        windows_.clear();
        held_.clear();
    }
    std::uint64_t dropped() const { return drops_.total(); }
    const DatagramDrops& drops() const { return drops_; }

private:
    struct Window {
        std::uint32_t epoch = 0;
        ReplayWindow window;
    };
    struct Held {
        Endpoint from;
        std::vector<std::uint8_t> bytes;
        int retries = 0;
    };
    bool check(const Endpoint& from, const std::uint8_t* bytes, std::size_t size,
               const DatagramHeader& header, const Registration& reg, const std::uint8_t* payload,
               std::uint32_t payload_size, PacketInbox& inbox, CallbackRouter& router);
    Known known_;
    Recipient self_;
    std::deque<Held> held_;
    std::map<std::uint64_t, Window> windows_;
    DatagramDrops drops_;
};

}  // namespace platform::online
