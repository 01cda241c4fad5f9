// The renderer against a real context: blend modes, the composition of
// target 13 into the window, target and unit indices outside the tables,
// the per-unit texture cache, samplers, and vertex attribute hygiene.
#include <gtest/gtest.h>

#include <memory>

#include "qzware/scene/iqz_frame_buffer.h"
#include "qzware/scene/iqz_index_buffer.h"
#include "qzware/scene/iqz_shader_program_obj.h"
#include "qzware/scene/iqz_texture.h"
#include "qzware/scene/iqz_vertex_buffer.h"
#include "qzware/win/qz_index_buffer2.h"
#include "qzware/win/qz_shader_program_obj.h"
#include "qzware/win/qz_shader_sources.h"
#include "tests/support/gl_test_context.h"

// The X, D-Bus and GL client libraries keep allocations for the life of the
// process; they are not ours to free.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libdbus-1.so\nleak:libX11.so\nleak:libGLX_mesa.so\nleak:swrast_dri.so\n";
}

namespace {

using gl_test::Pixel;

void ExpectPixel(const Pixel& got, int r, int g, int b, int a, const std::string& what) {
    EXPECT_NEAR(got.r, r, 1) << what;
    EXPECT_NEAR(got.g, g, 1) << what;
    EXPECT_NEAR(got.b, b, 1) << what;
    EXPECT_NEAR(got.a, a, 1) << what;
}

// Flat colour (program 5) over target 1 cleared to (100, 100, 100, 100).
void PrepareFlat(QZW::Win::CQzGraphicsGL2* g) {
    g->SetFrameBuffer(1);
    g->DisableBlend();
    g->Clear(100, 100, 100, 100);
    g->DisableDepthTest();
    g->SetOrthoProjection();
    g->UseShader(5);
}

TEST(GraphicsFrame, BlendModesSelectTheirFactors) {
    QZW::Win::CQzGraphicsGL2* g = gl_test::Renderer();
    ASSERT_NE(g, nullptr);
    struct Case {
        int mode;
        int r, gg, b, a;
    } const cases[] = {
        {0, 150, 75, 50, 164}, {1, 200, 125, 100, 164}, {2, 78, 20, 0, 50},
        {3, 22, 80, 100, 50},  {4, 222, 130, 100, 178}, {5, 255, 150, 100, 228},
    };
    for (const Case& c : cases) {
        PrepareFlat(g);
        g->SetBlendMode(c.mode);
        g->DrawRect(0, 0, 1280, 720, 200, 50, 0, 128, 0);
        ExpectPixel(gl_test::ReadPixel(640, 360), c.r, c.gg, c.b, c.a,
                    "mode " + std::to_string(c.mode));
    }
    // An unknown mode only switches blending on, keeping the last factors.
    PrepareFlat(g);
    g->SetBlendMode(2);
    g->DisableBlend();
    g->SetBlendMode(6);
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    g->DrawRect(0, 0, 1280, 720, 200, 50, 0, 128, 0);
    ExpectPixel(gl_test::ReadPixel(640, 360), 78, 20, 0, 50, "mode 6 after mode 2");
    g->DisableBlend();
}

TEST(GraphicsFrame, EndFrameComposesTargetThirteenLetterboxedInTheWindow) {
    QZW::Win::CQzGraphicsGL2* g = gl_test::Renderer();
    ASSERT_NE(g, nullptr);
    gl_test::SetReportedClientSize(1920, 1200);
    g->BeginFrame();
    EXPECT_EQ(g->GetCurrentTargetIndex(), 0);
    g->ClearFrameBuffer(13, 10, 200, 30, 255);
    g->EndFrame();

    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[0], 0);
    EXPECT_EQ(viewport[1], 60);
    EXPECT_EQ(viewport[2], 1920);
    EXPECT_EQ(viewport[3], 1080);
    EXPECT_FLOAT_EQ(g->GetWindowScale(), 1.5f);
    GLint bound = -1;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &bound);
    EXPECT_EQ(bound, 0) << "the composition draws on the window";
    glReadBuffer(GL_BACK);
    ExpectPixel(gl_test::ReadPixel(100, 100), 10, 200, 30, 255, "composed pixel");

    // No target stays selected: clearing target 0 now clears target 0, and
    // the composed frame waiting in the back buffer survives.
    EXPECT_EQ(g->GetCurrentTargetIndex(), -1);
    g->ClearFrameBuffer(0, 255, 0, 0, 255);
    EXPECT_EQ(g->GetCurrentTargetIndex(), -1);
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &bound);
    EXPECT_EQ(bound, 0);
    glReadBuffer(GL_BACK);
    ExpectPixel(gl_test::ReadPixel(100, 100), 10, 200, 30, 255, "back buffer after clear");
    g->SetFrameBuffer(0);
    ExpectPixel(gl_test::ReadPixel(10, 10), 255, 0, 0, 255, "target 0 after clear");
    gl_test::SetReportedClientSize(0, 0);
}

