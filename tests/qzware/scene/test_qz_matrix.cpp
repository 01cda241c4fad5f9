// Matrix library: products and copies, prepended transforms, inverses (with
// singular matrices refused), camera builders and the screen matrix.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "qzware/scene/qz_matrix.h"
#include "qzware/scene/qz_vector.h"

namespace {

using QZW::Matrix;
using QZW::Vector3;

Matrix FromRows(std::initializer_list<float> values) {
    Matrix m;
    int i = 0;
    for (float v : values) {
        m.m[i++] = v;
    }
    return m;
}

void ExpectNear(const Matrix& got, const Matrix& want, float tolerance) {
    for (int i = 0; i < 16; ++i) {
        EXPECT_NEAR(got.m[i], want.m[i], tolerance) << "element " << i;
    }
}

void ExpectVec(const Vector3& got, const Vector3& want, float tolerance) {
    EXPECT_NEAR(got.x, want.x, tolerance);
    EXPECT_NEAR(got.y, want.y, tolerance);
    EXPECT_NEAR(got.z, want.z, tolerance);
}

const Matrix kA = FromRows({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16});
const Matrix kB = FromRows({2, 0, 1, 0, 0, 1, 0, 3, 1, 0, 0, 1, 0, 2, 1, 0});

TEST(QzMatrix, ProductRowTimesColumnAndAliasing) {
    // Worked by hand: out[r][c] = sum_k a[r][k] b[k][c].
    const Matrix want = FromRows({5, 10, 5, 9, 17, 22, 13, 25, 29, 34, 21, 41, 41, 46, 29, 57});
    Matrix out;
    QZW::MulMatrix(kA, kB, out);
    EXPECT_EQ(out, want);

    Matrix a = kA;
    QZW::MulMatrix(a, kB, a);
    EXPECT_EQ(a, want) << "out aliasing a";
    Matrix b = kB;
    QZW::MulMatrix(kA, b, b);
    EXPECT_EQ(b, want) << "out aliasing b";
    Matrix inPlace = kA;
    QZW::MulMatrixInPlace(inPlace, kB);
    EXPECT_EQ(inPlace, want);

    Matrix copy;
    QZW::CopyMatrix44(copy, kA);
    EXPECT_EQ(copy, kA);
    QZW::CopyMatrix44(copy, copy);
    EXPECT_EQ(copy, kA) << "copying a matrix onto itself keeps it";
}

TEST(QzMatrix, PrependedTransformsActInObjectSpaceFirst) {
    struct Case {
        const char* what;
        void (*build)(Matrix&);
        Matrix want;
    };
    const Case cases[] = {
        {"translate then scale keeps the translation",
         [](Matrix& m) {
             m.TransrateMatrix(1, 2, 3);
             m.ScaleMatrix(2, 2, 2);
         },
         FromRows({2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 1, 2, 3, 1})},
        {"scale then translate scales the translation",
         [](Matrix& m) {
             m.ScaleMatrix(2, 2, 2);
             m.TransrateMatrix(1, 2, 3);
         },
         FromRows({2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 2, 4, 6, 1})},
        {"non-uniform scale then translate",
         [](Matrix& m) {
             m.ScaleMatrix(1, 3, -1);
             m.TransrateMatrix(1, 1, 1);
         },
         FromRows({1, 0, 0, 0, 0, 3, 0, 0, 0, 0, -1, 0, 1, 3, -1, 1})},
        {"reset forgets everything",
         [](Matrix& m) {
             m.ScaleMatrix(5, 5, 5);
             m.ResetMatrix();
         },
         Matrix()},
    };
    for (const Case& c : cases) {
        Matrix m;
        c.build(m);
        EXPECT_EQ(m, c.want) << c.what;
    }
}

TEST(QzMatrix, RotationsUseTheEngineDegreeConversion) {
    Matrix z;
    z.RotateMatrixZ(90);
    // 3.14159 falls short of pi, so cos(90 degrees) stays just above zero.
    EXPECT_GT(z.m[0], 1.0e-6f);
    EXPECT_LT(z.m[0], 2.0e-6f);
    EXPECT_FLOAT_EQ(z.m[1], 1.0f);
    EXPECT_FLOAT_EQ(z.m[4], -1.0f);
    EXPECT_EQ(z.m[5], z.m[0]);

    struct Case {
        void (Matrix::*rotate)(float);
        Vector3 in, want;
    };
    const Case cases[] = {
        {&Matrix::RotateMatrixX, {0, 1, 0}, {0, 0, 1}},
        {&Matrix::RotateMatrixY, {0, 0, 1}, {1, 0, 0}},
        {&Matrix::RotateMatrixZ, {1, 0, 0}, {0, 1, 0}},
    };
    for (const Case& c : cases) {
        Matrix m;
        (m.*c.rotate)(90);
        ExpectVec(c.in.Transform(m), c.want, 1e-5f);
    }

    // Prepending: a rotation added after a translation turns the object
    // before it is moved, so the translation row stays.
    Matrix tr;
    tr.TransrateMatrix(5, 6, 7);
    tr.RotateMatrixZ(90);
    ExpectVec(Vector3(1, 0, 0).Transform(tr), Vector3(5, 7, 7), 1e-5f);
}

TEST(QzMatrix, TransformAndTranspose) {
    Matrix t;
    t.TransrateMatrix(5, 6, 7);
    EXPECT_EQ(Vector3(1, 0, 0).Transform(t), Vector3(6, 6, 7));
    // No division by w even when the last column is not (0, 0, 0, 1).
    EXPECT_EQ(Vector3(1, 1, 1).Transform(kA), Vector3(28, 32, 36));

    Matrix m = kA;
    m.TransposeMatrix(m);
    EXPECT_EQ(m, FromRows({1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15, 4, 8, 12, 16}));
}

TEST(QzMatrix, DeterminantTable) {
    struct Case {
        Matrix m;
        float want;
    };
    const Case cases[] = {
        {Matrix(), 1.0f},
        {FromRows({2, 0, 0, 0, 0, 3, 0, 0, 0, 0, 4, 0, 0, 0, 0, 5}), 120.0f},
        {FromRows({0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}), -1.0f},
        {kA, 0.0f},
        {FromRows({1, 2, 0, 1, 0, 1, 3, 0, 2, 0, 1, 1, 1, 1, 0, 2}), 16.0f},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.m.Determinant(), c.want);
    }
}

