// Projection terms of the scene's screens (see the header).
#include "qzware/scene/qz_projection_matrix_node.h"

#include <bit>
#include <cmath>

#include "qzware/scene/iqz_graphics.h"

namespace QZW {
namespace {

Matrix Zero() {
    Matrix m;
    for (float& e : m.m) {
        e = 0.0f;
    }
    return m;
}

}  // namespace

Matrix QzNodeOrthoProjection(std::int32_t width, std::int32_t height) {
    if (width <= 0 || height <= 0) {
        return Matrix();
    }
    Matrix m = Zero();
    m[0] = 2.0f / float(width);
    m[5] = -2.0f / float(height);
    m[10] = -1.0f;
    m[12] = -1.0f;
    m[13] = 1.0f;
    m[14] = 0.0f;
    m[15] = 1.0f;
    return m;
}

Matrix QzNodePerspectiveProjection(std::int32_t width, std::int32_t height) {
    if (width <= 0 || height <= 0) {
        return Matrix();
    }
    // The tangent is taken in double and used as a float, as the rest of the
    // game's camera arithmetic expects.
    const float tangent = float(std::tan(0.18151408433914185));
    const float f = 1.0f / tangent;
    Matrix m = Zero();
    m[0] = f / (float(width) / float(height));
    m[5] = -f;
    // The depth terms of near 1 and far 200, kept bit-exact.
    m[10] = std::bit_cast<float>(0xBF814954u);
    m[11] = -1.0f;
    m[14] = std::bit_cast<float>(0xC000A4AAu);
    m[15] = 0.0f;
    return m;
}

void CQzProjectionMatrixNode::Draw(IQzGraphics* g) {
    matrices[kProjection] = mode == kOrthographic ? QzNodeOrthoProjection(width, height)
                                                  : QzNodePerspectiveProjection(width, height);
    g->SetProjectionMatrix(matrices[kProjection]);
    g->ResetWorldMatrix();
}

}  // namespace QZW
