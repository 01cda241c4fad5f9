// The game's seeded random generator: a 128-bit xorshift variant whose right
// shifts sign-extend. Online peers draw the same numbers from the same seed,
// so every step is plain 32-bit word arithmetic and must never change.
// Limits: Next never answers a negative value (the sign bit of the new word
// always cancels), so RangeInt and RangeFloat stay in [a, b].
#pragma once

#include <cstdint>

namespace QZW {

class QzRandom {
public:
    // The generator's fixed start state; it is not what Init derives from
    // the default seed.
    static constexpr std::uint32_t kDefaultSeed = 123456789u;
    static constexpr std::uint32_t kDefaultX = 123456789u;
    static constexpr std::uint32_t kDefaultY = 362436069u;
    static constexpr std::uint32_t kDefaultZ = 521288629u;
    static constexpr std::uint32_t kDefaultW = 88675123u;

    // Stores the seed only; the state changes at the next Init.
    void SetSeed(std::int32_t value) { seed = static_cast<std::uint32_t>(value); }
    void Init();
    void ReInit(std::int32_t value);
    std::int32_t Next();
    // Next() x 2^-31.
    float NextFloat();
    // NextFloat() x (b - a) + a, after ordering a and b.
    float RangeFloat(float a, float b);
    // a + Next() rem (b - a + 1), after ordering a and b. The span is taken
    // in 64 bits, so the full 32-bit range neither divides by zero nor
    // overflows.
    std::int32_t RangeInt(std::int32_t a, std::int32_t b);

    std::uint32_t seed = kDefaultSeed;
    std::uint32_t x = kDefaultX;
    std::uint32_t y = kDefaultY;
    std::uint32_t z = kDefaultZ;
    std::uint32_t w = kDefaultW;
};

}  // namespace QZW
