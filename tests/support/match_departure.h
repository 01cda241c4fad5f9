// Checks on what match members consumed, and one seeded run of a battler
// leaving three members under a given key delay, one-way latency and cut.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/match_harness.h"

namespace match_test {

// The last frame member i consumed, -1 before its first.
int LastConsumed(MatchHarness& h, int i);
bool AllReach(MatchHarness& h, const std::vector<int>& members, int frame);
// Empty when every member in `members` consumed, for every battler, the
// pressed word, except battler `departed` from frame `end` on, whose word is
// 0, and all consumed the same words for the frames they share; otherwise
// the first difference, in words.
std::string FirstDifference(MatchHarness& h, const std::vector<int>& members, int battlers,
                            int departed, int end);

// Also 2 % of packets lost and 2 % duplicated, drawn from the seed.
struct DepartureCase {
    std::uint8_t delay = 3;
    std::uint32_t latency = 0;  // one way, in frames of the receiver, on every link
    std::uint32_t jitter = 0;   // up to this many frames more, drawn per packet
    int cut = 0;                // frames the host hears the leaving battler no more before it goes
    std::uint32_t seed = 0;
};

// Battler 2 of three leaves about 120 frames in; the lobby tells the host 25
// frames later. Empty when both survivors played on 300 frames past the
// departure with the same words (the departed battler's real words up to the
// end the host fixed, 0 after it); otherwise what went wrong.
std::string RunDeparture(const DepartureCase& c);

}  // namespace match_test
