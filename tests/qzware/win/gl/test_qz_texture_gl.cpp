// Texture uploads against a real context: a DXT1 block samples as the
// format says, TGA and DDS files made in code arrive with their rows, filters
// and mip levels intact, refused files give no texture, and making or
// deleting textures never leaves the renderer's binding cache stale.
#include "qzware/win/qz_texture_gl.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "qzware/common/qz_mem.h"
#include "tests/support/dxt_reference.h"
#include "tests/support/gl_test_context.h"
#include "tests/support/texture_writers.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using qz_test::DdsFields;
using qz_test::MakeDds;
using qz_test::MakeFourCC;
using qz_test::MakeTga;
using qz_test::TgaFields;
using QZW::Win::CQzTextureGL;

std::unique_ptr<CQzTextureGL> Load(const char* path, const Bytes& file) {
    return std::unique_ptr<CQzTextureGL>(CQzTextureGL::LoadMemory(path, file.data(), file.size()));
}

GLint TexParameter(CQzTextureGL* texture, GLenum name) {
    GLint value = -1;
    texture->Bind();
    glGetTexParameteriv(GL_TEXTURE_2D, name, &value);
    return value;
}

// Level 0 read back in `format`, rows tightly packed.
Bytes LevelPixels(CQzTextureGL* texture, GLenum format, int channels) {
    Bytes out(std::size_t(texture->GetWidth()) * texture->GetHeight() * channels, 0xEE);
    texture->Bind();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, format, GL_UNSIGNED_BYTE, out.data());
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    return out;
}

// Draws `texture` with program 0 over all of target 1 and returns the pixel
// at the centre of texel (column, row) of a 4x4 texture; row 0 is the first
// row of the file, which lands at the bottom of the target.
gl_test::Pixel SampleTexel(QZW::Win::CQzGraphicsGL2* g, QZW::IQzTexture* texture, int column,
                           int row) {
    g->SetFrameBuffer(1);
    g->Clear(0, 0, 0, 0);
    g->DisableBlend();
    g->DisableDepthTest();
    g->SetOrthoProjection();
    g->UseShader(0);
    g->SetTexOffset(0, 0);
    g->SetTexture(nullptr, 0);
    g->SetTexture(texture, 0);
    g->DrawRect(0, 0, 1280, 720, 255, 255, 255, 255, 0);
    return gl_test::ReadPixel(column * 320 + 160, row * 180 + 90);
}

TEST(QzTextureGL, Dxt1BlockSamplesAsTheFormatDecodesIt) {
    QZW::Win::CQzGraphicsGL2* g = gl_test::Renderer();
    ASSERT_NE(g, nullptr);
    // Red and blue end points (four-colour mode), each row using all four
    // indices in a different order.
    const std::uint8_t block[8] = {0x00, 0xF8, 0x1F, 0x00, 0xE4, 0x1B, 0x4E, 0xB1};
    std::uint8_t want[64];
    qz_test::DecodeDxt1Block(block, want);
    DdsFields fields;
    fields.width = fields.height = 4;
    fields.mipCount = 1;
    const Bytes file = MakeDds(fields, Bytes(block, block + 8));
    std::unique_ptr<QZW::IQzTexture> texture(
        g->LoadTextureFromMemory("images/block.dds", file.data(), std::uint32_t(file.size())));
    ASSERT_NE(texture, nullptr);
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            const gl_test::Pixel got = SampleTexel(g, texture.get(), column, row);
            const std::uint8_t* w = want + (row * 4 + column) * 4;
            const std::string where = std::to_string(column) + "," + std::to_string(row);
            EXPECT_NEAR(got.r, w[0], 2) << where;
            EXPECT_NEAR(got.g, w[1], 2) << where;
            EXPECT_NEAR(got.b, w[2], 2) << where;
            EXPECT_EQ(got.a, w[3]) << where;
        }
    }
    g->SetTexture(nullptr, 0);
}

// TGA pixels are reordered in a buffer from the engine allocator.
class QzTextureGLTga : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(QzMemManagerCreate()); }
    void TearDown() override { QzMemManagerDestroy(); }
};

TEST_F(QzTextureGLTga, RowsArriveWhateverTheirWidth) {
    ASSERT_NE(gl_test::Renderer(), nullptr);
    // 3x2 palette indices, top row first: 3-byte rows are not 4-byte aligned.
    TgaFields alphaFields;
    alphaFields.imageType = 1;
    alphaFields.bitsPerPixel = 8;
    alphaFields.width = 3;
    alphaFields.height = 2;
    std::unique_ptr<CQzTextureGL> alpha = Load("a.tga", MakeTga(alphaFields, {1, 2, 3, 4, 5, 6}));
    ASSERT_NE(alpha, nullptr);
    EXPECT_EQ(TexParameter(alpha.get(), GL_TEXTURE_MIN_FILTER), GL_NEAREST);
    EXPECT_EQ(LevelPixels(alpha.get(), GL_ALPHA, 1), (Bytes{1, 2, 3, 4, 5, 6}));
    GLint internal = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &internal);
    EXPECT_EQ(internal, GL_ALPHA8);

    // 24-bit, bottom-up, under ".dat": red first, alpha 255, top row first.
    TgaFields rgbFields;
    rgbFields.bitsPerPixel = 24;
    rgbFields.width = 1;
    rgbFields.height = 2;
    rgbFields.descriptor = 0;
    std::unique_ptr<CQzTextureGL> rgb = Load("font.dat", MakeTga(rgbFields, {1, 2, 3, 4, 5, 6}));
    ASSERT_NE(rgb, nullptr);
    EXPECT_EQ(LevelPixels(rgb.get(), GL_RGBA, 4), (Bytes{6, 5, 4, 255, 3, 2, 1, 255}));

    GLint unpack = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &unpack);
    EXPECT_EQ(unpack, 4) << "the upload puts the unpack alignment back";
}

