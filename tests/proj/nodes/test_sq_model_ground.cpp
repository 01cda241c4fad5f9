// The model's ground and hit queries over hand-built parts: which part is
// chosen, what "h_norimono" may and may not be, the collision flag, and the
// hit mesh's axis, centre and box.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "proj/nodes/sq_model_ground.h"
#include "qzware/scene/qz_material.h"

namespace {

// A rectangle [u0, u1] x [v0, v1] in the x-z plane (or x-y for a wall),
// its third coordinate going from h0 at u0 to h1 at u1, wound the way the
// walks accept.
struct Surface {
    const char* material;
    float u0, v0, u1, v1;
    float h0, h1;
    bool wall;
    QZW::Matrix matrix;
};

class Scene {
public:
    explicit Scene(const std::vector<Surface>& surfaces) {
        for (const Surface& s : surfaces) {
            auto material = std::make_unique<QZW::CQzMaterial>(5);
            material->SetName(s.material);
            auto mesh = std::make_unique<QZW::CQzMesh>();
            mesh->matrix = s.matrix;
            const float us[4] = {s.u0, s.u1, s.u1, s.u0};
            const float vs[4] = {s.v0, s.v0, s.v1, s.v1};
            QZW::Vector3 corners[4];
            for (int i = 0; i < 4; ++i) {
                const float h = us[i] == s.u0 ? s.h0 : s.h1;
                corners[i] = s.wall ? QZW::Vector3(us[i], vs[i], h) : QZW::Vector3(us[i], h, vs[i]);
            }
            const std::uint16_t indices[6] = {0, 2, 1, 0, 3, 2};
            mesh->SetVertexData(4, 6, corners, nullptr, nullptr, nullptr, indices);
            mesh->SetMaterial(material.get());
            QZW::SqModelPart part;
            part.mesh = mesh.get();
            parts.push_back(std::move(part));
            meshes.push_back(std::move(mesh));
            materials.push_back(std::move(material));
        }
    }

