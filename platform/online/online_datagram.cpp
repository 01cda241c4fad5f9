#include "platform/online/online_datagram.h"

#include <cstring>

#include "platform/online/online_ids.h"

namespace platform::online {
namespace {

constexpr std::uint8_t kTag[4] = {'V', 'K', 'P', '1'};

void put_u32(std::uint8_t* out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        out[i] = std::uint8_t(v >> (8 * i));
    }
}
void put_u64(std::uint8_t* out, std::uint64_t v) {
    for (int i = 0; i < 8; ++i) {
        out[i] = std::uint8_t(v >> (8 * i));
    }
}
std::uint32_t get_u32(const std::uint8_t* in) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) {
        v = (v << 8) | in[i];
    }
    return v;
}
std::uint64_t get_u64(const std::uint8_t* in) {
    std::uint64_t v = 0;
    for (int i = 7; i >= 0; --i) {
        v = (v << 8) | in[i];
    }
    return v;
}

}  // namespace

std::size_t encode_datagram(const DatagramHeader& header, const void* payload, std::uint32_t size,
                            std::uint8_t* out, std::size_t capacity) {
    if (payload == nullptr || size == 0 || size > kMaxPacketSize ||
        capacity < kDatagramHeaderSize + size) {
        return 0;
    }
    std::memcpy(out, kTag, 4);
    put_u64(out + 4, header.sender);
    put_u32(out + 12, header.epoch);
    put_u32(out + 16, header.sequence);
    std::memcpy(out + kDatagramHeaderSize, payload, size);
    return kDatagramHeaderSize + size;
}

bool decode_datagram(const std::uint8_t* bytes, std::size_t size, DatagramHeader* header,
                     const std::uint8_t** payload, std::uint32_t* payload_size) {
    if (bytes == nullptr || size <= kDatagramHeaderSize || size > kMaxDatagramSize ||
        std::memcmp(bytes, kTag, 4) != 0) {
        return false;
    }
    header->sender = get_u64(bytes + 4);
    header->epoch = get_u32(bytes + 12);
    header->sequence = get_u32(bytes + 16);
    if (!is_valid_id(header->sender) || type_of(header->sender) != kTypeIndividual) {
        return false;
    }
    *payload = bytes + kDatagramHeaderSize;
    *payload_size = std::uint32_t(size - kDatagramHeaderSize);
    return true;
}

bool DatagramReceiver::take(const Endpoint& from, const std::uint8_t* bytes, std::size_t size,
                            PacketInbox& inbox, CallbackRouter& router) {
    DatagramHeader header;
    const std::uint8_t* payload = nullptr;
    std::uint32_t payload_size = 0;
    if (!decode_datagram(bytes, size, &header, &payload, &payload_size)) {
        ++dropped_;
        return false;
    }
    std::optional<Registration> reg = lookup_(header.sender, false);
    if (!matches(reg, from, header.epoch)) {
        // The sender may have restarted or moved since it was looked up.
        reg = lookup_(header.sender, true);
        if (!matches(reg, from, header.epoch)) {
            ++dropped_;
            return false;
        }
    }
    auto [it, first] = last_.try_emplace(header.sender);
    if (!first && it->second.epoch == header.epoch && header.sequence <= it->second.sequence) {
        ++dropped_;  // stale, reordered or replayed
        return false;
    }
    it->second = {header.epoch, header.sequence};
    inbox.arrive(header.sender, payload, payload_size, router);
    return true;
}

}  // namespace platform::online
