// Lockstep under load, as a report rather than a timed test: for 2 and 4
// members, loss 0 %, 5 % and 20 % and latency 0, 3 and 10 frames, the frames
// each member stalls, the input delay it ends with and the resend requests it
// sends, per 1,000 frames (the worst member for stalls, the mean for
// resends). Labelled Stress: left out of the default run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "tests/support/match_harness.h"

namespace {

using match_test::Faults;
using match_test::MatchHarness;

TEST(MatchLockstepStress, StallsDelaysAndResendsPerThousandFrames) {
    constexpr int kFrames = 6000;
    std::printf("| members | loss | latency | stalls / 1000 | delay | resends / 1000 |\n");
    std::printf("|---|---|---|---|---|---|\n");
    for (int members : {2, 4}) {
        for (double loss : {0.0, 0.05, 0.20}) {
            for (std::uint32_t latency : {0u, 3u, 10u}) {
                Faults f;
                f.link.loss = loss;
                f.link.delay_min = latency;
                f.link.delay_max = latency;
                MatchHarness h(members, 1234, f);
                h.StartBattle(3);
                h.Frames(kFrames);
                std::uint32_t stalls = 0;
                std::uint32_t resends = 0;
                int delayMin = 99;
                int delayMax = 0;
                for (int i = 0; i < members; ++i) {
                    stalls = std::max(stalls, h.member(i).stalls);
                    resends += h.member(i).resends;
                    const int d = h.With(i, [](Sample::CGameNetworkCtrl&) {
                        return int(
                            Sample::GetNetworkDatabase().battleData.battleParam.KeyBufferDelay);
                    });
                    delayMin = std::min(delayMin, d);
                    delayMax = std::max(delayMax, d);
                }
                EXPECT_GT(h.member(0).consumed.size(), 100u);
                std::printf("| %d | %.0f %% | %u | %.1f | %d-%d | %.1f |\n", members, loss * 100,
                            latency, 1000.0 * stalls / kFrames, delayMin, delayMax,
                            1000.0 * resends / members / kFrames);
            }
        }
    }
}

}  // namespace
