// A material's Apply against the recording renderer: the whole state in its
// order, texture units, the fixed light, and the light view-projection built
// from the world matrix in force.
#include "qzware/scene/qz_material.h"

#include <gtest/gtest.h>

#include <bit>
#include <string>
#include <vector>

#include "qzware/scene/iqz_texture.h"
#include "tests/support/recording_graphics.h"

namespace {

using qz_test_support::RecordingGraphics;
using QZW::CQzMaterial;
using QZW::Matrix;

class NamedTexture : public QZW::IQzTexture {
public:
    std::int32_t GetWidth() override { return 1; }
    std::int32_t GetHeight() override { return 1; }
    std::string GetName() override { return "t"; }
    void SetName(const std::string&) override {}
    void SetWrap(bool) override {}
    void SetFilter(bool, bool) override {}
};

std::vector<std::string> Applied(const CQzMaterial& material) {
    RecordingGraphics g;
    material.Apply(&g);
    return g.Texts();
}

TEST(QzMaterial, DefaultApplySetsTheWholeStateInOrder) {
    const std::vector<std::string> expected = {
        "DisableDepthTest()",
        "DisableDepthWrite()",
        "EnableBlend()",
        "SetBlendMode(0)",
        "UseShader(0)",
        "SetPaletteIndex(0)",
        "SetTexOffset(0, 0)",
        "SetTex1Offset(0, 0)",
        "SetGreaPow(1)",
        "SetGaussianDir(1, 0)",
        "SetYuragiParam(0, 0, 0)",
        "SetOfsZ(0)",
        "SetTexSize(0, 0)",
        "SetFrameBuffer(0)",
        "SetLight(1.38457, 1.93934, -1.39125, 1, 1, 1)",
        "SetAmbient(0.5, 0.5, 0.5)",
        "SetEyePos(-0.276501, 1.8724, -9.88484)",
        "SetLightViewProjMatrix()",
    };
    EXPECT_EQ(Applied(CQzMaterial()), expected);
}

TEST(QzMaterial, FieldsReachTheirCalls) {
    CQzMaterial m(7);
    m.depthTest = 1;
    m.depthWrite = 1;
    m.alphaBlend = 0;
    m.blendMode = 5;
    m.paletteIndex = 3;
    m.texOffset[0] = 0.25f;
    m.tex1Offset[1] = 0.5f;
    m.greaPow = 2;
    m.gaussianDir[0] = 0;
    m.gaussianDir[1] = 1;
    m.yuragiParam[2] = 4;
    m.zOffset = -1;
    m.texSize[0] = 64;
    m.texSize[1] = 32;
    m.frameBufferId = 10;
    const std::vector<std::string> got = Applied(m);
    const std::vector<std::string> head(got.begin(), got.begin() + 14);
    const std::vector<std::string> expected = {
        "EnableDepthTest()",
        "EnableDepthWrite()",
        "DisableBlend()",
        "SetBlendMode(5)",
        "UseShader(7)",
        "SetPaletteIndex(3)",
        "SetTexOffset(0.25, 0)",
        "SetTex1Offset(0, 0.5)",
        "SetGreaPow(2)",
        "SetGaussianDir(0, 1)",
        "SetYuragiParam(0, 0, 4)",
        "SetOfsZ(-1)",
        "SetTexSize(64, 32)",
        "SetFrameBuffer(10)",
    };
    EXPECT_EQ(head, expected);

    // The name is no part of the render state.
    CQzMaterial named(m);
    named.SetName("another");
    EXPECT_EQ(Applied(named), got);
    EXPECT_EQ(named.GetName(), "another");
}

TEST(QzMaterial, OnlySetUnitsAreBoundAndUnitsOutsideTheTableAreIgnored) {
    NamedTexture t3, t7;
    CQzMaterial m;
    m.SetTexture(3, &t3);
    m.SetTexture(7, &t7);
    for (int unit : {-1, 8, 1000}) {
        m.SetTexture(unit, &t7);
        EXPECT_EQ(m.GetTexture(unit), nullptr) << unit;
    }
    RecordingGraphics g;
    m.Apply(&g);
    std::vector<std::pair<double, const void*>> bound;
    for (const auto& call : g.calls) {
        if (call.name == "SetTexture") {
            bound.push_back({call.args[0], call.pointers[0]});
        }
    }
    const std::vector<std::pair<double, const void*>> expected = {{3, &t3}, {7, &t7}};
    EXPECT_EQ(bound, expected);
    for (int unit : {0, 1, 2, 4, 5, 6}) {
        EXPECT_EQ(m.GetTexture(unit), nullptr) << unit;
    }
}

TEST(QzMaterial, FixedLightIsBitExactAndLightMatrixFollowsTheWorld) {
    const QZW::QzFixedLight& light = QZW::QzMaterialLight();
    const std::uint32_t bits[] = {0x3FB139A8u, 0x3FF83C4Bu, 0xBFB2147Bu,
                                  0xBE8D9180u, 0x3FEFAABDu, 0xC11E2852u};
    const float values[] = {light.position[0], light.position[1], light.position[2],
                            light.eye[0],      light.eye[1],      light.eye[2]};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(std::bit_cast<std::uint32_t>(values[i]), bits[i]) << i;
    }

    CQzMaterial m;
    m.projectMapMatrix.ScaleMatrix(2, 4, 8);
    RecordingGraphics g;
    g.Translate(10, 20, 30);
    m.Apply(&g);
    ASSERT_EQ(g.calls.back().name, "SetLightViewProjMatrix");
    // (world x map x light): a point p goes p x world, then scaled, then
    // halved in x and y and negated in z.
    const Matrix& l = g.calls.back().matrix;
    const float p[4] = {1, 1, 1, 1};
    float out[4] = {};
    for (int c = 0; c < 4; ++c) {
        for (int r = 0; r < 4; ++r) {
            out[c] += p[r] * l[r * 4 + c];
        }
    }
    EXPECT_FLOAT_EQ(out[0], (1 + 10) * 2 * 0.5f);
    EXPECT_FLOAT_EQ(out[1], (1 + 20) * 4 * 0.5f);
    EXPECT_FLOAT_EQ(out[2], (1 + 30) * 8 * -1.0f);
    EXPECT_FLOAT_EQ(out[3], 1);
}

}  // namespace
