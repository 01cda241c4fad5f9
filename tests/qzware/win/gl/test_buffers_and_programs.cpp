// GPU buffers and program objects against a real context: stream sizes,
// absent streams, targets and shared depth buffers, failed builds and
// uniforms that land in the program they name.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "qzware/scene/iqz_texture.h"
#include "qzware/win/qz_frame_buffer.h"
#include "qzware/win/qz_graphics_layout.h"
#include "qzware/win/qz_index_buffer2.h"
#include "qzware/win/qz_render_buffer.h"
#include "qzware/win/qz_shader_program_obj.h"
#include "qzware/win/qz_shader_sources.h"
#include "qzware/win/qz_texture_gl.h"
#include "qzware/win/qz_vertex_buffer2.h"
#include "tests/support/gl_test_context.h"

namespace {

using gl_test::ImageWidth;

GLint BufferSize(GLuint name) {
    GLint size = -1;
    glBindBuffer(GL_ARRAY_BUFFER, name);
    glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_SIZE, &size);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    return size;
}

TEST(GpuBuffers, VertexStreamsHoldTheirPackedSizesAndAbsentOnesStayOff) {
    ASSERT_NE(gl_test::Renderer(), nullptr);
    std::vector<float> floats(100 * 3, 0.5f);
    std::vector<std::uint8_t> bytes(100 * 4, 7);
    QZW::Win::CQzVertexBuffer2 full;
    full.Build(100, floats.data(), bytes.data(), floats.data(), floats.data());
    EXPECT_EQ(BufferSize(full.GetPositionBuffer()), 1200);
    EXPECT_EQ(BufferSize(full.GetColorBuffer()), 400);
    EXPECT_EQ(BufferSize(full.GetTexCoordBuffer()), 800);
    EXPECT_EQ(BufferSize(full.GetNormalBuffer()), 1200);

    QZW::Win::CQzVertexBuffer2 copied(100, floats.data(), nullptr, floats.data(), nullptr);
    EXPECT_FALSE(copied.HasColor());
    EXPECT_TRUE(copied.HasTexCoord());
    EXPECT_FALSE(copied.HasNormal());
    EXPECT_EQ(BufferSize(copied.GetTexCoordBuffer()), 800);
    glEnableVertexAttribArray(1);
    copied.Bind();
    GLint enabled = -1;
    glGetVertexAttribiv(1, GL_VERTEX_ATTRIB_ARRAY_ENABLED, &enabled);
    EXPECT_EQ(enabled, 0);
    glGetVertexAttribiv(2, GL_VERTEX_ATTRIB_ARRAY_ENABLED, &enabled);
    EXPECT_EQ(enabled, 1);
    copied.Unbind();

    QZW::Win::CQzIndexBuffer2 none(10, nullptr);
    EXPECT_EQ(none.GetBuffer(), 0u);
    EXPECT_EQ(none.GetIndexCount(), 10);
}

TEST(GpuBuffers, FrameBufferBindsItsSizeAndKeepsSharedDepthItsOwners) {
    ASSERT_NE(gl_test::Renderer(), nullptr);
    QZW::Win::CQzFrameBuffer owner;
    owner.Create(64, 64, true);
    ASSERT_NE(owner.GetDepthRenderBuffer(), nullptr);
    const GLuint depth = owner.GetDepthRenderBuffer()->GetRenderBufferId();
    {
        QZW::Win::CQzFrameBuffer sharer;
        sharer.Create(512, 512, false);
        EXPECT_EQ(sharer.GetDepthRenderBuffer(), nullptr);
        ASSERT_NE(sharer.GetTexture(), nullptr);
        EXPECT_EQ(sharer.GetTexture()->GetName(), "__");
        sharer.Bind();
        GLint viewport[4] = {};
        glGetIntegerv(GL_VIEWPORT, viewport);
        EXPECT_EQ(viewport[2], 512);
        EXPECT_EQ(viewport[3], 512);
        sharer.AttachRenderBuffer(owner.GetDepthRenderBuffer(), 1);
        sharer.AttachRenderBuffer(owner.GetDepthRenderBuffer(), 7);
        EXPECT_EQ(sharer.GetDepthRenderBuffer(), owner.GetDepthRenderBuffer());
        EXPECT_EQ(sharer.GetStencilRenderBuffer(), nullptr);
        sharer.Unbind();
    }
    EXPECT_TRUE(glIsRenderbufferEXT(depth)) << "the sharer must not delete the owner's buffer";
}

