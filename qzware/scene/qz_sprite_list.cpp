// QZW::CQzSpriteList: a batch of textured quads drawn in one call.
#include "qzware/scene/qz_sprite_list.h"

#include <algorithm>
#include <bit>

#include "qzware/scene/iqz_graphics.h"
#include "qzware/scene/iqz_texture.h"
#include "qzware/scene/iqz_vertex_buffer.h"
#include "qzware/scene/qz_sprite_geometry.h"

namespace QZW {

// The colour array goes to the renderer as its byte stream.
static_assert(std::endian::native == std::endian::little, "colour words are r-low bytes");

CQzSpriteList::CQzSpriteList() = default;

CQzSpriteList::CQzSpriteList(std::uint32_t capacity, IQzTexture* texture)
    : positions(std::size_t(capacity) * 4),
      colours(std::size_t(capacity) * 4, 0xFFFFFFFFu),
      uvs(std::size_t(capacity) * 4),
      texture(texture) {}

CQzSpriteList::CQzSpriteList(const CQzSpriteList& other)
    : CQzNode(),
      positions(other.positions),
      colours(other.colours),
      uvs(other.uvs),
      vertexCount(other.vertexCount),
      texture(other.texture),
      clearAfterDraw(other.clearAfterDraw),
      vertexBuffer(other.vertexBuffer),
      useColours(other.useColours),
      shaderIndex(other.shaderIndex) {}

CQzSpriteList::~CQzSpriteList() = default;

void CQzSpriteList::PreDraw(IQzGraphics*) {}

void CQzSpriteList::Clear() {
    vertexCount = 0;
}

void CQzSpriteList::AppendSpriteAnchored(std::uint32_t width, std::uint32_t height,
                                         std::uint32_t srcX, std::uint32_t srcY, float scaleX,
                                         float scaleY, std::uint32_t colour, std::int32_t anchor,
                                         float x, float y, float z) {
    QzSpriteListAnchorShift(anchor, width, height, x, y);
    AppendQuad(width, height, srcX, srcY, scaleX, scaleY, colour, x, y, z);
}

void CQzSpriteList::AppendSprite2(float x, float y, float z, std::uint32_t width,
                                  std::uint32_t height, std::uint32_t srcX, std::uint32_t srcY,
                                  float scaleX, float scaleY, std::int32_t anchor) {
    AppendSpriteAnchored(width, height, srcX, srcY, scaleX, scaleY, 0xFFFFFFFFu, anchor, x, y, z);
}

void CQzSpriteList::AppendQuad(std::uint32_t width, std::uint32_t height, std::uint32_t srcX,
                               std::uint32_t srcY, float scaleX, float scaleY, std::uint32_t colour,
                               float x, float y, float z) {
    if (std::size_t(vertexCount) + 4 > positions.size()) {
        return;
    }
    const float w = float(width) * scaleX;
    const float h = float(height) * scaleY;
    const QzUvRect uv =
        QzCalcUvRect(float(srcX), float(srcY), float(width), float(height), texture);
    const std::uint32_t i = vertexCount;
    positions[i] = Vector3(x, y, z);
    positions[i + 1] = Vector3(x + w, y, z);
    positions[i + 2] = Vector3(x + w, y + h, z);
    positions[i + 3] = Vector3(x, y + h, z);
    uvs[i] = Vector2(uv.uLeft, uv.vTop);
    uvs[i + 1] = Vector2(uv.uRight, uv.vTop);
    uvs[i + 2] = Vector2(uv.uRight, uv.vBottom);
    uvs[i + 3] = Vector2(uv.uLeft, uv.vBottom);
    if (useColours != 0) {
        std::fill_n(colours.begin() + i, 4, colour);
    }
    vertexCount += 4;
}

void CQzSpriteList::Draw(IQzGraphics* g) {
    g->UseShader(int(shaderIndex));
    // The flattening scale is the list's own: the nodes drawn after it in the
    // layer keep the matrix they had.
    g->PushMatrix();
    g->Translate(0.0f, 0.0f, 0.0f);
    // z of the appended vertices has no effect.
    g->Scale(1.0f, 1.0f, 0.0f);
    g->SetTexture(texture, 0);
    if (vertexBuffer != nullptr) {
        const int count = std::min(int(vertexCount), vertexBuffer->GetVertexCount());
        g->DrawArraysVBFromStart(QZ_PRIM_QUADS, count, vertexBuffer);
    } else {
        const std::uint8_t* colourBytes =
            useColours != 0 ? reinterpret_cast<const std::uint8_t*>(colours.data()) : nullptr;
        g->DrawArrays(QZ_PRIM_QUADS, int(vertexCount),
                      reinterpret_cast<const float*>(positions.data()), colourBytes,
                      reinterpret_cast<const float*>(uvs.data()), nullptr);
    }
    g->PopMatrix();
    if (clearAfterDraw != 0) {
        Clear();
    }
}

}  // namespace QZW
