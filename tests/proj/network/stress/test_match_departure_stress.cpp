// A battler leaving three members, swept over every key delay from 3 to 7,
// one-way latency 0 to 10 frames with and without jitter, 0 to 16 frames in
// which the host no longer hears the leaving battler, and two seeds: every
// survivor plays the same words. One test per delay and jitter, so each
// stays short.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <tuple>

#include "tests/support/match_departure.h"
#include "tests/support/test_seed.h"

namespace {

using match_test::DepartureCase;
using match_test::RunDeparture;

// (key delay, jitter)
class MatchDepartureStress : public testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(MatchDepartureStress, EverySurvivorPlaysTheSameWords) {
    const std::uint8_t delay = static_cast<std::uint8_t>(std::get<0>(GetParam()));
    const std::uint32_t jitter = static_cast<std::uint32_t>(std::get<1>(GetParam()));
    const std::uint32_t seed = qz_test::TestSeed("departure sweep");
    int runs = 0;
    int diverged = 0;
    for (std::uint32_t latency = 0; latency <= 10; ++latency) {
        for (int cut = 0; cut <= 16; ++cut) {
            for (std::uint32_t k = 0; k < 2; ++k) {
                const DepartureCase c{delay, latency, jitter, cut, seed + k};
                const std::string what = RunDeparture(c);
                ++runs;
                if (!what.empty()) {
                    ++diverged;
                    ADD_FAILURE() << "latency " << latency << " cut " << cut << " seed " << c.seed
                                  << ": " << what;
                }
            }
        }
    }
    std::printf("delay %d jitter %u: %d of %d runs diverged\n", int(delay), jitter, diverged, runs);
}

INSTANTIATE_TEST_SUITE_P(KeyDelayAndJitter, MatchDepartureStress,
                         testing::Combine(testing::Range(3, 8), testing::Values(0, 3)));

}  // namespace
