// acGraphics::CFontLoader: the part of both BMFont loaders that turns parsed
// values into the font's records, checking every index against the tables it
// names. Loaders record page paths only; textures are fetched by the font.
#pragma once

#include <cstdint>
#include <string>

#include "qzware/scene/mem_reader.h"

namespace acGraphics {

class CBitmapFont;

class CFontLoader {
public:
    CFontLoader(CBitmapFont* target, const std::uint8_t* data, std::uint32_t size,
                const std::string& file);
    virtual ~CFontLoader();
    CFontLoader(const CFontLoader&) = delete;
    CFontLoader& operator=(const CFontLoader&) = delete;

    // 0 when the data was read to its end, -1 on a format error (then `error`
    // says why).
    virtual std::int32_t Load() = 0;

    void SetCommonInfo(std::int32_t lineHeight, std::int32_t base, std::int32_t scaleW,
                       std::int32_t scaleH, std::int32_t pages, std::int32_t packed);
    // Page `id` gets the path: fontFile's folder (up to its last "/") + file.
    // Ids outside the page table and empty names are skipped.
    void AddPage(std::int32_t id, const std::string& file, const std::string& fontFilePath);
    // id -1 fills the default glyph, other negative ids are skipped; a second
    // record for an id already present is skipped (the first one stays).
    void AddChar(std::int32_t id, std::int32_t x, std::int32_t y, std::int32_t width,
                 std::int32_t height, std::int32_t xoffset, std::int32_t yoffset,
                 std::int32_t xadvance, std::int32_t page, std::int32_t chnl);
    // Kept only when first is at most 255 and the font has a glyph for it.
    void AddKerningPair(std::int32_t first, std::int32_t second, std::int32_t amount);

    CBitmapFont* font;
    std::string fontFile;
    std::int32_t outline = 0;
    MemReader* reader;
    const char* error = "";
};

}  // namespace acGraphics
