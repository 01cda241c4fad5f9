// QZW::CQzFixedFont: a font of 8x8 cells laid out in rows on one texture,
// one sprite per character appended to a sprite list. The debug display and
// the damage numbers use it. The glyph table comes from the engine allocator.
// Game thread only.
#pragma once

#include <cstdint>

namespace QZW {

class IQzTexture;
class CQzSpriteList;

class CQzFixedFont {
public:
    static constexpr std::int32_t kCellSize = 8;

    struct SCell {
        std::int32_t x, y, width, height;
    };

    CQzFixedFont() = default;
    CQzFixedFont(const CQzFixedFont&) = delete;
    CQzFixedFont& operator=(const CQzFixedFont&) = delete;
    // Gives the glyph table back to the engine allocator.
    ~CQzFixedFont();

    // Characters first..last, `columns` cells per row of `texture`. Cells past
    // the texture's last row stay empty (zero-sized). False when the range is
    // empty, columns is not positive or the table cannot be allocated.
    bool Build(std::int32_t first, std::int32_t last, std::int32_t columns, IQzTexture* texture);
    // One quad per byte of the zero-terminated text at z 100: a space counts
    // as code 64, codes outside first..last are skipped without advancing,
    // code 64 advances without drawing; each advance adds int(scaleX * 8).
    void DrawText(CQzSpriteList* list, std::int32_t x, std::int32_t y, float scaleX, float scaleY,
                  std::uint32_t colour, const char* text) const;

    const SCell* GetCell(std::int32_t code) const;
    std::int32_t GetFirst() const { return first; }
    std::int32_t GetLast() const { return last; }

private:
    SCell* cells = nullptr;
    std::int32_t first = 0;
    std::int32_t last = -1;
};

}  // namespace QZW
