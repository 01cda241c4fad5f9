// Script nodes through the OpenGL renderer into render target 0: a sprite
// tree batched by a sprite buffer (two materials, a child placed by its
// parent, a scaled sprite and a text node inside the batch) and a text node
// drawing its own mesh land on the virtual-screen pixels their nodes name.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "proj/nodes/sq_font.h"
#include "proj/nodes/sq_material.h"
#include "proj/nodes/sq_sprite.h"
#include "proj/nodes/sq_sprite_buffer.h"
#include "qzware/common/qz_mem.h"
#include "qzware/scene/bitmap_font.h"
#include "qzware/scene/iqz_texture.h"
#include "qzware/scene/qz_material.h"
#include "qzware/scene/resource_manager.h"
#include "tests/support/gl_test_context.h"

namespace {

using QZW::CSqFont;
using QZW::CSqMaterial;
using QZW::CSqSprite;

gl_test::Pixel At(int x, int y) {
    return gl_test::ReadPixel(x, 719 - y);
}

struct Probe {
    const char* what;
    int x, y;
    int r, g, b;
};

// A one-glyph font ("A": 20 x 24, advance 30, base 24) on a white page.
class WhitePageFont : public acGraphics::IFontOwner {
public:
    bool ReadFontFile(const std::string&, std::vector<std::uint8_t>& bytes) override {
        const std::string text =
            "common lineHeight=32 base=24 scaleW=1 scaleH=1 pages=1 packed=0\n"
            "page id=0 file=\"white.tga\"\n"
            "char id=65 x=0 y=0 width=20 height=24 xoffset=0 yoffset=0 xadvance=30 page=0\n";
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

TEST(NodePixels, ABatchedSpriteTreeAndTextLandWhereTheirNodesSay) {
    QZW::Win::CQzGraphicsGL2* g = gl_test::Renderer();
    ASSERT_NE(g, nullptr);
    ASSERT_TRUE(QzMemManagerCreate());
    WhitePageFont owner;
    QZW::CResourceManager::GetInstance()->SetServices(g, &owner);
    {
        std::unique_ptr<QZW::IQzTexture> red(gl_test::MakeTexel(255, 0, 0, 255));
        std::unique_ptr<QZW::IQzTexture> green(gl_test::MakeTexel(0, 255, 0, 255));
        CSqMaterial redMaterial, greenMaterial;
        for (CSqMaterial* m : {&redMaterial, &greenMaterial}) {
            m->shaderType = 1;
        }
        redMaterial.PutTexture(0, red.get());
        greenMaterial.PutTexture(0, green.get());

        // Buffer at (0, 0): a red 100 x 50 sprite at (200, 100) with a green
        // 40 x 40 child 150 to its right, a red 60 x 60 sprite at (500, 300)
        // scaled twice in x, and "AA" at (100, 400).
        QZW::CSqSpriteBuffer buffer;
        ASSERT_TRUE(buffer.Create(16));
        CSqSprite parent, child, wide;
        parent.sprite->SetSprite(100, 50, 0, 0, 1, 1, 0xFFFFFFFFu, red.get());
        parent.SetMaterial(&redMaterial);
        parent.SetPos(200, 100, 0);
        child.sprite->SetSprite(40, 40, 0, 0, 1, 1, 0xFFFFFFFFu, green.get());
        child.SetMaterial(&greenMaterial);
        child.SetPos(150, 0, 0);
        parent.PushBack(&child);
        wide.sprite->SetSprite(60, 60, 0, 0, 1, 1, 0xFFFFFFFFu, red.get());
        wide.SetMaterial(&redMaterial);
        wide.SetPos(500, 300, 0);
        wide.SetScale(2, 1, 1);
        CSqFont batchedText;
        batchedText.LoadFont("font/t.fnt");
        batchedText.SetText("AA");
        batchedText.SetPos(100, 400, 0);
        buffer.PushBack(&parent);
        buffer.PushBack(&wide);
        buffer.PushBack(&batchedText);

        // A yellow "A" drawing its own mesh at (800, 600).
        CSqFont text;
        text.LoadFont("font/t.fnt");
        text.SetText("A");
        text.SetColor(255, 255, 0, 255);
        text.SetPos(800, 600, 0);

        g->SetFrameBuffer(0);
        g->Clear(0, 0, 64, 255);
        g->SetViewport(0, 0, 1280, 720, 0.1f, 1000.0f);
        g->SetOrthoProjection();
        QZW::CQzNode::DrawTree(&buffer, g);
        QZW::CQzNode::DrawTree(&text, g);

        const Probe probes[] = {
            {"red parent", 250, 125, 255, 0, 0},
            {"red parent's last column", 298, 148, 255, 0, 0},
            {"between parent and child", 320, 110, 0, 0, 64},
            {"green child", 370, 120, 0, 255, 0},
            {"below the child", 370, 145, 0, 0, 64},
            {"wide sprite, past its unscaled width", 600, 330, 255, 0, 0},
            {"past the wide sprite", 625, 330, 0, 0, 64},
            {"first batched glyph", 110, 390, 255, 255, 255},
            {"second batched glyph", 140, 390, 255, 255, 255},
            {"between the glyphs", 125, 390, 0, 0, 64},
            {"own yellow glyph", 810, 590, 255, 255, 0},
            {"right of the glyph", 825, 590, 0, 0, 64},
        };
        for (const Probe& p : probes) {
            const gl_test::Pixel got = At(p.x, p.y);
            EXPECT_NEAR(got.r, p.r, 1) << p.what;
            EXPECT_NEAR(got.g, p.g, 1) << p.what;
            EXPECT_NEAR(got.b, p.b, 1) << p.what;
        }
    }
    QZW::CResourceManager::GetInstance()->ReleaseAll();
    QZW::CResourceManager::GetInstance()->SetServices(nullptr, nullptr);
    QzMemManagerDestroy();
}

}  // namespace