    std::vector<QZW::SqModelPart> parts;

private:
    std::vector<std::unique_ptr<QZW::CQzMesh>> meshes;
    std::vector<std::unique_ptr<QZW::CQzMaterial>> materials;
};

// Part 0: a rock sloping from 1 (x = -8) to 3 (x = -6) over [-8, -6]^2.
// Part 1: grass at 0 over [-10, 10]^2.
// Part 2: the ride platform, a unit square at 0 placed by its matrix to
// [0, 4]^2 at height 5 (scale 4 in x and z, translation (0, 5, 0)).
Scene Field() {
    QZW::Matrix platform;
    platform.TransrateMatrix(0, 5, 0);
    platform.ScaleMatrix(4, 1, 4);  // S x T: scaled, then moved
    return Scene({
        {"rock", -8, -8, -6, -6, 1, 3, false, QZW::Matrix()},
        {"grass", -10, -10, 10, 10, 0, 0, false, QZW::Matrix()},
        {"h_norimono", 0, 0, 1, 1, 0, 0, false, platform},
    });
}

struct GroundCase {
    const char* what;
    float x, y, z;
    bool rockActive;
    bool isHit;
    bool inBound;
    float ground;
    const char* groundName;
    float top;
    const char* topName;
    QZW::Vector3 centre;
    QZW::Vector3 zaxis;
    QZW::Vector3 boxPos, boxSize;
};

TEST(SqModelGround, GroundInfoChoosesGroundAndTopAmongCollisionParts) {
    const QZW::Vector3 none(0, 0, 0);
    const QZW::Vector3 zUnit(0, 0, 1);
    const GroundCase cases[] = {
        {"platform over grass: the platform is the top, never the ground",
         2,
         10,
         2,
         true,
         true,
         false,
         0,
         "grass",
         5,
         "h_norimono",
         {0, 5, 0},
         {0, 0, 1},
         {2, 5, 2},
         {4, 0, 4}},
        {"grass alone",
         5,
         10,
         -5,
         true,
         true,
         false,
         0,
         "grass",
         0,
         "grass",
         none,
         zUnit,
         {0, 0, 0},
         {20, 0, 20}},
        {"rock above grass, probe inside the rock's box",
         -7,
         1.5f,
         -7,
         true,
         true,
         true,
         2,
         "rock",
         2,
         "rock",
         none,
         zUnit,
         {-7, 2, -7},
         {2, 2, 2}},
        {"rock switched off",
         -7,
         1.5f,
         -7,
         false,
         true,
         false,
         0,
         "grass",
         0,
         "grass",
         none,
         zUnit,
         {0, 0, 0},
         {20, 0, 20}},
        {"outside every part", 50, 0, 50, true, false, false, -100, "", -100, "", none, none, none,
         none},
    };
    for (const GroundCase& c : cases) {
        SCOPED_TRACE(c.what);
        Scene scene = Field();
        scene.parts[0].colActive = c.rockActive;
        const QZW::SqHitMeshInfo info = QZW::SqModelGroundInfo(scene.parts, c.x, c.y, c.z);
        EXPECT_EQ(info.IsHit, c.isHit);
        EXPECT_EQ(info.IsInBound, c.inBound);
        EXPECT_FLOAT_EQ(info.GroundHight, c.ground);
        EXPECT_EQ(info.MaterialName, c.groundName);
        EXPECT_FLOAT_EQ(info.TopHight, c.top);
        EXPECT_EQ(info.TopMaterialName, c.topName);
        for (auto [got, want] : {std::pair{info.MeshCenterPos, c.centre},
                                 {info.zaxis, c.zaxis},
                                 {info.boundBox.pos, c.boxPos},
                                 {info.boundBox.size, c.boxSize}}) {
            EXPECT_FLOAT_EQ(got.x, want.x);
            EXPECT_FLOAT_EQ(got.y, want.y);
            EXPECT_FLOAT_EQ(got.z, want.z);
        }
    }
}

TEST(SqModelGround, GroundHightTakesTheFirstPartUnderThePointWhateverItsCollisionFlag) {
    Scene scene = Field();
    scene.parts[0].colActive = false;
    EXPECT_FLOAT_EQ(QZW::SqModelGroundHight(scene.parts, -7, 0, -7), 2.0f);
    // The platform lies under (2, 2) too, but the grass comes first.
    EXPECT_FLOAT_EQ(QZW::SqModelGroundHight(scene.parts, 2, 0, 2), 0.0f);
    EXPECT_FLOAT_EQ(QZW::SqModelGroundHight(scene.parts, 50, 0, 50), -500.0f);
}

TEST(SqModelGround, GroundInfoXYTakesTheNearestWallBelowTheCeiling) {
    Scene scene({
        {"far", -2, 0, 2, 4, 40, 40, true, QZW::Matrix()},
        {"near", -2, 0, 2, 4, 10, 10, true, QZW::Matrix()},
        {"beyond", -2, 0, 2, 4, 150, 150, true, QZW::Matrix()},
    });
    scene.parts[1].colActive = false;  // not consulted by this query
    QZW::SqHitMeshInfo hit = QZW::SqModelGroundInfoXY(scene.parts, 0, 2, 0);
    EXPECT_TRUE(hit.IsHit);
    EXPECT_FLOAT_EQ(hit.GroundHight, 10.0f);
    EXPECT_EQ(hit.MaterialName, "near");
    EXPECT_FLOAT_EQ(hit.TopHight, 10.0f);
    EXPECT_EQ(hit.TopMaterialName, "near");
    EXPECT_EQ(hit.MeshCenterPos.x, 0.0f);

    const QZW::SqHitMeshInfo miss = QZW::SqModelGroundInfoXY(scene.parts, 30, 2, 0);
    EXPECT_FALSE(miss.IsHit);
    EXPECT_FALSE(miss.IsInBound);
    EXPECT_FLOAT_EQ(miss.GroundHight, 100.0f);
    EXPECT_EQ(miss.MaterialName, "");
}

TEST(SqModelGround, BoundBoxCornersAreHalfTheSizeAroundTheCentre) {
    QZW::BoundBox box;
    box.pos = QZW::Vector3(1, 2, 3);
    box.size = QZW::Vector3(2, 4, 6);
    const QZW::Vector3 lo = box.GetMin(), hi = box.GetMax();
    EXPECT_EQ(lo.x, 0.0f);
    EXPECT_EQ(lo.y, 0.0f);
    EXPECT_EQ(lo.z, 0.0f);
    EXPECT_EQ(hi.x, 2.0f);
    EXPECT_EQ(hi.y, 4.0f);
    EXPECT_EQ(hi.z, 6.0f);
}

}  // namespace
