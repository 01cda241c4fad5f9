// libFuzzer target: DDS header analysis on arbitrary bytes. Every level it
// accepts is read whole, so a range past the input's end trips ASan.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "qzware/win/qz_texture_formats.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace QZW::Win;
    QzDdsInfo info;
    if (QzDdsParse(data, size, &info) != QzDdsStatus::Ok) {
        return 0;
    }
    if (info.levelCount == 0 || info.levelCount > kQzTextureMaxLevels ||
        info.maxLevel != info.levelCount - 1) {
        std::abort();
    }
    volatile std::uint8_t sink = 0;
    for (std::uint32_t i = 0; i < info.levelCount; ++i) {
        const QzDdsLevel& l = info.levels[i];
        if (l.offset > size || l.size > size - l.offset || l.width == 0 || l.height == 0) {
            std::abort();
        }
        std::uint8_t sum = 0;
        for (std::uint64_t b = 0; b < l.size; ++b) {
            sum = std::uint8_t(sum + data[l.offset + b]);
        }
        sink = sink + sum;
    }
    return 0;
}
