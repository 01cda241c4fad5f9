// The bank writer's own rules: cue tables in the order the file keeps them,
// wave formats it can express, and streamed waves on 2048-byte sectors.
#include "tools/soundbank_writer/xact_writer.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

namespace xact = qz_tools::xact;

std::uint32_t Read32(const xact::Bytes& b, std::size_t at) {
    return std::uint32_t(b[at]) | std::uint32_t(b[at + 1]) << 8 | std::uint32_t(b[at + 2]) << 16 |
           std::uint32_t(b[at + 3]) << 24;
}

TEST(XactWriter, RefusesASimpleCueAfterAComplexOneAndUnwritableWaves) {
    EXPECT_THROW(
        xact::WriteSoundBank("b", {"w"},
                             {{"limited", 0, 0, 0, false, 1, 0}, {"simple", 0, 0, 0, false, 0, 0}}),
        std::invalid_argument);
    EXPECT_THROW(xact::WriteWaveBank("w", false, {{0, 44100, {}}}), std::invalid_argument);
    EXPECT_THROW(xact::WriteWaveBank("w", false, {{2, 44100, {1, 2, 3}}}), std::invalid_argument);
    EXPECT_THROW(xact::WriteWaveBank(std::string(64, 'n'), false, {}), std::invalid_argument);
}

TEST(XactWriter, StreamedWavesStartOnSectorsAndEntriesDescribeThem) {
    const xact::Bytes b = xact::WriteWaveBank(
        "s", true, {{1, 22050, xact::SineTone(100, 10, 22050, 1)}, {2, 48000, {1, 2, 3, 4}}});
    const std::uint32_t dataAt = Read32(b, 12 + 4 * 8);
    EXPECT_EQ(0u, dataAt % 2048);
    EXPECT_EQ(0u, b.size() % 2048);
    // Entry 1: after entry 0's 220 frames, rounded up to the next sector.
    const std::size_t entry1 = 148 + 24;
    EXPECT_EQ(2048u, Read32(b, entry1 + 8));
    EXPECT_EQ(8u, Read32(b, entry1 + 12));
    EXPECT_EQ(2u << 4, Read32(b, entry1));  // two frames
    const std::uint32_t format = Read32(b, entry1 + 4);
    EXPECT_EQ(0u, format & 3);         // PCM
    EXPECT_EQ(2u, (format >> 2) & 7);  // channels
    EXPECT_EQ(48000u, (format >> 5) & 0x3FFFF);
    EXPECT_EQ(4u, (format >> 23) & 0xFF);  // block align
    EXPECT_EQ(1u, format >> 31);           // 16-bit
}

}  // namespace
