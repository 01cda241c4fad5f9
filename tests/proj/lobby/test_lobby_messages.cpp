// Lobby-layer messages: exact sizes, bounded text, the round trip across the
// stamp's wrap, and what the server takes only from the lobby owner.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "proj/network/lobby_messages.h"
#include "tests/support/lobby_harness.h"

namespace {

using namespace Sample;
using lobby_test::LobbyHarness;
using Server = Sample::Win::CGameNetworkServer;

TEST(LobbyMessages, OnlyTheCategorysExactSizeIsWellFormed) {
    struct Case {
        std::uint8_t category;
        std::size_t size;
        bool ok;
    };
    const Case cases[] = {
        {20, 32, true},   {20, 31, false}, {20, 33, false}, {21, 504, true}, {21, 503, false},
        {22, 4, true},    {22, 5, false},  {23, 14, true},  {24, 13, false}, {25, 20, true},
        {26, 21, false},  {27, 8, true},   {27, 40, true},  {27, 7, false},  {28, 8, true},
        {29, 12, true},   {30, 11, false}, {31, 12, false}, {32, 136, true}, {33, 152, true},
        {33, 151, false}, {19, 4, false},  {34, 4, false},
    };
    for (const Case& c : cases) {
        std::vector<std::uint8_t> m(c.size < 4 ? 4 : c.size, 0);
        m[0] = static_cast<std::uint8_t>(c.size);
        m[1] = static_cast<std::uint8_t>(c.size >> 8);
        m[2] = c.category;
        EXPECT_EQ(c.ok, IsWellFormedLobbyMessage(m.data(), c.size))
            << int(c.category) << " / " << c.size;
    }
    // The length field must agree with the bytes received.
    std::vector<std::uint8_t> hello = BuildHello(1, "a");
    EXPECT_TRUE(IsWellFormedLobbyMessage(hello.data(), hello.size()));
    EXPECT_FALSE(IsWellFormedLobbyMessage(hello.data(), hello.size() - 1));
}

TEST(LobbyMessages, ChatTextIsCutTo127BytesAndAnEmptyTextSendsNothing) {
    const std::string text(200, 'c');
    const LobbyBytes m = BuildRoomChat(2, text.c_str());
    ASSERT_EQ(136u, m.size());
    EXPECT_EQ(std::string(127, 'c'), std::string(reinterpret_cast<const char*>(&m[8])));
    EXPECT_EQ(0, m[8 + 127]);
    EXPECT_TRUE(BuildRoomChat(0, "").empty());
    EXPECT_TRUE(BuildRoomChat(0, nullptr).empty());
}

TEST(LobbyMessages, ReadNamesAndTextAreAlwaysTerminated) {
    LobbyBytes relay = BuildRoomChatRelay("x", "y");
    std::memset(&relay[4], 'a', 148);  // no zero anywhere after the header
    const LobbyChatRelay r = ReadRoomChatRelay(relay.data());
    EXPECT_EQ(127u, std::strlen(r.text));
    EXPECT_EQ(19u, std::strlen(r.name));
    LobbyBytes hello = BuildHello(5, "z");
    std::memset(&hello[12], 'b', 20);
    EXPECT_EQ(19u, std::strlen(ReadHello(hello.data()).name));
}

TEST(LobbyMessages, RoundTripAcrossTheWrapIsOneLessThanTheModularDifference) {
    EXPECT_EQ(20u, LobbyRoundTrip(5, 0xFFFFFFF0u));
    EXPECT_EQ(7u, LobbyRoundTrip(107, 100));
    EXPECT_EQ(0u, LobbyRoundTrip(9, 9));
}

TEST(LobbyMessages, HelloReplyPlacesTheHostIdAt488) {
    LobbyHelloReply r;
    r.hostId = 0x1122334455667788ull;
    r.info.memberMax = 4;
    const LobbyBytes m = BuildHelloReply(r);
    ASSERT_EQ(504u, m.size());
    std::uint64_t at488 = 0;
    for (int b = 7; b >= 0; --b) {
        at488 = (at488 << 8) | m[488 + b];
    }
    EXPECT_EQ(r.hostId, at488);
    EXPECT_EQ(r.hostId, ReadHelloReply(m.data()).hostId);
    EXPECT_EQ(4, ReadHelloReply(m.data()).info.memberMax);
}

TEST(LobbyMessages, OwnerOnlyMessagesFromAnotherMemberAreIgnored) {
    LobbyHarness h(3, 41);
    ASSERT_TRUE(h.Settle(3));
    const PeerAddress fromMember{h.member(2).platform->own_id(), 0};
    const PeerAddress fromHost{h.member(0).platform->own_id(), 0};
    const LobbyBytes kick = BuildKick();
    const LobbyBytes relay = BuildRoomChatRelay("spoof", "P0");
    h.With(1, [&] {
        h.server(1).ReceiveMessage(kick.data(), 4, fromMember);
        h.server(1).ReceiveMessage(relay.data(), 152, fromMember);
    });
    EXPECT_EQ(Server::kSettled, h.server(1).State());
    EXPECT_EQ(0, h.member(1).networker->textChat.count);
    h.With(1, [&] { h.server(1).ReceiveMessage(kick.data(), 4, fromHost); });
    EXPECT_EQ(Server::kKickedOut, h.server(1).State());
}

TEST(LobbyMessages, ChatUnderAnotherMembersSlotOrPastTheTableIsDropped) {
    LobbyHarness h(3, 42);
    ASSERT_TRUE(h.Settle(3));
    const PeerAddress fromTwo{h.member(2).platform->own_id(), 0};
    for (std::uint32_t slot : {1u, 4u, 0xFFFFFFFFu}) {
        const LobbyBytes chat = BuildRoomChat(slot, "not mine");
        h.With(0, [&] { h.server(0).ReceiveMessage(chat.data(), 136, fromTwo); });
    }
    h.Frames(5);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(0, h.member(i).networker->textChat.count) << i;
    }
}

}  // namespace

namespace {

TEST(LobbyMessages, ThePingChainAnswersTheTransportSenderNotTheIdInside) {
    LobbyHarness h(3, 43);
    ASSERT_TRUE(h.Settle(3));
    for (int k : {1, 2}) {
        h.With(0, [&] { GetNetworkDatabase().session.slots[k].rtt = -1; });
    }
    // Member 1 asks the host for a round trip but names member 2 inside.
    const LobbyBytes identity =
        BuildIdentity(LobbyCategory::kIdentity, h.member(2).platform->own_id(), 1);
    h.With(0, [&] {
        h.server(0).ReceiveMessage(identity.data(), 14,
                                   PeerAddress{h.member(1).platform->own_id(), 0});
    });
    h.Frames(10);
    const std::int16_t one = h.With(0, [] { return GetNetworkDatabase().session.slots[1].rtt; });
    const std::int16_t two = h.With(0, [] { return GetNetworkDatabase().session.slots[2].rtt; });
    EXPECT_GE(one, 0) << "the chain with the real sender did not complete";
    EXPECT_EQ(-1, two) << "the id inside the message was answered";
}

}  // namespace
