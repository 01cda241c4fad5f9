#include "qzware/scene/qz_fixed_font.h"

#include <algorithm>
#include <cmath>

#include "qzware/common/qz_mem.h"
#include "qzware/scene/iqz_texture.h"
#include "qzware/scene/qz_sprite_list.h"

namespace QZW {

namespace {
// The debug font draws nothing for this code; a space is drawn as it.
constexpr std::int32_t kBlankCode = 64;

// The integer part of the scaled cell width; a scale too large for an integer
// is clamped and one that is not a number advances nothing, rather than
// converting out of range.
std::int64_t CellAdvance(float scaleX) {
    const float scaled = scaleX * float(CQzFixedFont::kCellSize);
    if (std::isnan(scaled)) {
        return 0;
    }
    return std::int64_t(std::clamp(scaled, -1e9f, 1e9f));
}
}  // namespace

CQzFixedFont::~CQzFixedFont() {
    QzMemFreeTyped(cells);
}

bool CQzFixedFont::Build(std::int32_t firstCode, std::int32_t lastCode, std::int32_t columns,
                         IQzTexture* texture) {
    QzMemFreeTyped(cells);
    first = 0;
    last = -1;
    if (lastCode < firstCode || columns <= 0) {
        return false;
    }
    const std::int64_t count = std::int64_t(lastCode) - firstCode + 1;
    const std::int64_t bytes = count * std::int64_t(sizeof(SCell));
    if (bytes > 0x7fffffff) {
        return false;
    }
    cells = static_cast<SCell*>(QzMemAllocLocked(std::uint32_t(bytes), 8));
    if (!cells) {
        return false;
    }
    first = firstCode;
    last = lastCode;
    const std::int32_t rows = texture ? texture->GetHeight() / kCellSize : 0;
    for (std::int64_t i = 0; i < count; ++i) {
        const std::int64_t row = i / columns;
        if (row >= rows) {
            cells[i] = SCell{0, 0, 0, 0};
            continue;
        }
        cells[i] = SCell{std::int32_t(i % columns) * kCellSize, std::int32_t(row) * kCellSize,
                         kCellSize, kCellSize};
    }
    return true;
}

const CQzFixedFont::SCell* CQzFixedFont::GetCell(std::int32_t code) const {
    if (!cells || code < first || code > last) {
        return nullptr;
    }
    return &cells[code - first];
}

void CQzFixedFont::DrawText(CQzSpriteList* list, std::int32_t x, std::int32_t y, float scaleX,
                            float scaleY, std::uint32_t colour, const char* text) const {
    if (!list || !text) {
        return;
    }
    const std::int64_t advance = CellAdvance(scaleX);
    std::int64_t pen = x;
    for (const char* p = text; *p != '\0'; ++p) {
        std::int32_t code = static_cast<unsigned char>(*p);
        if (code == ' ') {
            code = kBlankCode;
        }
        const SCell* cell = GetCell(code);
        if (!cell) {
            continue;
        }
        if (code != kBlankCode) {
            list->AppendQuad(std::uint32_t(cell->width), std::uint32_t(cell->height),
                             std::uint32_t(cell->x), std::uint32_t(cell->y), scaleX, scaleY, colour,
                             float(pen), float(y), 100.0f);
        }
        pen += advance;
    }
}

}  // namespace QZW
