// Peer-to-peer part: the packet poll in the frame step, dropped oversize
// packets, session handling, the peer table and connection time-outs.
#include "qzware/depend/win/vho/vho_steam_p2p.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/qzware/depend/win/vho/steam/steam_fixture.h"

namespace {

using steam_test::SteamOnWorld;

struct PacketLog : vho::Listener {
    struct Got {
        std::uint64_t sender;
        std::string bytes;
    };
    std::vector<Got> got;
    void OnPacket(void* data) {
        const auto* event = static_cast<const vho::P2PPacketEvent*>(data);
        got.push_back({event->sender.ConvertToUint64(),
                       std::string(reinterpret_cast<const char*>(event->data), event->size)});
    }
};

TEST_F(SteamOnWorld, TwoPacketsInOneFrameRaiseTwoEventsInArrivalOrderWithTheirSizes) {
    vho::Steam steam(self);
    Started(steam);
    PacketLog log;
    steam.GetSubject()->Attach(vho::kSteamP2PPacket, &log, &PacketLog::OnPacket);
    // A sender that is not in the peer table is delivered all the same.
    ASSERT_TRUE(other.send_p2p_packet(self.own_id(), "first", 5, 0, 0));
    ASSERT_TRUE(other.send_p2p_packet(self.own_id(), "second!", 7, 1, 0));
    Frame(steam);
    ASSERT_EQ(2u, log.got.size());
    EXPECT_EQ("first", log.got[0].bytes);
    EXPECT_EQ("second!", log.got[1].bytes);
    EXPECT_EQ(other.own_id(), log.got[0].sender);
    Frame(steam);
    EXPECT_EQ(2u, log.got.size()) << "each packet is read once";
}

TEST_F(SteamOnWorld, APacketLargerThanTheReadBufferIsDroppedAndTheNextOneIsRead) {
    vho::Steam steam(self);
    Started(steam);
    PacketLog log;
    steam.GetSubject()->Attach(vho::kSteamP2PPacket, &log, &PacketLog::OnPacket);
    const std::string big(vho::SteamP2P::kReadBufferSize + 1, 'B');
    const std::string fits(vho::SteamP2P::kReadBufferSize, 'F');
    ASSERT_TRUE(other.send_p2p_packet(self.own_id(), big.data(), std::uint32_t(big.size()), 0, 0));
    ASSERT_TRUE(
        other.send_p2p_packet(self.own_id(), fits.data(), std::uint32_t(fits.size()), 0, 0));
    Frame(steam);
    ASSERT_EQ(1u, log.got.size());
    EXPECT_EQ(fits, log.got[0].bytes);
    EXPECT_EQ(1u, self.dropped_oversize());
}

TEST_F(SteamOnWorld, SentPacketsReachThePeerOnChannelZero) {
    vho::Steam steam(self);
    Started(steam);
    const CSteamID to(other.own_id());
    steam.SendP2PPacket(&to, "abc", 3);
    steam.SendP2PPacketNoDelay(&to, "de", 2);
    other.run_callbacks();  // the session request is accepted by the test
    other.accept_p2p_session(self.own_id());
    char buffer[16];
    std::uint32_t size = 0, read = 0;
    std::uint64_t sender = 0;
    ASSERT_TRUE(other.is_p2p_packet_available(&size, 0));
    EXPECT_EQ(3u, size);
    ASSERT_TRUE(other.read_p2p_packet(buffer, sizeof buffer, &read, &sender, 0));
    EXPECT_EQ("abc", std::string(buffer, read));
    EXPECT_EQ(self.own_id(), sender);
    ASSERT_TRUE(other.read_p2p_packet(buffer, sizeof buffer, &read, &sender, 0));
    EXPECT_EQ("de", std::string(buffer, read));
}

TEST_F(SteamOnWorld, PeerTableNumbersEntriesAndAnswersTheNullEntry) {
    vho::Steam steam(self);
    Started(steam);
    const CSteamID a(platform::online::individual_id(1)), b(platform::online::individual_id(2));
    const CSteamID invalid;
    EXPECT_EQ(0, steam.AddPeer(&a)->peerId);
    EXPECT_EQ(1, steam.AddPeer(&b)->peerId);
    EXPECT_EQ(2, steam.AddPeer(&a)->peerId) << "added twice: two entries";
    EXPECT_EQ(0, steam.GetPeerId(&a)) << "lookups find the first";
    EXPECT_EQ(65535, steam.GetPeerId(&invalid));
    EXPECT_EQ(65535, steam.GetPeerPing(&a)) << "a real entry answers its unmeasured ping";
    steam.SetPeerPing(&a, 40);
    EXPECT_EQ(40, steam.GetPeerPing(&a));
    EXPECT_EQ(40, steam.GetPeerPingById(0));
    const CSteamID stranger(platform::online::individual_id(3));
    EXPECT_EQ(-1, steam.GetPeerPing(&stranger));
    EXPECT_EQ(65535, steam.GetPeerId(&stranger));
    EXPECT_EQ(-1, steam.GetPeerPingById(65535));
    EXPECT_EQ(steam.GetP2P()->GetNullPeer(), steam.GetP2P()->FindPeerById(65535));
    steam.ClearPeers();
    EXPECT_EQ(0, steam.AddPeer(&b)->peerId);
}

TEST_F(SteamOnWorld, AConnectionTimeOutBecomesEventTenOnlyForErrorFour) {
    vho::Steam steam(self);
    Started(steam);
    struct Failures : vho::Listener {
        std::vector<int> errors;
        void OnFail(void* data) {
            errors.push_back(static_cast<platform::online::P2PSessionConnectFail*>(data)->error);
        }
    } failures;
    steam.GetSubject()->Attach(vho::kSteamP2PConnectFail, &failures, &Failures::OnFail);
    const CSteamID gone(other.own_id());
    const CSteamID never(platform::online::individual_id(4242));
    world.crash(other);
    steam.SendP2PPacket(&gone, "x", 1);   // time-out (4)
    steam.SendP2PPacket(&never, "x", 1);  // not logged on (3): not reported
    steam.Update();
    EXPECT_EQ((std::vector<int>{4}), failures.errors);
}

}  // namespace
