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
#include "qzware/win/qz_composition_fold.h"
#include "qzware/win/qz_texture_gl.h"
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

// [SECTION] The folded chain

constexpr int kReadWidth = 320;  // the test window's drawable
constexpr int kReadHeight = 240;
constexpr int kNoBlend = -1;

struct FoldCase {
    const char* what;
    int blendMode;  // a QzBlendMode, or kNoBlend
    std::uint8_t tint[4];
};

// Source texels for target 0: the first 65,536 of the read region hold
// every (colour byte, alpha byte) pair in red, the faint alphas 0-12 among
// them; green and blue and all other texels are random.
std::vector<std::uint8_t> FoldTexels(unsigned seed) {
    std::mt19937 random(seed);
    std::vector<std::uint8_t> texels(std::size_t(1280) * 720 * 4);
    for (std::uint8_t& t : texels) {
        t = std::uint8_t(random() & 0xFF);
    }
    for (int k = 0; k < 256 * 256; ++k) {
        const std::size_t at =
            (std::size_t(k / kReadWidth) * 1280 + std::size_t(k % kReadWidth)) * 4;
        texels[at + 0] = std::uint8_t(k & 0xFF);
        texels[at + 3] = std::uint8_t(k >> 8);
    }
    return texels;
}

// RGBA bytes of the region (0, 0, 320, 240) of the bound frame buffer.
std::vector<std::uint8_t> ReadRegion() {
    std::vector<std::uint8_t> out(std::size_t(kReadWidth) * kReadHeight * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, kReadWidth, kReadHeight, GL_RGBA, GL_UNSIGNED_BYTE, out.data());
    return out;
}

struct FoldFrame {
    std::vector<std::uint8_t> source;  // target 0 before the composition
    std::vector<std::uint8_t> window;
    std::uint32_t folded;  // frames folded during this one
};

// One whole frame the way the game composes it: `picture` drawn into
// target 0 texel for pixel, target 0 drawn onto target 13 with the case's
// blending and tint, then EndFrame's copy to the 1280 x 720 window.
FoldFrame ComposeFrame(QZW::Win::CQzGraphicsGL2* g, QZW::IQzTexture* picture, const FoldCase& c) {
    FoldFrame frame;
    const std::uint32_t foldedBefore = g->GetFoldedFrameCount();
    g->BeginFrame();
    g->SetFrameBuffer(0);
    g->DisableDepthTest();
    g->DisableBlend();
    g->UseShader(0);
    g->SetTexOffset(0, 0);
    g->SetTexture(picture, 0);
    g->SetViewport(0, 0, 1280, 720, 0.0f, 1.0f);
    g->SetOrthoProjection();
    g->DrawRect(0, 0, 1280, 720, 255, 255, 255, 255, 0.0f);
    frame.source = ReadRegion();

    g->UseShader(1);
    g->SetTexOffset(0, 0);
    if (c.blendMode == kNoBlend) {
        g->DisableBlend();
    } else {
        g->SetBlendMode(c.blendMode);
    }
    g->SetFrameBuffer(13);
    g->SetTexture(g->GetFrameBuffer(0)->GetTexture(), 0);
    g->SetViewport(0, 0, 1280, 720, 0.0f, 1.0f);
    g->SetOrthoProjection();
    g->DrawRect(0, 0, 1280, 720, c.tint[0], c.tint[1], c.tint[2], c.tint[3], 0.0f);
    g->EndFrame();
    glReadBuffer(GL_BACK);
    frame.window = ReadRegion();
    frame.folded = g->GetFoldedFrameCount() - foldedBefore;
    return frame;
}

std::string Bytes4(const std::uint8_t* p) {
    return "(" + std::to_string(p[0]) + ", " + std::to_string(p[1]) + ", " + std::to_string(p[2]) +
           ", " + std::to_string(p[3]) + ")";
}

