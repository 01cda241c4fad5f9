// Matrix operations and Vector3::Transform. The arithmetic is written out in a
// fixed order (products left to right, sums term by term) and the build turns
// off contraction, so every peer computes bit-identical matrices.
#include "qzware/scene/qz_matrix.h"

#include <cmath>

namespace QZW {

namespace {

constexpr float kPi = 3.14159f;

// Determinant of the 3x3 matrix [a b c; d e f; g h i], six terms in this order.
inline float Cofactor3(float a, float b, float c, float d, float e, float f, float g, float h,
                       float i) {
    return a * e * i + b * f * g + c * d * h - a * f * h - b * d * i - c * e * g;
}

Matrix g_screenMatrix;

}  // namespace

// [SECTION] Vector transform

Vector3 Vector3::Transform(const Matrix& mat) const {
    const float* m = mat.m;
    return Vector3(x * m[0] + y * m[4] + z * m[8] + m[12], x * m[1] + y * m[5] + z * m[9] + m[13],
                   x * m[2] + y * m[6] + z * m[10] + m[14]);
}

// [SECTION] Products and copies

void CopyMatrix44(Matrix& dst, const Matrix& src) {
    if (&dst == &src) {
        return;
    }
    for (int i = 0; i < 16; ++i) {
        dst.m[i] = src.m[i];
    }
}

void MulMatrix(const Matrix& a, const Matrix& b, Matrix& out) {
    Matrix t;
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            t.m[r * 4 + c] = a.m[r * 4 + 0] * b.m[0 * 4 + c] + a.m[r * 4 + 1] * b.m[1 * 4 + c] +
                             a.m[r * 4 + 2] * b.m[2 * 4 + c] + a.m[r * 4 + 3] * b.m[3 * 4 + c];
        }
    }
    CopyMatrix44(out, t);
}

void MulMatrixInPlace(Matrix& a, const Matrix& b) {
    for (int r = 0; r < 4; ++r) {
        const float a0 = a.m[r * 4 + 0];
        const float a1 = a.m[r * 4 + 1];
        const float a2 = a.m[r * 4 + 2];
        const float a3 = a.m[r * 4 + 3];
        for (int c = 0; c < 4; ++c) {
            a.m[r * 4 + c] = a0 * b.m[0 * 4 + c] + a1 * b.m[1 * 4 + c] + a2 * b.m[2 * 4 + c] +
                             a3 * b.m[3 * 4 + c];
        }
    }
}

bool operator==(const Matrix& a, const Matrix& b) {
    for (int i = 0; i < 16; ++i) {
        if (a.m[i] != b.m[i]) {
            return false;
        }
    }
    return true;
}

// [SECTION] Transforms prepended to this

float DegreesToRadians(float degrees) {
    return degrees * kPi / 180.0f;
}

void Matrix::ResetMatrix() {
    *this = Matrix();
}

void Matrix::RotateMatrixX(float degrees) {
    const float rad = DegreesToRadians(degrees);
    const float s = std::sin(rad);
    const float c = std::cos(rad);
    Matrix r;
    r.m[5] = c;
    r.m[6] = s;
    r.m[9] = -s;
    r.m[10] = c;
    MulMatrix(r, *this, *this);
}

void Matrix::RotateMatrixY(float degrees) {
    const float rad = DegreesToRadians(degrees);
    const float s = std::sin(rad);
    const float c = std::cos(rad);
    Matrix r;
    r.m[0] = c;
    r.m[2] = -s;
    r.m[8] = s;
    r.m[10] = c;
    MulMatrix(r, *this, *this);
}

void Matrix::RotateMatrixZ(float degrees) {
    const float rad = DegreesToRadians(degrees);
    const float s = std::sin(rad);
    const float c = std::cos(rad);
    Matrix r;
    r.m[0] = c;
    r.m[1] = s;
    r.m[4] = -s;
    r.m[5] = c;
    MulMatrix(r, *this, *this);
}

void Matrix::TransrateMatrix(float x, float y, float z) {
    Matrix t;
    t.m[12] = x;
    t.m[13] = y;
    t.m[14] = z;
    MulMatrix(t, *this, *this);
}

void Matrix::ScaleMatrix(float x, float y, float z) {
    Matrix s;
    s.m[0] = x;
    s.m[5] = y;
    s.m[10] = z;
    MulMatrix(s, *this, *this);
}

void Matrix::TransposeMatrix(Matrix& out) const {
    const Matrix src = *this;
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            out.m[r * 4 + c] = src.m[c * 4 + r];
        }
    }
}

// [SECTION] Determinant and inverse

float Matrix::Determinant() const {
    return m[0] * m[5] * m[10] * m[15] - m[0] * m[5] * m[11] * m[14] - m[0] * m[6] * m[9] * m[15] +
           m[0] * m[6] * m[11] * m[13] + m[0] * m[7] * m[9] * m[14] - m[0] * m[7] * m[10] * m[13] -
           m[1] * m[4] * m[10] * m[15] + m[1] * m[4] * m[11] * m[14] + m[1] * m[6] * m[8] * m[15] -
           m[1] * m[6] * m[11] * m[12] - m[1] * m[7] * m[8] * m[14] + m[1] * m[7] * m[10] * m[12] +
           m[2] * m[4] * m[9] * m[15] - m[2] * m[4] * m[11] * m[13] - m[2] * m[5] * m[8] * m[15] +
           m[2] * m[5] * m[11] * m[12] + m[2] * m[7] * m[8] * m[13] - m[2] * m[7] * m[9] * m[12] -
           m[3] * m[4] * m[9] * m[14] + m[3] * m[4] * m[10] * m[13] + m[3] * m[5] * m[8] * m[14] -
           m[3] * m[5] * m[10] * m[12] - m[3] * m[6] * m[8] * m[13] + m[3] * m[6] * m[9] * m[12];
}

