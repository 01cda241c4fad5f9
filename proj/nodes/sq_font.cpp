// Script text node (see the header).
#include "proj/nodes/sq_font.h"

#include "proj/nodes/sq_material.h"
#include "proj/nodes/sq_sprite.h"
#include "qzware/scene/bitmap_font.h"
#include "qzware/scene/iqz_game_manager.h"
#include "qzware/scene/iqz_graphics.h"
#include "qzware/scene/qz_material.h"
#include "qzware/scene/qz_mesh.h"
#include "qzware/scene/resource_manager.h"

namespace QZW {

CSqFont::CSqFont() : textMesh(std::make_unique<CQzMesh>()) {}

CSqFont::~CSqFont() = default;

acGraphics::CBitmapFont* CSqFont::LoadedFont() const {
    return font && font->IsLoaded() ? font : nullptr;
}

CQzMaterial* CSqFont::PageMaterial() const {
    acGraphics::CBitmapFont* f = LoadedFont();
    return f ? f->GetPageMaterial(0) : nullptr;
}

bool CSqFont::AnyDirty() const {
    for (std::uint8_t d : dirty) {
        if (d) {
            return true;
        }
    }
    return false;
}

void CSqFont::PushToFont(acGraphics::CBitmapFont& f) const {
    f.colour[0] = colour.r;
    f.colour[1] = colour.g;
    f.colour[2] = colour.b;
    f.colour[3] = SqScaledAlpha(colour.a, AlphaByte());
    f.lineHeight = std::uint16_t(fontHeight);
    f.limitLength = limitLength;
}

void CSqFont::Draw(IQzGraphics* g) {
    const bool anyDirty = AnyDirty();
    for (std::uint8_t& d : dirty) {
        d = 0;
    }
    if (anyDirty) {
        textMesh->Clear();
        acGraphics::CBitmapFont* f = LoadedFont();
        if (f && !hidden && AlphaByte() != 0) {
            PushToFont(*f);
            f->Write(textMesh.get(), 0.0f, text.c_str(), align, 0.0f, 0.0f);
        }
    }
    if (CQzMaterial* m = textMesh->GetMaterial()) {
        m->frameBufferId = std::int32_t(targetFrameBufferId);
    }
    if (visible) {
        UpdateMatrix();
    }
    g->PushMatrix();
    g->MultMatrix(matrix);
    if (batched == 0) {
        CQzNode::DrawTree(textMesh.get(), g);
    }
}

void CSqFont::ApplyColor(Vector3* positions, Vector2* uvs, std::int32_t* count,
                         std::int32_t capacity) {
    *count = 0;
    acGraphics::CBitmapFont* f = LoadedFont();
    if (!f) {
        return;
    }
    PushToFont(*f);
    f->WriteBox(positions, uvs, 0.0f, text.c_str(), align, count, capacity, 0.0f);
}

void CSqFont::Hide() {
    if (!hidden) {
        dirty[kDirtyVisibility] = 1;
    }
    hidden = 1;
    CSqNode::Hide();
}

void CSqFont::Show() {
    if (hidden) {
        dirty[kDirtyVisibility] = 1;
    }
    hidden = 0;
    CSqNode::Show();
}

void CSqFont::SetAlpha(std::int32_t value, bool recursive) {
    if (value != alpha) {
        dirty[kDirtyColour] = 1;
    }
    CSqNode::SetAlpha(value, recursive);
}

// [SECTION] Script methods

void CSqFont::SetText(const std::string& value) {
    if (value != text) {
        dirty[kDirtyText] = 1;
    }
    text = value;
}

void CSqFont::SetAlign(std::int32_t value) {
    if (value != align) {
        dirty[kDirtyLayout] = 1;
    }
    align = value;
}

void CSqFont::SetAlignY(std::int32_t value) {
    if (value != alignY) {
        dirty[kDirtyLayout] = 1;
    }
    alignY = value;
}

void CSqFont::SetLimitLength(std::int32_t value) {
    if (value != limitLength) {
        dirty[kDirtyText] = 1;
    }
    limitLength = value;
}

void CSqFont::SetFontHeight(std::int32_t value) {
    if (value != fontHeight) {
        dirty[kDirtyHeight] = 1;
    }
    fontHeight = value;
}

void CSqFont::SetColor(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a) {
    const Color next(r, g, b, a);
    if (!(next == colour)) {
        dirty[kDirtyColour] = 1;
    }
    colour = next;
    SetAlpha(a, false);
}

void CSqFont::SetTargetFrameBufferId(std::int32_t id) {
    if (acGraphics::CBitmapFont* f = LoadedFont()) {
        f->SetTargetFrameBufferId(id);
        targetFrameBufferId = std::uint32_t(id);
    }
}

bool CSqFont::LoadFont(const std::string& fileName) {
    IQzGameManager* manager = SqGameManager();
    const bool ch = fileName == kRegularFace && manager && manager->GetLanguage() == kLanguageCh;
    font = CResourceManager::GetInstance()->GetFont(ch ? kRegularFaceCh : fileName);
    const std::int32_t height = font ? std::int32_t(std::int16_t(font->lineHeight)) : 0;
    if (height != fontHeight) {
        dirty[kDirtyHeight] = 1;
    }
    fontHeight = height;
    return true;
}

float CSqFont::GetTextWidth() const {
    acGraphics::CBitmapFont* f = LoadedFont();
    return f ? f->MeasureText(text.c_str()) * scale.x : 0.0f;
}

void CSqFont::UpdateOption() {
    position.x = panePos.x;
    if (alignY == 1) {
        position.y = panePos.y - paneSize.y * 0.5f * paneScale.y;
    }
    scale = Vector3(paneScale.x, paneScale.y, 1.0f);
}

}  // namespace QZW
