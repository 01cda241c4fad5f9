// The networked backend's receive checks, without a network: malformed
// datagrams, foreign sources, other sessions, replayed and stale sequence
// numbers are dropped; the payload size is the datagram's own.
#include "platform/online/online_datagram.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/online/online_ids.h"

namespace {

using namespace platform::online;

const std::uint64_t kSender = individual_id(77);
const Endpoint kHome{0x7f000001, 4000};
constexpr std::uint32_t kEpoch = 9;

std::vector<std::uint8_t> Datagram(std::uint64_t sender, std::uint32_t epoch,
                                   std::uint32_t sequence, const std::string& payload) {
    std::vector<std::uint8_t> out(kMaxDatagramSize);
    const std::size_t n = encode_datagram({sender, epoch, sequence}, payload.data(),
                                          std::uint32_t(payload.size()), out.data(), out.size());
    out.resize(n);
    return out;
}

struct Receiving : ::testing::Test {
    PacketInbox inbox;
    CallbackRouter router;
    DatagramReceiver receiver{[](std::uint64_t id, bool) -> std::optional<Registration> {
        if (id == kSender) {
            return Registration{kHome, kEpoch};
        }
        return std::nullopt;
    }};
    Receiving() { inbox.accept(kSender); }
    std::vector<std::string> Read() {
        std::vector<std::string> out;
        char buffer[kMaxPacketSize];
        std::uint32_t n = 0;
        std::uint64_t sender = 0;
        while (inbox.read(buffer, sizeof buffer, &n, &sender)) {
            out.emplace_back(buffer, n);
        }
        return out;
    }
};

TEST_F(Receiving, MalformedDatagramsAreDropped) {
    const std::vector<std::uint8_t> good = Datagram(kSender, kEpoch, 1, "hello");
    std::vector<std::uint8_t> wrong_tag = good;
    wrong_tag[0] = 'X';
    const std::vector<std::uint8_t> header_only(good.begin(), good.begin() + kDatagramHeaderSize);
    const std::vector<std::uint8_t> short_header(good.begin(), good.begin() + 7);
    std::vector<std::uint8_t> too_long = Datagram(kSender, kEpoch, 1, std::string(100, 'x'));
    too_long.resize(kMaxDatagramSize + 1, 'x');
    std::vector<std::uint8_t> lobby_sender = Datagram(lobby_id(77), kEpoch, 1, "x");
    std::vector<std::uint8_t> invalid_sender = Datagram(0, kEpoch, 1, "x");
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
    } cases[] = {
        {"empty", {}},
        {"shorter than a header", short_header},
        {"header without payload", header_only},
        {"wrong tag", wrong_tag},
        {"longer than the largest packet", too_long},
        {"a lobby id as sender", lobby_sender},
        {"the invalid id as sender", invalid_sender},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(receiver.take(kHome, c.bytes.data(), c.bytes.size(), inbox, router)) << c.what;
    }
    EXPECT_TRUE(Read().empty());
    EXPECT_EQ(std::uint64_t(std::size(cases)), receiver.dropped());
}

TEST_F(Receiving, ADatagramFromAnotherAddressOrSessionIsDropped) {
    const std::vector<std::uint8_t> d = Datagram(kSender, kEpoch, 1, "x");
    const std::vector<std::uint8_t> other_session = Datagram(kSender, kEpoch + 1, 1, "x");
    const std::vector<std::uint8_t> unknown = Datagram(individual_id(78), kEpoch, 1, "x");
    EXPECT_FALSE(receiver.take(Endpoint{0x7f000001, 4001}, d.data(), d.size(), inbox, router));
    EXPECT_FALSE(receiver.take(Endpoint{0x7f000002, 4000}, d.data(), d.size(), inbox, router));
    EXPECT_FALSE(receiver.take(kHome, other_session.data(), other_session.size(), inbox, router));
    EXPECT_FALSE(receiver.take(kHome, unknown.data(), unknown.size(), inbox, router));
    EXPECT_TRUE(Read().empty());
}

TEST_F(Receiving, ReplayedStaleAndReorderedSequenceNumbersAreDropped) {
    const std::uint32_t sent[] = {1, 2, 2, 5, 3, 6, 1};
    for (std::uint32_t sequence : sent) {
        const std::vector<std::uint8_t> d =
            Datagram(kSender, kEpoch, sequence, std::to_string(sequence));
        receiver.take(kHome, d.data(), d.size(), inbox, router);
    }
    EXPECT_EQ((std::vector<std::string>{"1", "2", "5", "6"}), Read());
}

TEST_F(Receiving, ThePayloadIsTheDatagramLessItsHeader) {
    const std::string payload(kMaxPacketSize, 'p');
    const std::vector<std::uint8_t> d = Datagram(kSender, kEpoch, 1, payload);
    ASSERT_EQ(kMaxDatagramSize, d.size());
    ASSERT_TRUE(receiver.take(kHome, d.data(), d.size(), inbox, router));
    EXPECT_EQ((std::vector<std::string>{payload}), Read());
}

}  // namespace
