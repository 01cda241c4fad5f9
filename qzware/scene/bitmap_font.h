// acGraphics::CBitmapFont: a bitmap font loaded from a BMFont file (binary
// version 3 or text), its glyph records, line metrics, kerning and pages.
// Parsing is pure (bytes in, records out); the file bytes and the page
// textures come from an IFontOwner, so the font needs no renderer of its own.
// Game thread only. Text layout over these records lives beside the font.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace QZW {
class IQzTexture;
class CQzMaterial;
}  // namespace QZW

namespace acGraphics {

struct SKerningPair {
    std::int32_t second = 0;
    std::int32_t amount = 0;
    bool operator==(const SKerningPair&) const = default;
};

// One character's rectangle on its page (texels) and its pen metrics.
struct SGlyph {
    std::uint16_t x = 0;
    std::uint16_t y = 0;
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    std::int16_t xoffset = 0;
    std::int16_t yoffset = 0;
    std::int16_t xadvance = 0;
    std::uint16_t page = 0;
    std::uint32_t channelMask = 0;
    std::vector<SKerningPair> kerning;
    bool operator==(const SGlyph&) const = default;
};

// What the owner hands back for one page file. The material is owned by the
// font from then on; the texture stays the owner's (its texture list).
struct SFontPage {
    QZW::IQzTexture* texture = nullptr;
    std::shared_ptr<QZW::CQzMaterial> material;
};

// The services a font is loaded through: the file manager for the font file
// and the engine draw task's texture list for the pages.
class IFontOwner {
public:
    virtual ~IFontOwner() = default;
    // The whole file; false when it cannot be read.
    virtual bool ReadFontFile(const std::string& path, std::vector<std::uint8_t>& bytes) = 0;
    // The page texture by its path in the data tree, filtered linear, with a
    // material (shader type 1, the texture in unit 0); a null texture when
    // it cannot be obtained.
    virtual SFontPage LoadFontPage(const std::string& path) = 0;
};

class CBitmapFont {
public:
    CBitmapFont() = default;
    ~CBitmapFont() = default;
    CBitmapFont(const CBitmapFont&) = delete;
    CBitmapFont& operator=(const CBitmapFont&) = delete;

    // Reads the file through the owner and loads it. 1 on success; 0 when the
    // file cannot be read or is not a well-formed font file, and then the font is
    // left empty (it lays out nothing).
    int Init(IFontOwner* fontOwner, const std::string& path);
    // The same over bytes the caller keeps; a null owner loads no textures.
    int InitFromMemory(IFontOwner* fontOwner, const std::string& path, const std::uint8_t* data,
                       std::uint32_t size);
    // Drops every record and page (back to the defaults).
    void Clear();
    bool IsLoaded() const { return loaded; }

    // The fallback entry for id, else the glyph, else the "?" glyph, else null
    // (callers then use defaultGlyph).
    const SGlyph* GetChar(std::int32_t id) const;
    // The amount of the first pair (first, second) in first's kerning list.
    std::int32_t GetKerning(std::int32_t first, std::int32_t second) const;
    // Null for a page without texture and for any page outside the table,
    // so a glyph naming a page the file never declared draws nothing.
    QZW::IQzTexture* GetPageTexture(std::uint32_t page) const;
    QZW::CQzMaterial* GetPageMaterial(std::uint32_t page) const;
    std::size_t GetPageCount() const { return pageFiles.size(); }

    std::uint16_t lineHeight = 0;
    std::uint16_t base = 0;
    std::uint16_t scaleW = 0;
    std::uint16_t scaleH = 0;
    SGlyph defaultGlyph;
    std::uint8_t packedOutline = 0;
    float scale = 1.0f;
    std::int32_t encoding = 2;
    std::map<std::int32_t, SGlyph> glyphs;
    // At most the entry 65535: the "?" glyph used for characters not in the font.
    std::map<std::int32_t, const SGlyph*> fallback;
    // One entry per page of the common record: the page's path in the data
    // tree ("" when the file names no file for it), its texture, its material.
    std::vector<std::string> pageFiles;
    std::vector<QZW::IQzTexture*> pageTextures;
    std::vector<std::shared_ptr<QZW::CQzMaterial>> pageMaterials;
    std::string fileName;
    IFontOwner* owner = nullptr;
    std::uint8_t colour[4] = {255, 255, 255, 255};
    std::int32_t bigEndian = 0;
    std::int32_t limitLength = -1;
    // Set once a common record was read (a file without one is no font).
    bool hasCommon = false;

private:
    void LoadPages();
    bool loaded = false;
};

}  // namespace acGraphics
