// Pixel outputs of the built-in programs on 1x1 textures, drawn over all of
// render target 1 with blending off and read back from its centre.
#include <gtest/gtest.h>

#include <memory>

#include "qzware/scene/iqz_frame_buffer.h"
#include "qzware/scene/iqz_shader_program_obj.h"
#include "qzware/scene/qz_matrix.h"
#include "qzware/win/qz_texture_gl.h"
#include "tests/support/gl_test_context.h"

namespace {

using gl_test::Pixel;

struct Rgba {
    std::uint8_t r, g, b, a;
};

struct OutputCase {
    const char* what;
    int program;
    Rgba texel;
    Rgba vertex;
    Rgba expected;  // the background (50, 60, 70, 80) when the fragment is dropped
};

constexpr Rgba kBackground = {50, 60, 70, 80};

// Draws a full-target quad with `program` and returns the centre pixel.
Pixel DrawWith(QZW::Win::CQzGraphicsGL2* g, int program, QZW::IQzTexture* texture,
               const Rgba& vertex) {
    g->SetFrameBuffer(1);
    g->Clear(kBackground.r, kBackground.g, kBackground.b, kBackground.a);
    g->DisableBlend();
    g->DisableDepthTest();
    g->SetOrthoProjection();
    g->UseShader(program);
    g->SetTexOffset(0, 0);
    g->SetOfsZ(0);
    g->SetTexture(nullptr, 0);
    g->SetTexture(texture, 0);
    g->DrawRect(0, 0, 1280, 720, vertex.r, vertex.g, vertex.b, vertex.a, 0);
    return gl_test::ReadPixel(640, 360);
}

void ExpectPixel(const Pixel& got, const Rgba& want, const char* what) {
    EXPECT_NEAR(got.r, want.r, 1) << what;
    EXPECT_NEAR(got.g, want.g, 1) << what;
    EXPECT_NEAR(got.b, want.b, 1) << what;
    EXPECT_NEAR(got.a, want.a, 1) << what;
}

TEST(ProgramOutputs, TextureOnlyAndTintedProgramsComputeTheirColours) {
    QZW::Win::CQzGraphicsGL2* g = gl_test::Renderer();
    ASSERT_NE(g, nullptr);
    const Rgba white = {255, 255, 255, 255};
    const OutputCase cases[] = {
        {"0 draws the texel", 0, {10, 20, 30, 255}, white, {10, 20, 30, 255}},
        {"0 drops alpha 0", 0, {10, 20, 30, 0}, white, kBackground},
        {"0 keeps alpha 1/255", 0, {10, 20, 30, 1}, white, {10, 20, 30, 1}},
        {"1 tints", 1, {200, 100, 50, 255}, {128, 255, 0, 255}, {100, 100, 0, 255}},
        {"2 tints like 1", 2, {200, 100, 50, 255}, {128, 255, 0, 255}, {100, 100, 0, 255}},
        {"1 drops alpha 0", 1, {200, 100, 50, 0}, white, kBackground},
        {"3 keeps the vertex alpha", 3, {255, 255, 255, 10}, {255, 128, 0, 77}, {255, 128, 0, 77}},
        {"3 drops alpha 0", 3, {255, 255, 255, 0}, {255, 128, 0, 77}, kBackground},
        {"4 blur adds alpha to 1", 4, {100, 150, 200, 0}, white, {100, 150, 200, 255}},
        {"5 flat vertex colour", 5, {0, 0, 0, 0}, {12, 34, 56, 78}, {12, 34, 56, 78}},
        {"10 waver opaque", 10, {10, 20, 30, 0}, white, {10, 20, 30, 255}},
        {"11 rotates channels", 11, {51, 102, 153, 255}, white, {153, 51, 102, 255}},
        {"13 white to alpha 1", 13, {255, 255, 255, 255}, white, {0, 0, 0, 255}},
        {"13 red to alpha .299", 13, {255, 0, 0, 255}, white, {0, 0, 0, 76}},
        {"13 never drops", 13, {255, 0, 0, 0}, white, {0, 0, 0, 76}},
    };
    for (const OutputCase& c : cases) {
        std::unique_ptr<QZW::IQzTexture> texel(
            gl_test::MakeTexel(c.texel.r, c.texel.g, c.texel.b, c.texel.a));
        if (c.program == 10) {
            g->UseShader(10);
            g->SetTexSize(1, 1);
            g->SetYuragiParam(0, 0, 0);
            g->SetTexture(texel.get(), 2);
        }
        ExpectPixel(DrawWith(g, c.program, texel.get(), c.vertex), c.expected, c.what);
        g->SetTexture(nullptr, 2);
    }
}

TEST(ProgramOutputs, LuminancePowerScalesBySquaredLuminance) {
    QZW::Win::CQzGraphicsGL2* g = gl_test::Renderer();
    ASSERT_NE(g, nullptr);
    std::unique_ptr<QZW::IQzTexture> texel(gl_test::MakeTexel(255, 255, 255, 0));
    g->UseShader(9);
    g->SetGreaPow(0.5f);
    ExpectPixel(DrawWith(g, 9, texel.get(), {255, 255, 255, 255}), {128, 128, 128, 255},
                "white at power 0.5");
}

TEST(ProgramOutputs, LightMapsMultiplyAndBiasTheLight) {
    QZW::Win::CQzGraphicsGL2* g = gl_test::Renderer();
    ASSERT_NE(g, nullptr);
    std::unique_ptr<QZW::IQzTexture> texel(gl_test::MakeTexel(200, 100, 50, 255));
    std::unique_ptr<QZW::IQzTexture> light(gl_test::MakeTexel(128, 255, 0, 255));
    for (int program : {7, 12}) {
        g->UseShader(program);
        g->SetTex1Offset(0, 0);
        g->SetTexture(nullptr, 1);
        g->SetTexture(light.get(), 1);
        const Pixel got = DrawWith(g, program, texel.get(), {255, 255, 255, 255});
        if (program == 7) {
            ExpectPixel(got, {100, 100, 0, 255}, "7: texel x light");
        } else {
            // Light (0.5, 1.0, 0.0) + 0.5, clamped: (1.0, 1.0, 0.5).
            ExpectPixel(got, {200, 100, 25, 255}, "12: texel x biased light");
        }
    }
    g->SetTexture(nullptr, 1);
}

TEST(ProgramOutputs, PaletteProgramReadsTheRowOfThePaletteIndex) {
    QZW::Win::CQzGraphicsGL2* g = gl_test::Renderer();
    ASSERT_NE(g, nullptr);
    // 1 x 256 palette: row k holds (k, 2k, 3k, 255), row 3 is the one asked for.
    std::uint8_t rows[256 * 4];
    for (int k = 0; k < 256; ++k) {
        rows[k * 4 + 0] = static_cast<std::uint8_t>(k);
        rows[k * 4 + 1] = static_cast<std::uint8_t>(2 * k);
        rows[k * 4 + 2] = static_cast<std::uint8_t>(3 * k);
        rows[k * 4 + 3] = 255;
    }
    std::unique_ptr<QZW::IQzTexture> palette(
        QZW::Win::CQzTextureGL::CreateFromPixels(rows, 1, 256, "palette", GL_RGBA, GL_RGBA));
    const std::uint8_t index = 0;
    std::unique_ptr<QZW::IQzTexture> indices(
        QZW::Win::CQzTextureGL::CreateFromPixels(&index, 1, 1, "indices", GL_ALPHA, GL_ALPHA8));
    g->UseShader(6);
    g->SetPaletteIndex(3);
    g->SetTexture(nullptr, 1);
    g->SetTexture(palette.get(), 1);
    ExpectPixel(DrawWith(g, 6, indices.get(), {255, 255, 255, 255}), {3, 6, 9, 255}, "row 3");
    g->SetTexture(nullptr, 1);
}

TEST(ProgramOutputs, SkinnedLightingDropsTexelsOfAlphaPointThreeOrLess) {
    QZW::Win::CQzGraphicsGL2* g = gl_test::Renderer();
    ASSERT_NE(g, nullptr);
    const float positions[12] = {0, 0, 0, 1280, 0, 0, 0, 720, 0, 1280, 720, 0};
    const float texcoords[8] = {0, 1, 1, 1, 0, 0, 1, 0};
    const float normals[12] = {0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1};
    const std::uint16_t bones[16] = {};
    const float weights[16] = {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};
    QZW::Matrix identity[12];
    struct Case {
        std::uint8_t alpha;
        bool drawn;
    } const cases[] = {{76, false}, {77, true}, {255, true}};
    for (const Case& c : cases) {
        std::unique_ptr<QZW::IQzTexture> texel(gl_test::MakeTexel(200, 200, 200, c.alpha));
        g->SetFrameBuffer(1);
        g->Clear(kBackground.r, kBackground.g, kBackground.b, kBackground.a);
        g->DisableBlend();
        g->DisableDepthTest();
        g->SetOrthoProjection();
        g->UseShader(8);
        g->SetBoneMatrices(identity, 12);
        g->SetLight(640, 360, 100, 1, 1, 1);
        g->SetAmbient(0, 0, 0);
        g->SetEyePos(640, 360, 100);
        g->SetTexture(nullptr, 0);
        g->SetTexture(texel.get(), 0);
        g->DrawSkinned(4, 4, positions, nullptr, texcoords, normals, bones, weights);
        const Pixel got = gl_test::ReadPixel(640, 360);
        if (c.drawn) {
            EXPECT_EQ(got.a, c.alpha) << "alpha " << int(c.alpha);
        } else {
            ExpectPixel(got, kBackground, "dropped");
        }
    }
}

}  // namespace
