// The packet receive path from the network: datagrams (each a u16 length
// and that many bytes; the top bit of the length picks a foreign source, the
// next one has the harness write the right code into the datagram, made
// under the sender's pair key with this member) go through the pair-key
// code, source, session and sequence checks into the inbox, which the
// per-frame poll drains with its 1204-byte buffer. Whatever the bytes,
// nothing is read past a buffer, no datagram without the right code is
// taken, and every packet read fits the poll's buffer and comes from the one
// registered sender.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <vector>

#include "platform/online/online_datagram.h"
#include "platform/online/online_ids.h"
#include "platform/online/online_keys.h"
#include "qzware/depend/win/vho/vho_steam_p2p.h"

namespace po = platform::online;

namespace {

// Fixed, so that a corpus entry keeps meaning the same datagrams.
po::KeyPair FuzzPair(std::uint8_t salt) {
    std::array<std::uint8_t, 32> seed;
    for (std::size_t i = 0; i < seed.size(); ++i) {
        seed[i] = std::uint8_t(i * 7 + salt);
    }
    return po::key_pair_from_seed(seed);
}

struct Keys {
    po::KeyPair sender = FuzzPair(3), self = FuzzPair(11);
    po::DatagramKey sign{};  // the sender's tx key with this member
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::uint64_t sender = po::individual_id(77);
    const po::Recipient self{po::individual_id(5), 31};
    static const Keys keys = [&] {
        Keys k;
        po::PairKeys pair;
        if (!po::derive_pair_keys(sender, k.sender, self.id, k.self.public_key, &pair)) {
            std::abort();
        }
        k.sign = pair.tx;
        return k;
    }();
    const po::Endpoint home{0x7f000001, 4000};
    const po::Endpoint foreign{0x7f000001, 4001};
    po::PacketInbox inbox;
    po::CallbackRouter router;
    po::DatagramReceiver receiver([&](std::uint64_t id) -> std::optional<po::Registration> {
        if (id == sender) {
            return po::Registration{home, 9, keys.sender.public_key};
        }
        return std::nullopt;
    });
    receiver.set_self(self, keys.self);
    std::vector<std::uint8_t> datagram;
    std::size_t at = 0;
    while (at + 2 <= size) {
        const std::uint16_t word = std::uint16_t(data[at] | (data[at + 1] << 8));
        at += 2;
        const std::size_t length = std::min<std::size_t>(word & 0x3fff, size - at);
        datagram.assign(data + at, data + at + length);
        at += length;
        const bool sign = (word & 0x4000) != 0 && length > po::kDatagramHeaderSize;
        if (sign) {
            const po::DatagramCode code =
                po::datagram_code(keys.sign, self, datagram.data(), po::kDatagramCodeOffset,
                                  datagram.data() + po::kDatagramHeaderSize,
                                  datagram.size() - po::kDatagramHeaderSize);
            std::memcpy(datagram.data() + po::kDatagramCodeOffset, code.data(), code.size());
        }
        const bool coded =
            sign || po::datagram_code_ok(datagram.data(), datagram.size(), self, keys.sign);
        const bool taken = receiver.take((word & 0x8000) ? foreign : home, datagram.data(),
                                         datagram.size(), inbox, router);
        if (taken && !coded) {
            std::abort();  // a datagram without the right code got through
        }
        // Half the time the session is accepted late, so held packets move too.
        if ((word & 1) != 0) {
            inbox.accept(sender);
        }
    }
    if (receiver.pair_keys().derivations() > 1) {
        std::abort();  // the pair's keys were derived again for one session
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
