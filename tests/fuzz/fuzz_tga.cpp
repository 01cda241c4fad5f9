// libFuzzer target: the TGA header check and pixel reorder on arbitrary bytes.
// Any read outside the input or write outside the output trips ASan.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "qzware/win/qz_texture_formats.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace QZW::Win;
    QzTgaInfo info;
    if (QzTgaParse(data, size, &info) != QzTgaStatus::Ok) {
        return 0;
    }
    // A parsed image must fit in the input it came from.
    const std::uint64_t fileBytes =
        std::uint64_t(info.width) * info.height * info.fileBytesPerPixel;
    if (kQzTgaHeaderSize + fileBytes > size) {
        std::abort();
    }
    if (info.outputSize > (64u << 20)) {
        return 0;
    }
    std::vector<std::uint8_t> out(info.outputSize);
    if (!QzTgaDecode(data, size, out.data(), out.size())) {
        std::abort();
    }
    return 0;
}