TEST(GpuBuffers, TargetImageIsMadeAtFirstDrawOrSampleAndReadsAsZeros) {
    ASSERT_NE(gl_test::Renderer(), nullptr);
    QZW::Win::CQzFrameBuffer drawn;
    drawn.Create(32, 16, false);
    ASSERT_NE(drawn.GetTexture(), nullptr);
    EXPECT_EQ(ImageWidth(drawn.GetTexture()), 0) << "a target nobody used holds no image yet";
    drawn.Bind();
    EXPECT_EQ(ImageWidth(drawn.GetTexture()), 32) << "binding for drawing makes the image";
    EXPECT_EQ(drawn.GetStatus(), GLenum(GL_FRAMEBUFFER_COMPLETE_EXT));
    std::vector<std::uint8_t> texels(32 * 16 * 4, 0xAB);
    glReadPixels(0, 0, 32, 16, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    std::size_t nonZero = 0;
    for (std::uint8_t b : texels) {
        nonZero += b != 0 ? 1 : 0;
    }
    EXPECT_EQ(nonZero, 0u) << "a new target reads as zeros";
    drawn.Unbind();

    QZW::Win::CQzFrameBuffer sampled;
    sampled.Create(8, 8, false);
    EXPECT_EQ(ImageWidth(sampled.GetTexture()), 0);
    sampled.GetTexture()->Bind();
    EXPECT_EQ(ImageWidth(sampled.GetTexture()), 8) << "binding for sampling makes the image";
    sampled.GetTexture()->Unbind();
}

// Every texel of `texture`'s level 0, as RGBA bytes.
std::vector<std::uint8_t> ImageTexels(QZW::IQzTexture* texture) {
    const GLint width = ImageWidth(texture);
    GLint height = 0;
    glBindTexture(GL_TEXTURE_2D, texture->GetTextureId());
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    std::vector<std::uint8_t> texels(std::size_t(width) * std::size_t(height) * 4, 0xAB);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    return texels;
}

// How many texels differ from (r, g, b, a).
std::size_t TexelsOtherThan(const std::vector<std::uint8_t>& texels, std::uint8_t r, std::uint8_t g,
                            std::uint8_t b, std::uint8_t a) {
    std::size_t other = 0;
    for (std::size_t i = 0; i + 3 < texels.size(); i += 4) {
        other += texels[i] != r || texels[i + 1] != g || texels[i + 2] != b || texels[i + 3] != a;
    }
    return other;
}

TEST(GpuBuffers, AClearPutOffBeforeTheImageExistsFillsItWhenMade) {
    ASSERT_NE(gl_test::Renderer(), nullptr);
    // Odd sizes: the fill goes up in chunks of rows, the last one short.
    QZW::Win::CQzFrameBuffer target;
    target.Create(1283, 37, false);
    ASSERT_TRUE(target.PutOffColorClear(QZW::Win::QzPackColor(200, 100, 50, 25)));
    ASSERT_TRUE(target.PutOffColorClear(QZW::Win::QzPackColor(10, 200, 30, 255)))
        << "a later clear replaces the earlier one";
    EXPECT_EQ(ImageWidth(target.GetTexture()), 0) << "a put-off clear makes no image";
    target.Bind();
    target.Unbind();
    const std::vector<std::uint8_t> texels = ImageTexels(target.GetTexture());
    ASSERT_EQ(texels.size(), std::size_t(1283) * 37 * 4) << "drawing makes the full image";
    EXPECT_EQ(TexelsOtherThan(texels, 10, 200, 30, 255), 0u)
        << "every texel holds the put-off clear's colour";
    EXPECT_FALSE(target.PutOffColorClear(0)) << "once the image exists, clears are real ones";
    GLint unpackAlignment = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &unpackAlignment);
    EXPECT_EQ(unpackAlignment, 4) << "the fill leaves the unpack state as it found it";
}

