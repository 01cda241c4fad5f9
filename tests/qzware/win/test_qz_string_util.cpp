// Text utilities: the character-aware routines over good and broken UTF-8,
// the 1023-byte result bound, formatting, scanning, conversions and time.
#include "qzware/win/qz_string_util.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "platform/debug/debug.h"

namespace {

const char kA3[] = "\xE3\x81\x82";  // U+3042, three bytes
const char kI3[] = "\xE3\x81\x84";  // U+3044
const char kE2[] = "\xC3\xA9";      // U+00E9, two bytes

std::string Repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) {
        out += s;
    }
    return out;
}

// Debug output lines captured for one test.
class DebugCapture {
public:
    DebugCapture() {
        platform::debug::set_sink([this](const std::string& s) { lines.push_back(s); });
    }
    ~DebugCapture() { platform::debug::set_sink({}); }
    std::vector<std::string> lines;
};

TEST(SjisStrlen, CountsTwoPerCharacter) {
    struct Row {
        std::string text;
        int want;
    };
    const Row rows[] = {
        {"", 0},
        {"abc", 6},
        {std::string("ab") + kE2, 6},
        {std::string(kA3) + kI3, 4},
        {"\xF0\x9F\x98\x80", 2},  // four-byte character
        {"\x80", 2},              // stray continuation byte
        {"\xC0\x80", 4},          // C0 never leads
        {"\xC1\xBF", 4},
        {"a\xE3\x81", 6},  // cut short at the end
        {"\xE3\x81"
         "b",
         6},  // cut short before a letter
        {"\xFF\xFE", 4},
        {"\xF8\x88\x80\x80\x80", 10},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(SjisStrlen(r.text.c_str()), r.want) << "text of " << r.text.size() << " bytes";
    }
    EXPECT_EQ(SjisStrlen(nullptr), 0);
}

TEST(SjisFind, FindsAtCharacterStartsFromStart) {
    struct Row {
        std::string text;
        int start;
        std::string pattern;
        int want;
    };
    const std::string aa = std::string(kA3) + "a";
    const Row rows[] = {
        {"abcabc", 1, "abc", 3},
        {"abcabc", 0, "abc", 0},
        {"abc", 0, "abcd", -1},
        {"abc", 0, "c", 2},
        {"abc", 0, "", 0},  // an empty pattern matches where the search starts
        {"abc", 2, "", 2},
        {"abc", 3, "", 3},
        {"abc", 3, "c", -1},
        {"abc", 4, "", -1},  // past the end
        {"abc", 4, "x", -1},
        {"abc", INT_MAX, "a", -1},
        {"abc", -1, "a", -1},
        {"abc", INT_MIN, "", -1},
        {aa, 0, "a", 3},
        {aa, 0,
         "\x81\x82"
         "a",
         -1},  // inside a character: never a match
        {std::string(kE2) + kE2, 0, "\xA9\xC3", -1},
        {"\xE3xa", 0, "a", 2},  // broken lead byte steps one byte
        {"\x80\x80\x80z", 0, "z", 3},
        {"", 0, "", 0},
        {"", 0, "a", -1},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(SjisFind(r.text.c_str(), r.start, r.pattern.c_str()), r.want)
            << "start " << r.start << ", pattern of " << r.pattern.size() << " bytes";
    }
    EXPECT_EQ(SjisFind(nullptr, 0, "a"), -1);
    EXPECT_EQ(SjisFind("a", 0, nullptr), -1);
}

TEST(SjisSlice, CopiesBytesFromStartWithinBounds) {
    struct Row {
        std::string text;
        int start, length;
        std::string want;
    };
    const Row rows[] = {
        {"abcdef", 1, 3, "bcd"},
        {"abcdef", 0, 100, "abcdef"},
        {"abcdef", 4, 100, "ef"},
        {"abcdef", 6, 1, ""},
        {"abcdef", 7, 1, ""},  // past the end
        {"abcdef", INT_MAX, INT_MAX, ""},
        {"abcdef", -1, 3, ""},
        {"abcdef", INT_MIN, 3, ""},
        {"abcdef", 1, 0, ""},
        {"abcdef", 1, -5, ""},
        {std::string(kA3) + "b", 1, 2, "\x81\x82"},  // bytes, not characters
    };
    for (const Row& r : rows) {
        EXPECT_EQ(SjisSlice(r.text.c_str(), r.start, r.length), r.want)
            << "start " << r.start << ", length " << r.length;
    }
    EXPECT_EQ(SjisSlice(nullptr, 0, 3), "");
}

