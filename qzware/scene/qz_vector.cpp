// Vector operations; Transform lives in qz_matrix.cpp beside the matrix code.
#include "qzware/scene/qz_vector.h"

#include <cmath>

namespace QZW {

namespace {
// Below this length a vector has no usable direction and is left as it is.
constexpr float kNormalizeMinLength = 0.000001f;
}  // namespace

float Vector2::Length() const {
    return std::sqrt(Length2());
}

float Vector2::Length2() const {
    return x * x + y * y;
}

float Vector3::Length() const {
    return std::sqrt(Length2());
}

float Vector3::Length2() const {
    return x * x + y * y + z * z;
}

Vector3 Vector3::Normalize() const {
    const float length = Length();
    if (length < kNormalizeMinLength) {
        return *this;
    }
    const float inv = 1.0f / length;
    return Vector3(x * inv, y * inv, z * inv);
}

Vector3 Vector3::Cross(const Vector3& v) const {
    return Vector3(y * v.z - z * v.y, z * v.x - x * v.z, x * v.y - y * v.x);
}

float Vector3::Dot(const Vector3& v) const {
    return x * v.x + y * v.y + z * v.z;
}

float Vector3::Dist(const Vector3& v) const {
    return (v - *this).Length();
}

float Vector3::Dist2(const Vector3& v) const {
    return (v - *this).Length2();
}

}  // namespace QZW