TEST(QzMatrix, InverseOfInvertibleMatrices) {
    Matrix out;
    EXPECT_TRUE(Matrix().Inverse(out));
    EXPECT_EQ(out, Matrix());

    Matrix ts;
    ts.ScaleMatrix(2, 4, 8);
    ts.TransrateMatrix(1, 2, 3);
    ASSERT_TRUE(ts.Inverse(out));
    EXPECT_EQ(out, FromRows({0.5f, 0, 0, 0, 0, 0.25f, 0, 0, 0, 0, 0.125f, 0, -1, -2, -3, 1}));

    const Matrix general = FromRows({1, 2, 0, 1, 0, 1, 3, 0, 2, 0, 1, 1, 1, 1, 0, 2});
    ASSERT_TRUE(general.Inverse(out));
    Matrix product;
    QZW::MulMatrix(general, out, product);
    ExpectNear(product, Matrix(), 1e-6f);

    Matrix self = general;
    ASSERT_TRUE(self.Inverse(self));
    EXPECT_EQ(self, out) << "inverse into the same matrix";
}

TEST(QzMatrix, SingularInverseRefusedWithIdentity) {
    const float nan = std::nanf("");
    const Matrix cases[] = {
        FromRows({1, 2, 3, 0, 0, 0, 0, 0, 7, 8, 9, 0, 1, 1, 1, 1}),  // zero row
        FromRows({1, 2, 3, 0, 1, 2, 3, 0, 7, 8, 9, 0, 1, 1, 1, 1}),  // equal rows
        kA,                                                          // dependent rows
        FromRows({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}),
        FromRows({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, nan, 0, 0, 1}),
        FromRows({1e-13f, 0, 0, 0, 0, 1e-13f, 0, 0, 0, 0, 1e-13f, 0, 0, 0, 0, 1e-13f}),
    };
    for (const Matrix& m : cases) {
        Matrix out = kB;
        EXPECT_FALSE(m.Inverse(out));
        EXPECT_EQ(out, Matrix());
    }
}

