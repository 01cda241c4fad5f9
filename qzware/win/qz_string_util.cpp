#include "qzware/win/qz_string_util.h"

#include <cstdio>
#include <cstring>

#include "platform/debug/debug.h"

namespace {

constexpr const char* kOverflowLine = "Buffer OverFlow at OutputLog!\n";

// [SECTION] Character stepping

bool IsContinuation(unsigned char b) {
    return (b & 0xC0) == 0x80;
}

// Length of the character at p (n bytes left, n >= 1). A byte that does not
// start a whole sequence is a character of one byte, so walks always advance.
std::size_t CharStep(const unsigned char* p, std::size_t n) {
    const unsigned char b = p[0];
    std::size_t len = 1;
    if (b < 0x80) {
        return 1;
    } else if ((b & 0xE0) == 0xC0 && (b & 0x1F) >= 2) {
        len = 2;
    } else if ((b & 0xF0) == 0xE0) {
        len = 3;
    } else if ((b & 0xF8) == 0xF0) {
        len = 4;
    } else {
        return 1;
    }
    if (n < len) {
        return 1;
    }
    for (std::size_t i = 1; i < len; ++i) {
        if (!IsContinuation(p[i])) {
            return 1;
        }
    }
    return len;
}

// Where to cut `p` so that at most `room` bytes stay and no character is
// split (p[room] exists). A run of stray continuation bytes is cut anywhere.
std::size_t BoundaryCut(const char* p, std::size_t room) {
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    std::size_t k = room;
    for (int i = 0; i < 3 && k > 0 && IsContinuation(u[k]); ++i) {
        --k;
    }
    return IsContinuation(u[k]) ? room : k;
}

// The slice and replace work buffer: kQzSjisWorkBytes and a NUL.
class WorkBuffer {
public:
    void Append(const char* p, std::size_t n) {
        if (full_) {
            return;
        }
        const std::size_t room = kQzSjisWorkBytes - len_;
        if (n > room) {
            n = BoundaryCut(p, room);
            full_ = true;
        }
        std::memcpy(buf_ + len_, p, n);
        len_ += n;
    }
    bool Full() const { return full_; }
    std::string Take() const { return std::string(buf_, len_); }

private:
    char buf_[kQzSjisWorkBytes + 1] = {};
    std::size_t len_ = 0;
    bool full_ = false;
};

// [SECTION] UTF-8 decoding and encoding

constexpr char32_t kReplacement = 0xFFFD;

// One code point from p (n >= 1 bytes left): the bytes used, at least 1.
std::size_t DecodeUtf8(const unsigned char* p, std::size_t n, char32_t* out) {
    std::size_t length = 1;
    const std::int32_t c = QzDecodeUtf8Sequence(p, n, &length);
    *out = c < 0 ? kReplacement : char32_t(c);
    return length;
}

bool IsScalar(char32_t c) {
    return c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF);
}