TEST(SjisSlice, LongResultsStopAtACharacterBoundaryWithin1023Bytes) {
    const std::string ascii(2000, 'a');
    EXPECT_EQ(SjisSlice(ascii.c_str(), 0, 2000), std::string(1023, 'a'));
    EXPECT_EQ(SjisSlice(ascii.c_str(), 1500, 2000), std::string(500, 'a'));

    // 1 + 3k bytes: the character that would straddle byte 1023 is dropped.
    const std::string wide = "x" + Repeat(kA3, 700);
    const std::string cut = SjisSlice(wide.c_str(), 0, INT_MAX);
    EXPECT_EQ(cut, "x" + Repeat(kA3, 340));
    EXPECT_EQ(SjisStrlen(cut.c_str()), 2 * 341);
    // Exactly 1023 bytes of three-byte characters fit whole.
    EXPECT_EQ(SjisSlice(wide.c_str(), 1, INT_MAX), Repeat(kA3, 341));
}

TEST(SjisReplace, ReplacesEveryMatchLeftToRight) {
    struct Row {
        std::string text, from, to, want;
    };
    const Row rows[] = {
        {"a-b-c", "-", "+", "a+b+c"},
        {"abc", "-", "+", "abc"},
        {"abc", "", "+", "abc"},       // an empty pattern changes nothing
        {"aaa", "a", "aa", "aaaaaa"},  // what was put in is not searched again
        {"abab", "ab", "b", "bb"},
        {"xx", "x", "", ""},
        {"abc", "abc", "", ""},
        {"", "a", "b", ""},
        {std::string(kA3) + kI3 + kA3, kA3, "a", std::string("a") + kI3 + "a"},
        {std::string(kA3) + "a",
         "\x82"
         "a",
         "!", std::string(kA3) + "a"},  // no mid-character match
    };
    for (const Row& r : rows) {
        EXPECT_EQ(SjisReplace(r.text.c_str(), r.from.c_str(), r.to.c_str()), r.want)
            << "text of " << r.text.size() << " bytes";
    }
    EXPECT_EQ(SjisReplace("aXbX", "X", nullptr), "ab");
    EXPECT_EQ(SjisReplace("abc", nullptr, "z"), "abc");
    EXPECT_EQ(SjisReplace(nullptr, "a", "b"), "");
}

TEST(SjisReplace, LongResultsStopAtACharacterBoundaryWithin1023Bytes) {
    const std::string as = "x" + std::string(500, 'a');
    EXPECT_EQ(SjisReplace(as.c_str(), "a", kA3), "x" + Repeat(kA3, 340));

    const std::string huge(2000, 'z');
    EXPECT_EQ(SjisReplace("ab", "a", huge.c_str()), std::string(1023, 'z'));
    EXPECT_EQ(SjisReplace(huge.c_str(), "q", "r"), std::string(1023, 'z'));
    EXPECT_EQ(SjisReplace(huge.c_str(), "", "r"), std::string(1023, 'z'));
}

TEST(QzFormatToBuffer, WritesWhatFitsAndReportsOverflow) {
    struct Row {
        std::size_t size;
        bool ok;
        std::string text;
    };
    const Row rows[] = {
        {16, true, "12-ab"}, {6, true, "12-ab"}, {5, false, "12-a"}, {1, false, ""}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.size);
        DebugCapture debug;
        char buf[16];
        std::memset(buf, '#', sizeof buf);
        EXPECT_EQ(QzFormatToBuffer(buf, r.size, "%d-%s", 12, "ab"), r.ok);
        EXPECT_EQ(std::string(buf), r.text);
        if (r.size < sizeof buf) {
            EXPECT_EQ(buf[r.size], '#');  // nothing written past `size`
        }
        const std::vector<std::string> want =
            r.ok ? std::vector<std::string>{}
                 : std::vector<std::string>{"Buffer OverFlow at OutputLog!\n"};
        EXPECT_EQ(debug.lines, want);
    }
    char one = 'q';
    EXPECT_FALSE(QzFormatToBuffer(&one, 0, "x"));
    EXPECT_EQ(one, 'q');
}