TEST(QzTextureGL, DdsLevelsSetTheFiltersAndTheLastLevel) {
    ASSERT_NE(gl_test::Renderer(), nullptr);
    struct Case {
        const char* what;
        DdsFields fields;
        std::size_t payload;
        GLint minFilter;
        GLint maxLevel;
    };
    DdsFields one;
    one.width = one.height = 8;
    one.mipCount = 0;
    DdsFields partial;
    partial.width = partial.height = 16;
    partial.mipCount = 2;
    partial.fourCC = MakeFourCC("DXT5");
    DdsFields full;
    full.width = full.height = 4;
    full.mipCount = 3;
    full.fourCC = MakeFourCC("DXT3");
    const Case cases[] = {
        {"mip count 0: one level", one, 4 * 8, GL_LINEAR, 0},
        {"partial chain", partial, 16 * 16 + 4 * 16, GL_LINEAR_MIPMAP_LINEAR, 1},
        {"full chain", full, 3 * 16, GL_LINEAR_MIPMAP_LINEAR, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::unique_ptr<CQzTextureGL> t =
            Load("images/t.dds", MakeDds(c.fields, qz_test::PatternBytes(c.payload)));
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(t->GetName(), "images/t.dds");
        EXPECT_EQ(TexParameter(t.get(), GL_TEXTURE_MIN_FILTER), c.minFilter);
        EXPECT_EQ(TexParameter(t.get(), GL_TEXTURE_MAG_FILTER), GL_NEAREST);
        EXPECT_EQ(TexParameter(t.get(), GL_TEXTURE_WRAP_S), GL_CLAMP_TO_EDGE);
        EXPECT_EQ(TexParameter(t.get(), GL_TEXTURE_MAX_LEVEL), c.maxLevel);
        GLint compressed = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, c.maxLevel, GL_TEXTURE_COMPRESSED, &compressed);
        EXPECT_EQ(compressed, GL_TRUE) << "the last level was uploaded";
    }

    // Uncompressed 24-bit, 3 pixels wide: bytes go up in file order.
    DdsFields rgb;
    rgb.pixelFlags = 0x40;
    rgb.rgbBitCount = 24;
    rgb.width = 3;
    rgb.height = 2;
    rgb.mipCount = 1;
    const Bytes pixels = qz_test::PatternBytes(18, 10);
    std::unique_ptr<CQzTextureGL> t = Load("rgb.dds", MakeDds(rgb, pixels));
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(LevelPixels(t.get(), GL_RGB, 3), pixels);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST(QzTextureGL, RefusedFilesGiveNoTexture) {
    ASSERT_NE(gl_test::Renderer(), nullptr);
    DdsFields cube;
    cube.width = cube.height = 4;
    cube.mipCount = 1;
    cube.caps2 = 0x200;
    DdsFields dxt1 = cube;
    dxt1.caps2 = 0;
    const Bytes block = qz_test::PatternBytes(8);
    TgaFields tga;
    tga.width = 2;
    tga.height = 2;
    struct Case {
        const char* what;
        const char* path;
        Bytes file;
    } const cases[] = {
        {"cube map", "c.dds", MakeDds(cube, qz_test::PatternBytes(6 * 8))},
        {"upper-case extension", "T.DDS", MakeDds(dxt1, block)},
        {"no extension after the folder's dot", "set.d/dds", MakeDds(dxt1, block)},
        {"short DDS", "s.dds", MakeDds(dxt1, Bytes(block.begin(), block.end() - 1))},
        {"short TGA", "s.tga", MakeTga(tga, qz_test::PatternBytes(15))},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Load(c.path, c.file), nullptr) << c.what;
    }
    EXPECT_NE(Load("ok.dds", MakeDds(dxt1, block)), nullptr) << "the same block alone loads";
}

TEST(QzTextureGL, MakingOrDeletingTexturesKeepsTheBindingCacheTrue) {
    QZW::Win::CQzGraphicsGL2* g = gl_test::Renderer();
    ASSERT_NE(g, nullptr);
    std::unique_ptr<QZW::IQzTexture> red(gl_test::MakeTexel(255, 0, 0, 255));
    EXPECT_EQ(SampleTexel(g, red.get(), 0, 0).r, 255);

    // A texture made, re-filtered and wrapped while red is cached on the
    // active unit: red is still what unit 0 samples.
    std::unique_ptr<QZW::IQzTexture> green(gl_test::MakeTexel(0, 255, 0, 255));
    green->SetFilter(true, true);
    green->SetWrap(true);
    g->SetTexture(red.get(), 0);
    g->DrawRect(0, 0, 1280, 720, 255, 255, 255, 255, 0);
    const gl_test::Pixel kept = gl_test::ReadPixel(640, 360);
    EXPECT_EQ(kept.r, 255);
    EXPECT_EQ(kept.g, 0);

    // After a deletion a cached pointer may name a new texture: the next
    // SetTexture binds again even for a pointer it had cached.
    glBindTexture(GL_TEXTURE_2D, green->GetTextureId());
    delete gl_test::MakeTexel(1, 2, 3, 4);
    g->SetTexture(red.get(), 0);
    g->DrawRect(0, 0, 1280, 720, 255, 255, 255, 255, 0);
    EXPECT_EQ(gl_test::ReadPixel(640, 360).r, 255);
    g->SetTexture(nullptr, 0);
}

}  // namespace