TEST(RenderSkipsGl, TheFoldedChainLeavesTheWindowBytesOfBothPassesForEveryPairTintAndBlendMode) {
    QZW::Win::CQzGraphicsGL2* g = gl_test::Renderer();
    ASSERT_NE(g, nullptr);
    const unsigned seed = qz_test::TestSeed("render skips fold");
    std::mt19937 random(seed);
    const std::uint8_t r0 = std::uint8_t(random()), r1 = std::uint8_t(random()),
                       r2 = std::uint8_t(random()), r3 = std::uint8_t(13 + random() % 243);
    const std::vector<std::uint8_t> texels = FoldTexels(seed);
    QZW::IQzTexture* picture = QZW::Win::CQzTextureGL::CreateFromPixels(texels.data(), 1280, 720,
                                                                        "fold", GL_RGBA, GL_RGBA);
    ASSERT_NE(picture, nullptr);
    gl_test::SetReportedClientSize(1280, 720);
    g->SetDisplayScale(1.0f, 1.0f);
    g->SetDisplayOfs(0.0f, 0.0f);

    const struct {
        const char* what;
        std::uint8_t rgba[4];
    } tints[] = {
        {"white", {255, 255, 255, 255}},
        {"orange, alpha 150", {255, 200, 100, 150}},
        {"the filter colour", {255, 128, 64, 200}},
        {"faint, alpha 12", {200, 255, 90, 12}},
        {"random", {r0, r1, r2, r3}},
    };
    const struct {
        const char* what;
        int mode;
    } modes[] = {
        {"no blending", kNoBlend},
        {"alpha", QZW::QZ_BLEND_ALPHA},
        {"add alpha", QZW::QZ_BLEND_ADD_ALPHA},
        {"multiply", QZW::QZ_BLEND_MULTIPLY},
        {"inverse multiply", QZW::QZ_BLEND_INVERSE_MULTIPLY},
        {"screen", QZW::QZ_BLEND_SCREEN},
        {"add", QZW::QZ_BLEND_ADD},
    };
    bool sawFaintDiscard = false;
    for (const auto& mode : modes) {
        for (const auto& tint : tints) {
            FoldCase c{mode.what, mode.mode, {}};
            std::copy(tint.rgba, tint.rgba + 4, c.tint);
            const std::string name = std::string(mode.what) + ", tint " + tint.what + " " +
                                     Bytes4(c.tint) + ", seed " + std::to_string(seed);
            g->SetRenderSkips(false);
            const FoldFrame two = ComposeFrame(g, picture, c);
            g->SetRenderSkips(true);
            const FoldFrame one = ComposeFrame(g, picture, c);
            EXPECT_EQ(0u, two.folded) << name << ": folded with the skips off";
            const QZW::Win::QzFoldKind kind =
                QZW::Win::QzCompositionFoldKind(mode.mode != kNoBlend, mode.mode);
            if (kind != QZW::Win::QzFoldKind::kNothing) {
                EXPECT_EQ(1u, one.folded) << name << ": the two passes were not folded";
            }
            ASSERT_TRUE(two.source == one.source) << name << ": target 0 differs";
            // Both ways against the byte model: the model is what both
            // implement, the real passes are what the fold must match.
            std::size_t differing = 0, offModel = 0, written = 0;
            std::string first;
            for (std::size_t i = 0; i < one.window.size(); i += 4) {
                std::uint8_t want[4] = {0, 0, 0, 0};
                const bool drawn = QZW::Win::QzFoldTexel(kind, c.tint, &one.source[i], want);
                if (!drawn) {
                    std::fill(want, want + 4, std::uint8_t(0));
                }
                written += drawn ? 1 : 0;
                const bool same = std::equal(&one.window[i], &one.window[i] + 4, &two.window[i]);
                const bool model = std::equal(want, want + 4, &two.window[i]);
                if ((!same || !model) && first.empty()) {
                    first = "texel " + std::to_string(i / 4) + " source " + Bytes4(&one.source[i]) +
                            ": two passes " + Bytes4(&two.window[i]) + ", folded " +
                            Bytes4(&one.window[i]) + ", model " + Bytes4(want);
                }
                differing += same ? 0 : 1;
                offModel += model ? 0 : 1;
                // A texel whose colour survives the composition but whose
                // alpha byte rounds to 0: the window must keep its clear.
                if (kind == QZW::Win::QzFoldKind::kPremultiplied && !drawn &&
                    one.source[i + 3] > 0 && one.source[i] > 0 &&
                    QZW::Win::QzMulByte(c.tint[0], one.source[i]) > 0) {
                    sawFaintDiscard = true;
                }
            }
            EXPECT_EQ(0u, differing) << name << "; first: " << first;
            EXPECT_EQ(0u, offModel) << name << "; first: " << first;
            if (kind == QZW::Win::QzFoldKind::kNothing) {
                EXPECT_EQ(0u, written) << name;
            } else {
                EXPECT_GT(written, 0u) << name << ": nothing reached the window";
            }
        }
    }
    EXPECT_TRUE(sawFaintDiscard) << "no faint texel was among the pairs";
    delete picture;
    gl_test::SetReportedClientSize(0, 0);
}

