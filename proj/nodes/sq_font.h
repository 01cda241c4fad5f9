// QZW::CSqFont: a script node showing a line or box of text in a bitmap font
// from the resource manager's cache. The text is laid out into a mesh it
// owns only when one of five dirty flags (text, height, colour, layout,
// visibility) says something changed; inside a sprite buffer it is laid
// straight into the buffer's arrays instead. Every method that reads the
// font does nothing (or answers 0) until a font is loaded. Game thread only.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "proj/nodes/sq_node.h"
#include "qzware/scene/qz_color.h"
#include "qzware/scene/qz_vector.h"

namespace acGraphics {
class CBitmapFont;
}

namespace QZW {

class CQzMaterial;
class CQzMesh;

class CSqFont : public CSqNode {
public:
    enum Dirty {
        kDirtyText,
        kDirtyHeight,
        kDirtyColour,
        kDirtyLayout,
        kDirtyVisibility,
        kDirtyCount
    };
    // The regular 30-pixel face and the file used for it in language 3.
    static constexpr const char* kRegularFace = "font/lumesa_gosiL30.fnt";
    static constexpr const char* kRegularFaceCh = "font/lumesa_gosiL30_ch.fnt";
    static constexpr std::uint32_t kLanguageCh = 3;

    CSqFont();
    ~CSqFont() override;

    void Draw(IQzGraphics* g) override;
    void Hide() override;
    void Show() override;
    std::int32_t GetNodeType() const override { return kTextNode; }
    void SetAlpha(std::int32_t value, bool recursive) override;

    // The font when it loaded, else null.
    acGraphics::CBitmapFont* LoadedFont() const;
    // The material of the font's first page, or null.
    CQzMaterial* PageMaterial() const;
    // Lays the text into caller arrays (at most `capacity` vertices from
    // index 0), reporting the count in *count; the sprite buffer's path.
    void ApplyColor(Vector3* positions, Vector2* uvs, std::int32_t* count, std::int32_t capacity);

    // [SECTION] Script methods
    void SetText(const std::string& value);
    void SetAlign(std::int32_t value);
    void SetAlignY(std::int32_t value);
    void SetLimitLength(std::int32_t value);
    void SetFontHeight(std::int32_t value);
    void SetColor(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a);
    void SetTargetFrameBufferId(std::int32_t id);
    bool LoadFont(const std::string& fileName);
    bool IsHide() const { return hidden != 0; }
    std::int32_t GetAlpha() const { return AlphaByte(); }
    float GetTextWidth() const;
    void SetPanePos(float x, float y, float z) { panePos = Vector3(x, y, z); }
    void SetPaneSize(float w, float h) { paneSize = Vector2(w, h); }
    void SetPaneScale(float x, float y) { paneScale = Vector2(x, y); }
    void SetTextBoxSize(float w, float h) { textBoxSize = Vector2(w, h); }
    void UpdateOption();

    bool AnyDirty() const;

    acGraphics::CBitmapFont* font = nullptr;
    std::string text;
    std::int32_t align = 0;
    std::int32_t alignY = 0;
    Color colour;
    std::unique_ptr<CQzMesh> textMesh;
    std::int32_t limitLength = -1;
    std::uint8_t hidden = 0;
    std::int32_t fontHeight = 0;
    std::uint8_t dirty[kDirtyCount] = {1, 1, 1, 1, 1};
    std::uint32_t targetFrameBufferId = 0;
    Vector3 panePos;
    Vector2 paneSize;
    Vector2 paneScale{1.0f, 1.0f};
    Vector2 textBoxSize;
    std::int32_t batched = 0;

private:
    // The font's colour, height and limit from this node before a layout.
    void PushToFont(acGraphics::CBitmapFont& f) const;
};

}  // namespace QZW