void EncodeUtf8(char32_t c, std::string* out) {
    if (!IsScalar(c)) {
        c = kReplacement;
    }
    if (c < 0x80) {
        out->push_back(char(c));
    } else if (c < 0x800) {
        out->push_back(char(0xC0 | (c >> 6)));
        out->push_back(char(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out->push_back(char(0xE0 | (c >> 12)));
        out->push_back(char(0x80 | ((c >> 6) & 0x3F)));
        out->push_back(char(0x80 | (c & 0x3F)));
    } else {
        out->push_back(char(0xF0 | (c >> 18)));
        out->push_back(char(0x80 | ((c >> 12) & 0x3F)));
        out->push_back(char(0x80 | ((c >> 6) & 0x3F)));
        out->push_back(char(0x80 | (c & 0x3F)));
    }
}

// Calls emit(code point) for every code point of the UTF-8 text up to its
// first NUL.
template <typename Emit>
void WalkUtf8(const std::string& text, Emit emit) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = std::strlen(text.c_str());
    for (std::size_t i = 0; i < n;) {
        char32_t c;
        i += DecodeUtf8(p + i, n - i, &c);
        emit(c);
    }
}

// [SECTION] Calendar

bool IsLeap(std::int64_t y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DaysInMonth(std::int64_t y, int m) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

// Days from 1970-01-01 to the civil date (proleptic Gregorian).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = unsigned(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + std::int64_t(doe) - 719468;
}

// SystemTimeToFileTime: 100 ns ticks since 1601-01-01; false for a time
// that routine refuses.
bool ToFileTime(const platform::win32::SYSTEMTIME& t, std::uint64_t* ticks) {
    if (t.wYear < 1601 || t.wYear > 30827 || t.wMonth < 1 || t.wMonth > 12 || t.wDay < 1 ||
        t.wDay > DaysInMonth(t.wYear, t.wMonth) || t.wHour > 23 || t.wMinute > 59 ||
        t.wSecond > 59 || t.wMilliseconds > 999) {
        return false;
    }
    const std::int64_t days = DaysFromCivil(t.wYear, t.wMonth, t.wDay) - DaysFromCivil(1601, 1, 1);
    const std::uint64_t seconds =
        std::uint64_t(days) * 86400u + t.wHour * 3600u + t.wMinute * 60u + t.wSecond;
    *ticks = seconds * 10000000u + t.wMilliseconds * 10000u;
    return true;
}

}  // namespace

// [SECTION] Character-aware routines

std::string SjisSlice(const char* text, std::int32_t start, std::int32_t length) {
    if (!text || start < 0 || length <= 0) {
        return std::string();
    }
    const std::size_t total = std::strlen(text);
    if (std::size_t(start) > total) {
        return std::string();
    }
    const std::size_t rest = total - std::size_t(start);
    WorkBuffer out;
    out.Append(text + start, std::size_t(length) < rest ? std::size_t(length) : rest);
    return out.Take();
}

std::int32_t SjisStrlen(const char* text) {
    if (!text) {
        return 0;
    }
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    const std::size_t n = std::strlen(text);
    std::int64_t count = 0;
    for (std::size_t i = 0; i < n; i += CharStep(p + i, n - i)) {
        count += 2;
    }
    return count > INT32_MAX ? INT32_MAX : std::int32_t(count);
}

std::int32_t SjisFind(const char* text, std::int32_t start, const char* pattern) {
    if (!text || !pattern || start < 0) {
        return -1;
    }
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    const std::size_t n = std::strlen(text);
    const std::size_t m = std::strlen(pattern);
    if (std::size_t(start) > n || n > std::size_t(INT32_MAX)) {
        return -1;
    }
    for (std::size_t i = std::size_t(start);; i += CharStep(p + i, n - i)) {
        if (n - i < m) {
            return -1;
        }
        if (std::memcmp(text + i, pattern, m) == 0) {
            return std::int32_t(i);
        }
    }
}

std::string SjisReplace(const char* text, const char* from, const char* to) {
    if (!text) {
        return std::string();
    }
    WorkBuffer out;
    if (!from || !*from) {
        out.Append(text, std::strlen(text));
        return out.Take();
    }
    const std::size_t fromLen = std::strlen(from);
    const std::size_t toLen = to ? std::strlen(to) : 0;
    const char* rest = text;
    while (!out.Full()) {
        const std::int32_t at = SjisFind(rest, 0, from);
        if (at < 0) {
            break;
        }
        out.Append(rest, std::size_t(at));
        out.Append(to ? to : "", toLen);
        rest += std::size_t(at) + fromLen;
    }
    out.Append(rest, std::strlen(rest));
    return out.Take();
}

// [SECTION] Formatting and scanning

bool QzFormatToBuffer(char* buffer, std::size_t size, const char* format, ...) {
    if (!buffer || size == 0 || !format) {
        return false;
    }
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(buffer, size, format, args);
    va_end(args);
    if (n < 0 || std::size_t(n) >= size) {
        platform::debug::output(kOverflowLine);
        return false;
    }
    return true;
}

