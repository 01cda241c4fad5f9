// QZW::CQzSprite: one textured quad node.
#include "qzware/scene/qz_sprite.h"

#include "qzware/scene/iqz_graphics.h"
#include "qzware/scene/iqz_texture.h"
#include "qzware/scene/qz_material.h"

namespace QZW {

CQzSprite::CQzSprite() = default;
CQzSprite::~CQzSprite() = default;

void CQzSprite::ApplyDefaultState(IQzGraphics* g, IQzTexture* texture) {
    g->UseShader(1);
    g->SetTexture(texture, 0);
    g->DisableDepthTest();
    g->EnableDepthWrite();
    g->EnableBlend();
    g->SetBlendMode(QZ_BLEND_ALPHA);
    g->SetOfsZ(0.0f);
    g->SetFrameBuffer(0);
}

void CQzSprite::Draw(IQzGraphics* g) {
    g->Translate(0.0f, 0.0f, 0.0f);
    g->Scale(1.0f, 1.0f, 1.0f);
    // The owner places the sprite by its own matrix; the sprite's is reset.
    matrix.ResetMatrix();
    CQzMatrixNode::Draw(g);
    if (drawable == 0 || hidden != 0) {
        return;
    }
    if (material != nullptr) {
        material->Apply(g);
    } else {
        ApplyDefaultState(g, texture);
    }
    UpdateVertices();
    g->DrawArrays(QZ_PRIM_TRIANGLE_STRIP, 4, &positions[0].x,
                  reinterpret_cast<const std::uint8_t*>(colours), &uvs[0].x, nullptr);
}

void CQzSprite::PreDraw(IQzGraphics*) {}

void CQzSprite::Hide() {
    hidden = 1;
}

void CQzSprite::Show() {
    hidden = 0;
}

void CQzSprite::SetUvRect(const QzUvRect& uv) {
    uvs[0] = Vector2(uv.uLeft, uv.vTop);
    uvs[1] = Vector2(uv.uRight, uv.vTop);
    uvs[2] = Vector2(uv.uLeft, uv.vBottom);
    uvs[3] = Vector2(uv.uRight, uv.vBottom);
}

void CQzSprite::SetSprite(std::uint32_t width, std::uint32_t height, std::uint32_t srcX,
                          std::uint32_t srcY, float scaleX, float scaleY, std::uint32_t colour,
                          IQzTexture* texture) {
    if (texture == nullptr) {
        return;
    }
    this->width = width;
    this->height = height;
    this->srcX = srcX;
    this->srcY = srcY;
    this->scaleX = scaleX;
    this->scaleY = scaleY;
    this->texture = texture;
    SetColor(colour);
    SetUvRect(QzCalcUvRect(float(srcX), float(srcY), float(width), float(height), texture));
    drawable = 1;
}

void CQzSprite::SetSpriteAtlas(std::uint32_t width, std::uint32_t height, std::uint32_t srcX,
                               std::uint32_t srcY, IQzTexture* texture) {
    if (texture == nullptr) {
        return;
    }
    this->texture = texture;
    this->srcX = srcX;
    this->srcY = srcY;
    SetUvRect(QzCalcUvRect(float(srcX), float(srcY), float(width), float(height), texture));
}

void CQzSprite::SetColor(std::uint32_t colour) {
    this->colour = colour;
    for (Color& c : colours) {
        c = Color::FromU32(colour);
    }
}

void CQzSprite::SetUV(float width, float height, float srcX, float srcY) {
    if (texture == nullptr) {
        return;
    }
    SetUvRect(QzCalcUvRect(srcX, srcY, width, height, texture));
}

void CQzSprite::ResetSprite() {
    drawable = 0;
    margins = QzSpriteMargins{};
    align = 0;
    material = nullptr;
}

void CQzSprite::SetMargin(std::int32_t left, std::int32_t right, std::int32_t top,
                          std::int32_t bottom) {
    margins = QzSpriteMargins{left, right, top, bottom};
}

void CQzSprite::GetOrigin(float& x, float& y) const {
    const Vector2 origin = QzSpriteOrigin(align, width, height, margins, scaleX, scaleY);
    x = origin.x;
    y = origin.y;
}

void CQzSprite::UpdateVertices() {
    float ox = 0.0f;
    float oy = 0.0f;
    GetOrigin(ox, oy);
    const float w = float(width);
    const float h = float(height);
    positions[0] = Vector3(ox, oy, 0.0f);
    positions[1] = Vector3(ox + w, oy, 0.0f);
    positions[2] = Vector3(ox, oy + h, 0.0f);
    positions[3] = Vector3(ox + w, oy + h, 0.0f);
}

}  // namespace QZW
