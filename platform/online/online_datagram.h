// The networked backend's packet datagrams and the checks on the receiving
// side. A datagram is "VKP3", u64 sender id, u32 sender session (epoch), u32
// sequence number (all little-endian), a 16-byte code (online_keys.h: under
// the key of the sender-to-recipient direction of their pair), then the
// payload, byte for byte as the game sent it. Nothing in a header is
// trusted: the code is checked first, under the pair key derived from the
// public key the directory published with the sender's presence; one that
// fails is dropped and costs no directory lookup. A datagram from a sender
// whose key is not known yet (a searcher's round-trip probe, a joiner's
// hello) waits, a bounded while, for the backend to read that key, and is
// checked then. Then the sender must be registered at the datagram's source
// address with that session, and its sequence number must be newer than any
// seen from that session (the replay window, online_replay.h), so packets
// arrive in the order they were sent.
// Floods cost their sources: a frame's checks are shared out evenly over
// the source addresses that sent in it, the datagrams waiting for a key are
// capped per source (a full queue gives up a datagram of the source holding
// the most), and lookups go first to the sources that have sent the fewest
// datagrams that failed.
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
    std::uint64_t key() const { return (std::uint64_t(address) << 16) | port; }
};

struct DatagramHeader {
    std::uint64_t sender = 0;
    std::uint32_t epoch = 0;
    std::uint32_t sequence = 0;
};

// Bytes written, or 0 when the payload is empty, too big or out is too small.
// The code is made under `key` (the sender's tx key of the pair) for `to`.
std::size_t encode_datagram(const DatagramHeader& header, const Recipient& to,
                            const DatagramKey& key, const void* payload, std::uint32_t size,
                            std::uint8_t* out, std::size_t capacity);
// The header and payload as sent; the code is not checked here. False for a
// short datagram, a wrong tag, an empty or oversize payload or a sender that
// is not a valid individual id.
bool decode_datagram(const std::uint8_t* bytes, std::size_t size, DatagramHeader* header,
                     const std::uint8_t** payload, std::uint32_t* payload_size);
// Whether a decoded datagram's code is the one `key` makes for `to`.
bool datagram_code_ok(const std::uint8_t* bytes, std::size_t size, const Recipient& to,
                      const DatagramKey& key);

// Which of a frame's datagrams (by their sources, in arrival order) get
// checked: all when they are at most `budget`; otherwise every source keeps
// its first datagrams up to an even share of the budget (a source that sent
// fewer keeps all of its, and what it leaves goes to the others).
std::vector<bool> fair_share(const std::vector<Endpoint>& sources, std::size_t budget);

// What the directory holds for a member: where its packets come from, its
// current session and that session's public key.
struct Registration {
    Endpoint endpoint;
    std::uint32_t epoch = 0;
    PresenceKey key{};
};

// Why datagrams were dropped, in the order the checks run.
struct DatagramDrops {
    std::uint64_t over_share = 0;  // past their source's share of a frame's checks
    std::uint64_t malformed = 0;   // size, tag or sender id
    std::uint64_t unknown = 0;     // no key known for the sender in time
    std::uint64_t code = 0;        // wrong or missing code
    std::uint64_t source = 0;      // other address or session than registered
    std::uint64_t replayed = 0;    // seen before
    std::uint64_t stale = 0;       // behind a newer one (late or too old)
    std::uint64_t total() const {
        return over_share + malformed + unknown + code + source + replayed + stale;
    }
};

class DatagramReceiver {
public:
    // Datagrams waiting for their sender's key: at most this many in all and
    // per source address, each for at most this many retries.
    static constexpr std::size_t kMaxHeld = 256;
    static constexpr std::size_t kMaxHeldPerSource = 8;
    static constexpr int kHeldRetries = 60;
    // Source addresses whose record of failed datagrams is kept.
    static constexpr std::size_t kMaxSources = 1024;

    // The sender's registration as already known locally; the receive path
    // never asks the directory, so a flood of datagrams costs it nothing.
    using Known = std::function<std::optional<Registration>(std::uint64_t sender)>;
    // Whether the directory has just said the sender has no presence: its
    // waiting datagrams go at once.
    using Absent = std::function<bool(std::uint64_t sender)>;

    explicit DatagramReceiver(Known known, Absent absent = nullptr)
        : known_(std::move(known)), absent_(std::move(absent)) {}

    // This member's session: the recipient every datagram's code must name
    // and the key pair its pair keys are derived with.
    void set_self(const Recipient& self, const KeyPair& keys);
    // True when the datagram's payload went into the inbox.
    bool take(const Endpoint& from, const std::uint8_t* bytes, std::size_t size, PacketInbox& inbox,
              CallbackRouter& router);
    // One frame's datagrams, read into `arena`: fair_share picks which are
    // checked (the rest count as over_share); those are taken in arrival order.
    struct Arrival {
        Endpoint from;
        std::size_t offset = 0;
        std::size_t size = 0;
    };
    void take_frame(const std::vector<Arrival>& arrivals, const std::uint8_t* arena,
                    std::size_t budget, PacketInbox& inbox, CallbackRouter& router);
    // Checks the waiting datagrams whose sender is known now, in arrival
    // order (call before taking new ones, so order is kept); the others age.
    void retry_held(PacketInbox& inbox, CallbackRouter& router);
    std::size_t held() const { return held_.size(); }
    std::size_t held_from(const Endpoint& source) const;
    // The waiting datagram's sender to look up next among those for which
    // `skip` is false: from the source with the fewest failed datagrams,
    // the oldest first.
    std::optional<std::uint64_t> wanted(
        const std::function<bool(std::uint64_t sender)>& skip) const;
    // The pair keys with each sender (and recipient: the sending side uses
    // their tx keys).
    PairKeyCache& pair_keys() { return pair_keys_; }
    void clear() {
        windows_.clear();
        held_.clear();
        held_per_source_.clear();
        sources_.clear();
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
        std::uint64_t sender = 0;
        std::vector<std::uint8_t> bytes;
        int retries = 0;
    };
    struct Source {
        std::uint64_t failed = 0;
        std::uint64_t seen = 0;  // arrival count when last seen
    };
    bool check(const Endpoint& from, const std::uint8_t* bytes, std::size_t size,
               const DatagramHeader& header, const Registration& reg, const std::uint8_t* payload,
               std::uint32_t payload_size, PacketInbox& inbox, CallbackRouter& router);
    void hold(const Endpoint& from, std::uint64_t sender, const std::uint8_t* bytes,
              std::size_t size);
    void drop_held(std::deque<Held>::iterator it);
    bool absent(std::uint64_t sender) const { return absent_ && absent_(sender); }
    Source& source(const Endpoint& from);
    void failed(const Endpoint& from);
    std::uint64_t failures(const Endpoint& from) const;

    Known known_;
    Absent absent_;
    Recipient self_;
    PairKeyCache pair_keys_;
    std::deque<Held> held_;
    std::map<std::uint64_t, std::size_t> held_per_source_;
    std::map<std::uint64_t, Source> sources_;
    std::uint64_t arrivals_ = 0;
    std::map<std::uint64_t, Window> windows_;
    DatagramDrops drops_;
};

}  // namespace platform::online
