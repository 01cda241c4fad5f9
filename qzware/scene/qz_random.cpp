#include "qzware/scene/qz_random.h"

#include <utility>

namespace QZW {

namespace {

constexpr std::uint32_t kInitFactor = 1812433253u;

// The word taken as signed and shifted with sign extension.
std::uint32_t Sar(std::uint32_t v, int n) {
    return static_cast<std::uint32_t>(static_cast<std::int32_t>(v) >> n);
}

std::uint32_t Scramble(std::uint32_t v, std::uint32_t add) {
    return (v ^ Sar(v, 15)) * kInitFactor + add;
}

}  // namespace

void QzRandom::Init() {
    x = Scramble(seed, 0);
    y = Scramble(x, 1);
    z = Scramble(y, 2);
    w = Scramble(z, 3);
}

void QzRandom::ReInit(std::int32_t value) {
    SetSeed(value);
    Init();
}

std::int32_t QzRandom::Next() {
    const std::uint32_t t = x ^ (x << 11);
    const std::uint32_t old = w;
    x = y;
    y = z;
    z = old;
    w = Sar(Sar(old, 11) ^ t, 8) ^ old ^ t;
    return static_cast<std::int32_t>(w);
}

float QzRandom::NextFloat() {
    // 2^-31 exactly (the nearest float to 4.656613e-10).
    return static_cast<float>(Next()) * 0x1p-31f;
}

float QzRandom::RangeFloat(float a, float b) {
    if (a > b) {
        std::swap(a, b);
    }
    return NextFloat() * (b - a) + a;
}

std::int32_t QzRandom::RangeInt(std::int32_t a, std::int32_t b) {
    if (a > b) {
        std::swap(a, b);
    }
    const std::int64_t r = Next();
    const std::int64_t span = static_cast<std::int64_t>(b) - a + 1;
    const std::int64_t value = a + r % span;
    // Within [a - (b - a), b]; below the 32-bit range only for a negative
    // draw, which the generator never makes. Wrap like a 32-bit word then.
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

}  // namespace QZW