bool Matrix::Inverse(Matrix& result) const {
    // Camera and skinning callers feed the result straight into further
    // products; infinities from 1/0 would poison every later frame, so a
    // matrix without a finite inverse yields the identity instead.
    const float det = Determinant();
    const float invDet = 1.0f / det;
    if (det == 0.0f || !std::isfinite(invDet)) {
        result = Matrix();
        return false;
    }
    Matrix out;
    out.m[0] = Cofactor3(m[5], m[6], m[7], m[9], m[10], m[11], m[13], m[14], m[15]) * invDet;
    out.m[1] = -Cofactor3(m[1], m[2], m[3], m[9], m[10], m[11], m[13], m[14], m[15]) * invDet;
    out.m[2] = Cofactor3(m[1], m[2], m[3], m[5], m[6], m[7], m[13], m[14], m[15]) * invDet;
    out.m[3] = -Cofactor3(m[1], m[2], m[3], m[5], m[6], m[7], m[9], m[10], m[11]) * invDet;
    out.m[4] = -Cofactor3(m[4], m[6], m[7], m[8], m[10], m[11], m[12], m[14], m[15]) * invDet;
    out.m[5] = Cofactor3(m[0], m[2], m[3], m[8], m[10], m[11], m[12], m[14], m[15]) * invDet;
    out.m[6] = -Cofactor3(m[0], m[2], m[3], m[4], m[6], m[7], m[12], m[14], m[15]) * invDet;
    out.m[7] = Cofactor3(m[0], m[2], m[3], m[4], m[6], m[7], m[8], m[10], m[11]) * invDet;
    out.m[8] = Cofactor3(m[4], m[5], m[7], m[8], m[9], m[11], m[12], m[13], m[15]) * invDet;
    out.m[9] = -Cofactor3(m[0], m[1], m[3], m[8], m[9], m[11], m[12], m[13], m[15]) * invDet;
    out.m[10] = Cofactor3(m[0], m[1], m[3], m[4], m[5], m[7], m[12], m[13], m[15]) * invDet;
    out.m[11] = -Cofactor3(m[0], m[1], m[3], m[4], m[5], m[7], m[8], m[9], m[11]) * invDet;
    out.m[12] = -Cofactor3(m[4], m[5], m[6], m[8], m[9], m[10], m[12], m[13], m[14]) * invDet;
    out.m[13] = Cofactor3(m[0], m[1], m[2], m[8], m[9], m[10], m[12], m[13], m[14]) * invDet;
    out.m[14] = -Cofactor3(m[0], m[1], m[2], m[4], m[5], m[6], m[12], m[13], m[14]) * invDet;
    out.m[15] = Cofactor3(m[0], m[1], m[2], m[4], m[5], m[6], m[8], m[9], m[10]) * invDet;
    for (int i = 0; i < 16; ++i) {
        if (!std::isfinite(out.m[i])) {
            result = Matrix();
            return false;
        }
    }
    result = out;
    return true;
}

// [SECTION] Camera builders

namespace {
// The camera basis divides by the length (Normalize multiplies by its
// reciprocal); both keep vectors shorter than 1e-6 unchanged.
Vector3 DivideByLength(const Vector3& v) {
    const float length = v.Length();
    if (length < 0.000001f) {
        return v;
    }
    return Vector3(v.x / length, v.y / length, v.z / length);
}
}  // namespace

void Matrix::SetCameraBasis(Matrix& mat, const Vector3& origin, const Vector3& target,
                            const Vector3& up) {
    const Vector3 z = DivideByLength(target - origin);
    const Vector3 u = DivideByLength(up);
    const Vector3 x = u.Cross(z);
    const Vector3 y = z.Cross(x);
    float* m = mat.m;
    m[0] = x.x;
    m[1] = x.y;
    m[2] = x.z;
    m[4] = y.x;
    m[5] = y.y;
    m[6] = y.z;
    m[8] = z.x;
    m[9] = z.y;
    m[10] = z.z;
    m[12] = origin.x;
    m[13] = origin.y;
    m[14] = origin.z;
}

void Matrix::SetLookAt(Matrix& mat, const Vector3& eye, const Vector3& target, const Vector3& up) {
    // The basis is built from the target towards the eye, so the view looks
    // down its negative z axis.
    Matrix basis;
    SetCameraBasis(basis, target, eye, up);
    basis.m[12] = 0.0f;
    basis.m[13] = 0.0f;
    basis.m[14] = 0.0f;
    basis.TransposeMatrix(mat);
    mat.TransrateMatrix(-eye.x, -eye.y, -eye.z);
}

void Matrix::SetLookAtRot(Matrix& mat, const Vector3& eye, float ax, float ay, float az) {
    Matrix rot;
    rot.RotateMatrixZ(az);
    rot.RotateMatrixY(ay);
    rot.RotateMatrixX(ax);
    const Vector3 forward(rot.m[8], rot.m[9], rot.m[10]);
    SetLookAt(mat, eye, eye + forward, Vector3(0.0f, -1.0f, 0.0f));
}

// [SECTION] Screen matrix

void SetScreenMatrix(float width, float height) {
    Matrix s;
    for (float& v : s.m) {
        v = 0.0f;
    }
    s.m[0] = width * 0.5f;
    s.m[5] = height * -0.5f;
    s.m[10] = 1.0f;
    s.m[12] = width * 0.5f;
    s.m[13] = height * 0.5f;
    s.m[15] = 1.0f;
    g_screenMatrix = s;
}

const Matrix& GetScreenMatrix() {
    return g_screenMatrix;
}

}  // namespace QZW
