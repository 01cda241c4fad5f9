#include "qzware/scene/font_loader_text_format.h"

#include <cstdint>
#include <limits>
#include <string>

namespace acGraphics {

namespace {

// [SECTION] Tokens

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

void SkipBlanks(std::string_view line, std::size_t& at) {
    while (at < line.size() && IsBlank(line[at])) {
        ++at;
    }
}

// A quoted token runs to the next quote and keeps both; one never closed
// runs to the end of the line (and so fails the quote check of a file name).
std::string_view ReadToken(std::string_view line, std::size_t& at) {
    const std::size_t start = at;
    if (at < line.size() && line[at] == '"') {
        const std::size_t close = line.find('"', at + 1);
        at = close == std::string_view::npos ? line.size() : close + 1;
        return line.substr(start, at - start);
    }
    while (at < line.size() && !IsBlank(line[at]) && line[at] != '=') {
        ++at;
    }
    return line.substr(start, at - start);
}

// Decimal with an optional sign; stops at the first non-digit, saturates at
// the 32-bit range (no overflow on absurd values); no digits reads as 0.
std::int32_t ParseInt(std::string_view value) {
    std::size_t at = 0;
    bool negative = false;
    if (at < value.size() && (value[at] == '-' || value[at] == '+')) {
        negative = value[at] == '-';
        ++at;
    }
    std::int64_t n = 0;
    constexpr std::int64_t kLimit = std::int64_t(std::numeric_limits<std::int32_t>::max()) + 1;
    for (; at < value.size() && value[at] >= '0' && value[at] <= '9'; ++at) {
        n = n * 10 + (value[at] - '0');
        if (n > kLimit) {
            n = kLimit;
        }
    }
    n = negative ? -n : n;
    if (n > std::numeric_limits<std::int32_t>::max()) {
        n = std::numeric_limits<std::int32_t>::max();
    }
    return static_cast<std::int32_t>(n);
}

// [SECTION] Records

struct LineValues {
    // Keys a line may carry; absent ones stay 0.
    std::int32_t outline = 0, lineHeight = 0, base = 0, scaleW = 0, scaleH = 0, pages = 0,
                 packed = 0, id = 0, x = 0, y = 0, width = 0, height = 0, xoffset = 0, yoffset = 0,
                 xadvance = 0, page = 0, chnl = 0, first = 0, second = 0, amount = 0;
    std::string_view file;
    bool hasFile = false;
};

struct KeySlot {
    const char* key;
    std::int32_t LineValues::*field;
};

constexpr KeySlot kKeys[] = {
    {"outline", &LineValues::outline},
    {"lineHeight", &LineValues::lineHeight},
    {"base", &LineValues::base},
    {"scaleW", &LineValues::scaleW},
    {"scaleH", &LineValues::scaleH},
    {"pages", &LineValues::pages},
    {"packed", &LineValues::packed},
    {"id", &LineValues::id},
    {"x", &LineValues::x},
    {"y", &LineValues::y},
    {"width", &LineValues::width},
    {"height", &LineValues::height},
    {"xoffset", &LineValues::xoffset},
    {"yoffset", &LineValues::yoffset},
    {"xadvance", &LineValues::xadvance},
    {"page", &LineValues::page},
    {"chnl", &LineValues::chnl},
    {"first", &LineValues::first},
    {"second", &LineValues::second},
    {"amount", &LineValues::amount},
};

void StoreValue(LineValues& values, std::string_view key, std::string_view value) {
    if (key == "file") {
        values.file = value;
        values.hasFile = true;
        return;
    }
    for (const KeySlot& slot : kKeys) {
        if (key == slot.key) {
            values.*slot.field = ParseInt(value);
            return;
        }
    }
}

// A file value must be a quoted name with at least one character inside.
bool UnquoteFileName(std::string_view value, std::string& name) {
    if (value.size() < 3 || value.front() != '"' || value.back() != '"') {
        return false;
    }
    name.assign(value.substr(1, value.size() - 2));
    return true;
}

}  // namespace

// [SECTION] Loader

std::int32_t CFontLoaderTextFormat::Load() {
    while (!reader->AtEnd()) {
        const std::uint8_t* rest = reader->cursor;
        std::uint32_t length = 0;
        while (length < reader->Remaining() && rest[length] != '\n') {
            ++length;
        }
        const std::uint8_t* line = nullptr;
        reader->ReadBytes(length, line);
        reader->Skip(1);  // the line feed, when there is one
        InterpretLine(std::string_view(reinterpret_cast<const char*>(line), length));
    }
    return 0;
}

void CFontLoaderTextFormat::InterpretLine(std::string_view line) {
    std::size_t at = 0;
    SkipBlanks(line, at);
    const std::string_view tag = ReadToken(line, at);
    if (tag != "info" && tag != "common" && tag != "page" && tag != "char" && tag != "kerning") {
        return;
    }
    LineValues values;
    while (true) {
        SkipBlanks(line, at);
        const std::string_view key = ReadToken(line, at);
        SkipBlanks(line, at);
        if (at >= line.size() || line[at] != '=') {
            break;
        }
        ++at;
        SkipBlanks(line, at);
        StoreValue(values, key, ReadToken(line, at));
        if (at >= line.size()) {
            break;
        }
    }
    if (tag == "info") {
        outline = values.outline;
    } else if (tag == "common") {
        SetCommonInfo(values.lineHeight, values.base, values.scaleW, values.scaleH, values.pages,
                      values.packed);
    } else if (tag == "page") {
        std::string name;
        if (values.hasFile && UnquoteFileName(values.file, name)) {
            AddPage(values.id, name, fontFile);
        }
    } else if (tag == "char") {
        AddChar(values.id, values.x, values.y, values.width, values.height, values.xoffset,
                values.yoffset, values.xadvance, values.page, values.chnl);
    } else {
        AddKerningPair(values.first, values.second, values.amount);
    }
}

}  // namespace acGraphics
