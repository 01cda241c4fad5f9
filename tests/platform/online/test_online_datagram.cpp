// The networked backend's receive checks, without a network: malformed
// datagrams, a wrong or missing code, senders without a known key, foreign
// sources, other sessions, replayed and stale sequence numbers are dropped;
// the payload is the game's bytes as sent and its size the datagram's own.
#include "platform/online/online_datagram.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/online/online_ids.h"

namespace {

using namespace platform::online;

const std::uint64_t kSender = individual_id(77);
const std::uint64_t kSelf = individual_id(5);
const Endpoint kHome{0x7f000001, 4000};
constexpr std::uint32_t kEpoch = 9;
constexpr std::uint32_t kSelfEpoch = 31;
const PresenceKey kKey = new_presence_key();

std::vector<std::uint8_t> Datagram(std::uint64_t sender, std::uint32_t epoch,
                                   std::uint32_t sequence, const std::string& payload,
                                   const PresenceKey& key = kKey,
                                   Recipient to = {kSelf, kSelfEpoch}) {
    std::vector<std::uint8_t> out(kMaxDatagramSize);
    const std::size_t n = encode_datagram({sender, epoch, sequence}, to, key, payload.data(),
                                          std::uint32_t(payload.size()), out.data(), out.size());
    out.resize(n);
    return out;
}

struct Receiving : ::testing::Test {
    PacketInbox inbox;
    CallbackRouter router;
    int asked = 0;
    DatagramReceiver receiver{[this](std::uint64_t id) -> std::optional<Registration> {
        ++asked;
        if (id == kSender) {
            return Registration{kHome, kEpoch, kKey};
        }
        return std::nullopt;
    }};
    Receiving() {
        inbox.accept(kSender);
        receiver.set_self({kSelf, kSelfEpoch});
    }
    bool Take(const std::vector<std::uint8_t>& d, const Endpoint& from = kHome) {
        return receiver.take(from, d.data(), d.size(), inbox, router);
    }
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

TEST(DatagramFormat, TheGameBytesFollowTheGrownHeaderUnchanged) {
    const std::string payload = "\x0c\x00\x0e\x01game bytes";
    const std::vector<std::uint8_t> d = Datagram(kSender, kEpoch, 0x01020304, payload);
    ASSERT_EQ(kDatagramHeaderSize + payload.size(), d.size());
    EXPECT_EQ(0, std::memcmp(d.data(), "VKP2", 4));
    EXPECT_EQ(0, std::memcmp(d.data() + kDatagramHeaderSize, payload.data(), payload.size()));
    DatagramHeader h;
    const std::uint8_t* p = nullptr;
    std::uint32_t n = 0;
    ASSERT_TRUE(decode_datagram(d.data(), d.size(), &h, &p, &n));
    EXPECT_EQ(kSender, h.sender);
    EXPECT_EQ(kEpoch, h.epoch);
    EXPECT_EQ(0x01020304u, h.sequence);
    EXPECT_EQ(payload, std::string(reinterpret_cast<const char*>(p), n));
}

TEST(DatagramFormat, KeysAreRandomAndTheirTextReadsBack) {
    const PresenceKey a = new_presence_key(), b = new_presence_key();
    EXPECT_NE(a, b);
    EXPECT_EQ(std::optional<PresenceKey>(a), parse_key_text(key_text(a)));
    for (const std::string bad :
         {std::string(), key_text(a).substr(1), key_text(a) + "0", "zz" + key_text(a).substr(2)}) {
        EXPECT_FALSE(parse_key_text(bad).has_value()) << bad;
    }
}

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
        EXPECT_FALSE(Take(c.bytes)) << c.what;
    }
    EXPECT_TRUE(Read().empty());
    EXPECT_EQ(std::uint64_t(std::size(cases)), receiver.drops().malformed);
    EXPECT_EQ(std::uint64_t(std::size(cases)), receiver.dropped());
}

TEST_F(Receiving, ADatagramWithAWrongOrMissingCodeIsDroppedBeforeItsHeaderCounts) {
    const std::vector<std::uint8_t> good = Datagram(kSender, kEpoch, 7, "payload");
    std::vector<std::uint8_t> zero_code = good;
    std::memset(zero_code.data() + kDatagramCodeOffset, 0, kDatagramCodeSize);
    std::vector<std::uint8_t> payload_changed = good;
    payload_changed.back() ^= 1;
    std::vector<std::uint8_t> sequence_changed = good;
    sequence_changed[16] ^= 1;
    std::vector<std::uint8_t> code_changed = good;
    code_changed[kDatagramCodeOffset + kDatagramCodeSize - 1] ^= 0x80;
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
    } cases[] = {
        {"code under another key", Datagram(kSender, kEpoch, 0xFFFFFFFF, "x", new_presence_key())},
        {"code all zero", zero_code},
        {"one code bit changed", code_changed},
        {"payload changed after coding", payload_changed},
        {"sequence changed after coding", sequence_changed},
        {"coded for another member", Datagram(kSender, kEpoch, 8, "x", kKey, {kSelf + 1, 31})},
        {"coded for an earlier session of this member",
         Datagram(kSender, kEpoch, 8, "x", kKey, {kSelf, kSelfEpoch - 1})},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(Take(c.bytes)) << c.what;
    }
    EXPECT_EQ(std::uint64_t(std::size(cases)), receiver.drops().code);
    EXPECT_EQ(0u, receiver.drops().replayed + receiver.drops().stale)
        << "a forged datagram reached the sequence window";
    // The forged 0xFFFFFFFF did not move the window: real traffic is taken.
    EXPECT_TRUE(Take(good));
    EXPECT_TRUE(Take(Datagram(kSender, kEpoch, 8, "next")));
    EXPECT_EQ((std::vector<std::string>{"payload", "next"}), Read());
}

