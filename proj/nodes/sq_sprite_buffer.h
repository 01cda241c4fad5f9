// QZW::CSqSpriteBuffer: a script node that draws every sprite and text below
// it as a few large batches. Each frame it walks its subtree, writes each
// visible sprite as six vertices of one joined triangle strip and lets each
// text lay its glyphs into the same arrays (allocated once by Create from the
// engine memory manager, never grown), and issues one draw per run of equal
// material. Counts outside 1..kMaxSprites are refused. Game thread only.
#pragma once

#include <cstdint>

#include "proj/nodes/sq_node.h"
#include "qzware/scene/qz_color.h"
#include "qzware/scene/qz_matrix.h"
#include "qzware/scene/qz_vector.h"

namespace QZW {

class CQzMaterial;
class CSqMaterial;

class CSqSpriteBuffer : public CSqNode {
public:
    static constexpr std::int32_t kMaxSprites = 65536;

    CSqSpriteBuffer() = default;
    ~CSqSpriteBuffer() override;

    void Draw(IQzGraphics* g) override;

    // Replaces the arrays (the old ones are returned first); false when the
    // count is refused or the memory is not there (no arrays then).
    bool Create(std::int32_t count);
    void ReleaseBuffers();

    // [SECTION] Script methods that do nothing on a buffer
    void SetColor(std::int32_t, std::int32_t, std::int32_t, std::int32_t) {}
    void SetAlign(std::int32_t) {}
    void SetMargin(std::int32_t, std::int32_t, std::int32_t, std::int32_t) {}
    void SetMaterial(CSqMaterial*) {}
    void SetSprite(std::int32_t, std::int32_t, std::int32_t, std::int32_t) {}
    float GetTexWidth() const { return 0.0f; }
    float GetTexHeight() const { return 0.0f; }
    float GetWidth() const { return 0.0f; }
    float GetHeight() const { return 0.0f; }

    std::uint32_t spriteCapacity = 0;
    std::uint32_t vertexCapacity = 0;
    Vector3* positions = nullptr;
    Color* colours = nullptr;
    Vector2* texcoords = nullptr;
    std::uint32_t written = 0;
    std::uint32_t first = 0;
    CQzMaterial* currentMaterial = nullptr;
    Matrix savedWorld;

private:
    void BuildBatch(CSqNode* node, const Matrix& parentMatrix, IQzGraphics* g);
    void AddSprite(class CSqSprite* sprite, const Matrix& w, IQzGraphics* g);
    void AddText(class CSqFont* text, const Matrix& w, IQzGraphics* g);
    // Draws the pending run with the current material; without one the
    // pending vertices are dropped.
    void Flush(IQzGraphics* g);
};

}  // namespace QZW
