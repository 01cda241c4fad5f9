// The save record: checksum values, byte layout, round trip, short and
// oversized input, guarded indices, and the script class.
#include "proj/game/save_data.h"

#include <gtest/gtest.h>
#include <squirrel.h>

#include <cstring>
#include <string>
#include <vector>

#include "proj/script/sq_bind.h"

namespace {

using Sample::SaveData;

std::uint32_t Le32(const SaveData::Bytes& b, std::size_t off) {
    return static_cast<std::uint32_t>(b[off]) | static_cast<std::uint32_t>(b[off + 1]) << 8 |
           static_cast<std::uint32_t>(b[off + 2]) << 16 |
           static_cast<std::uint32_t>(b[off + 3]) << 24;
}

TEST(SaveDataCrc, KnownValues) {
    struct {
        const char* text;
        std::uint32_t crc;
    } cases[] = {
        {"123456789", 0x340BC6D9u},  // the published CRC-32/JAMCRC check value
        {"", 0xFFFFFFFFu},
        {"a", 0x174841BCu},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.crc, Sample::SaveDataCrc(reinterpret_cast<const std::uint8_t*>(c.text),
                                             std::strlen(c.text)))
            << c.text;
    }
}

TEST(SaveData, ResetRecordHasHeaderAndKnownChecksum) {
    SaveData r;
    r.VolumeSE = 5;
    SaveData::Reset(r);
    SaveData::Bytes b = r.Serialize();
    EXPECT_EQ(0xD1215CC1u, Le32(b, 0));
    EXPECT_EQ(0, std::memcmp(&b[4], "SAVE", 4));
    EXPECT_EQ(304u, Le32(b, 8));
    EXPECT_EQ(1u, Le32(b, 12));
    for (std::size_t i = 16; i < SaveData::kSize; ++i) {
        ASSERT_EQ(0, b[i]) << "offset " << i;
    }
}

TEST(SaveData, ChecksumCoversEveryByteFromOffsetFourOnly) {
    SaveData base;
    const std::uint32_t sum = SaveData::CalcChecksum(base);
    const SaveData::Bytes bytes = base.Serialize();
    for (std::size_t off = 0; off < SaveData::kSize; ++off) {
        SaveData::Bytes changed = bytes;
        changed[off] ^= 0x5A;
        SaveData r;
        ASSERT_TRUE(r.Parse(changed.data(), changed.size()));
        if (off < 4) {
            EXPECT_EQ(sum, SaveData::CalcChecksum(r)) << "offset " << off;
        } else {
            EXPECT_NE(sum, SaveData::CalcChecksum(r)) << "offset " << off;
        }
    }
}

SaveData Filled() {
    SaveData r;
    r.VolumeBGM = -3;
    r.VolumeSE = 70000;
    r.TextSpeed = 2;
    r.Language = 4;
    r.FullScreen = 1;
    r.Resolution = 5;
    for (int i = 0; i < 16; ++i) {
        r.optionKeys[i / 4][i % 4] = 100 + i;
    }
    for (int i = 0; i < 25; ++i) {
        r.useTeam[i] = -i;
        r.arcadeWinTeam[i] = i * 1000;
    }
    r.checksum = SaveData::CalcChecksum(r);
    return r;
}

TEST(SaveData, FieldsLandAtTheirOffsetsAndRoundTrip) {
    const SaveData r = Filled();
    const SaveData::Bytes b = r.Serialize();
    EXPECT_EQ(static_cast<std::uint32_t>(-3), Le32(b, 16));
    EXPECT_EQ(70000u, Le32(b, 20));
    EXPECT_EQ(5u, Le32(b, 36));
    EXPECT_EQ(106u, Le32(b, 40 + 4 * 6));  // row 1, column 2
    EXPECT_EQ(static_cast<std::uint32_t>(-24), Le32(b, 104 + 4 * 24));
    EXPECT_EQ(7000u, Le32(b, 204 + 4 * 7));

    SaveData back;
    ASSERT_TRUE(back.Parse(b.data(), b.size()));
    EXPECT_EQ(b, back.Serialize());
}

TEST(SaveData, ParseTakesThe304FirstBytesAndRefusesShorterInput) {
    const SaveData::Bytes image = Filled().Serialize();
    std::vector<std::uint8_t> longer(image.begin(), image.end());
    longer.resize(400, 0xEE);
    SaveData r;
    ASSERT_TRUE(r.Parse(longer.data(), longer.size()));
    EXPECT_EQ(image, r.Serialize());

    SaveData fresh;
    const SaveData::Bytes before = fresh.Serialize();
    EXPECT_FALSE(fresh.Parse(image.data(), SaveData::kSize - 1));
    EXPECT_FALSE(fresh.Parse(nullptr, 0));
    EXPECT_EQ(before, fresh.Serialize());
}

// Script snippets over "SQ_SaveData": properties, methods, guarded indices.
TEST(SaveDataScript, ClassBehaves) {
    struct {
        const char* script;
        SQInteger result;
    } cases[] = {
        {"local s = SQ_SaveData(); s.Resolution = 3; return s.Resolution", 3},
        {"local s = SQ_SaveData(); return s.FullScreen", 0},
        {"local s = SQ_SaveData(); s.SetOptionKey(3, 3, 9); return s.GetOptionKey(3, 3)", 9},
        {"local s = SQ_SaveData(); s.SetOptionKey(4, 0, 9); return s.GetOptionKey(4, 0)", 0},
        {"local s = SQ_SaveData(); s.SetOptionKey(0, -1, 9); return s.GetOptionKey(0, -1)", 0},
        {"local s = SQ_SaveData(); s.SetUseTeam(24, 7); return s.GetUseTeam(24)", 7},
        {"local s = SQ_SaveData(); s.SetUseTeam(25, 7); return s.GetUseTeam(25)", 0},
        {"local s = SQ_SaveData(); s.SetUseTeam(-1, 7); return s.GetUseTeam(-1)", 0},
        {"local s = SQ_SaveData(); s.SetArcadeWinTeam(2, 5); s.SetArcadeWinTeam(2, 3);"
         " return s.GetArcadeWinTeam(2)",
         5},
        {"local s = SQ_SaveData(); s.SetArcadeWinTeam(25, 5); return s.GetArcadeWinTeam(25)", 0},
        {"local s = SQ_SaveData(); s.SetArcadeWinTeam(-1, 5); return s.GetArcadeWinTeam(-1)", 0},
    };
    HSQUIRRELVM v = sq_open(1024);
    sq_pushroottable(v);
    SaveData::RegisterScriptClass(v);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.script);
        SQInteger top = sq_gettop(v);
        ASSERT_TRUE(SQ_SUCCEEDED(sq_compilebuffer(
            v, c.script, static_cast<SQInteger>(std::strlen(c.script)), "case", SQFalse)));
        sq_pushroottable(v);
        ASSERT_TRUE(SQ_SUCCEEDED(sq_call(v, 1, SQTrue, SQFalse)));
        SQInteger got = -999;
        sq_getinteger(v, -1, &got);
        EXPECT_EQ(c.result, got);
        sq_settop(v, top);
    }
    sq_close(v);
    Sample::SqBind::ForgetClasses();
}

}  // namespace