TEST_F(Receiving, ADatagramFromASenderWithoutAKnownKeyWaitsABoundedWhileForIt) {
    const std::uint64_t joiner = individual_id(78);
    const PresenceKey joiner_key = new_presence_key();
    bool joiner_known = false;
    DatagramReceiver r([&](std::uint64_t id) -> std::optional<Registration> {
        if (id == joiner && joiner_known) {
            return Registration{kHome, kEpoch, joiner_key};
        }
        return std::nullopt;
    });
    r.set_self({kSelf, kSelfEpoch});
    inbox.accept(joiner);
    for (std::uint32_t s = 1; s <= 3; ++s) {
        const auto d = Datagram(joiner, kEpoch, s, "hello" + std::to_string(s), joiner_key);
        EXPECT_FALSE(r.take(kHome, d.data(), d.size(), inbox, router));
    }
    const auto forged = Datagram(joiner, kEpoch, 4, "forged", new_presence_key());
    r.take(kHome, forged.data(), forged.size(), inbox, router);
    EXPECT_EQ(4u, r.held());
    r.retry_held(inbox, router);
    EXPECT_TRUE(Read().empty()) << "nothing is taken before its code can be checked";
    joiner_known = true;
    r.retry_held(inbox, router);
    EXPECT_EQ((std::vector<std::string>{"hello1", "hello2", "hello3"}), Read());
    EXPECT_EQ(1u, r.drops().code);
    EXPECT_EQ(0u, r.held());
}

TEST_F(Receiving, WaitingDatagramsAreBoundedInCountAndRetries) {
    const std::uint64_t stranger = individual_id(79);
    const std::size_t sent = DatagramReceiver::kMaxHeld + 10;
    for (std::uint32_t s = 1; s <= sent; ++s) {
        EXPECT_FALSE(Take(Datagram(stranger, kEpoch, s, "x")));
    }
    EXPECT_EQ(DatagramReceiver::kMaxHeld, receiver.held());
    EXPECT_EQ(10u, receiver.drops().unknown);
    for (int i = 0; i < DatagramReceiver::kHeldRetries; ++i) {
        receiver.retry_held(inbox, router);
    }
    EXPECT_EQ(0u, receiver.held());
    EXPECT_EQ(std::uint64_t(sent), receiver.drops().unknown);
}

TEST_F(Receiving, ADatagramFromAnotherAddressOrSessionIsDropped) {
    const std::vector<std::uint8_t> d = Datagram(kSender, kEpoch, 1, "x");
    const std::vector<std::uint8_t> other_session = Datagram(kSender, kEpoch + 1, 1, "x");
    EXPECT_FALSE(Take(d, Endpoint{0x7f000001, 4001}));
    EXPECT_FALSE(Take(d, Endpoint{0x7f000002, 4000}));
    EXPECT_FALSE(Take(other_session));
    EXPECT_EQ(3u, receiver.drops().source);
    EXPECT_TRUE(Read().empty());
}

TEST_F(Receiving, ReplayedStaleAndReorderedSequenceNumbersAreDropped) {
    const std::uint32_t sent[] = {1, 2, 2, 5, 3, 6, 1};
    for (std::uint32_t sequence : sent) {
        Take(Datagram(kSender, kEpoch, sequence, std::to_string(sequence)));
    }
    EXPECT_EQ((std::vector<std::string>{"1", "2", "5", "6"}), Read());
    EXPECT_EQ(2u, receiver.drops().replayed) << "2 and 1 came twice";
    EXPECT_EQ(1u, receiver.drops().stale) << "3 came after 5";
}

TEST_F(Receiving, ARealDatagramNumberedFarBehindDoesNotMakeLaterOnesStale) {
    const std::uint32_t sent[] = {5, 0xFFFFFFFF, 6, 0x80000006, 7};
    for (std::uint32_t sequence : sent) {
        Take(Datagram(kSender, kEpoch, sequence, std::to_string(sequence)));
    }
    // 0xFFFFFFFF is 6 behind 5 and 0x80000006 half the number space from 6:
    // neither moves the window.
    EXPECT_EQ((std::vector<std::string>{"5", "6", "7"}), Read());
}

TEST_F(Receiving, TheSequenceCounterMayWrap) {
    const std::uint32_t sent[] = {0xFFFFFFFE, 0xFFFFFFFF, 0, 1};
    for (std::uint32_t sequence : sent) {
        Take(Datagram(kSender, kEpoch, sequence, std::to_string(sequence)));
    }
    EXPECT_EQ((std::vector<std::string>{"4294967294", "4294967295", "0", "1"}), Read());
}

TEST_F(Receiving, ThePayloadIsTheDatagramLessItsHeader) {
    const std::string payload(kMaxPacketSize, 'p');
    const std::vector<std::uint8_t> d = Datagram(kSender, kEpoch, 1, payload);
    ASSERT_EQ(kMaxDatagramSize, d.size());
    ASSERT_TRUE(Take(d));
    EXPECT_EQ((std::vector<std::string>{payload}), Read());
}

TEST(ReplayWindowVerdicts, EachNumberGetsItsVerdict) {
    using V = ReplayWindow::Verdict;
    ReplayWindow w;
    struct Step {
        std::uint32_t sequence;
        V expected;
    } steps[] = {{100, V::fresh}, {100, V::replayed}, {99, V::late},     {99, V::replayed},
                 {164, V::fresh}, {101, V::late},     {100, V::too_old}, {0xFFFFFFFF, V::too_old},
                 {300, V::fresh}, {237, V::late},     {236, V::too_old}};
    for (const Step& s : steps) {
        EXPECT_EQ(int(s.expected), int(w.take(s.sequence))) << "sequence " << s.sequence;
    }
}

}  // namespace
