// When the renderer's render targets get their colour images, in a test
// program of their own so that no other test has drawn into a target first:
// a frame of only clears makes no image for the targets that are only
// cleared, yet each one reads as its clear colour once drawn into and
// samples as that colour before. The same with the skips off, where every
// clear is real.
#include <gtest/gtest.h>

#include <string>

#include "qzware/scene/iqz_frame_buffer.h"
#include "qzware/scene/iqz_texture.h"
#include "tests/support/gl_test_context.h"

namespace {

using gl_test::ImageWidth;

using gl_test::Pixel;

std::string Describe(const Pixel& p) {
    return "(" + std::to_string(p.r) + ", " + std::to_string(p.g) + ", " + std::to_string(p.b) +
           ", " + std::to_string(p.a) + ")";
}

bool Is(const Pixel& p, int r, int g, int b, int a) {
    return p.r == r && p.g == g && p.b == b && p.a == a;
}

// Target `source` drawn whole with program 1 over the middle 200 x 200 of
// target 0, blending off; then target 0's pixel at the middle.
Pixel SampledThroughTarget0(QZW::Win::CQzGraphicsGL2* g, int source) {
    g->SetFrameBuffer(0);
    g->SetViewport(0, 0, 1280, 720, 0.1f, 1000.0f);
    g->SetOrthoProjection();
    g->UseShader(1);
    g->SetTexOffset(0, 0);
    g->DisableBlend();
    g->DisableDepthTest();
    g->SetTexture(g->GetFrameBuffer(source)->GetTexture(), 0);
    g->DrawRect(540, 260, 200, 200, 255, 255, 255, 255, 0.0f);
    g->SetTexture(nullptr, 0);
    return gl_test::ReadPixel(640, 360);
}

TEST(TargetImages, TargetsOnlyClearedHoldNoImageAndReadAsTheirClearColour) {
    QZW::Win::CQzGraphicsGL2* g = gl_test::Renderer();
    ASSERT_NE(g, nullptr);
    g->SetRenderSkips(true);
    gl_test::SetReportedClientSize(1280, 720);
    g->BeginFrame();
    g->EndFrame();
    // Target 0 is bound at every frame's start (its depth is cleared).
    EXPECT_GT(ImageWidth(g->GetFrameBuffer(0)->GetTexture()), 0);
    // At most a one-texel stand-in (the window copy binds target 13).
    for (int target : {2, 3, 4, 10, 11, 12, 13}) {
        EXPECT_LE(ImageWidth(g->GetFrameBuffer(target)->GetTexture()), 1)
            << "target " << target << " was only cleared, yet has its image";
    }

    g->BeginFrame();
    // Target 4 is cleared to white each frame: sampled while it has no
    // image, it reads white, not the black of a texture without one.
    const Pixel sampled = SampledThroughTarget0(g, 4);
    EXPECT_TRUE(Is(sampled, 255, 255, 255, 255)) << "target 4 sampled: " << Describe(sampled);
    EXPECT_EQ(ImageWidth(g->GetFrameBuffer(4)->GetTexture()), 1)
        << "sampling needs a one-texel stand-in, not the whole target's image";
    // Drawn into, target 3 gets its image, white where nothing is drawn.
    g->SetFrameBuffer(3);
    g->SetViewport(0, 0, 1024, 1024, 0.1f, 1000.0f);
    g->SetOrthoProjection();
    g->UseShader(5);
    g->DisableBlend();
    g->DisableDepthTest();
    g->DrawRect(100, 100, 50, 50, 10, 200, 30, 255, 0.0f);
    EXPECT_EQ(ImageWidth(g->GetFrameBuffer(3)->GetTexture()), 1024);
    const Pixel corner = gl_test::ReadPixel(1000, 10);
    EXPECT_TRUE(Is(corner, 255, 255, 255, 255)) << "target 3 beside the draw: " << Describe(corner);
    g->EndFrame();

    // The skips off clear every target for real: the same colours.
    g->SetRenderSkips(false);
    g->BeginFrame();
    const Pixel real = SampledThroughTarget0(g, 4);
    EXPECT_TRUE(Is(real, sampled.r, sampled.g, sampled.b, sampled.a))
        << "with every clear done: " << Describe(real) << ", put off: " << Describe(sampled);
    EXPECT_EQ(ImageWidth(g->GetFrameBuffer(4)->GetTexture()), 256);
    g->EndFrame();
    g->SetRenderSkips(true);
}

}  // namespace