std::string QzFormatString(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string s = QzFormatStringV(format, args);
    va_end(args);
    return s;
}

std::string QzFormatStringV(const char* format, va_list args) {
    if (!format) {
        return std::string();
    }
    va_list measure;
    va_copy(measure, args);
    const int n = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (n < 0 || std::size_t(n) > kQzFormatStringBytes) {
        platform::debug::output(kOverflowLine);
        return std::string();
    }
    std::string s(std::size_t(n), '\0');
    std::vsnprintf(s.data(), s.size() + 1, format, args);
    return s;
}

std::int32_t QzScanString(const char* text, const char* format, ...) {
    if (!text || !*text || !format || !*format) {
        return -1;
    }
    va_list args;
    va_start(args, format);
    const int n = std::vsscanf(text, format, args);
    va_end(args);
    return n;
}

// [SECTION] Unicode conversion

std::int32_t QzDecodeUtf8Sequence(const unsigned char* p, std::size_t n, std::size_t* length) {
    *length = 1;
    if (n == 0) {
        return -1;
    }
    const unsigned char b = p[0];
    if (b < 0x80) {
        return b;
    }
    std::size_t len;
    std::uint32_t c;
    std::uint32_t least;
    if ((b & 0xE0) == 0xC0) {
        len = 2, c = b & 0x1F, least = 0x80;
    } else if ((b & 0xF0) == 0xE0) {
        len = 3, c = b & 0x0F, least = 0x800;
    } else if ((b & 0xF8) == 0xF0) {
        len = 4, c = b & 0x07, least = 0x10000;
    } else {
        return -1;
    }
    if (n < len) {
        return -1;
    }
    for (std::size_t i = 1; i < len; ++i) {
        if (!IsContinuation(p[i])) {
            return -1;
        }
        c = (c << 6) | (p[i] & 0x3F);
    }
    if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        return -1;
    }
    *length = len;
    return std::int32_t(c);
}

std::wstring QzUtf8ToWide(const std::string& text) {
    static_assert(sizeof(wchar_t) == 4, "wide text is UTF-32 on this platform");
    std::wstring out;
    WalkUtf8(text, [&](char32_t c) { out.push_back(wchar_t(c)); });
    return out;
}

std::u16string QzUtf8ToUtf16(const std::string& text) {
    std::u16string out;
    WalkUtf8(text, [&](char32_t c) {
        if (c < 0x10000) {
            out.push_back(char16_t(c));
        } else {
            c -= 0x10000;
            out.push_back(char16_t(0xD800 + (c >> 10)));
            out.push_back(char16_t(0xDC00 + (c & 0x3FF)));
        }
    });
    return out;
}

std::string QzWideToUtf8(const std::wstring& text) {
    std::string out;
    for (const wchar_t w : text) {
        if (w == 0) {
            break;
        }
        EncodeUtf8(char32_t(std::uint32_t(w)), &out);
    }
    return out;
}

std::string QzUtf16ToUtf8(const std::u16string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size() && text[i] != 0; ++i) {
        const char32_t u = text[i];
        const bool high = u >= 0xD800 && u <= 0xDBFF;
        if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            EncodeUtf8(0x10000 + ((u - 0xD800) << 10) + (text[i + 1] - 0xDC00), &out);
            ++i;
        } else {
            EncodeUtf8(u, &out);  // a lone surrogate becomes U+FFFD
        }
    }
    return out;
}

std::string QzInputTextToUtf8(const std::u16string& text) {
    return QzUtf16ToUtf8(text);
}

// [SECTION] Time

std::uint64_t QzSystemTimeDiff(const platform::win32::SYSTEMTIME& a,
                               const platform::win32::SYSTEMTIME& b) {
    std::uint64_t ta = 0;
    std::uint64_t tb = 0;
    if (!ToFileTime(a, &ta) || !ToFileTime(b, &tb)) {
        return 0;
    }
    return tb - ta;
}
