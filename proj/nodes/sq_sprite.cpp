// Script sprite node (see the header).
#include "proj/nodes/sq_sprite.h"

#include <algorithm>

#include "qzware/scene/iqz_graphics.h"
#include "qzware/scene/qz_draw_task.h"
#include "qzware/scene/qz_sprite_geometry.h"

namespace QZW {

std::uint8_t SqScaledAlpha(std::uint8_t colourAlpha, std::uint8_t nodeAlpha) {
    return std::uint8_t(std::clamp(int(colourAlpha) * int(nodeAlpha) / 255, 0, 255));
}

CSqSprite::CSqSprite() : sprite(std::make_unique<CQzSprite>()) {}

CSqSprite::~CSqSprite() {
    if (material) {
        material->RemoveUser(this);
    }
    SqDropTexture(heldTexture);
    SqDropTexture(heldDrawn);
}

namespace {

void Rehold(IQzTexture*& held, IQzTexture* now) {
    if (held != now) {
        SqHoldTexture(now);
        SqDropTexture(held);
        held = now;
    }
}

}  // namespace

void CSqSprite::SyncHolds() {
    Rehold(heldTexture, texture);
    Rehold(heldDrawn, sprite->GetTexture());
}

void CSqSprite::OnMaterialGone(CSqMaterial* gone) {
    if (material == gone) {
        material = nullptr;
        sprite->SetMaterial(nullptr);
    }
}

void CSqSprite::PushColour() {
    sprite->SetColor(
        Color(colour.r, colour.g, colour.b, SqScaledAlpha(colour.a, AlphaByte())).ToU32());
}

void CSqSprite::Draw(IQzGraphics* g) {
    PushColour();
    if (visible) {
        UpdateMatrix();
    }
    g->PushMatrix();
    g->MultMatrix(matrix);
    if (sprite && batched == 0) {
        CQzNode::DrawTree(sprite.get(), g);
    }
}

void CSqSprite::Hide() {
    sprite->Hide();
    CSqNode::Hide();
}

void CSqSprite::Show() {
    sprite->Show();
    CSqNode::Show();
}

// [SECTION] Script methods

void CSqSprite::Set(std::int32_t w, std::int32_t h, std::int32_t srcX, std::int32_t srcY,
                    const std::string& textureName) {
    CQzDrawTask* engine = SqEngineDrawTask();
    texture = engine ? engine->GetTexture(textureName.c_str(), true) : nullptr;
    // A name that does not load leaves the sprite drawing what it drew.
    if (texture) {
        sprite->SetSprite(std::uint32_t(w), std::uint32_t(h), std::uint32_t(srcX),
                          std::uint32_t(srcY), 1.0f, 1.0f, 0xFFFFFFFFu, texture);
    }
    SyncHolds();
}

void CSqSprite::SetSpriteAtlas(std::int32_t w, std::int32_t h, std::int32_t srcX, std::int32_t srcY,
                               const std::string& atlasName) {
    CQzDrawTask* engine = SqEngineDrawTask();
    texture = engine ? engine->GetTexture(atlasName.c_str(), true) : nullptr;
    if (texture) {
        sprite->SetSpriteAtlas(std::uint32_t(w), std::uint32_t(h), std::uint32_t(srcX),
                               std::uint32_t(srcY), texture);
    }
    SyncHolds();
}

void CSqSprite::SetColor(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a) {
    colour = Color(r, g, b, a);
    PushColour();
}

void CSqSprite::SetMaterial(CSqMaterial* m) {
    if (material) {
        material->RemoveUser(this);
    }
    material = m;
    sprite->SetMaterial(m);
    if (m) {
        m->AddUser(this);
        texture = m->GetTexture(0);
    }
    SyncHolds();
}

void CSqSprite::SetSprite(std::int32_t w, std::int32_t h, std::int32_t srcX, std::int32_t srcY) {
    sprite->SetSprite(std::uint32_t(w), std::uint32_t(h), std::uint32_t(srcX), std::uint32_t(srcY),
                      1.0f, 1.0f, colour.ToU32(), texture);
    SyncHolds();
}

void CSqSprite::SetUV(float uMin, float vMin, float uMax, float vMax) {
    QzUvRect uv;
    uv.uLeft = uMin;
    uv.vTop = vMin;
    uv.uRight = uMax;
    uv.vBottom = vMax;
    sprite->SetUvRect(uv);
}

}  // namespace QZW
