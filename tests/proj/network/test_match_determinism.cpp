// Lockstep: two to four members exchange pad words under loss, bursts,
// duplication and latency; every member consumes the same words for the same
// frames, and they are the words that were pressed.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>

#include "tests/support/match_harness.h"
#include "tests/support/test_seed.h"

namespace {

using match_test::Faults;
using match_test::MatchHarness;

struct Scenario {
    int members;
    double loss;
    double burst;
    std::uint32_t latency;
    std::uint8_t delay;
};

void RunScenario(const Scenario& sc, std::uint64_t seed) {
    SCOPED_TRACE(testing::Message()
                 << "members " << sc.members << " loss " << sc.loss << " burst " << sc.burst
                 << " latency " << sc.latency << " delay " << int(sc.delay) << " seed " << seed);
    Faults f;
    f.keyBurstChance = sc.burst;
    f.link.loss = sc.loss;
    f.link.duplicate = sc.loss / 2;
    f.link.delay_min = 0;
    f.link.delay_max = sc.latency;
    MatchHarness h(sc.members, seed, f);
    h.StartBattle(sc.delay);
    h.Frames(900);

    const auto& reference = h.member(0).consumed;
    ASSERT_GT(reference.size(), 200u) << "the match must make progress";
    for (int i = 0; i < h.size(); ++i) {
        const auto& log = h.member(i).consumed;
        std::size_t compared = 0;
        for (const auto& [frame, words] : log) {
            for (int b = 0; b < sc.members; ++b) {
                ASSERT_EQ(words[b], h.Expected(b, frame))
                    << "member " << i << " battler " << b << " frame " << frame;
            }
            auto it = reference.find(frame);
            if (it != reference.end()) {
                ASSERT_EQ(words, it->second) << "member " << i << " frame " << frame;
                ++compared;
            }
        }
        // Members run in lockstep, so their consumed frames nearly coincide.
        EXPECT_GT(compared + 40, reference.size()) << "member " << i;
    }
}

TEST(MatchDeterminism, EveryMemberConsumesThePressedWordsUnderFaults) {
    const std::uint64_t seed = qz_test::TestSeed("match determinism");
    const Scenario table[] = {
        {2, 0.0, 0.0, 0, 3},   {2, 0.05, 0.0, 3, 3},   {3, 0.05, 0.01, 5, 5}, {4, 0.20, 0.0, 10, 3},
        {4, 0.05, 0.02, 0, 5}, {2, 0.20, 0.02, 10, 5}, {3, 0.20, 0.0, 3, 3},
    };
    for (const Scenario& sc : table) {
        RunScenario(sc, seed);
    }
}

}  // namespace

namespace {

TEST(MatchHostLoss, MembersDeclareTheHostLost601FramesAfterItWentSilent) {
    MatchHarness h(3, 11, Faults{});
    h.StartBattle(3);
    h.Frames(100);
    h.member(0).running = false;  // the host's process is gone
    int lostAt[3] = {0, 0, 0};
    for (int frame = 101; frame <= 800; ++frame) {
        h.Frame();
        for (int i = 1; i < 3; ++i) {
            const bool lost = h.With(i, [](Sample::CGameNetworkCtrl& c) {
                return (c.resultLow & Sample::NetResult::kHostLost) != 0;
            });
            if (lost && lostAt[i] == 0) {
                lostAt[i] = frame;
            }
        }
    }
    // Heard last in frame 100, whose count is the first of the 601.
    EXPECT_EQ(lostAt[1], 700);
    EXPECT_EQ(lostAt[2], 700);
    // The order recurs every frame until the lobby clears the session.
    EXPECT_EQ(h.member(1).server.disconnectOrders, 800 - 700 + 1);
}

}  // namespace