TEST(QzMatrix, CameraBasisWritesOnlyAxesAndOrigin) {
    Matrix m = FromRows({0, 0, 0, 9, 0, 0, 0, 9, 0, 0, 0, 9, 0, 0, 0, 9});
    Matrix::SetCameraBasis(m, Vector3(1, 2, 3), Vector3(1, 2, 13), Vector3(0, 2, 0));
    EXPECT_EQ(m, FromRows({1, 0, 0, 9, 0, 1, 0, 9, 0, 0, 1, 9, 1, 2, 3, 9}));
}

TEST(QzMatrix, LookAtMapsEyeToOriginAndTargetDownNegativeZ) {
    struct Case {
        Vector3 eye, target, up;
    };
    const Case cases[] = {
        {{0, 0, -10}, {0, 0, 0}, {0, 1, 0}},
        {{3, 4, 5}, {-1, 0, 2}, {0, -1, 0}},
        {{100, 20, -30}, {90, 25, -10}, {0, 1, 0}},
    };
    for (const Case& c : cases) {
        Matrix view = kA;
        Matrix::SetLookAt(view, c.eye, c.target, c.up);
        const float distance = c.eye.Dist(c.target);
        ExpectVec(c.eye.Transform(view), Vector3(0, 0, 0), 1e-4f);
        ExpectVec(c.target.Transform(view), Vector3(0, 0, -distance), 1e-4f);
        EXPECT_EQ(view.m[3], 0.0f);
        EXPECT_EQ(view.m[7], 0.0f);
        EXPECT_EQ(view.m[11], 0.0f);
        EXPECT_EQ(view.m[15], 1.0f);
    }
    // The view's x axis is up cross (eye - target): here world -x.
    Matrix view;
    Matrix::SetLookAt(view, Vector3(0, 0, -10), Vector3(0, 0, 0), Vector3(0, 1, 0));
    ExpectVec(Vector3(1, 0, 0).Transform(view), Vector3(-1, 0, -10), 1e-6f);
}

TEST(QzMatrix, LookAtRotLooksAlongTheRotatedZAxis) {
    struct Case {
        float ax, ay, az;
        Vector3 forward;
    };
    const Case cases[] = {
        {0, 0, 0, {0, 0, 1}},
        {0, 90, 0, {1, 0, 0}},
        {90, 0, 0, {0, -1, 0}},
    };
    const Vector3 eye(1, 2, 3);
    for (const Case& c : cases) {
        Matrix view;
        Matrix::SetLookAtRot(view, eye, c.ax, c.ay, c.az);
        ExpectVec(eye.Transform(view), Vector3(0, 0, 0), 1e-5f);
        ExpectVec((eye + c.forward).Transform(view), Vector3(0, 0, -1), 1e-5f);
    }
}

TEST(QzMatrix, ScreenMatrixMapsDeviceCornersToPixels) {
    QZW::SetScreenMatrix(1280, 720);
    const Matrix& s = QZW::GetScreenMatrix();
    EXPECT_EQ(Vector3(-1, 1, 0).Transform(s), Vector3(0, 0, 0));
    EXPECT_EQ(Vector3(1, -1, 0).Transform(s), Vector3(1280, 720, 0));
    EXPECT_EQ(Vector3(0, 0, 0.5f).Transform(s), Vector3(640, 360, 0.5f));
    QZW::SetScreenMatrix(1280, 580);
    EXPECT_EQ(Vector3(1, -1, 0).Transform(QZW::GetScreenMatrix()), Vector3(1280, 580, 0));
}

}  // namespace