// A composition held back and then followed by another draw onto target
// 13, or a scaled display, is drawn as two passes: the bytes are the same
// and nothing is folded.
TEST(RenderSkipsGl, AHeldCompositionFollowedByMoreWorkIsDrawnAsBefore) {
    QZW::Win::CQzGraphicsGL2* g = gl_test::Renderer();
    ASSERT_NE(g, nullptr);
    const unsigned seed = qz_test::TestSeed("render skips held");
    const std::vector<std::uint8_t> texels = FoldTexels(seed);
    QZW::IQzTexture* picture = QZW::Win::CQzTextureGL::CreateFromPixels(texels.data(), 1280, 720,
                                                                        "held", GL_RGBA, GL_RGBA);
    ASSERT_NE(picture, nullptr);
    gl_test::SetReportedClientSize(1280, 720);
    const FoldCase c{"alpha", QZW::QZ_BLEND_ALPHA, {255, 200, 100, 180}};
    enum class After { kDrawOnto13, kScaledDisplay, kOffsetDisplay };
    for (const After after : {After::kDrawOnto13, After::kScaledDisplay, After::kOffsetDisplay}) {
        std::vector<std::uint8_t> windows[2];
        std::uint32_t folded[2] = {0, 0};
        for (int skips = 0; skips < 2; ++skips) {
            g->SetRenderSkips(skips == 1);
            g->SetDisplayScale(after == After::kScaledDisplay ? 0.75f : 1.0f, 1.0f);
            g->SetDisplayOfs(after == After::kOffsetDisplay ? 16.0f : 0.0f, 0.0f);
            const std::uint32_t before = g->GetFoldedFrameCount();
            g->BeginFrame();
            g->SetFrameBuffer(0);
            g->DisableDepthTest();
            g->DisableBlend();
            g->UseShader(0);
            g->SetTexture(picture, 0);
            g->SetViewport(0, 0, 1280, 720, 0.0f, 1.0f);
            g->SetOrthoProjection();
            g->DrawRect(0, 0, 1280, 720, 255, 255, 255, 255, 0.0f);
            g->UseShader(1);
            g->SetTexOffset(0, 0);
            g->SetBlendMode(c.blendMode);
            g->SetFrameBuffer(13);
            g->SetTexture(g->GetFrameBuffer(0)->GetTexture(), 0);
            g->SetViewport(0, 0, 1280, 720, 0.0f, 1.0f);
            g->SetOrthoProjection();
            g->DrawRect(0, 0, 1280, 720, c.tint[0], c.tint[1], c.tint[2], c.tint[3], 0.0f);
            if (after == After::kDrawOnto13) {
                // A flat square over the held composition, as a later layer
                // would draw it.
                g->UseShader(5);
                g->DrawRect(20, 500, 100, 100, 10, 200, 30, 90, 0.0f);
            }
            g->EndFrame();
            glReadBuffer(GL_BACK);
            windows[skips] = ReadRegion();
            folded[skips] = g->GetFoldedFrameCount() - before;
        }
        const int which = static_cast<int>(after);
        EXPECT_EQ(0u, folded[1]) << "case " << which << " was folded";
        EXPECT_TRUE(windows[0] == windows[1]) << "case " << which << ", seed " << seed;
        EXPECT_GT(std::count_if(windows[1].begin(), windows[1].end(),
                                [](std::uint8_t b) { return b != 0; }),
                  0)
            << "case " << which << ": an empty window";
    }
    g->SetDisplayScale(1.0f, 1.0f);
    g->SetDisplayOfs(0.0f, 0.0f);
    g->SetRenderSkips(true);
    delete picture;
    gl_test::SetReportedClientSize(0, 0);
}

