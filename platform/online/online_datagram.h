// The networked backend's packet datagrams and the checks on the receiving
// side. A datagram is "VKP1", u64 sender id, u32 sender session (epoch),
// u32 sequence number (all little-endian), then the payload. Nothing in a
// header is trusted: the sender must be registered at the datagram's source
// address with that session, its sequence must be newer than the last one
// taken from it (stale, reordered and replayed ones are dropped), and the
// payload size is the datagram's own size less the header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>

#include "platform/online/online_callbacks.h"
#include "platform/online/online_inbox.h"

namespace platform::online {

constexpr std::size_t kDatagramHeaderSize = 20;
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
std::size_t encode_datagram(const DatagramHeader& header, const void* payload, std::uint32_t size,
                            std::uint8_t* out, std::size_t capacity);
// False for a short datagram, a wrong tag, an empty or oversize payload or a
// sender that is not a valid individual id.
bool decode_datagram(const std::uint8_t* bytes, std::size_t size, DatagramHeader* header,
                     const std::uint8_t** payload, std::uint32_t* payload_size);

// What the directory holds for a member: where its packets come from.
struct Registration {
    Endpoint endpoint;
    std::uint32_t epoch = 0;
};

class DatagramReceiver {
public:
    // Looks a sender up; `fresh` asks past any cache (the caller may still
    // answer from its cache to keep a flood from reaching the directory).
    using Lookup = std::function<std::optional<Registration>(std::uint64_t sender, bool fresh)>;

    explicit DatagramReceiver(Lookup lookup) : lookup_(std::move(lookup)) {}

    // True when the datagram's payload went into the inbox.
    bool take(const Endpoint& from, const std::uint8_t* bytes, std::size_t size, PacketInbox& inbox,
              CallbackRouter& router);
    void clear() { last_.clear(); }
    std::uint64_t dropped() const { return dropped_; }

private:
    struct Seen {
        std::uint32_t epoch = 0;
        std::uint32_t sequence = 0;
    };
    bool matches(const std::optional<Registration>& reg, const Endpoint& from,
                 std::uint32_t epoch) const {
        return reg && reg->endpoint == from && reg->epoch == epoch;
    }
    Lookup lookup_;
    std::map<std::uint64_t, Seen> last_;
    std::uint64_t dropped_ = 0;
};

}  // namespace platform::online
