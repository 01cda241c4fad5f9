// The networked backend's receive checks, without a network: pair keys
// derived from two public keys match on both sides and nowhere else;
// malformed datagrams, a wrong or missing code, senders without a known key,
// foreign sources, other sessions, replayed and stale sequence numbers are
// dropped; a frame's checks and the datagrams waiting for a key are shared
// out over their sources; the payload is the game's bytes as sent.
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
const KeyPair kSenderKeys = new_key_pair();
const KeyPair kSelfKeys = new_key_pair();

PairKeys Pair(std::uint64_t own_id, const KeyPair& own, std::uint64_t peer_id,
              const PresenceKey& peer) {
    PairKeys keys;
    EXPECT_TRUE(derive_pair_keys(own_id, own, peer_id, peer, &keys));
    return keys;
}

// What the sender codes its datagrams to this member with.
const DatagramKey kKey = Pair(kSender, kSenderKeys, kSelf, kSelfKeys.public_key).tx;

std::vector<std::uint8_t> Datagram(std::uint64_t sender, std::uint32_t epoch,
                                   std::uint32_t sequence, const std::string& payload,
                                   const DatagramKey& key = kKey,
                                   Recipient to = {kSelf, kSelfEpoch}) {
    std::vector<std::uint8_t> out(kMaxDatagramSize);
    const std::size_t n = encode_datagram({sender, epoch, sequence}, to, key, payload.data(),
                                          std::uint32_t(payload.size()), out.data(), out.size());
    out.resize(n);
    return out;
}

DatagramKey RandomKey() {
    return new_key_pair().secret;
}

