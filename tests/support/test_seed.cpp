// Reads or draws a random-driven test's seed and prints how to replay it.
#include "tests/support/test_seed.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>

namespace qz_test {

std::optional<std::uint32_t> ParseSeed(const char* text) {
    if (text == nullptr || *text == '\0') {
        return std::nullopt;
    }
    // By hand rather than strtoul, which skips spaces, takes a sign (and
    // negates "-1" into a large value) and stops quietly at the first letter.
    std::uint64_t value = 0;
    for (const char* c = text; *c != '\0'; ++c) {
        if (*c < '0' || *c > '9') {
            return std::nullopt;
        }
        value = value * 10 + std::uint64_t(*c - '0');
        if (value > UINT32_MAX) {
            return std::nullopt;
        }
    }
    return std::uint32_t(value);
}

std::uint32_t TestSeed(const char* what) {
    std::uint32_t seed = 0;
    bool given = false;
    if (const char* text = std::getenv(kSeedVariable); text != nullptr && *text != '\0') {
        if (const auto parsed = ParseSeed(text)) {
            seed = *parsed;
            given = true;
        } else {
            ADD_FAILURE() << kSeedVariable << "=\"" << text
                          << "\" is not a seed: expected decimal digits only, at most "
                          << UINT32_MAX;
        }
    }
    if (!given) {
        seed = std::random_device{}();
    }
    std::printf("%s seed %u%s (replay: %s=%u)\n", what, unsigned(seed), given ? " (given)" : "",
                kSeedVariable, unsigned(seed));
    std::fflush(stdout);
    return seed;
}

}  // namespace qz_test
