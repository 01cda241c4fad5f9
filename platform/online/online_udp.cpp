#include "platform/online/online_udp.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace platform::online {

std::optional<Endpoint> parse_endpoint(const std::string& host, std::uint16_t port) {
    in_addr address{};
    if (inet_pton(AF_INET, host.c_str(), &address) != 1) {
        return std::nullopt;
    }
    return Endpoint{ntohl(address.s_addr), port};
}

std::string endpoint_text(const Endpoint& endpoint) {
    in_addr address{};
    address.s_addr = htonl(endpoint.address);
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &address, text, sizeof text);
    return std::string(text) + ":" + std::to_string(endpoint.port);
}

std::optional<Endpoint> parse_endpoint_text(const std::string& text) {
    const std::size_t colon = text.rfind(':');
    if (colon == std::string::npos) {
        return std::nullopt;
    }
    char* end = nullptr;
    const unsigned long port = std::strtoul(text.c_str() + colon + 1, &end, 10);
    if (end == text.c_str() + colon + 1 || *end != '\0' || port == 0 || port > 65535) {
        return std::nullopt;
    }
    return parse_endpoint(text.substr(0, colon), std::uint16_t(port));
}

std::uint16_t free_loopback_port(bool tcp) {
    const int fd = ::socket(AF_INET, (tcp ? SOCK_STREAM : SOCK_DGRAM) | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return 0;
    }
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof sa;
    std::uint16_t port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &length) == 0) {
        port = ntohs(sa.sin_port);
    }
    ::close(fd);
    return port;
}

namespace {

sockaddr_in to_sockaddr(const Endpoint& endpoint) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(endpoint.address);
    sa.sin_port = htons(endpoint.port);
    return sa;
}

}  // namespace

std::optional<Endpoint> route_source(const Endpoint& to) {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return std::nullopt;
    }
    // Connecting a UDP socket only picks the route.
    sockaddr_in sa = to_sockaddr(to);
    std::optional<Endpoint> out;
    socklen_t length = sizeof sa;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &length) == 0) {
        out = Endpoint{ntohl(sa.sin_addr.s_addr), 0};
    }
    ::close(fd);
    return out;
}

UdpLink::~UdpLink() {
    close();
}

bool UdpLink::open(const Endpoint& bind_to, std::string* error, std::size_t receive_buffer) {
    close();
    fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd_ < 0) {
        *error = std::string("socket: ") + std::strerror(errno);
        return false;
    }
    if (receive_buffer != 0) {
        // The system caps what it grants without saying so; what it granted
        // is read back below.
        const int asked = int(std::min<std::size_t>(receive_buffer, 1u << 30));
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &asked, sizeof asked);
    }
    int granted = 0;
    socklen_t granted_size = sizeof granted;
    receive_buffer_ =
        ::getsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &granted, &granted_size) == 0 && granted > 0
            ? std::size_t(granted)
            : 0;
    sockaddr_in sa = to_sockaddr(bind_to);
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
        *error = "bind " + endpoint_text(bind_to) + ": " + std::strerror(errno);
        close();
        return false;
    }
    socklen_t length = sizeof sa;
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&sa), &length);
    local_ = Endpoint{ntohl(sa.sin_addr.s_addr), ntohs(sa.sin_port)};
    return true;
}

void UdpLink::close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

bool UdpLink::send(const Endpoint& to, const void* data, std::size_t size) {
    if (fd_ < 0) {
        return false;
    }
    const sockaddr_in sa = to_sockaddr(to);
    return ::sendto(fd_, data, size, 0, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) ==
           ssize_t(size);
}

std::size_t UdpLink::receive(Endpoint* from, std::uint8_t* buffer, std::size_t capacity,
                             bool* unusable) {
    *unusable = false;
    if (fd_ < 0) {
        return 0;
    }
    for (;;) {
        sockaddr_in sa{};
        socklen_t length = sizeof sa;
        // MSG_TRUNC answers the datagram's real size, so a cut one is seen.
        const ssize_t got =
            ::recvfrom(fd_, buffer, capacity, MSG_TRUNC, reinterpret_cast<sockaddr*>(&sa), &length);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return 0;  // EAGAIN: nothing waits
        }
        *from = Endpoint{ntohl(sa.sin_addr.s_addr), ntohs(sa.sin_port)};
        if (std::size_t(got) > capacity) {
            *unusable = true;
            return std::size_t(got);
        }
        if (got == 0) {
            *unusable = true;  // an empty datagram carries nothing
            return 1;
        }
        return std::size_t(got);
    }
}

}  // namespace platform::online
