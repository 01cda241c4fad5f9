// Reads or draws a random-driven test's seed and prints how to replay it.
#include "tests/support/test_seed.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <random>

namespace qz_test {

std::uint32_t TestSeed(const char* what) {
    std::uint32_t seed = 0;
    bool given = false;
    if (const char* text = std::getenv(kSeedVariable); text != nullptr && *text != '\0') {
        char* end = nullptr;
        errno = 0;
        const unsigned long long value = std::strtoull(text, &end, 10);
        if (errno == 0 && *end == '\0' && value <= UINT32_MAX) {
            seed = std::uint32_t(value);
            given = true;
        } else {
            ADD_FAILURE() << kSeedVariable << "=\"" << text
                          << "\" is not a seed: expected a decimal number below 2^32";
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