TEST(QzFormatString, FormatsUpTo65534BytesElseEmpty) {
    DebugCapture debug;
    EXPECT_EQ(QzFormatString("%s=%d", "x", 3), "x=3");
    EXPECT_EQ(QzFormatString("%s", std::string(65534, 'k').c_str()).size(), 65534u);
    EXPECT_TRUE(debug.lines.empty());
    EXPECT_EQ(QzFormatString("%s", std::string(65535, 'k').c_str()), "");
    EXPECT_EQ(debug.lines, std::vector<std::string>{"Buffer OverFlow at OutputLog!\n"});
}

TEST(QzScanString, ScansOrRefusesEmptyInput) {
    int a = -7, b = -7;
    EXPECT_EQ(QzScanString("12 34", "%d %d", &a, &b), 2);
    EXPECT_EQ(a, 12);
    EXPECT_EQ(b, 34);
    char word[8] = {};
    unsigned u = 0;
    EXPECT_EQ(QzScanString("id=77 name=bob", "id=%u name=%7s", &u, word), 2);
    EXPECT_EQ(u, 77u);
    EXPECT_STREQ(word, "bob");

    struct Row {
        const char* text;
        const char* format;
        int want;
    };
    const Row rows[] = {
        {"", "%d", -1},      {nullptr, "%d", -1}, {"12", "", -1},
        {"12", nullptr, -1}, {"abc", "%d", 0},    {"   ", "%d", EOF},
    };
    for (const Row& r : rows) {
        int v = -7;
        EXPECT_EQ(QzScanString(r.text, r.format, &v), r.want);
        EXPECT_EQ(v, -7);
    }
}

TEST(QzUtf8ToWide, DecodesAndReplacesBrokenSequencesByteByByte) {
    constexpr char32_t R = 0xFFFD;
    struct Row {
        std::string text;
        std::u32string want;
    };
    const Row rows[] = {
        {"", U""},
        {"A", U"A"},
        {kE2, U"\u00E9"},
        {kA3, U"\u3042"},
        {"\xF0\x9F\x98\x80", U"\U0001F600"},
        {"\xF4\x8F\xBF\xBF", U"\U0010FFFF"},
        {"\xC0\xAF", {R, R}},                // overlong
        {"\xE0\x80\xAF", {R, R, R}},         // overlong
        {"\xF0\x8F\xBF\xBF", {R, R, R, R}},  // overlong
        {"\xED\xA0\x80", {R, R, R}},         // surrogate
        {"\xF4\x90\x80\x80", {R, R, R, R}},  // past U+10FFFF
        {"\xF5\x80\x80\x80", {R, R, R, R}},
        {"\xE3\x81", {R, R}},  // cut short
        {"a\xE3\x81"
         "b",
         {U'a', R, R, U'b'}},
        {"\x80z", {R, U'z'}},
        {std::string("a\0b", 3), U"a"},  // stops at the first NUL
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(::testing::Message() << "text of " << r.text.size() << " bytes");
        const std::wstring w = QzUtf8ToWide(r.text);
        EXPECT_EQ(std::u32string(w.begin(), w.end()), r.want);
        std::u16string want16;
        for (char32_t c : r.want) {
            if (c < 0x10000) {
                want16.push_back(char16_t(c));
            } else {
                want16.push_back(char16_t(0xD800 + ((c - 0x10000) >> 10)));
                want16.push_back(char16_t(0xDC00 + ((c - 0x10000) & 0x3FF)));
            }
        }
        EXPECT_EQ(QzUtf8ToUtf16(r.text), want16);
    }
    EXPECT_EQ(QzUtf8ToUtf16("\xF0\x9F\x98\x80"), (std::u16string{0xD83D, 0xDE00}));
}