struct Receiving : ::testing::Test {
    PacketInbox inbox;
    CallbackRouter router;
    int asked = 0;
    DatagramReceiver receiver{[this](std::uint64_t id) -> std::optional<Registration> {
        ++asked;
        if (id == kSender) {
            return Registration{kHome, kEpoch, kSenderKeys.public_key};
        }
        return std::nullopt;
    }};
    Receiving() {
        inbox.accept(kSender);
        receiver.set_self({kSelf, kSelfEpoch}, kSelfKeys);
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

// [SECTION] Pair keys

TEST(PairKeys, BothSidesDeriveTheSameKeysAndEachDirectionItsOwn) {
    const KeyPair a = new_key_pair(), b = new_key_pair();
    const std::uint64_t low = individual_id(3), high = individual_id(900);
    // Whichever side derives first and whichever id is lower.
    for (const auto& [ida, idb] : {std::pair{low, high}, std::pair{high, low}}) {
        const PairKeys at_a = Pair(ida, a, idb, b.public_key);
        const PairKeys at_b = Pair(idb, b, ida, a.public_key);
        EXPECT_EQ(at_a.tx, at_b.rx);
        EXPECT_EQ(at_a.rx, at_b.tx);
        EXPECT_NE(at_a.tx, at_a.rx) << "both directions share one key";
    }
}

TEST(PairKeys, ANewSessionsKeyPairGivesOtherKeys) {
    const KeyPair a = new_key_pair(), b = new_key_pair(), b_later = new_key_pair();
    EXPECT_NE(a.public_key, b.public_key);
    EXPECT_NE(b.secret, b_later.secret);
    const PairKeys before = Pair(kSelf, a, kSender, b.public_key);
    const PairKeys after = Pair(kSelf, a, kSender, b_later.public_key);
    EXPECT_NE(before.rx, after.rx);
    EXPECT_NE(before.tx, after.tx);
}

TEST(PairKeys, AThirdPartyWithBothPublicKeysMakesNoValidCode) {
    // The receiver knows the sender's published key; the forger knows that
    // and the receiver's, and has key pairs of its own.
    const PairKeys real = Pair(kSelf, kSelfKeys, kSender, kSenderKeys.public_key);
    const std::vector<std::uint8_t> body = Datagram(kSender, kEpoch, 1, "words", real.rx);
    ASSERT_TRUE(datagram_code_ok(body.data(), body.size(), {kSelf, kSelfEpoch}, real.rx));
    const KeyPair forger = new_key_pair();
    KeyPair posing = forger;  // claims the sender's public key as its own
    posing.public_key = kSenderKeys.public_key;
    PairKeys as_sender, as_self;
    ASSERT_TRUE(derive_pair_keys(kSender, posing, kSelf, kSelfKeys.public_key, &as_sender));
    ASSERT_TRUE(derive_pair_keys(kSelf, forger, kSender, kSenderKeys.public_key, &as_self));
    const DatagramKey tries[] = {kSenderKeys.public_key, kSelfKeys.public_key, as_sender.tx,
                                 as_sender.rx,           as_self.tx,           as_self.rx,
                                 DatagramKey{}};
    for (const DatagramKey& key : tries) {
        const std::vector<std::uint8_t> d = Datagram(kSender, kEpoch, 1, "words", key);
        EXPECT_FALSE(datagram_code_ok(d.data(), d.size(), {kSelf, kSelfEpoch}, real.rx));
    }
}

TEST(PairKeys, AMembersPairWithItselfHasOneKeyAndASmallOrderKeyIsRefused) {
    const PairKeys self = Pair(kSelf, kSelfKeys, kSelf, kSelfKeys.public_key);
    EXPECT_EQ(self.rx, self.tx);
    PairKeys none;
    EXPECT_FALSE(derive_pair_keys(kSelf, kSelfKeys, kSender, PresenceKey{}, &none))
        << "the all-zero point makes every shared secret the same";
}

TEST(PairKeys, TheCacheDerivesOncePerPeerSession) {
    PairKeyCache cache;
    EXPECT_EQ(nullptr, cache.find(kSender, kEpoch, kSenderKeys.public_key)) << "no own pair yet";
    cache.reset(kSelf, kSelfKeys);
    const PairKeys expected = Pair(kSelf, kSelfKeys, kSender, kSenderKeys.public_key);
    for (int i = 0; i < 100; ++i) {
        const PairKeys* keys = cache.find(kSender, kEpoch, kSenderKeys.public_key);
        ASSERT_NE(nullptr, keys);
        EXPECT_EQ(expected.rx, keys->rx);
    }
    EXPECT_EQ(1u, cache.derivations());
    const KeyPair later = new_key_pair();
    ASSERT_NE(nullptr, cache.find(kSender, kEpoch + 1, later.public_key));
    EXPECT_EQ(2u, cache.derivations()) << "a new session of the peer";
    ASSERT_NE(nullptr, cache.find(kSender, kEpoch + 1, kSenderKeys.public_key));
    EXPECT_EQ(3u, cache.derivations()) << "a new key under the same session";
    EXPECT_EQ(nullptr, cache.find(individual_id(8), 1, PresenceKey{}));
    EXPECT_EQ(nullptr, cache.find(individual_id(8), 1, PresenceKey{}));
    EXPECT_EQ(4u, cache.derivations()) << "an unusable key is remembered too";
}

// [SECTION] Format and checks

TEST(DatagramFormat, TheGameBytesFollowTheGrownHeaderUnchanged) {
    const std::string payload = "\x0c\x00\x0e\x01game bytes";
    const std::vector<std::uint8_t> d = Datagram(kSender, kEpoch, 0x01020304, payload);
    ASSERT_EQ(kDatagramHeaderSize + payload.size(), d.size());
    EXPECT_EQ(0, std::memcmp(d.data(), "VKP3", 4));
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
    const PresenceKey a = new_key_pair().public_key, b = new_presence_key();
    EXPECT_NE(a, b);
    EXPECT_EQ(std::optional<PresenceKey>(a), parse_key_text(key_text(a)));
    for (const std::string& bad :
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
        {"code under another key", Datagram(kSender, kEpoch, 0xFFFFFFFF, "x", RandomKey())},
        {"code under the sender's public key",
         Datagram(kSender, kEpoch, 9, "x", kSenderKeys.public_key)},
        {"code under the other direction's key",
         Datagram(kSender, kEpoch, 9, "x",
                  Pair(kSender, kSenderKeys, kSelf, kSelfKeys.public_key).rx)},
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
    const KeyPair joiner_keys = new_key_pair();
    const DatagramKey joiner_key = Pair(joiner, joiner_keys, kSelf, kSelfKeys.public_key).tx;
    bool joiner_known = false;
    DatagramReceiver r([&](std::uint64_t id) -> std::optional<Registration> {
        if (id == joiner && joiner_known) {
            return Registration{kHome, kEpoch, joiner_keys.public_key};
        }
        return std::nullopt;
    });
    r.set_self({kSelf, kSelfEpoch}, kSelfKeys);
    inbox.accept(joiner);
    for (std::uint32_t s = 1; s <= 3; ++s) {
        const auto d = Datagram(joiner, kEpoch, s, "hello" + std::to_string(s), joiner_key);
        EXPECT_FALSE(r.take(kHome, d.data(), d.size(), inbox, router));
    }
    const auto forged = Datagram(joiner, kEpoch, 4, "forged", RandomKey());
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

Endpoint FloodSource(int i) {
    return Endpoint{0x7f000001, std::uint16_t(20000 + i)};
}

TEST_F(Receiving, WaitingDatagramsAreCappedPerSourceAndAFullQueueTakesFromTheLargest) {
    const std::uint64_t stranger = individual_id(79);
    const Endpoint searcher{0x7f000002, 6000};
    // The searcher's one probe comes first, then floods from 40 sources.
    EXPECT_FALSE(Take(Datagram(individual_id(80), kEpoch, 1, "probe"), searcher));
    constexpr int kSources = 40;
    std::uint32_t sent = 1;
    for (int round = 0; round < 20; ++round) {
        for (int i = 0; i < kSources; ++i) {
            EXPECT_FALSE(Take(Datagram(stranger, kEpoch, ++sent, "x"), FloodSource(i)));
        }
    }
    EXPECT_EQ(DatagramReceiver::kMaxHeld, receiver.held());
    EXPECT_EQ(1u, receiver.held_from(searcher)) << "the flood pushed the probe out";
    for (int i = 0; i < kSources; ++i) {
        EXPECT_LE(receiver.held_from(FloodSource(i)), DatagramReceiver::kMaxHeldPerSource) << i;
    }
    EXPECT_EQ(sent - DatagramReceiver::kMaxHeld, receiver.drops().unknown);
    for (int i = 0; i < DatagramReceiver::kHeldRetries; ++i) {
        receiver.retry_held(inbox, router);
    }
    EXPECT_EQ(0u, receiver.held());
    EXPECT_EQ(std::uint64_t(sent), receiver.drops().unknown);
}

TEST_F(Receiving, ASenderTheDirectoryHasNoPresenceForIsDroppedAtOnce) {
    const std::uint64_t gone = individual_id(81);
    bool answered = false;
    DatagramReceiver r([](std::uint64_t) { return std::optional<Registration>(); },
                       [&](std::uint64_t id) { return answered && id == gone; });
    r.set_self({kSelf, kSelfEpoch}, kSelfKeys);
    const auto d = Datagram(gone, kEpoch, 1, "x");
    r.take(kHome, d.data(), d.size(), inbox, router);
    EXPECT_EQ(1u, r.held());
    answered = true;
    r.retry_held(inbox, router);
    EXPECT_EQ(0u, r.held());
    r.take(kHome, d.data(), d.size(), inbox, router);
    EXPECT_EQ(0u, r.held()) << "held again after the directory's answer";
    EXPECT_EQ(2u, r.drops().unknown);
}

TEST_F(Receiving, LookupsGoFirstToTheSourceWithTheFewestFailedDatagrams) {
    const Endpoint flood = FloodSource(1), quiet{0x7f000003, 7000};
    const std::uint64_t first = individual_id(90), second = individual_id(91);
    EXPECT_FALSE(Take(Datagram(first, kEpoch, 1, "x"), flood));
    EXPECT_FALSE(Take(Datagram(second, kEpoch, 1, "x"), quiet));
    const auto none = [](std::uint64_t) { return false; };
    EXPECT_EQ(std::optional<std::uint64_t>(first), receiver.wanted(none)) << "the older one";
    // The flood's source sends datagrams that fail.
    EXPECT_FALSE(Take(std::vector<std::uint8_t>(40, 0xee), flood));
    EXPECT_EQ(std::optional<std::uint64_t>(second), receiver.wanted(none));
    EXPECT_EQ(std::optional<std::uint64_t>(first),
              receiver.wanted([&](std::uint64_t id) { return id == second; }));
    EXPECT_EQ(std::nullopt, receiver.wanted([](std::uint64_t) { return true; }));
}

TEST(FairShare, EachSourceKeepsItsFirstDatagramsUpToAnEvenShare) {
    const Endpoint a{1, 1}, b{1, 2}, c{2, 1};
    struct Case {
        const char* what;
        std::vector<Endpoint> sources;
        std::size_t budget;
        std::vector<bool> kept;
    } cases[] = {
        {"everything fits", {a, b, a, c}, 4, {true, true, true, true}},
        {"nothing sent", {}, 3, {}},
        {"one flooding source and a quiet one",
         {a, a, b, a, a, a},
         3,
         {true, true, true, false, false, false}},
        {"what a small sender leaves goes to the others",
         {a, a, a, a, b, c, c, c, c},
         7,
         {true, true, true, false, true, true, true, true, false}},
        {"an uneven remainder goes to the first to send",
         {b, a, b, a, b, a},
         5,
         {true, true, true, true, true, false}},
        {"no budget", {a, b}, 0, {false, false}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.kept, fair_share(c.sources, c.budget)) << c.what;
    }
}

TEST(FairShare, AFloodOfOneSourceLeavesEveryOtherSourcesDatagrams) {
    std::vector<Endpoint> sources;
    for (int i = 0; i < 3000; ++i) {
        sources.push_back(Endpoint{9, 9});
        if (i % 100 == 0) {
            sources.push_back(Endpoint{std::uint32_t(i), 1});
        }
    }
    const std::vector<bool> kept = fair_share(sources, 1024);
    std::size_t flood = 0, others = 0;
    for (std::size_t i = 0; i < sources.size(); ++i) {
        (sources[i] == Endpoint{9, 9} ? flood : others) += kept[i] ? 1 : 0;
    }
    EXPECT_EQ(30u, others);
    EXPECT_EQ(1024u - 30u, flood);
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
