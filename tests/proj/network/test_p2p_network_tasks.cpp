// Sender and receiver tasks on one member of an in-process world: loopback
// in the same frame, remote sends through the platform, received packets in
// the receive log, malformed packets dropped, the networker's logs fed.
#include "proj/network/p2p_network_tasks.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/online/online_loopback.h"
#include "proj/network/game_network_database.h"
#include "proj/network/p2p_buffers.h"
#include "qzware/depend/win/vho/vho_steam.h"
#include "qzware/win/qz_networker.h"

namespace Sample {
namespace {

std::vector<std::uint8_t> Message(std::uint16_t length, std::uint8_t category) {
    std::vector<std::uint8_t> m(length, static_cast<std::uint8_t>(0x40 + category));
    m[0] = static_cast<std::uint8_t>(length);
    m[1] = static_cast<std::uint8_t>(length >> 8);
    m[2] = category;
    m[3] = 0;
    return m;
}

struct Logged {
    PeerAddress from;
    std::vector<std::uint8_t> message;
};

class P2PTasksTest : public testing::Test {
protected:
    void SetUp() override {
        InitP2PBuffers();
        CreateP2PBuffers(kP2PSendQueueSize);
        CreatePeriodicSends();
        std::string message;
        steam.Start(message);
        ASSERT_EQ(message, "");
        other.init();
        other.accept_p2p_session(self.own_id());
        // After the start: the receiver attaches to the started services.
        receiver = std::make_unique<CGameP2PNetworkReceiver>(nullptr, nullptr, &steam);
    }
    void TearDown() override { FreeP2PBuffers(); }

    std::vector<Logged> DrainLog() {
        std::vector<Logged> out;
        DrainReceiveLog([&](const PeerAddress& from, const std::uint8_t* m, std::uint16_t n) {
            out.push_back({from, {m, m + n}});
        });
        return out;
    }
    // Packets the other member has received.
    std::vector<std::vector<std::uint8_t>> OtherReceived() {
        other.run_callbacks();
        std::vector<std::vector<std::uint8_t>> got;
        std::uint32_t size = 0;
        while (other.is_p2p_packet_available(&size, 0)) {
            std::vector<std::uint8_t> b(size);
            std::uint32_t read = 0;
            std::uint64_t sender = 0;
            if (other.read_p2p_packet(b.data(), size, &read, &sender, 0)) {
                b.resize(read);
                got.push_back(b);
            }
        }
        return got;
    }
    PeerAddress Own() const { return {self.own_id(), 0}; }
    PeerAddress Other() const { return {other.own_id(), 0}; }

    platform::online::LoopbackWorld world{3};
    platform::online::LoopbackMember& self = world.add_member(2001, "Self");
    platform::online::LoopbackMember& other = world.add_member(2002, "Other");
    vho::Steam steam{self};
    CGameP2PNetworkSender sender{nullptr, nullptr, &steam};
    std::unique_ptr<CGameP2PNetworkReceiver> receiver;
};

TEST_F(P2PTasksTest, MessagesToTheLocalMemberAreInTheReceiveLogInTheSameFrame) {
    const PeerAddress locals[] = {Own(), PeerAddress{}, PeerAddress{kLoopbackPeerId, 9}};
    for (const PeerAddress& to : locals) {
        const auto m = Message(6, 11);
        ASSERT_TRUE(QueueMessageKind0(m.data(), m.size(), to));
    }
    sender.Update();
    const std::vector<Logged> got = DrainLog();
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0].from, Own());
    EXPECT_EQ(got[2].from, (PeerAddress{kLoopbackPeerId, 9})) << "the record keeps its second id";
    EXPECT_EQ(got[1].message, Message(6, 11));
    EXPECT_TRUE(OtherReceived().empty()) << "loopback never reaches the platform";
    EXPECT_EQ(GetP2PBuffers().sendQueue.used, 0u);
}

TEST_F(P2PTasksTest, RemoteMessagesGoOutThroughThePlatformAndAreLogged) {
    QZW::Win::CQzNetworker& n = QZW::Win::GetNetworker();
    const std::uint32_t before = n.sendingCounter;
    const auto a = Message(8, 1);
    const auto b = Message(12, 14);
    ASSERT_TRUE(QueueMessage(a.data(), a.size(), {other.own_id(), 0x55}, kP2PSendKindDelayed));
    ASSERT_TRUE(QueueMessageKind0(b.data(), b.size(), Other()));
    sender.Update();
    EXPECT_EQ(OtherReceived(), (std::vector<std::vector<std::uint8_t>>{a, b}));
    EXPECT_TRUE(DrainLog().empty());
    EXPECT_EQ(n.sendingCounter, before + 2);
    EXPECT_EQ(n.GetSendingLog(1)->msgId, 1u);
    EXPECT_EQ(n.GetSendingLog(1)->port, 0x55u);
    EXPECT_EQ(n.GetSendingLog(0)->msgSize, 12u);
    EXPECT_EQ(n.GetSendingLog(0)->addr, other.own_id());
}

