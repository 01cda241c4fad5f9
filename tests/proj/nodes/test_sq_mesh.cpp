// The script mesh node: value-by-value appends and their counts, Clear,
// colour byte order, the mesh hung under the node, and its material.
#include "proj/nodes/sq_mesh.h"

#include <gtest/gtest.h>

#include "qzware/scene/qz_mesh.h"
#include "tests/proj/nodes/node_script_fixture.h"

namespace {

using QZW::CSqMesh;

using MeshTest = node_test::NodeScriptTest;

TEST_F(MeshTest, AppendsAnswerTheirStreamsLengthsAndClearEmptiesTheMeshOnly) {
    EXPECT_EQ("1 2 3 1 1 1 2",
              Value("::m <- CSqMesh(); local r = [m.AppendVertex(0, 0, 0), m.AppendVertex(1, 0, 0),"
                    " m.AppendVertex(0, 1, 0), m.AppendTexCoord(0, 0), m.AppendNormal(0, 0, 1),"
                    " m.AppendIndex(0), m.AppendIndex(2)];"
                    "return r.reduce(@(a, b) a + \" \" + b)"));
    CSqMesh& m = *Object<CSqMesh>("m");
    ASSERT_EQ(1u, m.children.size());
    EXPECT_EQ(m.mesh.get(), m.children[0]);
    Value("m.Clear()");
    EXPECT_EQ(0u, m.mesh->GetBlock(0).indices.size());
    EXPECT_EQ(m.mesh.get(), m.children[0]) << "the mesh stays the node's child";
    EXPECT_EQ("1", Value("return m.AppendVertex(5, 5, 5)"));
}

TEST_F(MeshTest, ColoursTakeRedFromTheLowByte) {
    Value("::m <- CSqMesh(); m.AppendColor(0x80FF0000)");
    EXPECT_EQ(QZW::Color(0, 0, 255, 128), Object<CSqMesh>("m")->mesh->GetBlock(0).colours[0]);
}

TEST_F(MeshTest, PrimsArePlacedByTheirMatrixAndTheMeshDrawsInTheNodesTransform) {
    Value(
        "::m <- CSqMesh(); local t = Matrix(); t.TransrateMatrix(10, 0, 0);"
        "m.AppendPrim(t, Vector3(), Vector3().Set(1, 0, 0), Vector3().Set(0, 1, 0), 0xFF0000FF,"
        " 0xFF00FF00, 0xFFFF0000); m.SetPos(0, 0, 30); m.Draw(3)");
    const auto& block = Object<CSqMesh>("m")->mesh->GetBlock(0);
    ASSERT_EQ(3u, block.positions.size());
    EXPECT_FLOAT_EQ(11.0f, block.positions[1].x);
    EXPECT_EQ(QZW::Color(0, 255, 0, 255), block.colours[1]);
    NextFrame();
    Value("m.SetColor(1, 2, 3, 4); m.Hide(); m.SetPos(0, 0, 99); m.Draw(3)");
    graphics.ClearCalls();
    world.DrawFrame();
    bool drawn = false;
    for (const auto& c : graphics.calls) {
        if (c.name == "DrawArrays" && c.args[1] == 3) {
            drawn = true;
            EXPECT_FLOAT_EQ(30.0f, c.world[14]) << "hidden: the last matrix is kept";
        }
    }
    EXPECT_TRUE(drawn) << "SetColor and Hide leave what the mesh draws";
}

TEST_F(MeshTest, TheMaterialIsHandedToTheMeshAndForgottenWhenFreed) {
    Value("::m <- CSqMesh(); ::mat <- CSqMaterial(); mat.SetName(\"rock\"); m.SetMaterial(mat)");
    CSqMesh& m = *Object<CSqMesh>("m");
    EXPECT_EQ("rock", m.mesh->GetMaterialName());
    EXPECT_EQ(m.material, m.mesh->GetMaterial());
    Value("::mat <- null");
    NextFrame();
    EXPECT_EQ(nullptr, m.material);
    EXPECT_EQ(nullptr, m.mesh->GetMaterial());
    Value(
        "m.AppendSprite(Vector3(), Vector3().Set(1, 1, 1), Vector3(), 8, 8, 0, 0, 0xFFFFFFFF, 0)");
    EXPECT_EQ(0u, m.mesh->GetBlock(1).positions.size()) << "no texture: the mesh appends nothing";
}

}  // namespace
