// The render-state node every screen starts with: program, projection, depth
// test and write, blending and blend mode, each applied only when its bit of
// `mask` is set. Owns its projection node. Game thread only.
#pragma once

#include <cstdint>
#include <memory>

#include "qzware/scene/qz_node.h"
#include "qzware/scene/qz_projection_matrix_node.h"

namespace QZW {

class CQzEnvironmentNode : public CQzNode {
public:
    // Bits of `switches` (0x08, 0x10, 0x20 and 0x400 are the owner's).
    enum : std::uint32_t {
        kSwitchDepthTest = 0x01,
        kSwitchDepthWrite = 0x02,
        kSwitchBlend = 0x04,
    };
    // Bits of `mask`: which settings Draw applies.
    enum : std::uint32_t {
        kApplyDepthTest = 0x01,
        kApplyDepthWrite = 0x02,
        kApplyBlend = 0x04,
        kApplyBlendMode = 0x40,
        kApplyProjection = 0x80,
    };
    // Indices into `parameters`.
    enum { kParamNear = 0, kParamFar = 1, kParamColor = 2, kParamExtra = 6, kParamCount = 8 };

    CQzEnvironmentNode(std::int32_t width, std::int32_t height);

    // UseShader, then the projection, depth test, depth write, blending and
    // blend mode, each under its mask bit.
    void Draw(IQzGraphics* g) override;

    std::uint32_t switches = 0x17;
    std::uint32_t blendMode = 0;
    std::uint32_t mask = 0xFFFFFFFFu;
    std::uint32_t shaderIndex = 0;
    std::uint32_t projectionMode = 0;
    std::int32_t width;
    std::int32_t height;
    // Two distances, a colour (4 floats) and two further values: the owner's.
    float parameters[kParamCount] = {0, 0, 0, 0, 0, 0, 2.0f, 2.0f};
    std::unique_ptr<CQzProjectionMatrixNode> projection;
};

}  // namespace QZW
