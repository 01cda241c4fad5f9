// The seed of a random-driven test: QZ_TEST_SEED when set (a decimal number),
// otherwise a fresh one; either way printed with the line that replays it.
#pragma once

#include <cstdint>

namespace qz_test {

// The name of the variable that fixes every random-driven test's seed.
inline constexpr const char* kSeedVariable = "QZ_TEST_SEED";

// `what` names the test in the printed line. A set but unreadable value is a
// test failure (and a fresh seed is drawn), never silently ignored.
std::uint32_t TestSeed(const char* what);

}  // namespace qz_test
