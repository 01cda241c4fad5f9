// Match messages: golden bytes for every (category, sub), and the parser's
// refusals of short, long, lying and out-of-range messages.
#include "proj/network/game_message.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/proj/network/hex_bytes.h"

namespace Sample {
namespace {

using TestHex::Bytes;
using TestHex::Zeros;

std::string Fmt(const char* f, int i) {
    char b[128];
    std::snprintf(b, sizeof b, f, i, i, i, i, i, i);
    return b;
}

// A message with every field set to a value whose bytes are easy to spot.
GameMessage Fixture(std::uint8_t category, std::uint8_t sub) {
    GameMessage m;
    m.category = category;
    m.sub = sub;
    m.statusFlags = 0x85;
    m.hostPing = -300;
    m.sessionParam = {3, 0xA1, 0x1234, 0x01020304, -2};
    for (int i = 0; i < 4; ++i) {
        m.identities[i].id = 0x0110000100000010ull + i;
        m.identities[i].name[0] = static_cast<char>('A' + i);
        m.states[i] = {
            static_cast<std::uint16_t>(0x100 + i),  static_cast<std::uint16_t>(0x200 + i),
            static_cast<std::uint16_t>(0x1100 + i), static_cast<std::int16_t>(-1 - i),
            static_cast<std::uint8_t>(0x30 + i),    static_cast<std::uint8_t>(0x40 + i)};
        SGameBattlerInfo& b = m.battlers[i];
        b.flags = 0x05;
        b.teamId = static_cast<std::int8_t>(-1 - i);
        b.selectIndex = static_cast<std::int8_t>(0x20 + i);
        b.npc = static_cast<std::uint8_t>(i);
        for (int k = 0; k < 4; ++k) {
            b.keyConfig[k] = static_cast<std::uint8_t>(0x50 + 0x10 * k + i);
        }
        m.battleInfo.tag[i] = 0x0A0B0C00u + i;
    }
    m.battleInfo.received = 1;
    m.battleInfo.reserved = 0xB2;
    m.battleInfo.stageNo = 7;
    m.battleInfo.bgm = 9;
    m.battleInfo.RandomSeed = 0xDEADBEEF;
    m.battleInfo.gameInfo = {1, -1, 3, 0x100, 5, 6, 7};
    m.value = 0x66;
    m.index = 2;
    m.battler = {1, 3, 4, 0, {1, 2, 3, 4}};
    m.scene = 3;
    m.frame = 0x0105;
    m.keyBattler = 2;
    m.keyCount = 3;
    m.keys[0] = 0;
    m.keys[1] = 0xABCD;
    m.keys[2] = 0x4001;
    return m;
}

// The fixture's records as hand-written wire bytes.
const std::string kParam = "03 a1 34 12 04 03 02 01 fe ff ff ff";
std::string Identities() {
    std::string s;
    for (int i = 0; i < 4; ++i) {
        s += Fmt("%02x 00 00 00 01 00 10 01 ", 0x10 + i) + Fmt("%02x", 0x41 + i) + Zeros(23);
    }
    return s;
}
std::string States() {
    std::string s;
    for (int i = 0; i < 4; ++i) {
        s += Fmt("%02x 01 ", i) + Fmt("%02x 02 ", i) + Fmt("%02x 11 ", i) +
             Fmt("%02x ff ", 0xff - i) + Fmt("%02x ", 0x30 + i) + Fmt("%02x ", 0x40 + i);
    }
    return s;
}
std::string Battler(int i) {
    return "05 " + Fmt("%02x ", 0xff - i) + Fmt("%02x ", 0x20 + i) + Fmt("%02x ", i) +
           Fmt("%02x ", 0x50 + i) + Fmt("%02x ", 0x60 + i) + Fmt("%02x ", 0x70 + i) +
           Fmt("%02x ", 0x80 + i);
}
std::string Battlers() {
    return Battler(0) + Battler(1) + Battler(2) + Battler(3);
}
std::string FlagsAndSelect() {
    return "05 20 05 21 05 22 05 23";
}
std::string BattleInfo() {
    return "01 b2 07 09 00 0c 0b 0a 01 0c 0b 0a 02 0c 0b 0a 03 0c 0b 0a ef be ad de "
           "01 00 00 00 ff ff ff ff 03 00 00 00 00 01 00 00 05 00 00 00 06 00 00 00 07 00 00 00";
}
std::string Snapshot() {
    return kParam + Identities() + States();
}

std::string WithoutLastByte(const std::string& hex) {
    std::vector<std::uint8_t> b = Bytes(hex);
    b.pop_back();
    return TestHex::Text(b);
}

struct Golden {
    std::uint8_t category;
    std::uint8_t sub;
    std::string bytes;
};

std::vector<Golden> GoldenTable() {
    return {
        {1, 0, "08 00 01 00 85 00 d4 fe"},
        {2, 0, "f0 00 02 00" + Snapshot() + BattleInfo() + Zeros(4)},
        {3, 0, "10 01 03 00" + Snapshot() + BattleInfo() + Battlers() + Zeros(4)},
        {4, 0, "c0 00 04 00" + Snapshot() + FlagsAndSelect()},
        {5, 0, "b8 00 05 00" + Snapshot()},
        {6, 0, "04 00 06 00"},
        {8, 1, "06 00 08 01 66 00"},
        {8, 2, "04 00 08 02"},
        {8, 3, "04 00 08 03"},
        {9, 1, "0e 00 09 01 02 01 03 04 00 01 02 03 04 00"},
        {9, 2, "58 00 09 02" + kParam + States() + Battlers()},
        {9, 3, "06 00 09 03 02 66"},
        {9, 4, "38 00 09 04" + BattleInfo()},
        {9, 5, "58 00 09 05" + Battlers() + BattleInfo()},
        {9, 6, "58 00 09 06" + BattleInfo() + Battlers()},
        {10, 1, "0c 00 0a 01 01 03 04 00 01 02 03 04"},
        {10, 2, "24 00 0a 02" + Battlers()},
        {10, 3, "24 00 0a 03" + Battlers()},
        {11, 0, "06 00 0b 00 03 00"},
        {12, 0, "04 00 0c 00"},
        {13, 0, "04 00 0d 00"},
        {14, 0, "0e 00 0e 00 05 01 02 03 00 00 cd ab 01 40"},
        {14, kKeyRunWhole, "0e 00 0e 01 05 01 02 03 00 00 cd ab 01 40"},
        {15, 0, "08 00 0f 00 05 01 02 00"},
        {16, 0, "04 00 10 00"},
        {17, 0, "38 00 11 00" + BattleInfo()},
    };
}

TEST(GameMessage, EveryCategoryAndSubBuildsItsGoldenBytes) {
    for (const Golden& g : GoldenTable()) {
        SCOPED_TRACE(testing::Message() << "category " << int(g.category) << " sub " << int(g.sub));
        const std::vector<std::uint8_t> want = Bytes(g.bytes);
        std::uint8_t out[kMaxMatchMessage + 8] = {};
        const std::size_t n = BuildGameMessage(Fixture(g.category, g.sub), out, sizeof out);
        ASSERT_EQ(n, want.size());
        EXPECT_EQ(TestHex::Text({out, out + n}), TestHex::Text(want));
        if (g.category != 14) {
            EXPECT_EQ(MatchMessageLength(g.category, g.sub), want.size());
        }
    }
}

TEST(GameMessage, EveryGoldenMessageParsesAndBuildsBackTheSameBytes) {
    for (const Golden& g : GoldenTable()) {
        SCOPED_TRACE(testing::Message() << "category " << int(g.category) << " sub " << int(g.sub));
        const std::vector<std::uint8_t> bytes = Bytes(g.bytes);
        GameMessage m;
        ASSERT_TRUE(ParseGameMessage(bytes.data(), bytes.size(), m));
        EXPECT_EQ(m.category, g.category);
        std::uint8_t out[kMaxMatchMessage] = {};
        const std::size_t n = BuildGameMessage(m, out, sizeof out);
        EXPECT_EQ(TestHex::Text({out, out + n}), TestHex::Text(bytes));
    }
}

TEST(GameMessage, ParsedFieldsCarryTheirValues) {
    const std::vector<std::uint8_t> status = Bytes("08 00 01 00 85 77 d4 fe");
    GameMessage m;
    ASSERT_TRUE(ParseGameMessage(status.data(), status.size(), m));
    EXPECT_EQ(m.statusFlags, 0x85);
    EXPECT_EQ(m.hostPing, -300);

    const std::vector<std::uint8_t> keys = Bytes("0e 00 0e 00 05 01 02 03 00 00 cd ab 01 40");
    ASSERT_TRUE(ParseGameMessage(keys.data(), keys.size(), m));
    EXPECT_EQ(m.frame, 0x105);
    EXPECT_EQ(m.keyBattler, 2);
    ASSERT_EQ(m.keyCount, 3);
    EXPECT_EQ(m.keys[1], 0xABCD);
    EXPECT_EQ(m.keys[2], 0x4001);
}

TEST(GameMessage, ASnapshotNameWithoutTerminatorIsCutInsideItsField) {
    std::vector<std::uint8_t> bytes = Bytes("b8 00 05 00" + Snapshot());
    for (int i = 0; i < 24; ++i) {
        bytes[16 + 8 + i] = 'x';  // slot 0's name, no zero anywhere
    }
    GameMessage m;
    ASSERT_TRUE(ParseGameMessage(bytes.data(), bytes.size(), m));
    EXPECT_EQ(std::string(m.identities[0].name), std::string(23, 'x'));
}

TEST(GameMessage, ParserRefusesMalformedMessages) {
    struct Bad {
        const char* what;
        std::string bytes;
    };
    const Bad table[] = {
        {"shorter than a header", "04 00 01"},
        {"length field below 4", "02 00 0c 00"},
        {"length field past the bytes received", "08 00 0c 00"},
        {"length not the category's", "05 00 0c 00 00"},
        {"snapshot one byte short", "b7 00 05 00" + WithoutLastByte(Snapshot())},
        {"status longer than its table", "09 00 01 00 85 00 d4 fe 00"},
        {"unknown sub-type", "04 00 08 04"},
        {"sub-type 0 of a category that has them", "04 00 0a 00"},
        {"category 7 belongs to the lobby", "04 00 07 00"},
        {"lobby category", "04 00 14 00"},
        {"category 0", "04 00 00 00"},
        {"key words above 7", "18 00 0e 00 20 00 00 08" + Zeros(16)},
        {"key count disagrees with length", "0c 00 0e 00 05 01 02 03 00 00 cd ab"},
        {"more key words than frames", "0c 00 0e 00 00 00 01 02 00 00 00 00"},
        {"key battler 4", "0a 00 0e 00 05 01 04 01 00 00"},
        {"key message shorter than its fields", "06 00 0e 00 05 01"},
        {"resend battler 4", "08 00 0f 00 05 01 04 00"},
        {"team-select battler index 4", "0e 00 09 01 04 01 03 04 00 01 02 03 04 00"},
        {"tag index 4", "06 00 09 03 04 66"},
    };
    for (const Bad& b : table) {
        SCOPED_TRACE(b.what);
        const std::vector<std::uint8_t> bytes = Bytes(b.bytes);
        GameMessage m;
        m.category = 99;
        EXPECT_FALSE(ParseGameMessage(bytes.data(), bytes.size(), m));
        EXPECT_EQ(m.category, 99) << "a refused message must leave the output alone";
    }
}

TEST(GameMessage, KeyMessageOfFramePlusOneWordsIsTaken) {
    // Frame field 1: words for frames 1 and 0.
    const std::vector<std::uint8_t> bytes = Bytes("0c 00 0e 00 01 00 03 02 00 00 07 00");
    GameMessage m;
    ASSERT_TRUE(ParseGameMessage(bytes.data(), bytes.size(), m));
    EXPECT_EQ(m.keyCount, 2);
    EXPECT_EQ(m.keys[1], 7);
}

TEST(GameMessage, MessageInsideALongerBufferParsesByItsOwnLength) {
    std::vector<std::uint8_t> bytes = Bytes("06 00 0b 00 04 00 ee ee ee");
    GameMessage m;
    ASSERT_TRUE(ParseGameMessage(bytes.data(), bytes.size(), m));
    EXPECT_EQ(m.scene, 4);
}

TEST(GameMessage, BuilderRefusesWhatIsNoMatchMessage) {
    std::uint8_t out[kMaxMatchMessage];
    GameMessage m = Fixture(7, 0);
    EXPECT_EQ(BuildGameMessage(m, out, sizeof out), 0u);
    m = Fixture(9, 7);
    EXPECT_EQ(BuildGameMessage(m, out, sizeof out), 0u);
    m = Fixture(14, 0);
    m.keyCount = 8;
    EXPECT_EQ(BuildGameMessage(m, out, sizeof out), 0u);
    m = Fixture(2, 0);
    EXPECT_EQ(BuildGameMessage(m, out, 239), 0u) << "a buffer one byte short is refused";
}

TEST(GameMessage, MatchCategoriesAreOneToSixAndEightToSeventeen) {
    for (int c = 0; c < 256; ++c) {
        const bool want = (c >= 1 && c <= 6) || (c >= 8 && c <= 17);
        EXPECT_EQ(IsMatchCategory(static_cast<std::uint8_t>(c)), want) << c;
    }
}

}  // namespace
}  // namespace Sample