TEST(GraphicsFrame, IndicesOutsideTheTablesAreIgnored) {
    QZW::Win::CQzGraphicsGL2* g = gl_test::Renderer();
    ASSERT_NE(g, nullptr);
    g->SetFrameBuffer(3);
    g->Clear(1, 2, 3, 4);
    for (int index : {-2, 15, 16, 21, 22, 1000}) {
        SCOPED_TRACE(index);
        g->SetFrameBuffer(index);
        EXPECT_EQ(g->GetCurrentTargetIndex(), 3);
        EXPECT_EQ(g->GetFrameBuffer(index), nullptr);
        g->ClearFrameBuffer(index, 255, 255, 255, 255);
        EXPECT_EQ(g->GetFrameBufferColor(index), 0xFFFFFFFFu);
        g->SetFrameBufferColor(index, 1, 2, 3, 4);
    }
    ExpectPixel(gl_test::ReadPixel(5, 5), 1, 2, 3, 4, "target 3 untouched");
    for (int index : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 18}) {
        EXPECT_NE(g->GetFrameBuffer(index), nullptr) << index;
    }
    g->UseShader(5);
    GLint program = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    for (int index : {-1, 14, 99}) {
        g->UseShader(index);
        GLint now = 0;
        glGetIntegerv(GL_CURRENT_PROGRAM, &now);
        EXPECT_EQ(now, program) << index;
    }
    std::unique_ptr<QZW::IQzTexture> texel(gl_test::MakeTexel(1, 1, 1, 1));
    glActiveTexture(GL_TEXTURE0);
    g->SetTexture(texel.get(), 8);
    g->SetTexture(texel.get(), -1);
    GLint active = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
    EXPECT_EQ(active, GL_TEXTURE0);
}

TEST(GraphicsFrame, TextureCacheIsPerUnitAndSamplersPointAtTheirUnits) {
    QZW::Win::CQzGraphicsGL2* g = gl_test::Renderer();
    ASSERT_NE(g, nullptr);
    std::unique_ptr<QZW::IQzTexture> texel(gl_test::MakeTexel(9, 9, 9, 9));
    g->SetTexture(nullptr, 0);
    g->SetTexture(nullptr, 1);
    g->SetTexture(texel.get(), 0);
    g->SetTexture(texel.get(), 1);
    for (GLenum unit : {GL_TEXTURE0, GL_TEXTURE1}) {
        glActiveTexture(unit);
        GLint bound = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        EXPECT_EQ(static_cast<GLuint>(bound), texel->GetTextureId()) << unit - GL_TEXTURE0;
    }
    g->SetTexture(nullptr, 0);
    g->SetTexture(nullptr, 1);

    // Every program's samplers read their own unit, whichever program was
    // current when a texture was bound.
    for (int i = 0; i < QZW::kQzShaderCount; ++i) {
        auto* program = static_cast<QZW::Win::CQzShaderProgramObj*>(g->GetShaderProgram(i));
        ASSERT_TRUE(program->IsLinked()) << i;
        for (int unit = 0; unit < QZW::Win::kQzSamplerUnitCount; ++unit) {
            const GLint location = program->GetUniformLocation(QZW::Win::kQzSamplerNames[unit]);
            if (location < 0) {
                continue;
            }
            GLint value = -1;
            glGetUniformiv(program->GetProgram(), location, &value);
            EXPECT_EQ(value, unit) << "program " << i << " sampler " << unit;
        }
    }
}

