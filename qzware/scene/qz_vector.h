// The engine's vector value types: plain single-precision x, y(, z, w) in
// this order, no padding. Every operation returns a new value and evaluates
// its terms left to right as written, so every peer gets bit-identical results.
// Depends on qz_matrix.h only for Vector3::Transform (declared, defined there).
#pragma once

namespace QZW {

struct Matrix;

struct Vector2 {
    float x = 0.0f;
    float y = 0.0f;

    Vector2() = default;
    Vector2(float vx, float vy) : x(vx), y(vy) {}

    float Length() const;
    float Length2() const;
};

struct Vector3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;

    Vector3() = default;
    Vector3(float vx, float vy, float vz) : x(vx), y(vy), z(vz) {}

    float Length() const;
    float Length2() const;
    // A copy scaled by 1/length; vectors shorter than 1e-6 come back unscaled.
    Vector3 Normalize() const;
    // (x, y, z, 1) times m, without the division by w.
    Vector3 Transform(const Matrix& m) const;
    Vector3 Cross(const Vector3& v) const;
    float Dot(const Vector3& v) const;
    // Length and squared length of v - this.
    float Dist(const Vector3& v) const;
    float Dist2(const Vector3& v) const;
};

struct Vector4 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    float w = 0.0f;

    Vector4() = default;
    Vector4(float vx, float vy, float vz, float vw) : x(vx), y(vy), z(vz), w(vw) {}
};

static_assert(sizeof(Vector2) == 8, "Vector2 is two packed floats");
static_assert(sizeof(Vector3) == 12, "Vector3 is three packed floats");
static_assert(sizeof(Vector4) == 16, "Vector4 is four packed floats");

inline Vector3 operator+(const Vector3& a, const Vector3& b) {
    return Vector3(a.x + b.x, a.y + b.y, a.z + b.z);
}
inline Vector3 operator-(const Vector3& a, const Vector3& b) {
    return Vector3(a.x - b.x, a.y - b.y, a.z - b.z);
}
inline Vector3 operator*(const Vector3& a, float s) {
    return Vector3(a.x * s, a.y * s, a.z * s);
}
inline bool operator==(const Vector3& a, const Vector3& b) {
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

}  // namespace QZW
