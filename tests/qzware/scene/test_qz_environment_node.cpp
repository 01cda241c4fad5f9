// The render-state node against the recording renderer: the program always,
// then projection, depth, blending and blend mode only under their mask bits.
#include "qzware/scene/qz_environment_node.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/recording_graphics.h"

namespace {

using qz_test_support::RecordingGraphics;
using QZW::CQzEnvironmentNode;

std::vector<std::string> Draw(QZW::CQzNode& node) {
    RecordingGraphics g;
    QZW::CQzNode::DrawTree(&node, &g);
    return g.Texts();
}

TEST(QzEnvironmentNode, AppliesOnlyWhatItsMaskSelects) {
    struct Case {
        std::uint32_t switches, mask, blendMode, shader;
        std::vector<std::string> expected;
    } const cases[] = {
        {0x00,
         0x47,
         3,
         5,
         {"UseShader(5)", "DisableDepthTest()", "DisableDepthWrite()", "DisableBlend()",
          "SetBlendMode(3)"}},
        {0x05, 0x05, 1, 2, {"UseShader(2)", "EnableDepthTest()", "EnableBlend()"}},
        {0x17, 0x80, 0, 0, {"UseShader(0)", "SetProjectionMatrix()", "ResetWorldMatrix()"}},
        {0x17, 0x00, 4, 13, {"UseShader(13)"}},
    };
    for (const Case& c : cases) {
        CQzEnvironmentNode env(1280, 720);
        env.switches = c.switches;
        env.mask = c.mask;
        env.blendMode = c.blendMode;
        env.shaderIndex = c.shader;
        EXPECT_EQ(Draw(env), c.expected) << "mask " << c.mask;
    }
    CQzEnvironmentNode defaults(1, 1);
    EXPECT_EQ(defaults.switches, 0x17u);
    EXPECT_EQ(defaults.parameters[6], 2.0f);
    EXPECT_EQ(defaults.parameters[7], 2.0f);
}

}  // namespace
