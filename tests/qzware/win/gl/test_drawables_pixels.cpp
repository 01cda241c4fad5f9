// A sprite placed by its parent node and a line list, drawn through the
// OpenGL renderer into render target 0 (where every layer of a frame draws),
// land on the virtual-screen pixels their geometry names.
#include <gtest/gtest.h>

#include <memory>

#include "qzware/scene/iqz_texture.h"
#include "qzware/scene/qz_node.h"
#include "qzware/scene/qz_primitive.h"
#include "qzware/scene/qz_sprite.h"
#include "tests/support/gl_test_context.h"

namespace {

// Virtual-screen (x, y down) to a read-back row of the 720-high target.
gl_test::Pixel At(int x, int y) {
    return gl_test::ReadPixel(x, 719 - y);
}

TEST(DrawablePixels, SpriteAndLineLandWhereTheirGeometrySays) {
    QZW::Win::CQzGraphicsGL2* g = gl_test::Renderer();
    ASSERT_NE(g, nullptr);
    std::unique_ptr<QZW::IQzTexture> red(gl_test::MakeTexel(255, 0, 0, 255));
    g->SetFrameBuffer(0);
    g->Clear(0, 0, 64, 255);
    g->SetViewport(0, 0, 1280, 720, 0.1f, 1000.0f);
    g->SetOrthoProjection();

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

    struct Probe {
        const char* what;
        int x, y;
        int r, gg, b;
    } const probes[] = {
        {"sprite centre", 300, 200, 255, 0, 0},       {"sprite top-left", 251, 176, 255, 0, 0},
        {"sprite bottom-right", 348, 223, 255, 0, 0}, {"left of sprite", 246, 200, 0, 0, 64},
        {"below sprite", 300, 229, 0, 0, 64},         {"line middle", 600, 500, 0, 255, 0},
        {"line start", 402, 500, 0, 255, 0},          {"above line", 600, 497, 0, 0, 64},
        {"past line end", 805, 500, 0, 0, 64},
    };
    for (const Probe& p : probes) {
        const gl_test::Pixel got = At(p.x, p.y);
        EXPECT_NEAR(got.r, p.r, 1) << p.what;
        EXPECT_NEAR(got.g, p.gg, 1) << p.what;
        EXPECT_NEAR(got.b, p.b, 1) << p.what;
    }
}

}  // namespace
