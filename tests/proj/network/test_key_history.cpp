// Key history: the chain stays one list of every node (no self-links, newer
// links mirror older ones, frames never grow towards the old end) after
// random sequences of records, stores and inserts.
#include "proj/network/key_history.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <random>
#include <vector>

#include "tests/support/test_seed.h"

namespace Sample {
namespace {

// Empty string when the chain is sound, else what is wrong.
std::string ChainFault(const KeyHistory& h) {
    std::vector<bool> seen(KeyHistory::kNodes, false);
    std::uint16_t at = h.Newest();
    std::uint16_t prev = KeyHistory::kNoNode;
    for (std::uint32_t n = 0; n < KeyHistory::kNodes; ++n) {
        if (at == KeyHistory::kNoNode) {
            return "chain ends after " + std::to_string(n) + " nodes";
        }
        if (seen[at]) {
            return "node " + std::to_string(at) + " visited twice";
        }
        seen[at] = true;
        const KeyHistoryNode& node = h.Node(at);
        if (node.older == at || node.newer == at) {
            return "node " + std::to_string(at) + " linked to itself";
        }
        if (node.newer != prev) {
            return "newer link of node " + std::to_string(at) + " does not mirror";
        }
        if (prev != KeyHistory::kNoNode && FrameBefore(h.Node(prev).frame, node.frame)) {
            return "frame grows towards the old end at node " + std::to_string(at);
        }
        prev = at;
        at = node.older;
    }
    if (at != KeyHistory::kNoNode || prev != h.Oldest()) {
        return "oldest pointer does not end the chain";
    }
    return "";
}

TEST(KeyHistory, InitChainsEveryNodeWithFrameZero) {
    auto h = std::make_unique<KeyHistory>();
    EXPECT_EQ(ChainFault(*h), "");
    EXPECT_EQ(h->Newest(), 0);
    EXPECT_EQ(h->Oldest(), KeyHistory::kNodes - 1);
    EXPECT_EQ(h->KeyAt(0), 0);
}

TEST(KeyHistory, RecordedAndStoredKeysAreFoundByFrame) {
    auto h = std::make_unique<KeyHistory>();
    h->Record(0x11, 1);
    h->Record(0x12, 2);
    h->Store(0x15, 5);  // newer: becomes the newest
    h->Store(0x14, 4);  // between 2 and 5: inserted
    h->Store(0x22, 2);  // held: overwritten
    EXPECT_EQ(h->KeyAt(1), 0x11);
    EXPECT_EQ(h->KeyAt(2), 0x22);
    EXPECT_EQ(h->KeyAt(3), 0);
    EXPECT_EQ(h->KeyAt(4), 0x14);
    EXPECT_EQ(h->KeyAt(5), 0x15);
    EXPECT_EQ(h->Find(3), nullptr);
    EXPECT_EQ(ChainFault(*h), "");
}

TEST(KeyHistory, InsertingAFrameNewerThanTheNewestChangesNothing) {
    auto h = std::make_unique<KeyHistory>();
    h->Record(7, 10);
    h->Insert(9, 11);
    EXPECT_EQ(h->Find(11), nullptr);
    EXPECT_EQ(h->KeyAt(10), 7);
    EXPECT_EQ(ChainFault(*h), "");
}

TEST(KeyHistory, InsertNextToTheOldestNodeNeverLinksItToItself) {
    // Fill the whole chain with frames 100, 102, ... so the oldest node is
    // the first node older than the inserted frame.
    auto h = std::make_unique<KeyHistory>();
    for (std::uint32_t i = 0; i < KeyHistory::kNodes; ++i) {
        h->Record(1, static_cast<std::uint16_t>(100 + 2 * i));
    }
    const std::uint16_t oldestFrame = h->Node(h->Oldest()).frame;
    h->Insert(0x99, static_cast<std::uint16_t>(oldestFrame + 1));
    EXPECT_EQ(ChainFault(*h), "");
    EXPECT_EQ(h->KeyAt(static_cast<std::uint16_t>(oldestFrame + 1)), 0x99);
}

TEST(KeyHistory, FramesCompareAcrossTheSixteenBitWrap) {
    EXPECT_TRUE(FrameBefore(65535, 0));
    EXPECT_FALSE(FrameBefore(0, 65535));
    // A match running past frame 65535: its keys keep arriving in order.
    auto h = std::make_unique<KeyHistory>();
    for (std::uint32_t f = 1; f < 65530; ++f) {
        h->Record(0, static_cast<std::uint16_t>(f));
    }
    for (std::uint32_t f = 65530; f < 65536 + 4; ++f) {
        h->Store(static_cast<std::uint16_t>(f), static_cast<std::uint16_t>(f));
    }
    EXPECT_EQ(h->KeyAt(65535), 65535);
    EXPECT_EQ(h->KeyAt(2), 2);
    EXPECT_EQ(h->Node(h->Newest()).frame, 3);
    h->Store(0x77, 65534);  // a late overwrite from before the wrap
    EXPECT_EQ(h->KeyAt(65534), 0x77);
    EXPECT_EQ(ChainFault(*h), "");
}

TEST(KeyHistory, RandomSequencesKeepTheChainSound) {
    const unsigned seed = qz_test::TestSeed("KeyHistory random");
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    std::mt19937 rng(seed);
    auto h = std::make_unique<KeyHistory>();
    std::uint16_t newest = 0;
    for (int step = 0; step < 12000; ++step) {
        const std::uint16_t key = static_cast<std::uint16_t>(rng());
        switch (rng() % 4) {
            case 0:  // own key, next frame
                newest = static_cast<std::uint16_t>(newest + 1);
                h->Record(key, newest);
                break;
            case 1: {  // received key up to 7 ahead
                newest = static_cast<std::uint16_t>(newest + rng() % 8);
                h->Store(key, newest);
                break;
            }
            case 2:  // late key somewhere in the recent past
                h->Store(key, static_cast<std::uint16_t>(newest - rng() % 64));
                break;
            default:  // raw insert, possibly at the far old end
                h->Insert(key, static_cast<std::uint16_t>(newest - rng() % 3000));
                break;
        }
        if (step % 3000 == 0) {
            ASSERT_EQ(ChainFault(*h), "") << "after step " << step;
        }
    }
    ASSERT_EQ(ChainFault(*h), "");
}

}  // namespace
}  // namespace Sample
