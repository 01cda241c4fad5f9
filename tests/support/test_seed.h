// The seed of a random-driven test: QZ_TEST_SEED when set (a decimal number),
// otherwise a fresh one; either way printed with the line that replays it.
#pragma once

#include <cstdint>
#include <optional>

namespace qz_test {

// The name of the variable that fixes every random-driven test's seed.
inline constexpr const char* kSeedVariable = "QZ_TEST_SEED";

// The seed `text` writes: decimal digits only (no sign, space or base
// prefix), at most 2^32 - 1. Nothing for anything else, so a mistyped value
// can never quietly become some other seed.
std::optional<std::uint32_t> ParseSeed(const char* text);

// `what` names the test in the printed line. A set but unreadable value is a
// test failure (and a fresh seed is drawn), never silently ignored; an empty
// value counts as unset.
std::uint32_t TestSeed(const char* what);

}  // namespace qz_test
