// Text typed into a window arrives as UTF-8; each code point becomes one
// WM_CHAR, and broken bytes never swallow the characters after them.
#include "platform/window/window_sdl_events.h"

#include <gtest/gtest.h>

namespace {

using platform::window::decode_utf8;

TEST(WindowSdlEvents, Utf8TextDecodesToCodePoints) {
    const struct {
        const char* text;
        std::vector<std::uint32_t> expected;
    } cases[] = {
        {"", {}},
        {"aZ", {'a', 'Z'}},
        {"\xC3\xA9", {0xE9}},
        {"\xE2\x82\xAC", {0x20AC}},
        {"\xF0\x9F\x98\x80!", {0x1F600, '!'}},
        {"\xC3", {0xFFFD}},  // cut short by the end of the text
        {"\xC3"
         "A",
         {0xFFFD, 'A'}},  // cut short by a plain character
        {"\xE2\x82"
         "b",
         {0xFFFD, 0xFFFD, 'b'}},
        {"\xFF\x80x", {0xFFFD, 0xFFFD, 'x'}},  // never a lead byte / a stray continuation
    };
    for (const auto& c : cases)
        EXPECT_EQ(decode_utf8(c.text), c.expected) << '"' << c.text << '"';
}

}  // namespace
