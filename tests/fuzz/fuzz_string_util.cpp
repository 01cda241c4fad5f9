// Script text through the character-aware routines and the UTF conversions:
// the input is split into text, pattern and replacement at the first two
// NUL bytes; the first two bytes also give a start offset.
#include <cstddef>
#include <cstdint>
#include <string>

#include "qzware/win/qz_string_util.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string all(reinterpret_cast<const char*>(data), size);
    const std::size_t a = all.find('\0');
    const std::string text = all.substr(0, a);
    const std::string rest = a == std::string::npos ? std::string() : all.substr(a + 1);
    const std::size_t b = rest.find('\0');
    const std::string pattern = rest.substr(0, b);
    const std::string to = b == std::string::npos ? std::string() : rest.substr(b + 1);
    const std::int32_t start = size >= 2 ? std::int32_t(std::int16_t(data[0] | (data[1] << 8))) : 0;

    const std::int32_t at = SjisFind(text.c_str(), start, pattern.c_str());
    if (at >= 0 && (std::size_t(at) > text.size() ||
                    text.compare(std::size_t(at), pattern.size(), pattern) != 0)) {
        __builtin_trap();
    }
    if (SjisSlice(text.c_str(), start, std::int32_t(size)).size() > kQzSjisWorkBytes ||
        SjisReplace(text.c_str(), pattern.c_str(), to.c_str()).size() > kQzSjisWorkBytes) {
        __builtin_trap();
    }
    SjisStrlen(text.c_str());
    // Whatever the decoder makes of the bytes encodes back to the same code points.
    const std::wstring wide = QzUtf8ToWide(text);
    if (QzUtf8ToWide(QzWideToUtf8(wide)) != wide ||
        QzUtf8ToUtf16(QzUtf16ToUtf8(QzUtf8ToUtf16(text))) != QzUtf8ToUtf16(text)) {
        __builtin_trap();
    }
    return 0;
}
