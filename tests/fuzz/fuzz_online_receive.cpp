// The packet receive path from the network: datagrams (each a u16 length
// and that many bytes; the top bit of the length picks a foreign source)
// go through the source, session and sequence checks into the inbox, which
// the per-frame poll drains with its 1204-byte buffer. Whatever the bytes,
// nothing is read past a buffer, and every packet read fits the poll's
// buffer and comes from the one registered sender.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <optional>

#include "platform/online/online_datagram.h"
#include "platform/online/online_ids.h"
#include "qzware/depend/win/vho/vho_steam_p2p.h"

namespace po = platform::online;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::uint64_t sender = po::individual_id(77);
    const po::Endpoint home{0x7f000001, 4000};
    const po::Endpoint foreign{0x7f000001, 4001};
    po::PacketInbox inbox;
    po::CallbackRouter router;
    po::DatagramReceiver receiver([&](std::uint64_t id, bool) -> std::optional<po::Registration> {
        if (id == sender) {
            return po::Registration{home, 9};
        }
        return std::nullopt;
    });
    std::size_t at = 0;
    while (at + 2 <= size) {
        const std::uint16_t word = std::uint16_t(data[at] | (data[at + 1] << 8));
        at += 2;
        const std::size_t length = std::min<std::size_t>(word & 0x7fff, size - at);
        receiver.take((word & 0x8000) ? foreign : home, data + at, length, inbox, router);
        at += length;
        // Half the time the session is accepted late, so held packets move too.
        if ((word & 1) != 0) {
            inbox.accept(sender);
        }
    }
    inbox.accept(sender);
    router.dispatch();
    std::uint8_t buffer[vho::SteamP2P::kReadBufferSize];
    std::uint32_t available = 0;
    while (inbox.available(&available)) {
        std::uint32_t read = 0;
        std::uint64_t from = 0;
        const std::uint32_t capacity =
            available < sizeof buffer ? available : std::uint32_t(sizeof buffer);
        if (inbox.read(buffer, capacity, &read, &from) && (read > capacity || from != sender)) {
            std::abort();
        }
    }
    return 0;
}
