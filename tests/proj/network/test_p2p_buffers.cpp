// Peer-to-peer buffer block: queue bounds, periodic resends and the checked
// drains of the send queue and the receive log.
#include "proj/network/p2p_buffers.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/memory/memory.h"

namespace Sample {
namespace {

std::vector<std::uint8_t> Message(std::uint16_t length, std::uint8_t category) {
    std::vector<std::uint8_t> m(length, 0xAB);
    m[0] = static_cast<std::uint8_t>(length);
    m[1] = static_cast<std::uint8_t>(length >> 8);
    m[2] = category;
    m[3] = 0;
    return m;
}

class P2PBuffersTest : public testing::Test {
protected:
    void SetUp() override {
        InitP2PBuffers();
        CreateP2PBuffers(kP2PSendQueueSize);
        CreatePeriodicSends();
    }
    void TearDown() override { FreeP2PBuffers(); }

    std::vector<P2PSendRecord> Drain() {
        std::vector<P2PSendRecord> out;
        DrainSendQueue([&](const P2PSendRecord& r) { out.push_back(r); });
        return out;
    }
    const PeerAddress peer{0x0110000100000005ull, 0x77};
};

TEST_F(P2PBuffersTest, QueuesAreZeroAndUnwrittenUntilRecordsReachThem) {
    const std::size_t page = platform::memory::allocation_granularity();
    for (P2PQueue* q : {&GetP2PBuffers().sendQueue, &GetP2PBuffers().receiveLog}) {
        ASSERT_EQ(q->buffer.size(), std::size_t(q->capacity));
        const std::size_t resident =
            platform::memory::resident_bytes(q->buffer.data(), q->capacity);
        EXPECT_LE(resident, page) << "of a " << q->capacity << "-byte queue, " << resident
                                  << " bytes are in memory before anything is queued";
    }
    const auto m = Message(8, 1);
    ASSERT_TRUE(QueueMessage(m.data(), m.size(), peer, 1));
    P2PQueue& q = GetP2PBuffers().sendQueue;
    EXPECT_LE(platform::memory::resident_bytes(q.buffer.data(), q.capacity), page)
        << "one record touches one page";
    std::size_t nonZero = 0;
    for (std::size_t i = q.used; i < q.capacity; ++i) {
        nonZero += q.buffer[i] != 0 ? 1 : 0;
    }
    EXPECT_EQ(nonZero, 0u) << "the queue past its records reads as zeros";
}

TEST_F(P2PBuffersTest, QueuedMessagesDrainInOrderWithKindAndAddress) {
    const auto a = Message(8, 1);
    const auto b = Message(6, 11);
    ASSERT_TRUE(QueueMessage(a.data(), a.size(), peer, kP2PSendKindDelayed));
    ASSERT_TRUE(QueueMessageKind0(b.data(), b.size(), PeerAddress{}));
    EXPECT_EQ(GetP2PBuffers().sendQueue.used, (20u + 8) + (20 + 6));
    std::vector<P2PSendRecord> sent;
    DrainSendQueue([&](const P2PSendRecord& r) {
        sent.push_back(r);
        EXPECT_EQ(std::vector<std::uint8_t>(r.message, r.message + r.length),
                  sent.size() == 1 ? a : b);
    });
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].kind, kP2PSendKindDelayed);
    EXPECT_EQ(sent[0].to, peer);
    EXPECT_EQ(sent[1].kind, 0u);
    EXPECT_EQ(GetP2PBuffers().sendQueue.used, 0u);
}

TEST_F(P2PBuffersTest, ARecordPastTheQueueEndIsRefusedAndTheQueueUnchanged) {
    CreateP2PBuffers(100);
    const auto m = Message(56, 2);
    ASSERT_TRUE(QueueMessageKind0(m.data(), m.size(), peer));  // 76 used
    const auto fits = Message(4, 12);
    const auto over = Message(5, 12);
    EXPECT_FALSE(QueueMessageKind0(over.data(), over.size(), peer));
    EXPECT_EQ(GetP2PBuffers().sendQueue.used, 76u);
    EXPECT_TRUE(QueueMessageKind0(fits.data(), fits.size(), peer)) << "exactly full is fine";
    EXPECT_EQ(GetP2PBuffers().sendQueue.used, 100u);
}

