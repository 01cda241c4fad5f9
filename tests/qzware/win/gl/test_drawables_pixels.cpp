// A sprite placed by its parent node, a line list, text laid out in a bitmap
// font and a mesh, drawn through the OpenGL renderer into render target 0
// (where every layer of a frame draws), land on the virtual-screen pixels
// their geometry names.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "qzware/scene/bitmap_font.h"
#include "qzware/scene/iqz_texture.h"
#include "qzware/scene/qz_material.h"
#include "qzware/scene/qz_mesh.h"
#include "qzware/scene/qz_node.h"
#include "qzware/scene/qz_primitive.h"
#include "qzware/scene/qz_sprite.h"
#include "tests/support/gl_test_context.h"

namespace {

// Virtual-screen (x, y down) to a read-back row of the 720-high target.
gl_test::Pixel At(int x, int y) {
    return gl_test::ReadPixel(x, 719 - y);
}

struct Probe {
    const char* what;
    int x, y;
    int r, gg, b;
};

void ExpectPixels(std::initializer_list<Probe> probes) {
    for (const Probe& p : probes) {
        const gl_test::Pixel got = At(p.x, p.y);
        EXPECT_NEAR(got.r, p.r, 1) << p.what;
        EXPECT_NEAR(got.g, p.gg, 1) << p.what;
        EXPECT_NEAR(got.b, p.b, 1) << p.what;
    }
}

void BeginTarget0(QZW::Win::CQzGraphicsGL2* g) {
    g->SetFrameBuffer(0);
    g->Clear(0, 0, 64, 255);
    g->SetViewport(0, 0, 1280, 720, 0.1f, 1000.0f);
    g->SetOrthoProjection();
}

// A one-glyph text font ("A": 20 x 24, advance 30, base 24) whose page is a
// white texel, served the way the engine draw task serves real fonts.
class WhitePageFont : public acGraphics::IFontOwner {
public:
    bool ReadFontFile(const std::string&, std::vector<std::uint8_t>& bytes) override {
        const std::string text =
            "info face=\"T\" size=24\n"
            "common lineHeight=32 base=24 scaleW=1 scaleH=1 pages=1 packed=0\n"
            "page id=0 file=\"white.tga\"\n"
            "chars count=1\n"
            "char id=65 x=0 y=0 width=20 height=24 xoffset=0 yoffset=0 xadvance=30 page=0 "
            "chnl=15\n";
        bytes.assign(text.begin(), text.end());
        return true;
    }
    acGraphics::SFontPage LoadFontPage(const std::string&) override {
        acGraphics::SFontPage page;
        page.texture = white.get();
        page.material = std::make_shared<QZW::CQzMaterial>(1);
        page.material->SetTexture(0, page.texture);
        return page;
    }
    std::unique_ptr<QZW::IQzTexture> white{gl_test::MakeTexel(255, 255, 255, 255)};
};

TEST(DrawablePixels, SpriteAndLineLandWhereTheirGeometrySays) {
    QZW::Win::CQzGraphicsGL2* g = gl_test::Renderer();
    ASSERT_NE(g, nullptr);
    std::unique_ptr<QZW::IQzTexture> red(gl_test::MakeTexel(255, 0, 0, 255));
    BeginTarget0(g);

    // A 100 x 50 sprite centred (align 4) on its parent's origin (300, 200).
    QZW::CQzMatrixNode parent;
    parent.matrix.TransrateMatrix(300, 200, 0);
    QZW::CQzSprite sprite;
    sprite.SetSprite(100, 50, 0, 0, 1, 1, 0xFFFFFFFFu, red.get());
    sprite.SetAlign(4);
    parent.AppendChild(&sprite);
    QZW::CQzNode::DrawTree(&parent, g);

    // A green horizontal line across y = 500 from x 400 to 800, drawn with the
    // flat-colour program as a layer's environment would select it.
    g->UseShader(5);
    QZW::CQzPrimLineList lines;
    lines.AppendLine({400, 500.5f, 0}, {800, 500.5f, 0}, 0xFF00FF00u);
    QZW::CQzNode::DrawTree(&lines, g);

    ExpectPixels({
        {"sprite centre", 300, 200, 255, 0, 0},
        {"sprite top-left", 251, 176, 255, 0, 0},
        {"sprite bottom-right", 348, 223, 255, 0, 0},
        {"left of sprite", 246, 200, 0, 0, 64},
        {"below sprite", 300, 229, 0, 0, 64},
        {"line middle", 600, 500, 0, 255, 0},
        {"line start", 402, 500, 0, 255, 0},
        {"above line", 600, 497, 0, 0, 64},
        {"past line end", 805, 500, 0, 0, 64},
    });
}

TEST(DrawablePixels, TextAndMeshLandWhereTheirLayoutSays) {
    QZW::Win::CQzGraphicsGL2* g = gl_test::Renderer();
    ASSERT_NE(g, nullptr);
    BeginTarget0(g);

    // "AA" on the baseline y = 400 from x = 100: glyphs cover x 100-120 and
    // 130-150, y 376-400 (top = baseline - base).
    WhitePageFont owner;
    acGraphics::CBitmapFont font;
    ASSERT_EQ(1, font.Init(&owner, "font/t.fnt"));
    QZW::CQzMesh text;
    font.Write(&text, 0.0f, "AA", 0, 100.0f, 400.0f);
    QZW::CQzNode::DrawTree(&text, g);

    // A yellow quad from (600, 100) to (700, 180) as two indexed triangles,
    // coloured per vertex under the flat-colour program.
    const QZW::Vector3 corners[4] = {{600, 100, 0}, {700, 100, 0}, {700, 180, 0}, {600, 180, 0}};
    const QZW::Color yellow[4] = {
        {255, 255, 0, 255}, {255, 255, 0, 255}, {255, 255, 0, 255}, {255, 255, 0, 255}};
    const std::uint16_t indices[6] = {0, 1, 2, 0, 2, 3};
    QZW::CQzMaterial flat(5);
    QZW::CQzMesh mesh;
    mesh.SetVertexData(4, 6, corners, yellow, nullptr, nullptr, indices);
    mesh.SetMaterial(&flat);
    QZW::CQzNode::DrawTree(&mesh, g);

    ExpectPixels({
        {"first glyph", 110, 390, 255, 255, 255},
        {"second glyph", 140, 390, 255, 255, 255},
        {"between the glyphs", 125, 390, 0, 0, 64},
        {"above the glyphs", 110, 372, 0, 0, 64},
        {"past the text", 155, 390, 0, 0, 64},
        {"mesh centre", 650, 140, 255, 255, 0},
        {"mesh corner", 602, 102, 255, 255, 0},
        {"right of mesh", 705, 140, 0, 0, 64},
    });
}

}  // namespace
