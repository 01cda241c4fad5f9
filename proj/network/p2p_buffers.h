// The peer-to-peer buffer block every match and lobby message passes
// through: a send queue that the sender task drains once a frame, a receive
// log that packets and loopback messages fill and the match controller
// drains, and five periodic slots that re-queue an armed message every 10
// frames. Fixed buffers, records packed back to back; no allocation per
// message. Game thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "proj/network/peer_address.h"
#include "proj/network/untouched_bytes.h"

namespace Sample {

constexpr std::uint32_t kP2PSendQueueSize = 524288;
constexpr std::uint32_t kP2PReceiveLogSize = 524288;
constexpr std::uint32_t kP2PPeriodicBufferSize = 2048;
constexpr std::int32_t kP2PPeriodicSlots = 5;
constexpr std::int32_t kP2PPeriodicInterval = 10;
// Send record: u32 kind, 16-byte destination address, the message.
constexpr std::uint32_t kP2PSendRecordHeader = 20;
// Receive-log record: u64 peer id, u64 second id, the message.
constexpr std::uint32_t kP2PLogRecordHeader = 16;
// Send kind 1 goes with the platform's send type 0; every other kind with 1.
constexpr std::uint32_t kP2PSendKindDelayed = 1;

struct P2PQueue {
    // Zeros from the start, written only as far as records reach.
    UntouchedBytes buffer;
    std::uint32_t capacity = 0;
    std::uint32_t used = 0;
    std::uint32_t readOffset = 0;
};

struct P2PPeriodicSlot {
    std::int32_t interval = 0;  // 0: disarmed
    std::int32_t countdown = 0;
    std::int32_t framesSinceArmed = 0;
    PeerAddress peer;
    std::vector<std::uint8_t> message;  // kP2PPeriodicBufferSize bytes
};

struct P2PBufferBlock {
    P2PQueue sendQueue;
    P2PQueue receiveLog;
    std::vector<P2PPeriodicSlot> periodic;
    std::uint32_t periodicBufferSize = 0;
    std::int32_t periodicCount = 0;
};

// A send record as the drain hands it on; message points into the queue.
struct P2PSendRecord {
    std::uint32_t kind = 0;
    PeerAddress to;
    const std::uint8_t* message = nullptr;
    std::uint16_t length = 0;
};

// The block (built empty on first use).
P2PBufferBlock& GetP2PBuffers();
// Every buffer released, every count zero.
void InitP2PBuffers();
void FreeP2PBuffers();
// The send queue of queueSize bytes and the 512 KB receive log; seeds the
// standard random generator with the current time. True.
bool CreateP2PBuffers(std::uint32_t queueSize);
// Five disarmed periodic slots with a 2048-byte buffer each. True.
bool CreatePeriodicSends();
// True once CreateP2PBuffers has run.
bool P2PBuffersExist();

// Appends a send record of the message at `message` (its first u16 is its
// length; `size` bytes are readable there). False, queue unchanged, when the
// length is below 4 or above size, or the record does not fit.
bool QueueMessage(const std::uint8_t* message, std::size_t size, const PeerAddress& to,
                  std::uint32_t kind);
bool QueueMessageKind0(const std::uint8_t* message, std::size_t size, const PeerAddress& to);

// Arms slot (0-4) with a copy of the message, resent every 10 frames from the
// next RunPeriodicSends on. False, slot unchanged, for a slot of 5 or more, a
// message longer than the slot buffer, or a length below 4 or above size.
bool ArmPeriodicSend(std::uint32_t slot, const std::uint8_t* message, std::size_t size,
                     const PeerAddress& to);
// Interval 0; slots outside 0-4 are ignored.
void DisarmPeriodicSend(std::uint32_t slot);
// Category byte of the message a slot holds while armed, else 0.
std::uint8_t PeriodicSendCategory(std::uint32_t slot);
// Its sub-type byte while armed, else 0.
std::uint8_t PeriodicSendSub(std::uint32_t slot);
// Queues each armed slot's message when its countdown has run out.
void RunPeriodicSends();

// Takes each send record in turn (the queue is empty afterwards).
template <class Fn>
void DrainSendQueue(Fn&& send);

// Appends a receive-log record; false (dropped) when the log is full or the
// message's length is below 4 or above size.
bool AppendReceiveLog(const PeerAddress& from, const std::uint8_t* message, std::size_t size);

// Hands each receive-log record (sender, message, length) on, from the read
// offset; stops at the first record whose header or length does not fit what
// was written. The log is empty afterwards.
template <class Fn>
void DrainReceiveLog(Fn&& receive);

// [SECTION] Drain internals
namespace P2PDetail {
// Reads the record at the queue's read offset and advances it; false at the
// end or at a record that does not fit.
bool NextSendRecord(P2PSendRecord& out);
bool NextLogRecord(PeerAddress& from, const std::uint8_t*& message, std::uint16_t& length);
void ResetQueue(P2PQueue& q);
}  // namespace P2PDetail

template <class Fn>
void DrainSendQueue(Fn&& send) {
    P2PSendRecord r;
    while (P2PDetail::NextSendRecord(r)) {
        send(r);
    }
    P2PDetail::ResetQueue(GetP2PBuffers().sendQueue);
}

template <class Fn>
void DrainReceiveLog(Fn&& receive) {
    PeerAddress from;
    const std::uint8_t* message = nullptr;
    std::uint16_t length = 0;
    while (P2PDetail::NextLogRecord(from, message, length)) {
        receive(from, message, length);
    }
    P2PDetail::ResetQueue(GetP2PBuffers().receiveLog);
}

}  // namespace Sample
