// The projection node: rebuilds an orthographic or a perspective projection
// for its target size each time it is drawn and hands it to the renderer.
// The builders are plain functions so their terms can be checked alone.
#pragma once

#include <cstdint>

#include "qzware/scene/qz_node.h"

namespace QZW {

// x 0..w to -1..1, y 0..h to 1..-1 (y grows downwards), z negated. A size
// that is not positive gives the identity rather than infinities.
Matrix QzNodeOrthoProjection(std::int32_t width, std::int32_t height);
// Vertical field of view of about 20.8 degrees, near 1, far 200, y flipped.
Matrix QzNodePerspectiveProjection(std::int32_t width, std::int32_t height);

class CQzProjectionMatrixNode : public CQzNode {
public:
    enum : std::uint32_t { kOrthographic = 0 };  // any other mode is perspective
    enum { kProjection = 0, kView = 3, kMatrixCount = 6 };

    CQzProjectionMatrixNode(std::int32_t width, std::int32_t height)
        : width(width), height(height) {}

    // Projection rebuilt into matrices[kProjection], set on the renderer,
    // then the world matrix reset.
    void Draw(IQzGraphics* g) override;

    std::uint32_t mode = kOrthographic;
    // [kProjection] is rebuilt by Draw, [kView] is the owner's view matrix;
    // the rest is storage for the owner.
    Matrix matrices[kMatrixCount];
    std::int32_t width;
    std::int32_t height;
};

}  // namespace QZW
