// Fuzzes the bitmap font loaders. The first input byte picks the form: odd
// feeds the rest behind a binary "BMF" 3 header, even feeds it as it is
// (text, or binary when it starts with "BMF" itself). Pages get a null owner;
// the input's last bytes are then laid out as text with the loaded font.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "qzware/scene/bitmap_font.h"
#include "qzware/scene/qz_material.h"
#include "qzware/scene/qz_mesh.h"
#include "qzware/scene/qz_vector.h"

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
    // Materials for a few pages, so that the writers reach their quads.
    if (font.pageMaterials.size() <= 8) {
        for (auto& material : font.pageMaterials) {
            material = std::make_shared<QZW::CQzMaterial>(1);
        }
    }
    const std::size_t tail = size - 1 < 96 ? size - 1 : 96;
    const std::string text(reinterpret_cast<const char*>(data + size - tail), tail);
    font.limitLength = (data[0] & 2) ? std::int32_t(data[size - 1]) : -1;
    font.scale = (data[0] & 4) ? 0.5f : 1.0f;
    sum += static_cast<std::int64_t>(font.MeasureText(text.c_str()));
    QZW::CQzMesh mesh;
    font.Write(&mesh, 0.0f, text.c_str(), data[0] >> 6, 10.0f, 20.0f);
    QZW::Vector3 positions[48];
    QZW::Vector2 uvs[48];
    std::int32_t count = 0;
    font.WriteBox(positions, uvs, 0.0f, text.c_str(), (data[0] >> 4) & 3, &count, 48, 0.0f);
    sum += count + static_cast<std::int64_t>(mesh.GetBlock(1).positions.size());
    return sum == -1 ? 0 : 0;
}
