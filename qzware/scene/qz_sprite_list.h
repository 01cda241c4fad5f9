// QZW::CQzSpriteList: a batch of textured quads sharing one texture, filled
// by appends and drawn as one quad batch. Its arrays are sized once for the
// capacity and reused every frame (no allocation after construction); a full
// list drops further quads. Texture and vertex buffer are not owned.
#pragma once

#include <cstdint>
#include <vector>

#include "qzware/scene/qz_node.h"
#include "qzware/scene/qz_vector.h"

namespace QZW {

class IQzGraphics;
class IQzTexture;
class IQzVertexBuffer;

class CQzSpriteList : public CQzNode {
public:
    // No arrays: nothing can be appended.
    CQzSpriteList();
    CQzSpriteList(std::uint32_t capacity, IQzTexture* texture);
    // Copies the arrays and every field; the child list starts empty.
    CQzSpriteList(const CQzSpriteList& other);
    CQzSpriteList& operator=(const CQzSpriteList&) = delete;
    ~CQzSpriteList() override;

    void Draw(IQzGraphics* g) override;
    void PreDraw(IQzGraphics* g) override;
    // Forgets the appended quads; the child list is not touched.
    void Clear() override;

    void AppendSpriteAnchored(std::uint32_t width, std::uint32_t height, std::uint32_t srcX,
                              std::uint32_t srcY, float scaleX, float scaleY, std::uint32_t colour,
                              std::int32_t anchor, float x, float y, float z);
    void AppendQuad(std::uint32_t width, std::uint32_t height, std::uint32_t srcX,
                    std::uint32_t srcY, float scaleX, float scaleY, std::uint32_t colour, float x,
                    float y, float z);
    // The scripts' append: opaque white.
    void AppendSprite2(float x, float y, float z, std::uint32_t width, std::uint32_t height,
                       std::uint32_t srcX, std::uint32_t srcY, float scaleX, float scaleY,
                       std::int32_t anchor);

    std::uint32_t GetVertexCount() const { return vertexCount; }
    std::uint32_t GetCapacityVertices() const { return std::uint32_t(positions.size()); }
    const Vector3* GetPositions() const { return positions.data(); }
    const Vector2* GetUVs() const { return uvs.data(); }
    const std::uint32_t* GetColors() const { return colours.data(); }
    IQzTexture* GetTexture() const { return texture; }
    void SetTexture(IQzTexture* texture) { this->texture = texture; }
    void SetClearAfterDraw(bool on) { clearAfterDraw = on ? 1 : 0; }
    // When set, Draw draws from the buffer instead of the arrays (at most
    // as many vertices as the buffer holds).
    void SetVertexBuffer(IQzVertexBuffer* buffer) { vertexBuffer = buffer; }
    void SetUseColours(bool on) { useColours = on ? 1 : 0; }
    void SetShaderIndex(std::uint32_t index) { shaderIndex = index; }

private:
    std::vector<Vector3> positions;
    std::vector<std::uint32_t> colours;  // r in the low byte: the stream's byte order here
    std::vector<Vector2> uvs;
    std::uint32_t vertexCount = 0;
    IQzTexture* texture = nullptr;
    std::uint8_t clearAfterDraw = 1;
    IQzVertexBuffer* vertexBuffer = nullptr;
    std::uint8_t useColours = 1;
    std::uint32_t shaderIndex = 1;
};

}  // namespace QZW
