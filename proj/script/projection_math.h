// The projection arithmetic behind the projection script functions, kept
// apart from the draw task so it can be checked on known matrices: world to
// view and screen space with one layer's camera, screen back to the ground
// plane y = 0, screen movement to ground movement, point in triangle.
// Plain single precision, row vectors (p' = p x M); nothing is stored here.
#pragma once

#include <cstdint>

#include "qzware/scene/qz_matrix.h"
#include "qzware/scene/qz_vector.h"

namespace Sample {

// What the functions read of the camera's layer.
struct ProjectionCamera {
    QZW::Matrix view;
    QZW::Matrix projection;
    QZW::Vector3 eye;
    float viewportX = 0.0f, viewportY = 0.0f;
    float viewportWidth = 0.0f, viewportHeight = 0.0f;
};

// The matrices recomputed after a camera change; identity until then.
struct ProjectionMatrices {
    QZW::Matrix screen;
    QZW::Matrix screenInverse;
    QZW::Matrix projectionInverse;
    QZW::Matrix viewInverse;
};

// Sets the engine's screen matrix to the camera's viewport size and takes it
// with the three inverses.
ProjectionMatrices BuildProjectionMatrices(const ProjectionCamera& camera);

QZW::Vector3 WorldToView(const ProjectionCamera& camera, const QZW::Vector3& p);
// Pixels, offset by the viewport's corner; z is the depth after projection.
QZW::Vector3 WorldToScreen(const ProjectionCamera& camera, const ProjectionMatrices& m,
                           const QZW::Vector3& p);
// The w of p after projection: how much farther things look smaller.
float WorldToScreenScale(const ProjectionCamera& camera, const QZW::Vector3& p);
// The point of the ground plane under the screen position; the eye when the
// ray through it runs parallel to the ground.
QZW::Vector3 ScreenToGround(const ProjectionCamera& camera, const ProjectionMatrices& m, float sx,
                            float sy);
// Ground movement (y 0) for a screen movement (dx, dy) at ground point
// (x, 0, z); no z movement when dy is 0.
QZW::Vector3 Move25D(const ProjectionCamera& camera, const ProjectionMatrices& m, float x, float z,
                     float dx, float dy);
// 1 when p lies in the triangle a, b, c (edges included), else 0; a triangle
// of the other winding never holds a point.
std::int32_t IsHitPointTriangle(const QZW::Vector2& p, const QZW::Vector2& a, const QZW::Vector2& b,
                                const QZW::Vector2& c);

}  // namespace Sample
