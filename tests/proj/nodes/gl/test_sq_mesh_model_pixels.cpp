// A skinned model part drawn through the OpenGL renderer: the skinning
// program moves the vertices that follow bone 1 to where the skin
// animation's pose puts them, and leaves those of bone 0 in place.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "proj/nodes/sq_material.h"
#include "proj/nodes/sq_mesh_model.h"
#include "qzware/common/qz_mem.h"
#include "qzware/scene/iqz_texture.h"
#include "tests/support/gl_test_context.h"
#include "tools/datawriters/model_bin_writer.h"

namespace {

// Virtual-screen (x, y down) to a read-back row of the 720-high target.
gl_test::Pixel At(int x, int y) {
    return gl_test::ReadPixel(x, 719 - y);
}

bool IsBackground(const gl_test::Pixel& p) {
    return p.r == 0 && p.g == 0 && p.b == 64;
}

// Two 100 x 100 squares side by side in one part, left one on bone 0 and
// right one on bone 1; the skin animation "slide" moves bone 1 by (0, 300).
std::vector<std::uint8_t> SkinnedSquares() {
    qztools::ModelPartDesc p;
    p.materialName = "skinned_pixels";
    qztools::ModelSkinDesc skin;
    for (int square = 0; square < 2; ++square) {
        const float x0 = float(square) * 200.0f;
        const std::uint16_t base = std::uint16_t(p.positions.size());
        p.positions.insert(p.positions.end(),
                           {{x0, 0, 0}, {x0 + 100, 0, 0}, {x0 + 100, 100, 0}, {x0, 100, 0}});
        p.uvs.insert(p.uvs.end(), {{0, 0}, {1, 0}, {1, 1}, {0, 1}});
        p.indices.insert(p.indices.end(), {base, std::uint16_t(base + 1), std::uint16_t(base + 2),
                                           base, std::uint16_t(base + 2), std::uint16_t(base + 3)});
        for (int v = 0; v < 4; ++v) {
            skin.boneIndices.insert(skin.boneIndices.end(), {std::uint16_t(square), 0, 0, 0});
            skin.weights.insert(skin.weights.end(), {1.0f, 0.0f, 0.0f, 0.0f});
        }
    }
    skin.bones = {{"still", qztools::ModelIdentity()},
                  {"moved", qztools::ModelTranslation(0, 50, 0)}};
    // Frame-major: frame 0 poses both bones at their binds, frame 1 puts
    // bone 1 at (0, 350).
    skin.anims.push_back({"slide",
                          {qztools::ModelIdentity(), qztools::ModelTranslation(0, 50, 0),
                           qztools::ModelIdentity(), qztools::ModelTranslation(0, 350, 0)}});
    p.skin = skin;
    return qztools::EncodeModelBin({p});
}

TEST(SqMeshModelPixels, SkinnedPartLandsWhereItsBonesPutIt) {
    QZW::Win::CQzGraphicsGL2* g = gl_test::Renderer();
    ASSERT_NE(g, nullptr);
    QzMemManagerCreate();
    {
        // The skinning program, opaque, with a white texel in unit 0.
        QZW::SqMaterialInfo info;
        info.shaderType = 8;
        info.alphablend = false;
        QZW::SetSqMaterialInfo("skinned_pixels", info);

        const std::vector<std::uint8_t> bytes = SkinnedSquares();
        void* image = QzMemAllocLocked(std::uint32_t(bytes.size()), 8);
        std::memcpy(image, bytes.data(), bytes.size());
        QZW::CSqMeshModel model;
        ASSERT_EQ(model.ParseModelBin(image, bytes.size(), false, false, false), 1);
        ASSERT_EQ(model.parts.size(), 1u);
        std::unique_ptr<QZW::IQzTexture> white(gl_test::MakeTexel(255, 255, 255, 255));
        model.parts[0].material->textures[0] = white.get();

        // Placed at (300, 100); frame 0 of "slide" leaves both squares in place.
        model.SetPos(300, 100, 0);
        model.PlaySkinAnim("slide");
        g->SetFrameBuffer(0);
        g->Clear(0, 0, 64, 255);
        g->SetViewport(0, 0, 1280, 720, 0.1f, 1000.0f);
        g->SetOrthoProjection();
        model.Update();
        model.DrawParts(0);
        QZW::CQzNode::DrawTree(model.parts[0].partNode.get(), g);
        EXPECT_FALSE(IsBackground(At(350, 150))) << "bone 0 square, frame 0";
        EXPECT_FALSE(IsBackground(At(550, 150))) << "bone 1 square, frame 0";
        EXPECT_TRUE(IsBackground(At(550, 450))) << "below the bone 1 square, frame 0";

        // Frame 1: bone 1 = inverse(T(0, 50, 0)) x T(0, 350, 0) = T(0, 300, 0).
        g->Clear(0, 0, 64, 255);
        model.Update();
        model.DrawParts(0);
        QZW::CQzNode::DrawTree(model.parts[0].partNode.get(), g);
        EXPECT_FALSE(IsBackground(At(350, 150))) << "bone 0 square stays";
        EXPECT_TRUE(IsBackground(At(550, 150))) << "bone 1 square has left";
        EXPECT_FALSE(IsBackground(At(550, 450))) << "bone 1 square, moved down by 300";
        EXPECT_TRUE(IsBackground(At(450, 450))) << "between the squares";
        model.parts[0].material->textures[0] = nullptr;
        QZW::FreeSqMaterialInfo();
    }
    QzMemManagerDestroy();
}

}  // namespace
