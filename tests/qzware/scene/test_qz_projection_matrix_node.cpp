// The projection node: the orthographic and perspective terms for a target
// size, and what its draw hands to the renderer.
#include "qzware/scene/qz_projection_matrix_node.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <vector>

#include "tests/support/matrix_point.h"
#include "tests/support/recording_graphics.h"

namespace {

using qz_test_support::RecordingGraphics;
using qz_test_support::TransformPoint;
using QZW::Matrix;

TEST(QzProjectionNode, OrthographicMapsTheTargetAndPerspectiveKeepsItsTerms) {
    const Matrix ortho = QZW::QzNodeOrthoProjection(1280, 720);
    struct Case {
        float x, y, z;
        float cx, cy, cz;
    } const points[] = {
        {0, 0, 0, -1, 1, 0}, {1280, 720, 0, 1, -1, 0}, {640, 360, 0.5f, 0, 0, -0.5f}};
    for (const Case& c : points) {
        const std::vector<float> p = TransformPoint(ortho, c.x, c.y, c.z);
        EXPECT_FLOAT_EQ(p[0], c.cx);
        EXPECT_FLOAT_EQ(p[1], c.cy);
        EXPECT_FLOAT_EQ(p[2], c.cz);
        EXPECT_FLOAT_EQ(p[3], 1);
    }

    const Matrix persp = QZW::QzNodePerspectiveProjection(1280, 720);
    const float f = 1.0f / float(std::tan(0.18151408433914185));
    EXPECT_FLOAT_EQ(persp[0], f / (1280.0f / 720.0f));
    EXPECT_FLOAT_EQ(persp[5], -f);
    EXPECT_EQ(std::bit_cast<std::uint32_t>(persp[10]), 0xBF814954u);
    EXPECT_EQ(persp[11], -1.0f);
    EXPECT_EQ(std::bit_cast<std::uint32_t>(persp[14]), 0xC000A4AAu);
    EXPECT_EQ(persp[15], 0.0f);
    for (int i : {1, 2, 3, 4, 6, 7, 8, 9, 12, 13}) {
        EXPECT_EQ(persp[i], 0.0f) << i;
    }
    // Points at depth -1 and -200 (near and far) reach -1 and 1 after division.
    const std::vector<float> nearPoint = TransformPoint(persp, 0, 0, -1);
    const std::vector<float> farPoint = TransformPoint(persp, 0, 0, -200);
    EXPECT_NEAR(nearPoint[2] / nearPoint[3], -1.0f, 1e-5);
    EXPECT_NEAR(farPoint[2] / farPoint[3], 1.0f, 1e-4);

    // An empty target does not produce infinities.
    EXPECT_EQ(QZW::QzNodeOrthoProjection(0, 720), Matrix());
    EXPECT_EQ(QZW::QzNodePerspectiveProjection(1280, 0), Matrix());
}

TEST(QzProjectionNode, DrawSetsTheProjectionOfItsModeAndResetsTheWorld) {
    for (std::uint32_t mode : {0u, 1u, 7u}) {
        SCOPED_TRACE(mode);
        QZW::CQzProjectionMatrixNode node(640, 480);
        node.mode = mode;
        RecordingGraphics g;
        g.Translate(1, 2, 3);
        node.Draw(&g);
        const Matrix expected = mode == 0 ? QZW::QzNodeOrthoProjection(640, 480)
                                          : QZW::QzNodePerspectiveProjection(640, 480);
        EXPECT_EQ(g.projection, expected);
        EXPECT_EQ(node.matrices[QZW::CQzProjectionMatrixNode::kProjection], expected);
        EXPECT_EQ(g.world, Matrix());
        EXPECT_EQ(g.Names(), (std::vector<std::string>{"Translate", "SetProjectionMatrix",
                                                       "ResetWorldMatrix"}));
    }
}

}  // namespace
