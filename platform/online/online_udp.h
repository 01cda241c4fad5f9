// One non-blocking IPv4 UDP socket for the networked backend's packets.
// Datagrams bigger than the receive buffer are dropped whole, never cut.
// The system's receive buffer is asked to be large (a frame's flood must fit
// while the game draws); Linux grants at most net.core.rmem_max (twice that
// is reported, the kernel's bookkeeping included).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/online/online_datagram.h"

namespace platform::online {

// "a.b.c.d" and a port; nullopt for anything else (no name lookup).
std::optional<Endpoint> parse_endpoint(const std::string& host, std::uint16_t port);
// "a.b.c.d:port".
std::string endpoint_text(const Endpoint& endpoint);
std::optional<Endpoint> parse_endpoint_text(const std::string& text);
// The local address the system would send from to reach `to` (no packet
// is sent); nullopt when there is no route.
std::optional<Endpoint> route_source(const Endpoint& to);
// A loopback port that was free a moment ago (TCP or UDP), for tests that
// start a server of their own; 0 when none could be had.
std::uint16_t free_loopback_port(bool tcp);

class UdpLink {
public:
    UdpLink() = default;
    ~UdpLink();
    UdpLink(const UdpLink&) = delete;
    UdpLink& operator=(const UdpLink&) = delete;

    // Binds the address (port 0: any free port); false with a reason.
    // `receive_buffer` bytes are asked for the system's receive buffer (0:
    // the system's default).
    bool open(const Endpoint& bind, std::string* error, std::size_t receive_buffer = 0);
    void close();
    // The bound address with its actual port.
    Endpoint local() const { return local_; }
    // The receive buffer the system reports for the socket, in bytes.
    std::size_t receive_buffer() const { return receive_buffer_; }
    bool send(const Endpoint& to, const void* data, std::size_t size);
    // One waiting datagram: its size (0 when none waits); a datagram that
    // does not fit, or is empty, is dropped and reported as `unusable`.
    std::size_t receive(Endpoint* from, std::uint8_t* buffer, std::size_t capacity, bool* unusable);

private:
    int fd_ = -1;
    Endpoint local_;
    std::size_t receive_buffer_ = 0;
};

}  // namespace platform::online