TEST_F(P2PBuffersTest, MessagesWithImpossibleLengthsAreNotQueued) {
    auto m = Message(8, 1);
    m[0] = 3;  // below the header
    EXPECT_FALSE(QueueMessageKind0(m.data(), m.size(), peer));
    m[0] = 9;  // past the bytes given
    EXPECT_FALSE(QueueMessageKind0(m.data(), m.size(), peer));
    EXPECT_FALSE(QueueMessageKind0(m.data(), 3, peer));
    EXPECT_EQ(GetP2PBuffers().sendQueue.used, 0u);
}

TEST_F(P2PBuffersTest, ArmedMessageIsQueuedAtArmingAndEveryTenthFrame) {
    const auto m = Message(6, 8);
    ASSERT_TRUE(ArmPeriodicSend(4, m.data(), m.size(), peer));
    std::vector<int> queuedAt;
    for (int frame = 0; frame < 31; ++frame) {
        RunPeriodicSends();
        if (!Drain().empty()) {
            queuedAt.push_back(frame);
        }
    }
    EXPECT_EQ(queuedAt, (std::vector<int>{0, 10, 20, 30}));
    EXPECT_EQ(PeriodicSendCategory(4), 8);
    DisarmPeriodicSend(4);
    RunPeriodicSends();
    EXPECT_TRUE(Drain().empty());
    EXPECT_EQ(PeriodicSendCategory(4), 0);
}

TEST_F(P2PBuffersTest, PeriodicSendRefusesBadSlotsAndOversizedMessages) {
    const auto m = Message(6, 8);
    EXPECT_FALSE(ArmPeriodicSend(5, m.data(), m.size(), peer));
    EXPECT_FALSE(ArmPeriodicSend(0xFFFFFFFFu, m.data(), m.size(), peer));
    const auto big = Message(2049, 8);
    EXPECT_FALSE(ArmPeriodicSend(0, big.data(), big.size(), peer));
    const auto edge = Message(2048, 8);
    EXPECT_TRUE(ArmPeriodicSend(0, edge.data(), edge.size(), peer));
    DisarmPeriodicSend(7);  // ignored
    for (std::uint32_t s = 1; s < 5; ++s) {
        EXPECT_EQ(GetP2PBuffers().periodic[s].interval, 0) << s;
    }
}

TEST_F(P2PBuffersTest, ReceiveLogDrainStopsAtACorruptRecord) {
    const auto a = Message(6, 11);
    const auto b = Message(8, 1);
    const auto c = Message(4, 12);
    ASSERT_TRUE(AppendReceiveLog(peer, a.data(), a.size()));
    ASSERT_TRUE(AppendReceiveLog(PeerAddress{}, b.data(), b.size()));
    ASSERT_TRUE(AppendReceiveLog(peer, c.data(), c.size()));
    // Record b claims to run past the end of what was written.
    P2PQueue& log = GetP2PBuffers().receiveLog;
    log.buffer[16 + 6 + 16] = 0xFF;
    std::vector<std::uint8_t> categories;
    DrainReceiveLog([&](const PeerAddress& from, const std::uint8_t* m, std::uint16_t length) {
        categories.push_back(m[2]);
        EXPECT_EQ(from, peer);
        EXPECT_EQ(length, 6);
    });
    EXPECT_EQ(categories, (std::vector<std::uint8_t>{11}));
    EXPECT_EQ(log.used, 0u);
    EXPECT_EQ(log.readOffset, 0u);
}

TEST_F(P2PBuffersTest, FullReceiveLogDropsTheMessage) {
    P2PQueue& log = GetP2PBuffers().receiveLog;
    log.used = log.capacity - 16 - 5;
    const auto m = Message(6, 1);
    EXPECT_FALSE(AppendReceiveLog(peer, m.data(), m.size()));
    EXPECT_EQ(log.used, log.capacity - 21);
}

}  // namespace
}  // namespace Sample
