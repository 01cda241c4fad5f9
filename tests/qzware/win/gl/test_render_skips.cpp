// The renderer's skips against a real context, frame after frame: what a
// frame drew into a target is cleared by the next one, a script's clear to
// another colour is undone by the next frame's clear, depth written in one
// frame is cleared for the next, and blank targets are reported only while
// the skips are on.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <random>
#include <vector>

#include "qzware/scene/iqz_frame_buffer.h"
#include "qzware/scene/iqz_texture.h"
#include "tests/support/gl_test_context.h"
#include "tests/support/test_seed.h"

namespace {

using gl_test::Pixel;

bool Is(const Pixel& p, int r, int g, int b, int a) {
    return p.r == r && p.g == g && p.b == b && p.a == a;
}

std::string Describe(const Pixel& p) {
    return "(" + std::to_string(p.r) + ", " + std::to_string(p.g) + ", " + std::to_string(p.b) +
           ", " + std::to_string(p.a) + ")";
}

// An opaque flat rectangle over the middle of `target`.
void DrawInto(QZW::Win::CQzGraphicsGL2* g, int target, bool depth) {
    g->SetFrameBuffer(target);
    g->SetViewport(0, 0, 1280, 720, 0.1f, 1000.0f);
    g->SetOrthoProjection();
    g->UseShader(5);
    g->DisableBlend();
    if (depth) {
        g->EnableDepthTest();
        g->EnableDepthWrite();
    } else {
        g->DisableDepthTest();
    }
    g->DrawRect(540, 260, 200, 200, 10, 200, 30, 255, 0.0f);
}

Pixel Middle(QZW::Win::CQzGraphicsGL2* g, int target) {
    g->SetFrameBuffer(target);
    return gl_test::ReadPixel(640, 360);
}

TEST(RenderSkipsGl, WhatAFrameDrewIsClearedByTheNext) {
    QZW::Win::CQzGraphicsGL2* g = gl_test::Renderer();
    ASSERT_NE(g, nullptr);
    g->SetRenderSkips(true);
    gl_test::SetReportedClientSize(1280, 720);
    g->BeginFrame();
    EXPECT_TRUE(g->IsFrameBufferBlank(0));
    EXPECT_TRUE(g->IsFrameBufferBlank(13));
    EXPECT_FALSE(g->IsFrameBufferBlank(3)) << "cleared to opaque white";
    DrawInto(g, 0, false);
    EXPECT_FALSE(g->IsFrameBufferBlank(0));
    EXPECT_TRUE(Is(Middle(g, 0), 10, 200, 30, 255)) << Describe(Middle(g, 0));
    g->EndFrame();

    for (int frame = 0; frame < 3; ++frame) {
        g->BeginFrame();
        const Pixel p = Middle(g, 0);
        EXPECT_TRUE(Is(p, 0, 0, 0, 0)) << "frame " << frame << ": " << Describe(p);
        EXPECT_TRUE(g->IsFrameBufferBlank(0));
        g->EndFrame();
    }
    g->SetRenderSkips(false);
    EXPECT_FALSE(g->IsFrameBufferBlank(0)) << "no skips: nothing is reported blank";
    g->SetRenderSkips(true);
    gl_test::SetReportedClientSize(0, 0);
}

TEST(RenderSkipsGl, AClearToAnotherColourBetweenFramesIsUndone) {
    QZW::Win::CQzGraphicsGL2* g = gl_test::Renderer();
    ASSERT_NE(g, nullptr);
    g->SetRenderSkips(true);
    g->BeginFrame();
    g->EndFrame();
    // As a script does after the frame: target 10 to red, 3 to black.
    g->ClearFrameBuffer(10, 200, 0, 0, 255);
    g->ClearFrameBuffer(3, 0, 0, 0, 0);
    EXPECT_FALSE(g->IsFrameBufferBlank(10));
    EXPECT_TRUE(g->IsFrameBufferBlank(3));
    g->BeginFrame();
    EXPECT_TRUE(Is(Middle(g, 10), 0, 0, 0, 0)) << Describe(Middle(g, 10));
    EXPECT_TRUE(Is(Middle(g, 3), 255, 255, 255, 255)) << Describe(Middle(g, 3));
    EXPECT_TRUE(g->IsFrameBufferBlank(10));
    g->EndFrame();
}

TEST(RenderSkipsGl, DepthWrittenInOneFrameIsClearedForTheNext) {
    QZW::Win::CQzGraphicsGL2* g = gl_test::Renderer();
    ASSERT_NE(g, nullptr);
    g->SetRenderSkips(true);
    g->BeginFrame();
    DrawInto(g, 0, true);
    g->EndFrame();
    g->BeginFrame();
    // The same rectangle at the same depth passes the depth test only if the
    // depth was cleared.
    DrawInto(g, 0, true);
    EXPECT_TRUE(Is(Middle(g, 0), 10, 200, 30, 255)) << Describe(Middle(g, 0));
    g->EndFrame();
}

// Target 0 filled with random texels, drawn over target 13 cleared to
// zero the way the composition draws it (program 1, alpha blending, the
// whole 1280 x 720 frame, tinted); target 13's bytes afterwards.
std::vector<std::uint8_t> ComposeRandomTarget(QZW::Win::CQzGraphicsGL2* g, unsigned seed,
                                              std::uint8_t tintAlpha) {
    std::mt19937 random(seed);
    std::vector<std::uint8_t> texels(std::size_t(1280) * 720 * 4);
    for (std::uint8_t& t : texels) {
        t = std::uint8_t(random() & 0xFF);
    }
    QZW::IQzTexture* source = g->GetFrameBuffer(0)->GetTexture();
    glActiveTexture(GL_TEXTURE0);
    // Through the texture's own Bind, which makes a target's image at its
    // first use.
    source->Bind();
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 1280, 720, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    g->SetTexture(nullptr, 0);

    g->SetFrameBuffer(13);
    g->DisableDepthTest();
    g->ClearFrameBuffer(13, 0, 0, 0, 0);
    g->UseShader(1);
    g->SetTexOffset(0, 0);
    g->SetBlendMode(0);
    g->SetTexture(source, 0);
    g->SetViewport(0, 0, 1280, 720, 0.0f, 1.0f);
    g->SetOrthoProjection();
    g->DrawRect(0, 0, 1280, 720, 255, 200, 100, tintAlpha, 0.0f);
    // With the skips the draw waits for the window copy; this read is raw.
    g->DrawHeldComposition();
    std::vector<std::uint8_t> out(texels.size());
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, 1280, 720, GL_RGBA, GL_UNSIGNED_BYTE, out.data());
    return out;
}

TEST(RenderSkipsGl, ATargetDrawnTexelForPixelIsTheSameWithAndWithoutSkips) {
    QZW::Win::CQzGraphicsGL2* g = gl_test::Renderer();
    ASSERT_NE(g, nullptr);
    const unsigned seed = qz_test::TestSeed("render skips");
    for (const std::uint8_t tintAlpha : {std::uint8_t(255), std::uint8_t(150)}) {
        g->SetRenderSkips(false);
        const auto without = ComposeRandomTarget(g, seed, tintAlpha);
        g->SetRenderSkips(true);
        const auto with = ComposeRandomTarget(g, seed, tintAlpha);
        std::size_t differing = 0;
        for (std::size_t i = 0; i < with.size(); ++i) {
            differing += with[i] != without[i] ? 1 : 0;
        }
        EXPECT_EQ(0u, differing) << "seed " << seed << ", tint alpha " << int(tintAlpha);
        // The picture holds the random texels, not a blank target.
        EXPECT_GT(std::count(with.begin(), with.end(), 0), 0);
        EXPECT_LT(std::size_t(std::count(with.begin(), with.end(), 0)), with.size() / 2);
    }
}

}  // namespace
