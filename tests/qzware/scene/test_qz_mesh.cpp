// Meshes against the recording renderer: ground and hit queries on a
// two-triangle quad, the bound box, draws of both blocks, skinning, vertex
// buffers, and the guards against short streams and stray indices.
#include "qzware/scene/qz_mesh.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "qzware/scene/qz_material.h"
#include "qzware/scene/qz_node.h"
#include "tests/support/recording_graphics.h"
#include "tests/support/sized_texture.h"

namespace {

using qz_test_support::RecordingGraphics;
using qz_test_support::SizedTexture;

// A 4 x 4 quad over x, z in [0, 4] at height 2; `accepted` picks the winding
// the ground walk reads (the other winding hits only on edges).
void SetQuad(QZW::CQzMesh& mesh, bool accepted, float height = 2.0f) {
    const QZW::Vector3 p[4] = {{0, height, 0}, {4, height, 0}, {4, height, 4}, {0, height, 4}};
    const std::uint16_t good[6] = {0, 3, 2, 0, 2, 1};
    const std::uint16_t back[6] = {0, 2, 3, 0, 1, 2};
    mesh.SetVertexData(4, 6, p, nullptr, nullptr, nullptr, accepted ? good : back);
}

TEST(MeshQueries, GroundOfATwoTriangleQuad) {
    struct Case {
        const char* what;
        bool accepted;
        float x, z;
        float height;  // GetGroundHight
        bool over;     // IsInBoundXZ
        bool infoHit;  // GetGroundInfo
        float infoHeight;
    } const cases[] = {
        {"centre", true, 2, 2, 2, true, true, 2},
        {"near a corner", true, 0.5f, 3.5f, 2, true, true, 2},
        {"on the box edge", true, 4, 4, 2, true, true, 2},
        {"just outside", true, 4.01f, 2, -500, false, false, 0},
        {"far outside", true, -3, -3, -500, false, false, 0},
        {"back face inside", false, 1, 3, -500, false, false, 0},
        {"back face outside", false, 9, 9, -500, false, false, 0},
    };
    for (const Case& c : cases) {
        QZW::CQzMesh mesh;
        SetQuad(mesh, c.accepted);
        EXPECT_EQ(mesh.GetGroundHight(c.x, 0, c.z), c.height) << c.what;
        EXPECT_EQ(mesh.IsInBoundXZ(c.x, 0, c.z), c.over) << c.what;
        QZW::QzHitMeshInfo info;
        info.MaterialName = "stale";
        mesh.GetGroundInfo(info, c.x, 2, c.z);
        EXPECT_EQ(info.IsHit, c.infoHit) << c.what;
        EXPECT_EQ(info.GroundHight, c.infoHeight) << c.what;
        EXPECT_EQ(info.MaterialName, "") << c.what;
    }
}

TEST(MeshQueries, SlopedPlaneHeightAndTheXYWalk) {
    // A ramp rising from y 0 at x 0 to y 4 at x 4.
    const QZW::Vector3 p[4] = {{0, 0, 0}, {4, 4, 0}, {4, 4, 4}, {0, 0, 4}};
    const std::uint16_t idx[6] = {0, 3, 2, 0, 2, 1};
    QZW::CQzMesh mesh;
    mesh.SetVertexData(4, 6, p, nullptr, nullptr, nullptr, idx);
    EXPECT_NEAR(mesh.GetGroundHight(1, 0, 2), 1.0f, 1e-5);
    EXPECT_NEAR(mesh.GetGroundHight(3, 0, 1), 3.0f, 1e-5);

    // A wall in the XY plane at z 5, read by the XY query.
    const QZW::Vector3 w[3] = {{0, 0, 5}, {4, 0, 5}, {0, 4, 5}};
    const std::uint16_t wi[2][3] = {{0, 1, 2}, {0, 2, 1}};
    bool anyHit = false;
    for (const auto& order : wi) {
        QZW::CQzMesh wall;
        wall.SetVertexData(3, 3, w, nullptr, nullptr, nullptr, order);
        QZW::QzHitMeshInfo info;
        wall.GetGroundInfoXY(info, 1, 1, 5);
        EXPECT_TRUE(info.InBound);
        if (info.IsHit) {
            anyHit = true;
            EXPECT_EQ(info.GroundHight, 5.0f);
        }
        wall.GetGroundInfoXY(info, 3, 3, 5);  // inside the box, outside the triangle
        EXPECT_FALSE(info.IsHit);
    }
    EXPECT_TRUE(anyHit);
}

TEST(MeshQueries, FlatTrianglesAndStrayIndicesAreNeverRead) {
    // First triangle: a vertical wall over the line z = 2 (no XZ area),
    // which contains every point of that line; then the real ground.
    const QZW::Vector3 p[6] = {{0, 0, 2}, {4, 9, 2}, {4, 0, 2}, {0, 2, 0}, {0, 2, 4}, {4, 2, 4}};
    const std::uint16_t idx[6] = {0, 1, 2, 3, 4, 5};
    QZW::CQzMesh mesh;
    mesh.SetVertexData(6, 6, p, nullptr, nullptr, nullptr, idx);
    const float h = mesh.GetGroundHight(1, 0, 2);
    EXPECT_EQ(h, 2.0f);
    QZW::QzHitMeshInfo info;
    mesh.GetGroundInfo(info, 1, 0, 2);
    EXPECT_TRUE(info.IsHit);
    EXPECT_EQ(info.GroundHight, 2.0f);

    // An index at the vertex count: the queries find nothing and the bound
    // box counts only the valid entries.
    const std::uint16_t stray[6] = {3, 4, 5, 3, 5, 6};
    QZW::CQzMesh bad;
    bad.SetVertexData(6, 6, p, nullptr, nullptr, nullptr, stray);
    EXPECT_EQ(bad.GetGroundHight(1, 2, 3), -500.0f);
    EXPECT_FALSE(bad.IsInBoundXZ(1, 2, 3));
    EXPECT_EQ(bad.GetBoundSize(), QZW::Vector3(4, 0, 4));
    RecordingGraphics g;
    bad.Draw(&g);
    EXPECT_EQ(g.Count("DrawIndexed"), 0u);
}

TEST(MeshQueries, BoundBoxFollowsTheNodeMatrixAndNeedsIndices) {
    QZW::CQzMesh mesh;
    SetQuad(mesh, true);
    QZW::Vector3 centre, size;
    mesh.CalcBoundBox(centre, size);
    EXPECT_EQ(centre, QZW::Vector3(2, 2, 2));
    EXPECT_EQ(size, QZW::Vector3(4, 0, 4));
    mesh.matrix.TransrateMatrix(10, 0, 0);
    mesh.CalcBoundBox(centre, size);
    EXPECT_EQ(centre, QZW::Vector3(12, 2, 2));
    EXPECT_EQ(mesh.GetGroundHight(12, 0, 2), 2.0f);
    EXPECT_EQ(mesh.GetGroundHight(2, 0, 2), -500.0f);

    const QZW::Vector3 p[3] = {{0, 0, 0}, {1, 0, 0}, {0, 0, 1}};
    QZW::CQzMesh loose;
    loose.SetVertexData(3, 0, p, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(loose.GetBoundCentre(), QZW::Vector3(0, 0, 0));
    EXPECT_EQ(loose.GetBoundSize(), QZW::Vector3(-19999998, -19999998, -19999998));
    EXPECT_FALSE(loose.IsInBoundXZ(0, 0, 0));
}

TEST(MeshDraw, BlocksDrawInOrderWithOnlyCoveringStreams) {
    const QZW::Vector3 p[4] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    const QZW::Color c[4];
    const QZW::Vector2 uv[4];
    const std::uint16_t idx[6] = {0, 1, 2, 0, 2, 3};
    QZW::CQzMesh mesh;
    mesh.SetVertexData(4, 6, p, c, nullptr, nullptr, idx);
    mesh.AppendGlyph(p, c, uv);
    // A prim adds three positions and colours but no UVs: the block's UV
    // stream (empty here) never goes out shorter than its positions.
    const QZW::Vector3 tri[3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    const QZW::Color tc[3];
    mesh.AppendPrim(QZW::Matrix(), tri, tc);
    mesh.matrix.TransrateMatrix(5, 6, 7);
    RecordingGraphics g;
    QZW::CQzNode::DrawTree(&mesh, &g);
    const std::vector<std::string> expected = {
        "Translate(0, 0, 0)",   "Scale(1, 1, 1)",   "PushMatrix()", "MultMatrix()",
        "DrawIndexed(3, 7, 6)", "DrawArrays(6, 4)", "PopMatrix()"};
    ASSERT_EQ(g.Texts(), expected);
    EXPECT_EQ(g.calls[3].matrix[12], 5.0f);
    const auto& block0 = g.calls[4];
    EXPECT_NE(block0.pointers[1], nullptr);  // 7 colours for 7 positions
    EXPECT_EQ(block0.pointers[2], nullptr);
    EXPECT_EQ(block0.pointers[3], nullptr);
    const auto& block1 = g.calls[5];
    EXPECT_NE(block1.pointers[1], nullptr);
    EXPECT_NE(block1.pointers[2], nullptr);

    // Short colour stream: vertex data with colours, then a prim appended
    // on a mesh whose block 0 had none.
    QZW::CQzMesh shortColours;
    shortColours.SetVertexData(4, 0, p, nullptr, nullptr, nullptr, nullptr);
    shortColours.AppendPrim(QZW::Matrix(), tri, tc);
    RecordingGraphics g2;
    shortColours.Draw(&g2);
    ASSERT_EQ(g2.Texts("DrawArrays"), std::vector<std::string>{"DrawArrays(3, 7)"});
    EXPECT_EQ(g2.calls.back().pointers[1], nullptr);  // 3 colours for 7 positions
}

TEST(MeshDraw, VertexBufferIsUsedUntilClearDropsIt) {
    const QZW::Vector3 p[4] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    const std::uint16_t idx[6] = {0, 1, 2, 0, 2, 3};
    QZW::CQzMesh mesh;
    RecordingGraphics g;
    EXPECT_EQ(mesh.CreateVertexBuffer(&g), nullptr);
    mesh.SetVertexData(4, 6, p, nullptr, nullptr, nullptr, idx);
    ASSERT_NE(mesh.CreateVertexBuffer(&g), nullptr);
    EXPECT_EQ(g.Texts("CreateVertexBuffer"), std::vector<std::string>{"CreateVertexBuffer(4)"});
    EXPECT_EQ(g.calls.back().pointers[1], nullptr);
    g.ClearCalls();
    mesh.Draw(&g);
    EXPECT_EQ(g.Texts("DrawRangeElementsVB"),
              std::vector<std::string>{"DrawRangeElementsVB(3, 4, 6)"});

    // New, smaller data: the 4-vertex buffer must not be drawn for it.
    mesh.SetVertexData(3, 3, p, nullptr, nullptr, nullptr, idx);
    EXPECT_EQ(mesh.GetBlock(0).vertexBuffer, nullptr);
    g.ClearCalls();
    mesh.Draw(&g);
    EXPECT_EQ(g.Count("DrawRangeElementsVB"), 0u);
    EXPECT_EQ(g.Texts("DrawIndexed"), std::vector<std::string>{"DrawIndexed(3, 3, 3)"});
}

TEST(MeshDraw, SkinnedDrawUploadsTheBonePalette) {
    const QZW::Vector3 p[3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    const std::uint16_t idx[3] = {0, 1, 2};
    const std::uint16_t bones[12] = {0};
    const float weights[12] = {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};
    struct Case {
        int boneCount;
        bool indexed;
        int uploaded;
    } const cases[] = {{1, true, 1}, {1, false, 1}, {17, true, 16}};
    for (const Case& c : cases) {
        QZW::CQzMesh mesh;
        mesh.SetVertexData(3, c.indexed ? 3 : 0, p, nullptr, nullptr, nullptr,
                           c.indexed ? idx : nullptr);
        QZW::Matrix bind;
        bind.TransrateMatrix(3, 4, 5);
        for (int i = 0; i < c.boneCount; ++i) {
            mesh.AddBone(bind, "bone" + std::to_string(i));
        }
        mesh.AddSkinWeights(3, bones, weights, "skin");
        RecordingGraphics g;
        mesh.Draw(&g);
        ASSERT_EQ(g.Texts("SetBoneMatrices"),
                  std::vector<std::string>{"SetBoneMatrices(" + std::to_string(c.uploaded) + ")"});
        const QZW::Matrix* palette = nullptr;
        for (const auto& call : g.calls) {
            if (call.name == "SetBoneMatrices") {
                palette = static_cast<const QZW::Matrix*>(call.pointers[0]);
            }
        }
        ASSERT_NE(palette, nullptr);
        EXPECT_EQ(palette[0], bind);
        EXPECT_EQ(palette[15], c.boneCount > 15 ? bind : QZW::Matrix());
        if (c.boneCount == 1) {
            EXPECT_EQ(palette[1], QZW::Matrix());
        }
        const char* name = c.indexed ? "DrawIndexedSkinned" : "DrawSkinned";
        ASSERT_EQ(g.Count(name), 1u);
        const auto& draw = g.calls.back();
        EXPECT_EQ(draw.pointers[c.indexed ? 5 : 4], mesh.GetSkins()[0].boneIndices.data());
        EXPECT_EQ(draw.pointers[c.indexed ? 6 : 5], mesh.GetSkins()[0].weights.data());
    }

    // Weights for fewer vertices than the mesh has: drawn unskinned.
    QZW::CQzMesh partial;
    partial.SetVertexData(3, 3, p, nullptr, nullptr, nullptr, idx);
    partial.AddBone(QZW::Matrix(), "root");
    partial.AddSkinWeights(2, bones, weights, "skin");
    RecordingGraphics g;
    partial.Draw(&g);
    EXPECT_EQ(g.Count("DrawIndexedSkinned"), 0u);
    EXPECT_EQ(g.Count("DrawIndexed"), 1u);
}

TEST(MeshDraw, WithoutMaterialNothingIsAppliedOrAppended) {
    QZW::CQzMesh mesh;
    mesh.SetMaterial(nullptr);
    EXPECT_EQ(mesh.GetMaterialName(), "");
    mesh.AppendSprite(0, 0, 0, 1, 1, 1, 0, 0, 0, 8, 8, 0, 0, 0xFFFFFFFFu, 4);
    mesh.AppendSpriteQuad(QZW::Matrix(), 8, 8, 0, 0, 0xFFFFFFFFu, 0, 0);
    EXPECT_TRUE(mesh.GetBlock(1).positions.empty());
    RecordingGraphics g;
    mesh.Draw(&g);
    EXPECT_EQ(g.Texts(), (std::vector<std::string>{"Translate(0, 0, 0)", "Scale(1, 1, 1)",
                                                   "PushMatrix()", "MultMatrix()"}));
}

TEST(MeshDraw, SpritesLandInBlock1AndShareBlock0sMaterialState) {
    SizedTexture texture(64, 32);
    QZW::CQzMaterial material(3);
    material.SetName("grass");
    material.SetTexture(0, &texture);
    struct Case {
        int anchor;
        QZW::Vector3 first;
    } const cases[] = {{0, {100, 50, 7}}, {4, {96, 48, 7}}, {8, {92, 46, 7}}};
    for (const Case& c : cases) {
        QZW::CQzMesh mesh;
        mesh.SetMaterial(&material);
        EXPECT_EQ(mesh.GetMaterialName(), "grass");
        mesh.AppendSprite(100, 50, 7, 1, 1, 1, 0, 0, 0, 8, 4, 16, 8, 0xFF00FF00u, c.anchor);
        const QZW::QzMeshBlock& b1 = mesh.GetBlock(1);
        ASSERT_EQ(b1.positions.size(), 4u);
        EXPECT_EQ(b1.positions[0], c.first) << "anchor " << c.anchor;
        EXPECT_EQ(b1.positions[2], c.first + QZW::Vector3(8, 4, 0)) << "anchor " << c.anchor;
        EXPECT_EQ(b1.uvs[0].x, 0.25f);
        EXPECT_EQ(b1.uvs[2].x, 0.375f);
        EXPECT_EQ(b1.uvs[2].y, 0.375f);
        EXPECT_EQ(b1.colours[3], QZW::Color(0, 255, 0, 255));

        // Only block 1 has data: the material is still applied, once.
        RecordingGraphics g;
        mesh.Draw(&g);
        EXPECT_EQ(g.Texts("UseShader"), std::vector<std::string>{"UseShader(3)"});
        EXPECT_EQ(g.Texts("DrawArrays"), std::vector<std::string>{"DrawArrays(6, 4)"});
        std::size_t applied = 0, drawn = 0;
        for (std::size_t i = 0; i < g.calls.size(); ++i) {
            applied = g.calls[i].name == "UseShader" ? i : applied;
            drawn = g.calls[i].name == "DrawArrays" ? i : drawn;
        }
        EXPECT_LT(applied, drawn);
    }

    // A rotation about z by 90 degrees turns the quad's width onto +y (pi is 3.14159).
    QZW::CQzMesh turned;
    turned.SetMaterial(&material);
    turned.AppendSprite(0, 0, 0, 1, 1, 1, 0, 0, 90, 8, 4, 0, 0, 0xFFFFFFFFu, 0);
    EXPECT_NEAR(turned.GetBlock(1).positions[1].x, 0.0f, 1e-4);
    EXPECT_NEAR(turned.GetBlock(1).positions[1].y, 8.0f, 1e-4);

    // Ground info names the material; dropping the material drops the name.
    QZW::CQzMesh ground;
    SetQuad(ground, true);
    ground.SetMaterial(&material);
    QZW::QzHitMeshInfo info;
    ground.GetGroundInfo(info, 2, 2, 2);
    EXPECT_TRUE(info.IsHit);
    EXPECT_EQ(info.MaterialName, "grass");
    ground.SetMaterial(nullptr);
    ground.GetGroundInfo(info, 2, 2, 2);
    EXPECT_TRUE(info.IsHit);
    EXPECT_EQ(info.MaterialName, "");

    // A material without a unit-0 texture takes no sprites.
    QZW::CQzMaterial bare;
    QZW::CQzMesh none;
    none.SetMaterial(&bare);
    none.AppendSprite(0, 0, 0, 1, 1, 1, 0, 0, 0, 8, 4, 0, 0, 0xFFFFFFFFu, 0);
    EXPECT_TRUE(none.GetBlock(1).positions.empty());
}

}  // namespace