TEST(GpuBuffers, APendingTargetIsSampledFromAOneTexelStandInOfItsFill) {
    ASSERT_NE(gl_test::Renderer(), nullptr);
    QZW::Win::CQzFrameBuffer target;
    target.Create(64, 32, false);
    auto* color = dynamic_cast<QZW::Win::CQzTextureGL*>(target.GetTexture());
    ASSERT_NE(color, nullptr);
    ASSERT_TRUE(target.PutOffColorClear(QZW::Win::QzPackColor(255, 255, 255, 255)));
    color->BindForSampling();
    EXPECT_TRUE(color->IsImagePending());
    EXPECT_EQ(ImageWidth(color), 1) << "sampling a pending target needs only one texel";
    EXPECT_EQ(TexelsOtherThan(ImageTexels(color), 255, 255, 255, 255), 0u);
    // A clear put off after the stand-in was made reaches the stand-in too.
    ASSERT_TRUE(target.PutOffColorClear(QZW::Win::QzPackColor(0, 0, 0, 0)));
    EXPECT_EQ(TexelsOtherThan(ImageTexels(color), 0, 0, 0, 0), 0u);
    target.Bind();
    target.Unbind();
    EXPECT_FALSE(color->IsImagePending());
    const std::vector<std::uint8_t> texels = ImageTexels(color);
    EXPECT_EQ(texels.size(), std::size_t(64) * 32 * 4) << "drawing replaces the stand-in";
    EXPECT_EQ(TexelsOtherThan(texels, 0, 0, 0, 0), 0u);
}

TEST(GpuBuffers, SharingADepthBufferMakesNoColourImage) {
    ASSERT_NE(gl_test::Renderer(), nullptr);
    QZW::Win::CQzFrameBuffer owner;
    owner.Create(16, 16, true);
    QZW::Win::CQzFrameBuffer sharer;
    sharer.Create(16, 16, false);
    sharer.AttachRenderBuffer(owner.GetDepthRenderBuffer(), 1);
    sharer.Unbind();
    EXPECT_EQ(ImageWidth(sharer.GetTexture()), 0);
    sharer.Bind();
    EXPECT_EQ(sharer.GetStatus(), GLenum(GL_FRAMEBUFFER_COMPLETE_EXT));
    sharer.Unbind();
}

TEST(ShaderPrograms, AllBuiltInProgramsCompileAndLink) {
    QZW::Win::CQzGraphicsGL2* g = gl_test::Renderer();
    ASSERT_NE(g, nullptr);
    for (int i = 0; i < QZW::Win::kQzBuiltinProgramCount; ++i) {
        auto* program = static_cast<QZW::Win::CQzShaderProgramObj*>(g->GetShaderProgram(i));
        ASSERT_NE(program, nullptr);
        EXPECT_TRUE(program->IsLinked()) << "program " << i << ": " << program->GetInfoLog();
        EXPECT_EQ(program->GetAttribLocation("a_position"), 0) << i;
    }
}

TEST(ShaderPrograms, FailedBuildsReportFalseAndDrawNothing) {
    ASSERT_NE(gl_test::Renderer(), nullptr);
    QZW::Win::CQzShaderProgramObj broken;
    EXPECT_FALSE(broken.AttachVertexShader("void main() { gl_Position = vec4(0.0) }"));
    EXPECT_FALSE(broken.GetInfoLog().empty());
    EXPECT_FALSE(broken.Link());
    EXPECT_FALSE(broken.IsLinked());
    EXPECT_EQ(broken.GetProgram(), 0u);
    QZW::Win::CQzShaderProgramObj twice;
    EXPECT_TRUE(twice.AttachFragmentShader(QZW::Win::kQzShaderSources[5].fragment));
    EXPECT_FALSE(twice.AttachFragmentShader(QZW::Win::kQzShaderSources[5].fragment))
        << "a stage is attached once";
    broken.Use();
    GLint current = -1;
    glGetIntegerv(GL_CURRENT_PROGRAM, &current);
    EXPECT_EQ(current, 0);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST(ShaderPrograms, UniformsLandInTheProgramTheyName) {
    ASSERT_NE(gl_test::Renderer(), nullptr);
    QZW::Win::CQzShaderProgramObj a, b;
    for (QZW::Win::CQzShaderProgramObj* p : {&a, &b}) {
        ASSERT_TRUE(p->AttachVertexShader(QZW::Win::kQzShaderSources[1].vertex));
        ASSERT_TRUE(p->AttachFragmentShader(QZW::Win::kQzShaderSources[1].fragment));
        ASSERT_TRUE(p->Link());
    }
    a.Use();
    b.SetUniform1fByName("u_ofsz", 0.25f);
    b.SetUniform1fByName("no_such_uniform", 1.0f);
    float value = 0;
    glGetUniformfv(b.GetProgram(), b.GetUniformLocation("u_ofsz"), &value);
    EXPECT_FLOAT_EQ(value, 0.25f);
    glGetUniformfv(a.GetProgram(), a.GetUniformLocation("u_ofsz"), &value);
    EXPECT_FLOAT_EQ(value, 0.0f);
    a.Use();
    a.Unuse();
    GLint current = -1;
    glGetIntegerv(GL_CURRENT_PROGRAM, &current);
    EXPECT_EQ(current, 0);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