TEST(QzWideToUtf8, EncodesAndReplacesWhatIsNoCodePoint) {
    const std::string valid = std::string("Az") + kE2 + kA3 + "\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF";
    EXPECT_EQ(QzWideToUtf8(QzUtf8ToWide(valid)), valid);
    EXPECT_EQ(QzUtf16ToUtf8(QzUtf8ToUtf16(valid)), valid);
    EXPECT_EQ(QzInputTextToUtf8(QzUtf8ToUtf16(valid)), valid);
    EXPECT_EQ(QzInputTextToUtf8(u""), "");

    const std::string R = "\xEF\xBF\xBD";
    struct Wide {
        std::wstring text;
        std::string want;
    };
    const Wide wide[] = {
        {{wchar_t(0xD800)}, R},
        {{wchar_t(0x110000), L'a'}, R + "a"},
        {{wchar_t(-1)}, R},
        {{L'a', 0, L'b'}, "a"},
    };
    for (const Wide& w : wide) {
        EXPECT_EQ(QzWideToUtf8(w.text), w.want);
    }
    struct Narrow {
        std::u16string text;
        std::string want;
    };
    const Narrow narrow[] = {
        {{0xD83D}, R},  // high surrogate at the end
        {{0xD83D, u'a'}, R + "a"},
        {{0xDE00, u'a'}, R + "a"},  // low surrogate alone
        {{0xDE00, 0xD83D}, R + R},
        {{u'a', 0, u'b'}, "a"},
    };
    for (const Narrow& n : narrow) {
        EXPECT_EQ(QzUtf16ToUtf8(n.text), n.want);
    }
}

platform::win32::SYSTEMTIME At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
    platform::win32::SYSTEMTIME t;
    t.wYear = std::uint16_t(y);
    t.wMonth = std::uint16_t(mo);
    t.wDay = std::uint16_t(d);
    t.wHour = std::uint16_t(h);
    t.wMinute = std::uint16_t(mi);
    t.wSecond = std::uint16_t(s);
    t.wMilliseconds = std::uint16_t(ms);
    return t;
}

TEST(QzSystemTimeDiff, GivesHundredNanosecondTicks) {
    constexpr std::uint64_t kDay = 864000000000ull;
    struct Row {
        const char* what;
        platform::win32::SYSTEMTIME a, b;
        std::uint64_t want;
    };
    const Row rows[] = {
        {"same", At(2024, 5, 6, 7, 8, 9, 10), At(2024, 5, 6, 7, 8, 9, 10), 0},
        {"a millisecond", At(2024, 1, 1), At(2024, 1, 1, 0, 0, 0, 1), 10000},
        {"a second", At(2024, 1, 1, 23, 59, 59), At(2024, 1, 2), 10000000},
        {"over a leap day", At(2024, 2, 28, 23, 59, 59, 999), At(2024, 3, 1), kDay + 10000},
        {"1900 is no leap year", At(1900, 2, 28), At(1900, 3, 1), kDay},
        {"2000 is one", At(2000, 2, 28), At(2000, 3, 1), 2 * kDay},
        {"a year end", At(1999, 12, 31, 12), At(2000, 1, 1, 12), kDay},
        {"from the FILETIME origin to 1970", At(1601, 1, 1), At(1970, 1, 1), 116444736000000000ull},
        {"b earlier wraps", At(2024, 1, 1, 0, 0, 1), At(2024, 1, 1), 0ull - 10000000ull},
        {"month 13", At(2024, 13, 1), At(2024, 1, 1), 0},
        {"29 February 1900", At(2024, 1, 1), At(1900, 2, 29), 0},
        {"31 April", At(2024, 4, 31), At(2024, 5, 1), 0},
        {"hour 24", At(2024, 1, 1), At(2024, 1, 1, 24), 0},
        {"second 60", At(2024, 1, 1), At(2024, 1, 1, 0, 0, 60), 0},
        {"millisecond 1000", At(2024, 1, 1, 0, 0, 0, 1000), At(2024, 1, 2), 0},
        {"before 1601", At(1600, 12, 31), At(1601, 1, 1), 0},
        {"day 0", At(2024, 1, 0), At(2024, 1, 1), 0},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(QzSystemTimeDiff(r.a, r.b), r.want) << r.what;
    }
    platform::win32::SYSTEMTIME monday = At(2024, 1, 1), other = At(2024, 1, 1);
    monday.wDayOfWeek = 1;
    other.wDayOfWeek = 5;
    EXPECT_EQ(QzSystemTimeDiff(monday, other), 0u);
}

}  // namespace
