// The peer-to-peer buffer block: queue, log and periodic slots.
#include "proj/network/p2p_buffers.h"

#include <cstdlib>
#include <cstring>
#include <ctime>

#include "proj/network/le_bytes.h"
#include "proj/network/network_member_context.h"

namespace Sample {

namespace {

// The message's own length when it is a plausible game message in `size`
// readable bytes, else 0.
std::uint16_t CheckedLength(const std::uint8_t* message, std::size_t size) {
    if (message == nullptr || size < 4) {
        return 0;
    }
    const std::uint16_t length = Net::LeU16At(message);
    return (length >= 4 && length <= size) ? length : 0;
}

bool Fits(const P2PQueue& q, std::uint32_t header, std::uint32_t length) {
    return q.used <= q.capacity && q.capacity - q.used >= header + length;
}

void PutAddress(Net::LeWriter& w, const PeerAddress& a) {
    w.U64(a.id);
    w.U64(a.second);
}

PeerAddress GetAddress(Net::LeReader& r) {
    PeerAddress a;
    a.id = r.U64();
    a.second = r.U64();
    return a;
}

}  // namespace

P2PBufferBlock& GetP2PBuffers() {
    if (NetworkMemberContext* c = CurrentNetworkMemberContext()) {
        return c->buffers;
    }
    static P2PBufferBlock block;
    return block;
}

void InitP2PBuffers() {
    GetP2PBuffers() = P2PBufferBlock{};
}

void FreeP2PBuffers() {
    InitP2PBuffers();
}

bool CreateP2PBuffers(std::uint32_t queueSize) {
    P2PBufferBlock& b = GetP2PBuffers();
    // Fresh zeroed storage, sized without writing it (see UntouchedBytes).
    b.sendQueue.buffer = UntouchedBytes();
    b.sendQueue.buffer.resize(queueSize);
    b.sendQueue.capacity = queueSize;
    b.sendQueue.used = b.sendQueue.readOffset = 0;
    b.receiveLog.buffer = UntouchedBytes();
    b.receiveLog.buffer.resize(kP2PReceiveLogSize);
    b.receiveLog.capacity = kP2PReceiveLogSize;
    b.receiveLog.used = b.receiveLog.readOffset = 0;
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    return true;
}

bool CreatePeriodicSends() {
    P2PBufferBlock& b = GetP2PBuffers();
    b.periodicBufferSize = kP2PPeriodicBufferSize;
    b.periodicCount = kP2PPeriodicSlots;
    b.periodic.assign(kP2PPeriodicSlots, P2PPeriodicSlot{});
    for (P2PPeriodicSlot& s : b.periodic) {
        s.message.assign(kP2PPeriodicBufferSize, 0);
    }
    return true;
}

bool P2PBuffersExist() {
    return GetP2PBuffers().sendQueue.capacity != 0;
}

bool QueueMessage(const std::uint8_t* message, std::size_t size, const PeerAddress& to,
                  std::uint32_t kind) {
    P2PQueue& q = GetP2PBuffers().sendQueue;
    const std::uint16_t length = CheckedLength(message, size);
    if (length == 0 || !Fits(q, kP2PSendRecordHeader, length)) {
        return false;
    }
    Net::LeWriter w(q.buffer.data() + q.used, q.capacity - q.used);
    w.U32(kind);
    PutAddress(w, to);
    w.Bytes(message, length);
    q.used += kP2PSendRecordHeader + length;
    return true;
}

bool QueueMessageKind0(const std::uint8_t* message, std::size_t size, const PeerAddress& to) {
    return QueueMessage(message, size, to, 0);
}

bool ArmPeriodicSend(std::uint32_t slot, const std::uint8_t* message, std::size_t size,
                     const PeerAddress& to) {
    P2PBufferBlock& b = GetP2PBuffers();
    const std::uint16_t length = CheckedLength(message, size);
    if (slot >= b.periodic.size() || length == 0 || length > b.periodicBufferSize) {
        return false;
    }
    P2PPeriodicSlot& s = b.periodic[slot];
    s.interval = kP2PPeriodicInterval;
    s.countdown = 0;
    s.framesSinceArmed = 0;
    s.peer = to;
    std::memcpy(s.message.data(), message, length);
    return true;
}

void DisarmPeriodicSend(std::uint32_t slot) {
    P2PBufferBlock& b = GetP2PBuffers();
    if (slot < b.periodic.size()) {
        b.periodic[slot].interval = 0;
    }
}

std::uint8_t PeriodicSendCategory(std::uint32_t slot) {
    P2PBufferBlock& b = GetP2PBuffers();
    if (slot >= b.periodic.size() || b.periodic[slot].interval <= 0) {
        return 0;
    }
    return b.periodic[slot].message[2];
}

std::uint8_t PeriodicSendSub(std::uint32_t slot) {
    P2PBufferBlock& b = GetP2PBuffers();
    if (slot >= b.periodic.size() || b.periodic[slot].interval <= 0) {
        return 0;
    }
    return b.periodic[slot].message[3];
}

void RunPeriodicSends() {
    for (P2PPeriodicSlot& s : GetP2PBuffers().periodic) {
        if (s.interval <= 0) {
            continue;
        }
        if (s.countdown < 1) {
            QueueMessageKind0(s.message.data(), s.message.size(), s.peer);
            s.countdown = s.interval;
        }
        s.countdown -= 1;
        s.framesSinceArmed += 1;
    }
}

bool AppendReceiveLog(const PeerAddress& from, const std::uint8_t* message, std::size_t size) {
    P2PQueue& q = GetP2PBuffers().receiveLog;
    const std::uint16_t length = CheckedLength(message, size);
    if (length == 0 || !Fits(q, kP2PLogRecordHeader, length)) {
        return false;
    }
    Net::LeWriter w(q.buffer.data() + q.used, q.capacity - q.used);
    PutAddress(w, from);
    w.Bytes(message, length);
    q.used += kP2PLogRecordHeader + length;
    return true;
}

namespace P2PDetail {

void ResetQueue(P2PQueue& q) {
    q.used = 0;
    q.readOffset = 0;
}

bool NextSendRecord(P2PSendRecord& out) {
    P2PQueue& q = GetP2PBuffers().sendQueue;
    if (q.readOffset >= q.used || q.used > q.capacity) {
        return false;
    }
    const std::uint32_t left = q.used - q.readOffset;
    const std::uint8_t* at = q.buffer.data() + q.readOffset;
    if (left < kP2PSendRecordHeader + 4) {
        return false;
    }
    Net::LeReader r(at, kP2PSendRecordHeader);
    out.kind = r.U32();
    out.to = GetAddress(r);
    out.message = at + kP2PSendRecordHeader;
    out.length = Net::LeU16At(out.message);
    if (out.length < 4 || out.length > left - kP2PSendRecordHeader) {
        return false;
    }
    q.readOffset += kP2PSendRecordHeader + out.length;
    return true;
}

bool NextLogRecord(PeerAddress& from, const std::uint8_t*& message, std::uint16_t& length) {
    P2PQueue& q = GetP2PBuffers().receiveLog;
    if (q.readOffset >= q.used || q.used > q.capacity) {
        return false;
    }
    const std::uint32_t left = q.used - q.readOffset;
    const std::uint8_t* at = q.buffer.data() + q.readOffset;
    if (left < kP2PLogRecordHeader + 4) {
        return false;
    }
    Net::LeReader r(at, kP2PLogRecordHeader);
    from = GetAddress(r);
    message = at + kP2PLogRecordHeader;
    length = Net::LeU16At(message);
    if (length < 4 || length > left - kP2PLogRecordHeader) {
        return false;
    }
    q.readOffset += kP2PLogRecordHeader + length;
    return true;
}

}  // namespace P2PDetail

}  // namespace Sample
