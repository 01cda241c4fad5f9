// The projection arithmetic on known matrices: a camera 10 up and 10 back
// from the origin over the 1280 x 580 field at y 60, a level camera whose
// centre ray never meets the ground, ground movement (also bit for bit
// against the steps written out) and point in triangle.
#include "proj/script/projection_math.h"

#include <gtest/gtest.h>

#include <cmath>

#include "qzware/scene/qz_projection_matrix_node.h"

namespace {

using QZW::Vector2;
using QZW::Vector3;
using Sample::ProjectionCamera;
using Sample::ProjectionMatrices;

ProjectionCamera Camera(const Vector3& eye, const Vector3& target) {
    ProjectionCamera c;
    QZW::Matrix::SetLookAt(c.view, eye, target, Vector3(0, -1, 0));
    c.projection = QZW::QzNodePerspectiveProjection(1280, 580);
    c.eye = eye;
    c.viewportX = 0;
    c.viewportY = 60;
    c.viewportWidth = 1280;
    c.viewportHeight = 580;
    return c;
}

void ExpectNear(const Vector3& want, const Vector3& got, float tolerance) {
    EXPECT_NEAR(want.x, got.x, tolerance);
    EXPECT_NEAR(want.y, got.y, tolerance);
    EXPECT_NEAR(want.z, got.z, tolerance);
}

TEST(ProjectionMath, TheCameraTargetLandsMidFieldAndComesBackToTheGround) {
    const ProjectionCamera cam = Camera(Vector3(0, 10, -10), Vector3(0, 0, 0));
    const ProjectionMatrices m = Sample::BuildProjectionMatrices(cam);
    EXPECT_EQ(640.0f, m.screen[12]);
    EXPECT_EQ(-290.0f, m.screen[5]);
    const Vector3 centre = Sample::WorldToScreen(cam, m, Vector3());
    EXPECT_NEAR(640.0f, centre.x, 1e-3f);
    EXPECT_NEAR(350.0f, centre.y, 1e-3f);  // the field starts at y 60
    for (const Vector3& ground : {Vector3(0, 0, 0), Vector3(3, 0, 2), Vector3(-4, 0, -1)}) {
        const Vector3 s = Sample::WorldToScreen(cam, m, ground);
        ExpectNear(ground, Sample::ScreenToGround(cam, m, s.x, s.y), 2e-3f);
    }
    // Right of the target is right on screen; nearer is lower.
    EXPECT_GT(Sample::WorldToScreen(cam, m, Vector3(1, 0, 0)).x, 640.0f);
    EXPECT_GT(Sample::WorldToScreen(cam, m, Vector3(0, 0, -1)).y, 350.0f);
}

TEST(ProjectionMath, ViewSpaceAndScaleFollowTheViewMatrix) {
    const ProjectionCamera cam = Camera(Vector3(0, 0, -10), Vector3(0, 0, 0));
    const Vector3 view = Sample::WorldToView(cam, Vector3(0, 0, 0));
    EXPECT_NEAR(10.0f, std::abs(view.z), 1e-5f);
    // w grows with the distance: the perspective's -z term.
    EXPECT_NEAR(-view.z, Sample::WorldToScreenScale(cam, Vector3(0, 0, 0)), 1e-5f);
}

TEST(ProjectionMath, ARayParallelToTheGroundGivesTheEye) {
    const Vector3 eye(2, 5, -3);
    const ProjectionCamera cam = Camera(eye, Vector3(2, 5, 7));
    const ProjectionMatrices m = Sample::BuildProjectionMatrices(cam);
    EXPECT_EQ(eye, Sample::ScreenToGround(cam, m, 640, 350));
}

TEST(ProjectionMath, Move25DWithoutVerticalMovementKeepsZ) {
    const ProjectionCamera cam = Camera(Vector3(0, 10, -10), Vector3(0, 0, 0));
    const ProjectionMatrices m = Sample::BuildProjectionMatrices(cam);
    const Vector3 sideways = Sample::Move25D(cam, m, 1, 2, 40, 0);
    EXPECT_GT(sideways.x, 0.0f);
    EXPECT_EQ(0.0f, sideways.y);
    EXPECT_EQ(0.0f, sideways.z);
    // Up the screen is away from the camera: mostly +z on the ground.
    const Vector3 away = Sample::Move25D(cam, m, 1, 2, 0, 40);
    EXPECT_GT(away.z, 0.0f);
    EXPECT_LT(std::abs(away.x), away.z);
}

TEST(ProjectionMath, PointInTriangleIncludesEdgesAndOneWindingOnly) {
    const Vector2 a(0, 0), b(10, 0), c(0, 10);
    const struct {
        Vector2 p;
        bool swapWinding;
        int hit;
    } cases[] = {
        {Vector2(2, 2), false, 1}, {Vector2(0, 5), false, 1}, {Vector2(5, 5), false, 1},
        {Vector2(0, 0), false, 1}, {Vector2(6, 6), false, 0}, {Vector2(-1, 2), false, 0},
        {Vector2(2, 2), true, 0},  {Vector2(0, 5), true, 0},  {Vector2(20, -3), false, 0},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(testing::Message()
                     << k.p.x << "," << k.p.y << (k.swapWinding ? " swapped" : ""));
        EXPECT_EQ(k.hit, k.swapWinding ? Sample::IsHitPointTriangle(k.p, a, c, b)
                                       : Sample::IsHitPointTriangle(k.p, a, b, c));
    }
}

}  // namespace

