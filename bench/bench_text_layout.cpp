// CPU time per frame to lay out 2,000 glyphs of bitmap-font text (40 lines of
// 50 characters, as 40 text nodes would) into one mesh and draw it through
// the OpenGL 2 renderer, in a hidden window; run under xvfb-run on llvmpipe.
// The font is made in code: 95 printable ASCII glyphs on one 128 x 64 page.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "bench/bench_renderer.h"
#include "qzware/scene/bitmap_font.h"
#include "qzware/scene/qz_material.h"
#include "qzware/scene/qz_mesh.h"

namespace {

constexpr int kLines = 40;
constexpr int kColumns = 50;
constexpr int kGlyphs = kLines * kColumns;

// Serves the one page: a white texture (null without a GL context, which
// leaves the font without a material, as the fill-only run wants none).
class PageOwner : public acGraphics::IFontOwner {
public:
    explicit PageOwner(QZW::IQzTexture* texture) : texture(texture) {}
    bool ReadFontFile(const std::string&, std::vector<std::uint8_t>&) override { return false; }
    acGraphics::SFontPage LoadFontPage(const std::string&) override {
        acGraphics::SFontPage page;
        page.texture = texture;
        if (texture != nullptr) {
            page.material = std::make_shared<QZW::CQzMaterial>(1);
            page.material->SetTexture(0, texture);
        }
        return page;
    }

private:
    QZW::IQzTexture* texture;
};

// Glyph i of 32..126 sits in 8 x 8 cell i - 32 (16 per row); a few kerning
// pairs so the layout looks them up as real fonts do.
std::string FontFile() {
    std::string text =
        "common lineHeight=10 base=8 scaleW=128 scaleH=64 pages=1 packed=0\n"
        "page id=0 file=\"page.tga\"\n";
    for (int id = 32; id < 127; ++id) {
        const int cell = id - 32;
        text += "char id=" + std::to_string(id) + " x=" + std::to_string(cell % 16 * 8) +
                " y=" + std::to_string(cell / 16 * 8) +
                " width=8 height=8 xoffset=0 yoffset=0 xadvance=8 page=0\n";
    }
    text += "kerning first=65 second=86 amount=-1\nkerning first=84 second=111 amount=-1\n";
    return text;
}

std::vector<std::string> Lines() {
    std::vector<std::string> lines;
    for (int l = 0; l < kLines; ++l) {
        std::string line;
        for (int c = 0; c < kColumns; ++c) {
            line += char(33 + (l * 7 + c) % 94);
        }
        lines.push_back(line);
    }
    return lines;
}

void Fill(acGraphics::CBitmapFont& font, QZW::CQzMesh& mesh, const std::vector<std::string>& lines,
          int frame) {
    const float shift = float(frame % 8);
    for (int l = 0; l < kLines; ++l) {
        font.Write(&mesh, 0.0f, lines[l].c_str(), l % 3, 640.0f + shift, 20.0f + l * 16.0f);
    }
}

bool LoadFont(acGraphics::CBitmapFont& font, PageOwner& owner) {
    const std::string file = FontFile();
    return font.InitFromMemory(&owner, "font/bench.fnt",
                               reinterpret_cast<const std::uint8_t*>(file.data()),
                               std::uint32_t(file.size())) == 1;
}

void Run(benchmark::State& state, bool finish) {
    QZW::Win::CQzGraphicsGL2* g = qz_bench::Renderer();
    if (g == nullptr) {
        state.SkipWithError("no GL context (run under xvfb-run -a)");
        return;
    }
    const std::unique_ptr<QZW::IQzTexture> texture = qz_bench::WhiteTexture(128, 64, "page");
    PageOwner owner(texture.get());
    acGraphics::CBitmapFont font;
    if (texture == nullptr || !LoadFont(font, owner)) {
        state.SkipWithError("the font could not be made");
        return;
    }
    const std::vector<std::string> lines = Lines();
    QZW::CQzMesh mesh;
    qz_bench::DrawFrames(state, g, finish, kGlyphs, [&](int frame) {
        Fill(font, mesh, lines, frame);
        mesh.Draw(g);
        mesh.PostDraw(g);
        mesh.Clear();
    });
}

void BM_Text2k(benchmark::State& state) {
    Run(state, false);
}
void BM_Text2k_Finish(benchmark::State& state) {
    Run(state, true);
}

// The layout alone (no renderer): conversion, line breaking, alignment,
// glyph lookups and the quad appends into a mesh whose arrays stay reserved.
void BM_Text2kFillOnly(benchmark::State& state) {
    // A stand-in page texture: only its identity is used, never dereferenced.
    static int token = 0;
    PageOwner owner(reinterpret_cast<QZW::IQzTexture*>(&token));
    acGraphics::CBitmapFont font;
    if (!LoadFont(font, owner)) {
        state.SkipWithError("the font could not be made");
        return;
    }
    const std::vector<std::string> lines = Lines();
    QZW::CQzMesh mesh;
    int frame = 0;
    for (auto _ : state) {
        Fill(font, mesh, lines, frame++);
        benchmark::DoNotOptimize(mesh.GetBlock(1).positions.data());
        if (mesh.GetBlock(1).positions.size() != std::size_t(kGlyphs) * 4) {
            state.SkipWithError("the layout did not write every glyph");
            return;
        }
        mesh.Clear();
    }
    state.SetItemsProcessed(state.iterations() * kGlyphs);
}

BENCHMARK(BM_Text2kFillOnly)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Text2k)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Text2k_Finish)->Unit(benchmark::kMicrosecond);

}  // namespace
