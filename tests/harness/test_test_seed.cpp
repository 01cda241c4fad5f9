// The shared seed helper: which values of QZ_TEST_SEED are a seed, that any
// other value fails the test instead of quietly becoming seed 0, and that the
// replay line is printed either way.
#include "tests/support/test_seed.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace {

// Sets the seed variable for one test and puts back what it was.
class SeedVariable {
public:
    explicit SeedVariable(const char* value) {
        if (const char* old = std::getenv(qz_test::kSeedVariable)) {
            old_ = old;
        }
        setenv(qz_test::kSeedVariable, value, 1);
    }
    ~SeedVariable() {
        if (old_) {
            setenv(qz_test::kSeedVariable, old_->c_str(), 1);
        } else {
            unsetenv(qz_test::kSeedVariable);
        }
    }
    SeedVariable(const SeedVariable&) = delete;
    SeedVariable& operator=(const SeedVariable&) = delete;

private:
    std::optional<std::string> old_;
};

TEST(ParseSeed, TakesDecimalDigitsUpToTheLargest32BitValueAndNothingElse) {
    struct Case {
        const char* text;
        std::optional<std::uint32_t> seed;
    };
    const Case cases[] = {
        {"0", 0u},
        {"12345", 12345u},
        {"007", 7u},
        {"4294967295", 4294967295u},
        {"4294967296", std::nullopt},
        {"18446744073709551615", std::nullopt},  // wraps to 2^64 - 1 in strtoull
        {"99999999999999999999999", std::nullopt},
        {"-1", std::nullopt},  // strtoull makes it 2^64 - 1
        {"-0", std::nullopt},
        {"+5", std::nullopt},
        {" 5", std::nullopt},
        {"5 ", std::nullopt},
        {"12x", std::nullopt},  // strtoull stops at the x and gives 12
        {"x12", std::nullopt},  // strtoull gives 0
        {"0x10", std::nullopt},
        {"1e3", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.seed, qz_test::ParseSeed(c.text)) << '"' << c.text << '"';
    }
    EXPECT_EQ(std::nullopt, qz_test::ParseSeed(nullptr));
}

TEST(TestSeed, AGivenSeedIsUsedAndPrintedWithItsReplayLine) {
    SeedVariable given("4000000000");
    testing::internal::CaptureStdout();
    const std::uint32_t seed = qz_test::TestSeed("harness");
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(4000000000u, seed);
    EXPECT_EQ("harness seed 4000000000 (given) (replay: QZ_TEST_SEED=4000000000)\n", printed);
}

TEST(TestSeed, AMistypedSeedFailsTheTestAndPrintsTheFreshSeedItDrewInstead) {
    for (const char* text : {"12x", "-1", "4294967296", " 7"}) {
        SeedVariable mistyped(text);
        std::uint32_t seed = 0;
        std::string printed;
        EXPECT_NONFATAL_FAILURE(
            {
                testing::internal::CaptureStdout();
                seed = qz_test::TestSeed("harness");
                printed = testing::internal::GetCapturedStdout();
            },
            "is not a seed");
        EXPECT_EQ("harness seed " + std::to_string(seed) +
                      " (replay: QZ_TEST_SEED=" + std::to_string(seed) + ")\n",
                  printed)
            << text;
    }
}

TEST(TestSeed, AnUnsetOrEmptyVariableDrawsAFreshSeed) {
    SeedVariable empty("");
    testing::internal::CaptureStdout();
    const std::uint32_t seed = qz_test::TestSeed("harness");
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ("harness seed " + std::to_string(seed) +
                  " (replay: QZ_TEST_SEED=" + std::to_string(seed) + ")\n",
              printed);
}

}  // namespace
