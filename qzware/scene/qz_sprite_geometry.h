// Quad geometry shared by sprites, sprite lists and meshes: texel rectangles
// to UVs, the sprite's alignment origin and the sprite list's anchor shift.
// Pure functions over plain values; no renderer, no node.
// A texture of zero (or negative) size gives all-zero UVs instead of dividing.
#pragma once

#include <cstdint>

#include "qzware/scene/qz_vector.h"

namespace QZW {

class IQzTexture;

struct QzUvRect {
    float uLeft = 0.0f;
    float uRight = 0.0f;
    float vTop = 0.0f;
    float vBottom = 0.0f;
};

// The rectangle (sx, sy, w, h) in texels over a tw x th texture; v grows
// downwards with the image rows.
QzUvRect QzCalcUvRect(float sx, float sy, float w, float h, float tw, float th);
// The same over a texture's own size; a null texture gives zeros.
QzUvRect QzCalcUvRect(float sx, float sy, float w, float h, IQzTexture* texture);

struct QzSpriteMargins {
    std::int32_t left = 0;
    std::int32_t right = 0;
    std::int32_t top = 0;
    std::int32_t bottom = 0;
};

// Top-left corner of a sprite of width x height aligned by `align` (0-8, a
// 3x3 grid read row by row; other codes act as 0) with its margins; a
// negative scale mirrors the origin to the far side of the extent. All of it
// in signed 64-bit arithmetic, so negative margins shift rather than wrap.
Vector2 QzSpriteOrigin(std::int32_t align, std::uint32_t width, std::uint32_t height,
                       const QzSpriteMargins& margins, float scaleX, float scaleY);

// The sprite list's anchor: only 1, 4, 7 and 8 move (x, y), by the unscaled
// size halved with a shift; every other code leaves them.
void QzSpriteListAnchorShift(std::int32_t anchor, std::uint32_t width, std::uint32_t height,
                             float& x, float& y);

// The mesh's anchor offset of a w x h quad (the full 3x3 grid; other codes 0).
Vector2 QzMeshAnchorOffset(std::int32_t anchor, float w, float h);

}  // namespace QZW