TEST_F(P2PTasksTest, PeriodicMessagesAreSentByTheSenderEveryTenthFrame) {
    const auto m = Message(6, 8);
    ASSERT_TRUE(ArmPeriodicSend(4, m.data(), m.size(), Other()));
    int sent = 0;
    for (int frame = 0; frame < 21; ++frame) {
        sender.Update();
        sent += static_cast<int>(OtherReceived().size());
    }
    EXPECT_EQ(sent, 3);
}

TEST_F(P2PTasksTest, ReceivedPacketsReachTheReceiveLogWithTheirSender) {
    QZW::Win::CQzNetworker& n = QZW::Win::GetNetworker();
    const std::uint32_t before = n.receivingCounter;
    const auto m = Message(8, 1);
    ASSERT_TRUE(other.send_p2p_packet(self.own_id(), m.data(), 8, 0, 0));
    steam.Update();
    const std::vector<Logged> got = DrainLog();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].from, Other());
    EXPECT_EQ(got[0].message, m);
    EXPECT_EQ(n.receivingCounter, before + 1);
    EXPECT_EQ(n.GetReceivingLog(0)->addr, other.own_id());
}

TEST_F(P2PTasksTest, MalformedPacketsAreDroppedAndTrailingBytesCut) {
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
        std::size_t logged;  // bytes in the receive log, 0 = dropped
    };
    const Case cases[] = {
        {"shorter than a header", {4, 0, 1}, 0},
        {"length field below 4", {2, 0, 1, 0, 9, 9}, 0},
        {"length field 0", {0, 0, 1, 0}, 0},
        {"length field past the bytes read", {9, 0, 1, 0, 1, 2, 3, 4}, 0},
        {"bytes past the length", {6, 0, 11, 0, 3, 0, 0xEE, 0xEE}, 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(other.send_p2p_packet(self.own_id(), c.bytes.data(),
                                          static_cast<std::uint32_t>(c.bytes.size()), 0, 0));
        steam.Update();
        const std::vector<Logged> got = DrainLog();
        if (c.logged == 0) {
            EXPECT_TRUE(got.empty());
        } else {
            ASSERT_EQ(got.size(), 1u);
            EXPECT_EQ(got[0].message.size(), c.logged);
        }
    }
}

TEST_F(P2PTasksTest, APacketArrivingWhileTheLogIsFullIsStillCounted) {
    QZW::Win::CQzNetworker& n = QZW::Win::GetNetworker();
    const std::uint32_t before = n.receivingCounter;
    P2PQueue& log = GetP2PBuffers().receiveLog;
    log.used = log.capacity - 10;
    const auto m = Message(8, 1);
    ASSERT_TRUE(other.send_p2p_packet(self.own_id(), m.data(), 8, 0, 0));
    steam.Update();
    EXPECT_EQ(log.used, log.capacity - 10);
    EXPECT_EQ(n.receivingCounter, before + 1);
}

TEST(P2PNetworkTasks, SetUpAppendsTheSenderAndReceiverToTheRoot) {
    QZW::CQzTask root("MotherTask");
    EXPECT_EQ(CreateP2PNetworkTasks(&root, nullptr, nullptr), 1);
    ASSERT_EQ(root.children.size(), 2u);
    EXPECT_EQ(root.children[0]->name, "CGameP2PNetowrkSender");
    EXPECT_EQ(root.children[1]->name, "CGameP2PNetworkReceiver");
    EXPECT_EQ(root.children[0]->parent, &root);
    EXPECT_TRUE(P2PBuffersExist());
    EXPECT_EQ(GetP2PBuffers().receiveLog.capacity, kP2PReceiveLogSize);
    EXPECT_EQ(GetP2PBuffers().periodic.size(), 5u);
    for (QZW::CQzTask* t : root.children) {
        t->alive = false;
    }
    root.RemoveDeadChildren();
    FreeP2PBuffers();
}

}  // namespace
}  // namespace Sample