TEST(GraphicsFrame, DrawsSetTheirAttributesAndReadClientIndicesFromMemory) {
    QZW::Win::CQzGraphicsGL2* g = gl_test::Renderer();
    ASSERT_NE(g, nullptr);
    const float positions[12] = {0, 0, 0, 1280, 0, 0, 0, 720, 0, 1280, 720, 0};
    const std::uint8_t red[16] = {255, 0, 0, 255, 255, 0, 0, 255, 255, 0, 0, 255, 255, 0, 0, 255};
    const std::uint8_t blue[16] = {0, 0, 255, 255, 0, 0, 255, 255, 0, 0, 255, 255, 0, 0, 255, 255};
    const float normals[12] = {};
    const std::uint16_t bones[16] = {};
    const float weights[16] = {};
    const std::uint16_t quad[6] = {0, 1, 2, 2, 1, 3};

    // A skinned draw leaves attributes 4 and 5 on; the next plain draw must
    // switch them off.
    PrepareFlat(g);
    g->DrawSkinned(4, 4, positions, red, nullptr, normals, bones, weights);
    g->DrawArrays(4, 4, positions, red, nullptr, nullptr);
    for (GLuint attribute : {2u, 3u, 4u, 5u}) {
        GLint enabled = 1;
        glGetVertexAttribiv(attribute, GL_VERTEX_ATTRIB_ARRAY_ENABLED, &enabled);
        EXPECT_EQ(enabled, 0) << "attribute " << attribute;
    }

    // A buffer draw binds an element buffer; a client-index draw after it
    // still reads its indices from memory.
    std::unique_ptr<QZW::IQzVertexBuffer> vb(
        g->CreateVertexBuffer(4, positions, red, nullptr, normals));
    std::unique_ptr<QZW::IQzIndexBuffer> ib(g->CreateIndexBuffer(6, quad));
    g->DrawArrays(4, 4, positions, red, nullptr, normals);
    g->DrawElementsVB(3, 6, vb.get(), ib.get());
    GLint enabled = 1;
    glGetVertexAttribiv(3, GL_VERTEX_ATTRIB_ARRAY_ENABLED, &enabled);
    EXPECT_EQ(enabled, 0) << "buffer draws feed no normals";
    ExpectPixel(gl_test::ReadPixel(640, 360), 255, 0, 0, 255, "buffer draw");
    g->DrawIndexed(3, 4, 6, positions, blue, nullptr, nullptr, quad);
    ExpectPixel(gl_test::ReadPixel(640, 360), 0, 0, 255, 255, "client-index draw");

    // Indices past the vertices, an index buffer without indices and unknown
    // primitives draw nothing.
    const std::uint16_t beyond[3] = {0, 1, 4};
    g->DrawIndexed(3, 4, 3, positions, red, nullptr, nullptr, beyond);
    QZW::Win::CQzIndexBuffer2 empty(6, nullptr);
    g->DrawElementsVB(3, 6, vb.get(), &empty);
    g->DrawArrays(7, 4, positions, red, nullptr, nullptr);
    g->DrawArraysVB(4, 5, 0, vb.get());
    ExpectPixel(gl_test::ReadPixel(640, 360), 0, 0, 255, 255, "nothing drawn");
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
