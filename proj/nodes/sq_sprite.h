// QZW::CSqSprite: a script node showing one textured quad through an engine
// sprite it owns. Its colour's alpha is scaled by the node alpha when drawn.
// Texture and material are not owned: the texture the node keeps and the one
// its sprite draws are held in the texture list, and a material that dies is
// forgotten. Inside a sprite
// buffer (batched) it no longer draws itself. Game thread only.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "proj/nodes/sq_material.h"
#include "proj/nodes/sq_node.h"
#include "qzware/scene/qz_color.h"
#include "qzware/scene/qz_sprite.h"

namespace QZW {

class IQzTexture;

// Integer part of colourAlpha x nodeAlpha / 255, in 0..255.
std::uint8_t SqScaledAlpha(std::uint8_t colourAlpha, std::uint8_t nodeAlpha);

class CSqSprite : public CSqNode, public ISqMaterialUser {
public:
    CSqSprite();
    ~CSqSprite() override;

    void Draw(IQzGraphics* g) override;
    void Hide() override;
    void Show() override;
    std::int32_t GetNodeType() const override { return kSpriteNode; }
    void OnMaterialGone(CSqMaterial* gone) override;

    // The colour with its alpha scaled by the node alpha, onto the corners.
    void PushColour();

    // [SECTION] Script methods
    void Set(std::int32_t w, std::int32_t h, std::int32_t srcX, std::int32_t srcY,
             const std::string& textureName);
    void SetSpriteAtlas(std::int32_t w, std::int32_t h, std::int32_t srcX, std::int32_t srcY,
                        const std::string& atlasName);
    void SetColor(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a);
    void SetAlign(std::int32_t align) { sprite->SetAlign(align); }
    void SetMargin(std::int32_t left, std::int32_t right, std::int32_t top, std::int32_t bottom) {
        sprite->SetMargin(left, right, top, bottom);
    }
    // Null forgets the material and keeps the texture.
    void SetMaterial(CSqMaterial* m);
    void SetSprite(std::int32_t w, std::int32_t h, std::int32_t srcX, std::int32_t srcY);
    float GetTexWidth() const { return float(sprite->GetWidth()); }
    float GetTexHeight() const { return float(sprite->GetHeight()); }
    float GetWidth() const { return GetTexWidth() * scale.x; }
    float GetHeight() const { return GetTexHeight() * scale.y; }
    void SetUV(float uMin, float vMin, float uMax, float vMax);

    std::unique_ptr<CQzSprite> sprite;
    Color colour;
    IQzTexture* texture = nullptr;
    CSqMaterial* material = nullptr;
    std::int32_t batched = 0;

private:
    // Holds what the node keeps (texture) and what its engine sprite draws
    // (which a failed Set leaves as it was), each exactly once.
    void SyncHolds();

    IQzTexture* heldTexture = nullptr;
    IQzTexture* heldDrawn = nullptr;
};

}  // namespace QZW
