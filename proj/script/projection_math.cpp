// Projection arithmetic (see the header).
#include "proj/script/projection_math.h"

#include <cmath>

namespace Sample {
namespace {

struct Vec4 {
    float x, y, z, w;
};

// (x, y, z, w) x m, all four components.
Vec4 Mul(const Vec4& v, const QZW::Matrix& m) {
    return {v.x * m[0] + v.y * m[4] + v.z * m[8] + v.w * m[12],
            v.x * m[1] + v.y * m[5] + v.z * m[9] + v.w * m[13],
            v.x * m[2] + v.y * m[6] + v.z * m[10] + v.w * m[14],
            v.x * m[3] + v.y * m[7] + v.z * m[11] + v.w * m[15]};
}

// The screen y the vertical movement is measured against.
constexpr float kMoveBaseY = 640.0f;

}  // namespace

ProjectionMatrices BuildProjectionMatrices(const ProjectionCamera& camera) {
    ProjectionMatrices m;
    QZW::SetScreenMatrix(camera.viewportWidth, camera.viewportHeight);
    m.screen = QZW::GetScreenMatrix();
    m.screen.Inverse(m.screenInverse);
    camera.projection.Inverse(m.projectionInverse);
    camera.view.Inverse(m.viewInverse);
    return m;
}

QZW::Vector3 WorldToView(const ProjectionCamera& camera, const QZW::Vector3& p) {
    return p.Transform(camera.view);
}

QZW::Vector3 WorldToScreen(const ProjectionCamera& camera, const ProjectionMatrices& m,
                           const QZW::Vector3& p) {
    const QZW::Vector3 v = WorldToView(camera, p);
    Vec4 c = Mul({v.x, v.y, v.z, 1.0f}, camera.projection);
    if (c.w != 0.0f) {
        c.x /= c.w;
        c.y /= c.w;
        c.z /= c.w;
    }
    const QZW::Vector3 s = QZW::Vector3(c.x, c.y, c.z).Transform(m.screen);
    return QZW::Vector3(s.x + camera.viewportX, s.y + camera.viewportY, s.z);
}

float WorldToScreenScale(const ProjectionCamera& camera, const QZW::Vector3& p) {
    const QZW::Matrix& proj = camera.projection;
    const float vz = WorldToView(camera, p).z;
    return proj[3] * 0.0f + proj[7] * 0.0f + proj[11] * vz + proj[15];
}

QZW::Vector3 ScreenToGround(const ProjectionCamera& camera, const ProjectionMatrices& m, float sx,
                            float sy) {
    const QZW::Vector3 a =
        QZW::Vector3(sx - camera.viewportX, sy - camera.viewportY, 0.0f).Transform(m.screenInverse);
    const QZW::Vector3 b = a.Transform(m.projectionInverse);
    const QZW::Vector3 w = b.Transform(m.viewInverse);
    const QZW::Vector3 e = camera.eye;
    QZW::Vector3 d = w - e;
    const float length = d.Length();
    // Divided, not multiplied by 1 / length: the scripts see the last bit.
    if (length >= 1e-6f) {
        d = QZW::Vector3(d.x / length, d.y / length, d.z / length);
    }
    const QZW::Vector3 q = w + d * 100.0f;
    if (q.y - e.y == 0.0f) {
        return e;
    }
    const float t = (0.0f - e.y) / (q.y - e.y);
    return e + (q - e) * t;
}

QZW::Vector3 Move25D(const ProjectionCamera& camera, const ProjectionMatrices& m, float x, float z,
                     float dx, float dy) {
    const QZW::Vector3 s = WorldToScreen(camera, m, QZW::Vector3(x, 0.0f, z));
    const QZW::Vector3 g =
        ScreenToGround(camera, m, s.x + dx, kMoveBaseY - ((kMoveBaseY - s.y) + dy));
    if (g.x == 0.0f && g.y == 0.0f && g.z == 0.0f) {
        return QZW::Vector3();
    }
    return QZW::Vector3(g.x - x, 0.0f, dy != 0.0f ? g.z - z : 0.0f);
}

std::int32_t IsHitPointTriangle(const QZW::Vector2& p, const QZW::Vector2& a, const QZW::Vector2& b,
                                const QZW::Vector2& c) {
    const float ab = (b.y - a.y) * (a.x - p.x) - (b.x - a.x) * (a.y - p.y);
    const float bc = (c.y - b.y) * (b.x - p.x) - (c.x - b.x) * (b.y - p.y);
    const float ca = (a.y - c.y) * (c.x - p.x) - (a.x - c.x) * (c.y - p.y);
    return ab >= 0.0f && bc >= 0.0f && ca >= 0.0f ? 1 : 0;
}

}  // namespace Sample
