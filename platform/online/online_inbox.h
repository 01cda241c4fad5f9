// The receiving side of peer-to-peer packets, shared by both backends:
// sessions (a first packet from a stranger is held and raises a session
// request until it is accepted), the queue of packets ready on channel 0, and
// the read that drops a packet bigger than the caller's buffer so a poll loop
// always moves on. Game thread only.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <set>
#include <vector>

#include "platform/online/online_callbacks.h"

namespace platform::online {

// The largest payload a send accepts; one UDP datagram with our header.
constexpr std::uint32_t kMaxPacketSize = 1400;
// Packets kept per stranger before its session is accepted; more are dropped.
constexpr std::size_t kMaxHeldPerSender = 64;
// Strangers whose packets are kept at once; a packet of one more is dropped
// (and raises no request).
constexpr std::size_t kMaxHeldSenders = 64;

class PacketInbox {
public:
    // A packet has arrived (after any link delay); posts a session request
    // on the router for a sender not yet accepted.
    void arrive(std::uint64_t sender, const std::uint8_t* data, std::uint32_t size,
                CallbackRouter& router);
    // Accepts the sender: its held packets become readable in arrival order.
    void accept(std::uint64_t sender);
    // Forgets the session: held packets are dropped, a later packet asks again.
    void close(std::uint64_t sender);
    bool accepted(std::uint64_t sender) const { return accepted_.count(sender) != 0; }
    // Whether packets of a sender not accepted yet are kept.
    bool holding(std::uint64_t sender) const { return held_.count(sender) != 0; }

    bool available(std::uint32_t* size) const;
    // False when nothing waits, or when the next packet is bigger than
    // capacity: that packet is dropped (never left to be read again).
    bool read(void* buffer, std::uint32_t capacity, std::uint32_t* bytes_read,
              std::uint64_t* sender);
    void clear();
    std::uint64_t dropped_oversize() const { return dropped_oversize_; }
    // Packets of strangers dropped because too many were kept already.
    std::uint64_t dropped_unaccepted() const { return dropped_unaccepted_; }

private:
    struct Packet {
        std::uint64_t sender = 0;
        std::vector<std::uint8_t> bytes;
    };
    std::deque<Packet> ready_;
    std::map<std::uint64_t, std::deque<Packet>> held_;
    std::set<std::uint64_t> accepted_;
    std::uint64_t dropped_oversize_ = 0;
    std::uint64_t dropped_unaccepted_ = 0;
};

}  // namespace platform::online
