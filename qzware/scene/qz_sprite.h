// QZW::CQzSprite: one textured quad with an alignment code, margins, flip
// and colour, drawn as a 4-vertex triangle strip through IQzGraphics with its
// material or a fixed default state. The texture and material are not owned.
// Game thread only.
#pragma once

#include <cstdint>

#include "qzware/scene/qz_color.h"
#include "qzware/scene/qz_node.h"
#include "qzware/scene/qz_sprite_geometry.h"
#include "qzware/scene/qz_vector.h"

namespace QZW {

class IQzGraphics;
class IQzTexture;
class CQzMaterial;

class CQzSprite : public CQzMatrixNode {
public:
    CQzSprite();
    ~CQzSprite() override;

    void Draw(IQzGraphics* g) override;
    void PreDraw(IQzGraphics* g) override;
    // Only this sprite: its children keep their own state.
    void Hide() override;
    void Show() override;

    // Null texture: nothing changes.
    void SetSprite(std::uint32_t width, std::uint32_t height, std::uint32_t srcX,
                   std::uint32_t srcY, float scaleX, float scaleY, std::uint32_t colour,
                   IQzTexture* texture);
    void SetSpriteAtlas(std::uint32_t width, std::uint32_t height, std::uint32_t srcX,
                        std::uint32_t srcY, IQzTexture* texture);
    void SetColor(std::uint32_t colour);
    // Source rectangle in texels over the current texture; none: nothing.
    void SetUV(float width, float height, float srcX, float srcY);
    // The corner texture coordinates themselves.
    void SetUvRect(const QzUvRect& uv);
    void ResetSprite();
    void GetOrigin(float& x, float& y) const;
    void UpdateVertices();

    void SetMargin(std::int32_t left, std::int32_t right, std::int32_t top, std::int32_t bottom);
    void SetAlign(std::int32_t align) { this->align = align; }
    void SetMaterial(CQzMaterial* material) { this->material = material; }
    void SetTexture(IQzTexture* texture) { this->texture = texture; }

    const Vector3* GetPositions() const { return positions; }
    const Color* GetColors() const { return colours; }
    const Vector2* GetUVs() const { return uvs; }
    IQzTexture* GetTexture() const { return texture; }
    CQzMaterial* GetMaterial() const { return material; }
    std::uint32_t GetWidth() const { return width; }
    std::uint32_t GetHeight() const { return height; }
    std::uint32_t GetColor() const { return colour; }
    std::int32_t GetAlign() const { return align; }
    bool IsDrawable() const { return drawable != 0; }
    bool IsHidden() const { return hidden != 0; }

    // The state a sprite without material draws with.
    static void ApplyDefaultState(IQzGraphics* g, IQzTexture* texture);

private:
    Vector3 positions[4];  // strip order: top-left, top-right, bottom-left,
                           // bottom-right
    Color colours[4];
    Vector2 uvs[4];
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t srcX = 0;
    std::uint32_t srcY = 0;
    std::uint32_t colour = 0xFFFFFFFFu;
    float scaleX = 1.0f;
    float scaleY = 1.0f;
    IQzTexture* texture = nullptr;
    QzSpriteMargins margins;
    std::int32_t align = 0;
    CQzMaterial* material = nullptr;
    std::uint8_t drawable = 0;
    std::uint8_t hidden = 0;
};

}  // namespace QZW
