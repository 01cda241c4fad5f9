#include "qzware/scene/font_loader.h"

#include "qzware/scene/bitmap_font.h"

namespace acGraphics {

CFontLoader::CFontLoader(CBitmapFont* target, const std::uint8_t* data, std::uint32_t size,
                         const std::string& file)
    : font(target), fontFile(file), reader(new MemReader(data, size)) {}

CFontLoader::~CFontLoader() {
    delete reader;
}

void CFontLoader::SetCommonInfo(std::int32_t lineHeight, std::int32_t base, std::int32_t scaleW,
                                std::int32_t scaleH, std::int32_t pages, std::int32_t packed) {
    font->lineHeight = static_cast<std::uint16_t>(lineHeight);
    font->base = static_cast<std::uint16_t>(base);
    font->scaleW = static_cast<std::uint16_t>(scaleW);
    font->scaleH = static_cast<std::uint16_t>(scaleH);
    // The page table is a u16 count in both formats; a negative count is none.
    const std::size_t count = pages < 0 ? 0 : static_cast<std::uint16_t>(pages);
    font->pageFiles.assign(count, std::string());
    font->pageTextures.assign(count, nullptr);
    font->pageMaterials.assign(count, nullptr);
    if (packed != 0 && outline != 0) {
        font->packedOutline = 1;
    }
    font->hasCommon = true;
}

void CFontLoader::AddPage(std::int32_t id, const std::string& file,
                          const std::string& fontFilePath) {
    if (id < 0 || static_cast<std::size_t>(id) >= font->pageFiles.size() || file.empty()) {
        return;
    }
    const std::size_t slash = fontFilePath.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string() : fontFilePath.substr(0, slash + 1);
    font->pageFiles[id] = folder + file;
}

namespace {

std::uint32_t ChannelMask(std::int32_t chnl) {
    switch (chnl) {
        case 1:
            return 0x00010000u;
        case 2:
            return 0x00000100u;
        case 4:
            return 0x00000001u;
        case 8:
            return 0x01000000u;
        default:
            return 0;
    }
}

}  // namespace

void CFontLoader::AddChar(std::int32_t id, std::int32_t x, std::int32_t y, std::int32_t width,
                          std::int32_t height, std::int32_t xoffset, std::int32_t yoffset,
                          std::int32_t xadvance, std::int32_t page, std::int32_t chnl) {
    SGlyph glyph;
    glyph.x = static_cast<std::uint16_t>(x);
    glyph.y = static_cast<std::uint16_t>(y);
    glyph.width = static_cast<std::uint16_t>(width);
    glyph.height = static_cast<std::uint16_t>(height);
    glyph.xoffset = static_cast<std::int16_t>(xoffset);
    glyph.yoffset = static_cast<std::int16_t>(yoffset);
    glyph.xadvance = static_cast<std::int16_t>(xadvance);
    glyph.page = static_cast<std::uint16_t>(page);
    glyph.channelMask = ChannelMask(chnl);
    if (id == -1) {
        font->defaultGlyph = glyph;
    } else if (id >= 0) {
        font->glyphs.emplace(id, glyph);
    }
}

void CFontLoader::AddKerningPair(std::int32_t first, std::int32_t second, std::int32_t amount) {
    if (first > 255) {
        return;
    }
    auto it = font->glyphs.find(first);
    if (it == font->glyphs.end()) {
        return;
    }
    it->second.kerning.push_back(SKerningPair{second, amount});
}

}  // namespace acGraphics