// Only the rectangle drawn into target 0 is folded onto the window: faint
// squares, one turned, in the bottom-left corner give the same window
// bytes with the skips on and off, and the folded area is their bounds.
TEST(RenderSkipsGl, TheFoldCoversOnlyWhatWasDrawnIntoTheSourceWithTheSameBytes) {
    QZW::Win::CQzGraphicsGL2* g = gl_test::Renderer();
    ASSERT_NE(g, nullptr);
    gl_test::SetReportedClientSize(1280, 720);
    g->SetDisplayScale(1.0f, 1.0f);
    g->SetDisplayOfs(0.0f, 0.0f);
    std::vector<std::uint8_t> windows[2];
    long area = 0;
    for (int skips = 0; skips < 2; ++skips) {
        g->SetRenderSkips(skips == 1);
        const std::uint32_t before = g->GetFoldedFrameCount();
        g->BeginFrame();
        g->SetFrameBuffer(0);
        g->DisableDepthTest();
        g->SetViewport(0, 0, 1280, 720, 0.0f, 1.0f);
        g->SetOrthoProjection();
        g->UseShader(5);
        // Written as they are: alpha 11 squares to 0 in the composition
        // (colour kept, the window copy discards it), alpha 12 to 1.
        g->DisableBlend();
        g->DrawRect(20, 520, 120, 90, 250, 240, 30, 11, 0.0f);
        g->DrawRect(60, 560, 100, 100, 30, 90, 255, 12, 0.0f);
        g->SetBlendMode(QZW::QZ_BLEND_ALPHA);
        g->Translate(230, 600, 0);
        g->Rotate(0, 0, 30.0f);
        g->DrawRect(-30, -30, 60, 60, 255, 255, 255, 200, 0.0f);
        g->ResetWorldMatrix();

        g->UseShader(1);
        g->SetTexOffset(0, 0);
        g->SetBlendMode(QZW::QZ_BLEND_ALPHA);
        g->SetFrameBuffer(13);
        g->SetTexture(g->GetFrameBuffer(0)->GetTexture(), 0);
        g->SetViewport(0, 0, 1280, 720, 0.0f, 1.0f);
        g->SetOrthoProjection();
        g->DrawRect(0, 0, 1280, 720, 255, 255, 255, 255, 0.0f);
        g->EndFrame();
        glReadBuffer(GL_BACK);
        windows[skips] = ReadRegion();
        if (skips == 1) {
            EXPECT_EQ(1u, g->GetFoldedFrameCount() - before) << "not folded";
            area = g->GetLastFoldArea();
        }
    }
    EXPECT_TRUE(windows[0] == windows[1]) << "the bounded fold changed the window";
    // The squares span x 20-260 and y 520-660 unturned, the turned one
    // reaching at most 43 pixels from (230, 600): the fold covers that with
    // a pixel or two of margin, not the screen.
    EXPECT_GE(area, 240L * 140L);
    EXPECT_LE(area, 258L * 145L);
    std::size_t lit = 0;
    for (std::size_t i = 0; i < windows[1].size(); i += 4) {
        lit += windows[1][i + 3] != 0 ? 1 : 0;
    }
    EXPECT_GT(lit, 9000u) << "the squares did not reach the window";
    gl_test::SetReportedClientSize(0, 0);
}

}  // namespace