// The ground-point algorithm step by step, as the scripts' results depend on
// it to the last bit: the ray direction divided by its length, then 100 units
// along it, then down to y 0.
Vector3 GroundStepByStep(const ProjectionCamera& cam, const ProjectionMatrices& m, float sx,
                         float sy) {
    const Vector3 a =
        Vector3(sx - cam.viewportX, sy - cam.viewportY, 0.0f).Transform(m.screenInverse);
    const Vector3 w = a.Transform(m.projectionInverse).Transform(m.viewInverse);
    Vector3 d = w - cam.eye;
    const float length = d.Length();
    if (length >= 1e-6f) {
        d = Vector3(d.x / length, d.y / length, d.z / length);
    }
    const Vector3 q = w + d * 100.0f;
    if (q.y - cam.eye.y == 0.0f) {
        return cam.eye;
    }
    const float t = (0.0f - cam.eye.y) / (q.y - cam.eye.y);
    return cam.eye + (q - cam.eye) * t;
}

TEST(ProjectionMath, GroundPointsAndMovesMatchTheStepsExactly) {
    const struct {
        Vector3 eye, target;
    } cameras[] = {
        {Vector3(0, 10, -10), Vector3(0, 0, 0)},
        {Vector3(3.7f, 12.3f, -17.9f), Vector3(-1.3f, 0.4f, 2.2f)},
        {Vector3(-8.1f, 6.6f, 4.4f), Vector3(0.9f, -0.7f, -3.1f)},
    };
    const struct {
        float x, z, dx, dy;
    } moves[] = {
        {0.3f, 0.7f, 13.0f, -7.0f},
        {-2.9f, 4.1f, 0.0f, 21.5f},
        {5.5f, -3.3f, -17.25f, 3.75f},
        {1.1f, 1.9f, 0.5f, 0.125f},
        {-0.6f, -7.7f, 33.3f, -9.9f},
        {7.3f, 2.2f, -1.0f, 1.0f},
        // Points whose 640 - y rounds differently from the plain y - dy.
        {1.1f, 0.3f, 2.5f, 1.3f},
        {1.8f, 1.65f, 2.5f, 1.3f},
        {-1.0f, -1.05f, 2.5f, 1.3f},
    };
    for (const auto& c : cameras) {
        const ProjectionCamera cam = Camera(c.eye, c.target);
        const ProjectionMatrices m = Sample::BuildProjectionMatrices(cam);
        for (const auto& k : moves) {
            SCOPED_TRACE(testing::Message() << c.eye.x << " " << k.x << "," << k.z);
            const Vector3 s = Sample::WorldToScreen(cam, m, Vector3(k.x, 0, k.z));
            const float px = s.x + k.dx, py = s.y - k.dy;
            EXPECT_EQ(GroundStepByStep(cam, m, px, py), Sample::ScreenToGround(cam, m, px, py));
            // The vertical movement is measured from screen y 640.
            const Vector3 g =
                GroundStepByStep(cam, m, s.x + k.dx, 640.0f - ((640.0f - s.y) + k.dy));
            EXPECT_EQ(Vector3(g.x - k.x, 0, g.z - k.z),
                      Sample::Move25D(cam, m, k.x, k.z, k.dx, k.dy));
        }
    }
}
