#include "platform/online/online_datagram.h"

#include <cstring>

#include "platform/online/online_ids.h"

namespace platform::online {
namespace {

constexpr std::uint8_t kTag[4] = {'V', 'K', 'P', '2'};

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

std::size_t encode_datagram(const DatagramHeader& header, const Recipient& to,
                            const PresenceKey& key, const void* payload, std::uint32_t size,
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
    const DatagramCode code =
        datagram_code(key, to, out, kDatagramCodeOffset, out + kDatagramHeaderSize, size);
    std::memcpy(out + kDatagramCodeOffset, code.data(), code.size());
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

bool datagram_code_ok(const std::uint8_t* bytes, std::size_t size, const Recipient& to,
                      const PresenceKey& key) {
    return size > kDatagramHeaderSize &&
           datagram_code_matches(key, to, bytes, kDatagramCodeOffset, bytes + kDatagramHeaderSize,
                                 size - kDatagramHeaderSize, bytes + kDatagramCodeOffset);
}

bool DatagramReceiver::take(const Endpoint& from, const std::uint8_t* bytes, std::size_t size,
                            PacketInbox& inbox, CallbackRouter& router) {
    DatagramHeader header;
    const std::uint8_t* payload = nullptr;
    std::uint32_t payload_size = 0;
    if (!decode_datagram(bytes, size, &header, &payload, &payload_size)) {
        ++drops_.malformed;
        return false;
    }
    const std::optional<Registration> reg = known_(header.sender);
    if (!reg) {
        if (held_.size() >= kMaxHeld) {
            held_.pop_front();
            ++drops_.unknown;
        }
        held_.push_back({from, std::vector<std::uint8_t>(bytes, bytes + size), 0});
        return false;
    }
    return check(from, bytes, size, header, *reg, payload, payload_size, inbox, router);
}

void DatagramReceiver::retry_held(PacketInbox& inbox, CallbackRouter& router) {
    for (auto it = held_.begin(); it != held_.end();) {
        DatagramHeader header;
        const std::uint8_t* payload = nullptr;
        std::uint32_t payload_size = 0;
        decode_datagram(it->bytes.data(), it->bytes.size(), &header, &payload, &payload_size);
        const std::optional<Registration> reg = known_(header.sender);
        if (reg) {
            check(it->from, it->bytes.data(), it->bytes.size(), header, *reg, payload, payload_size,
                  inbox, router);
            it = held_.erase(it);
        } else if (++it->retries >= kHeldRetries) {
            ++drops_.unknown;
            it = held_.erase(it);
        } else {
            ++it;
        }
    }
}

std::optional<std::uint64_t> DatagramReceiver::wanted(
    const std::function<bool(std::uint64_t sender)>& skip) const {
    for (const Held& h : held_) {
        DatagramHeader header;
        const std::uint8_t* payload = nullptr;
        std::uint32_t payload_size = 0;
        decode_datagram(h.bytes.data(), h.bytes.size(), &header, &payload, &payload_size);
        if (!skip(header.sender)) {
            return header.sender;
        }
    }
    return std::nullopt;
}

bool DatagramReceiver::check(const Endpoint& from, const std::uint8_t* bytes, std::size_t size,
                             const DatagramHeader& header, const Registration& reg,
                             const std::uint8_t* payload, std::uint32_t payload_size,
                             PacketInbox& inbox, CallbackRouter& router) {
    // The code first: nothing else of a forged datagram is looked at.
    if (!datagram_code_ok(bytes, size, self_, reg.key)) {
        ++drops_.code;
        return false;
    }
    if (reg.endpoint != from || reg.epoch != header.epoch) {
        ++drops_.source;
        return false;
    }
    Window& w = windows_[header.sender];
    if (w.epoch != header.epoch) {
        w.epoch = header.epoch;  // the sender's new session starts its numbers afresh
        w.window.reset();
    }
    switch (w.window.take(header.sequence)) {
        case ReplayWindow::Verdict::fresh:
            break;
        case ReplayWindow::Verdict::replayed:
            ++drops_.replayed;
            return false;
        case ReplayWindow::Verdict::late:
        case ReplayWindow::Verdict::too_old:
            ++drops_.stale;
            return false;
    }
    inbox.arrive(header.sender, payload, payload_size, router);
    return true;
}

}  // namespace platform::online
