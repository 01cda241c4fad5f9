#include "platform/online/online_inbox.h"

#include <cstring>

namespace platform::online {

void PacketInbox::arrive(std::uint64_t sender, const std::uint8_t* data, std::uint32_t size,
                         CallbackRouter& router) {
    Packet packet{sender, std::vector<std::uint8_t>(data, data + size)};
    if (accepted(sender)) {
        ready_.push_back(std::move(packet));
        return;
    }
    auto it = held_.find(sender);
    if (it == held_.end()) {
        if (held_.size() >= kMaxHeldSenders) {
            ++dropped_unaccepted_;
            return;
        }
        it = held_.try_emplace(sender).first;
        router.post(P2PSessionRequest{sender});
    }
    if (it->second.size() < kMaxHeldPerSender) {
        it->second.push_back(std::move(packet));
    } else {
        ++dropped_unaccepted_;
    }
}

void PacketInbox::accept(std::uint64_t sender) {
    accepted_.insert(sender);
    auto it = held_.find(sender);
    if (it == held_.end()) {
        return;
    }
    for (Packet& packet : it->second) {
        ready_.push_back(std::move(packet));
    }
    held_.erase(it);
}

void PacketInbox::close(std::uint64_t sender) {
    accepted_.erase(sender);
    held_.erase(sender);
}

bool PacketInbox::available(std::uint32_t* size) const {
    if (ready_.empty()) {
        return false;
    }
    if (size) {
        *size = std::uint32_t(ready_.front().bytes.size());
    }
    return true;
}

bool PacketInbox::read(void* buffer, std::uint32_t capacity, std::uint32_t* bytes_read,
                       std::uint64_t* sender) {
    if (ready_.empty()) {
        return false;
    }
    Packet packet = std::move(ready_.front());
    ready_.pop_front();
    if (packet.bytes.size() > capacity || (buffer == nullptr && !packet.bytes.empty())) {
        ++dropped_oversize_;
        return false;
    }
    if (!packet.bytes.empty()) {
        std::memcpy(buffer, packet.bytes.data(), packet.bytes.size());
    }
    if (bytes_read) {
        *bytes_read = std::uint32_t(packet.bytes.size());
    }
    if (sender) {
        *sender = packet.sender;
    }
    return true;
}

void PacketInbox::clear() {
    ready_.clear();
    held_.clear();
    accepted_.clear();
}

}  // namespace platform::online
