// The render state of one kind of surface: built-in program, up to eight
// textures (not owned), depth and blend switches, effect uniform values and
// a fixed light. Sprites, primitives, meshes and font pages point at one and
// Apply it before they draw. Game thread only.
#pragma once

#include <cstdint>
#include <string>

#include "qzware/scene/qz_matrix.h"

namespace QZW {

class IQzGraphics;
class IQzTexture;

class CQzMaterial {
public:
    static constexpr int kTextureUnits = 8;

    CQzMaterial() : CQzMaterial(0) {}
    explicit CQzMaterial(std::int32_t shader);
    CQzMaterial(const CQzMaterial& other) = default;
    CQzMaterial& operator=(const CQzMaterial& other) = default;
    // Forgets the textures; their owner (the draw task's list) releases them.
    virtual ~CQzMaterial();

    // Depth, blending, program, effect uniforms, target, the textures of the
    // set units (empty units keep their binding), the fixed light and the
    // light view-projection (world x projectMapMatrix x lightProjection).
    void Apply(IQzGraphics* g) const;
    std::string GetName() const { return name; }
    void SetName(const std::string& value) { name = value; }

    // Units outside 0-7 (from scripts) are ignored and read as empty.
    void SetTexture(std::int32_t unit, IQzTexture* texture);
    IQzTexture* GetTexture(std::int32_t unit) const;

    IQzTexture* textures[kTextureUnits] = {};
    std::int32_t shaderType = 0;
    std::string name;
    std::uint8_t depthTest = 0;
    std::uint8_t depthWrite = 0;
    std::uint8_t alphaBlend = 1;
    std::int32_t blendMode = 0;
    std::int32_t paletteIndex = 0;
    float texOffset[2] = {0, 0};
    float tex1Offset[2] = {0, 0};
    Matrix projectMapMatrix;
    std::int32_t alphaPriority = 0;
    float greaPow = 1.0f;
    float gaussianDir[2] = {1.0f, 0.0f};
    float yuragiParam[3] = {0, 0, 0};
    float zOffset = 0.0f;
    std::int32_t frameBufferId = 0;
    float texSize[2] = {0, 0};
    Matrix lightProjection;
};

// The light every material applies (bit-exact values).
struct QzFixedLight {
    float position[3];
    float color[3];
    float ambient[3];
    float eye[3];
};
const QzFixedLight& QzMaterialLight();

}  // namespace QZW
