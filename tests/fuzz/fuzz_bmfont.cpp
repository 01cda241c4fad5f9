// Fuzzes the bitmap font loaders. The first input byte picks the form: odd
// feeds the rest behind a binary "BMF" 3 header, even feeds it as it is
// (text, or binary when it starts with "BMF" itself). Pages get a null owner.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "qzware/scene/bitmap_font.h"

// The loaders report every refused file on stdout; keep the fuzzer quiet.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    return std::freopen("/dev/null", "w", stdout) ? 0 : 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0 || size > (1u << 20)) {
        return 0;
    }
    std::vector<std::uint8_t> file;
    if (data[0] & 1) {
        file = {'B', 'M', 'F', 3};
    }
    file.insert(file.end(), data + 1, data + size);
    file.shrink_to_fit();
    acGraphics::CBitmapFont font;
    font.InitFromMemory(nullptr, "font/fuzz.fnt", file.data(),
                        static_cast<std::uint32_t>(file.size()));
    // Walk what was loaded the way the layout does.
    std::int64_t sum = 0;
    for (const auto& [id, glyph] : font.glyphs) {
        const acGraphics::SGlyph* g = font.GetChar(id);
        sum += g->xadvance + font.GetKerning(id, id ^ 1);
        sum += font.GetPageMaterial(glyph.page) != nullptr;
    }
    return sum == -1 ? 0 : 0;
}
