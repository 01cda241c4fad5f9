// Vector library: lengths, normalising (short vectors kept as they are),
// cross and dot products, distances. Transform is tested with the matrices.
#include "qzware/scene/qz_vector.h"

#include <gtest/gtest.h>

namespace {

using QZW::Vector3;

void ExpectVec(const Vector3& got, const Vector3& want, float tolerance) {
    EXPECT_NEAR(got.x, want.x, tolerance);
    EXPECT_NEAR(got.y, want.y, tolerance);
    EXPECT_NEAR(got.z, want.z, tolerance);
}

TEST(QzVector, NormalizeLengthAndProducts) {
    struct Case {
        Vector3 in, want;
    };
    const Case cases[] = {
        {{0, 0, 0}, {0, 0, 0}},
        {{0.0000001f, 0, 0}, {0.0000001f, 0, 0}},
        {{3, 0, 4}, {0.6f, 0, 0.8f}},
        {{0, -2, 0}, {0, -1, 0}},
    };
    for (const Case& c : cases) {
        ExpectVec(c.in.Normalize(), c.want, 1e-7f);
    }
    const Vector3 a(1, 2, 3), b(4, -5, 6);
    EXPECT_EQ(a.Cross(b), Vector3(27, 6, -13));
    EXPECT_EQ(a.Dot(b), 12.0f);
    EXPECT_EQ(Vector3(1, 1, 1).Dist2(Vector3(4, 5, 1)), 25.0f);
    EXPECT_EQ(Vector3(1, 1, 1).Dist(Vector3(4, 5, 1)), 5.0f);
    EXPECT_EQ(QZW::Vector2(3, 4).Length(), 5.0f);
    EXPECT_EQ(QZW::Vector2(3, 4).Length2(), 25.0f);
    EXPECT_EQ(Vector3(2, -3, 6).Length(), 7.0f);
    EXPECT_EQ(Vector3(2, -3, 6).Length2(), 49.0f);
}

}  // namespace
