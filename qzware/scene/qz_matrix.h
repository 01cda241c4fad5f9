// The engine's 4x4 matrix: 16 floats, element = row * 4 + column, points are
// row vectors multiplied on the left (p' = p x M), translation in 12..14.
// "this := T x this" prepends T so it acts in the object's own space first.
// Plain single precision in a fixed evaluation order; nothing allocates.
#pragma once

#include "qzware/scene/qz_vector.h"

namespace QZW {

struct Matrix {
    float m[16] = {1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f,
                   0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f};

    float& operator[](int i) { return m[i]; }
    float operator[](int i) const { return m[i]; }

    // this := identity.
    void ResetMatrix();
    // this := R x this for a rotation about the axis, angle in degrees.
    void RotateMatrixX(float degrees);
    void RotateMatrixY(float degrees);
    void RotateMatrixZ(float degrees);
    // this := T x this; the script name keeps this spelling.
    void TransrateMatrix(float x, float y, float z);
    // this := S x this.
    void ScaleMatrix(float x, float y, float z);
    // out := transpose of this; out may be this.
    void TransposeMatrix(Matrix& out) const;

    // Full expansion over the 24 permutation terms.
    float Determinant() const;
    // out := inverse of this (classical adjugate times 1/det). A singular
    // matrix, or one whose inverse is not finite, gives out = identity and
    // false instead of infinities and NaNs. out may be this.
    bool Inverse(Matrix& out) const;

    // Writes rows 0-2 (x, y, z axes) and row 3 (origin) of m, elements 0-2,
    // 4-6, 8-10, 12-14 only: z = target - origin, u = up, both normalised
    // when longer than 1e-6, x = u cross z, y = z cross x.
    static void SetCameraBasis(Matrix& m, const Vector3& origin, const Vector3& target,
                               const Vector3& up);
    // The view matrix of an eye looking at target: maps world to view space.
    static void SetLookAt(Matrix& m, const Vector3& eye, const Vector3& target, const Vector3& up);
    // The view matrix of an eye turned by Rx(ax) Ry(ay) Rz(az), up (0, -1, 0).
    static void SetLookAtRot(Matrix& m, const Vector3& eye, float ax, float ay, float az);

    friend bool operator==(const Matrix& a, const Matrix& b);
};

static_assert(sizeof(Matrix) == 64, "Matrix is sixteen packed floats");

// dst := src; nothing happens when both are the same matrix.
void CopyMatrix44(Matrix& dst, const Matrix& src);
// out := a x b, through a temporary, so out may be a or b.
void MulMatrix(const Matrix& a, const Matrix& b, Matrix& out);
// a := a x b row by row; b must not be a.
void MulMatrixInPlace(Matrix& a, const Matrix& b);

// Degrees to radians the way every rotation of the engine converts them:
// degrees x 3.14159 / 180 in single precision.
float DegreesToRadians(float degrees);

// The process-wide screen matrix: normalised device coordinates (-1..1, y up)
// to pixels (0..width, 0..height, y down). Identity until first set.
void SetScreenMatrix(float width, float height);
const Matrix& GetScreenMatrix();

}  // namespace QZW
