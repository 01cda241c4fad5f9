// Quad geometry shared by sprites, sprite lists and meshes.
#include "qzware/scene/qz_sprite_geometry.h"

#include "qzware/scene/iqz_texture.h"

namespace QZW {

QzUvRect QzCalcUvRect(float sx, float sy, float w, float h, float tw, float th) {
    QzUvRect uv;
    // A zero-sized texture has no texel space to map into; zeros keep the
    // quad drawable instead of spreading infinities through the vertices.
    if (!(tw > 0.0f) || !(th > 0.0f)) {
        return uv;
    }
    uv.uLeft = sx / tw;
    uv.uRight = (sx + w) / tw;
    uv.vTop = sy / th;
    uv.vBottom = (sy + h) / th;
    return uv;
}

QzUvRect QzCalcUvRect(float sx, float sy, float w, float h, IQzTexture* texture) {
    if (texture == nullptr) {
        return QzUvRect{};
    }
    return QzCalcUvRect(sx, sy, w, h, float(texture->GetWidth()), float(texture->GetHeight()));
}

Vector2 QzSpriteOrigin(std::int32_t align, std::uint32_t width, std::uint32_t height,
                       const QzSpriteMargins& margins, float scaleX, float scaleY) {
    const std::int64_t extentW = std::int64_t(width) + margins.left + margins.right;
    const std::int64_t extentH = std::int64_t(height) + margins.top + margins.bottom;
    // Column and row of the 3x3 grid: 0 keeps, 1 takes half, 2 the whole extent.
    std::int64_t sx = 0;
    std::int64_t sy = 0;
    if (align >= 0 && align <= 8) {
        const int column = align % 3;
        const int row = align / 3;
        sx = column == 0 ? 0 : column == 1 ? -extentW / 2 : -extentW;
        sy = row == 0 ? 0 : row == 1 ? -extentH / 2 : -extentH;
    }
    std::int64_t x = sx + margins.left;
    std::int64_t y = sy + margins.top;
    if (!(scaleX > 0.0f)) {
        x += extentW;
    }
    if (!(scaleY > 0.0f)) {
        y += extentH;
    }
    return Vector2(float(x), float(y));
}

void QzSpriteListAnchorShift(std::int32_t anchor, std::uint32_t width, std::uint32_t height,
                             float& x, float& y) {
    const float halfW = float(width >> 1);
    const float halfH = float(height >> 1);
    switch (anchor) {
        case 1:
            x -= halfW;
            break;
        case 4:
            x -= halfW;
            y -= halfH;
            break;
        case 7:
            x -= halfW;
            y -= float(height);
            break;
        case 8:
            x -= float(width);
            y -= float(height);
            break;
        default:
            break;
    }
}

Vector2 QzMeshAnchorOffset(std::int32_t anchor, float w, float h) {
    if (anchor < 0 || anchor > 8) {
        return Vector2(0.0f, 0.0f);
    }
    const int column = anchor % 3;
    const int row = anchor / 3;
    const float ox = column == 0 ? 0.0f : column == 1 ? w * -0.5f : -w;
    const float oy = row == 0 ? 0.0f : row == 1 ? h * -0.5f : -h;
    return Vector2(ox, oy);
}

}  // namespace QZW
