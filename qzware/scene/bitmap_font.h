// acGraphics::CBitmapFont: a bitmap font loaded from a BMFont file (binary
// version 3 or text), its glyph records, line metrics, kerning and pages.
// Parsing is pure (bytes in, records out); the file bytes and the page
// textures come from an IFontOwner, so the font needs no renderer of its own.
// Game thread only. Text layout over these records (bitmap_font_layout.cpp)
// works on one shared UTF-16 buffer, so it is not reentrant.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace QZW {
class IQzTexture;
class CQzMaterial;
class CQzMesh;
struct Vector2;
struct Vector3;
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

// [SECTION] Text preparation (bitmap_font_layout.cpp)

// Size of the shared text buffer. The UTF-16 form it holds is at most
// kSharedTextBytes - 2 bytes followed by a zero unit.
constexpr std::int32_t kSharedTextBytes = 2048;
// The one buffer holding the UTF-16 form (little-endian) of the text being
// measured or laid out; each measuring or layout call rewrites it.
std::uint8_t* SharedTextBuffer();
// Decodes the zero-terminated UTF-8 text into the shared buffer, stopping
// before the form would reach kSharedTextBytes; bytes that do not decode are
// skipped. Returns the number of code points written.
std::int32_t ConvertUtf8ToUtf16(const char* text);
// Every `from` replaced by `to`, left to right, resuming after each inserted
// `to`. An empty `from` leaves the text unchanged.
void ReplaceAll(std::string& text, const std::string& from, const std::string& to);
// One code point from the `available` bytes at `bytes`, or -1. *length gets
// the bytes taken; invalid input (a bad or cut sequence, an overlong form, a
// surrogate, a value past U+10FFFF) takes 1 byte, so a walk always advances.
std::int32_t QzDecodeUtf8Char(const std::uint8_t* bytes, std::size_t available,
                              std::int32_t* length);
// One code point from UTF-16 units, little-endian unless bigEndian is set, or
// -1. A surrogate pair takes 4 bytes; a lone surrogate is invalid and, like
// every other unit, takes 2 (a lone odd byte at the end takes 1).
std::int32_t QzDecodeUtf16Char(const std::uint8_t* bytes, std::size_t available,
                               std::int32_t* length, std::int32_t bigEndian);

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

    // [SECTION] Layout (bitmap_font_layout.cpp)
    // Offsets and lengths below are bytes of the UTF-16 form in the shared
    // buffer; every one is clamped to that buffer. A font that failed to load
    // lays out nothing and measures 0.

    // Bytes of `text` (at most `capacity`): up to the first zero byte for
    // encodings other than 2; for UTF-16 up to the first zero unit, a valid
    // surrogate pair counting 4 and every other unit 2.
    std::int32_t GetTextLength(const std::uint8_t* text, std::size_t capacity) const;
    // Offset of the first line feed in [start, end) of the shared buffer, or -1.
    std::int32_t FindTextChar(std::int32_t start, std::int32_t end) const;
    // Width of the run of `length` bytes from `start` (0 or less: to the end
    // of the text), with kerning; bottom and top get the lowest glyph bottom
    // and highest glyph top above the baseline (10000 and -10000 when empty).
    float GetTextWidth(std::int32_t start, std::int32_t length, float* bottom, float* top) const;
    // The width of the whole prepared text as one run (line feeds included).
    float MeasureText(const char* text);
    // Lays the text out as glyph quads in the mesh's block 1, one line per
    // line feed; align 1 centres each line on x, 2 ends it at x. The mesh
    // takes the material of the glyphs' page.
    void Write(QZW::CQzMesh* mesh, float z, const char* text, std::int32_t align, float x, float y);
    // The same into caller arrays as a joined triangle strip, six vertices a
    // glyph from index *count (advanced); never writes at or past capacity.
    void WriteBox(QZW::Vector3* positions, QZW::Vector2* uvs, float y, const char* text,
                  std::int32_t align, std::int32_t* count, std::int32_t capacity, float x);
    // Renders every page material into that target.
    void SetTargetFrameBufferId(std::int32_t id);

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
    // Byte order GetTextLength reads a caller's UTF-16 text in; the shared
    // buffer the layout works on is always little-endian.
    std::int32_t bigEndian = 0;
    std::int32_t limitLength = -1;
    // Set once a common record was read (a file without one is no font).
    bool hasCommon = false;

private:
    // Replaces the script's "\\r\\n", converts into the shared buffer and
    // returns the length to lay out (limitLength applied).
    std::int32_t PrepareText(const char* text);
    const SGlyph& GlyphFor(std::int32_t code) const;
    // Calls visit(glyph, kerning to the next character x scale) for each
    // character of [start, end); visit returns false to stop.
    template <typename Visit>
    void ForEachGlyph(std::int32_t start, std::int32_t end, Visit visit) const;
    float RunWidth(std::int32_t start, std::int32_t end, float* bottom, float* top) const;
    // Calls drawLine(start, end, lineX, lineY) for each line of the prepared text.
    template <typename DrawLine>
    void ForEachLine(std::int32_t length, std::int32_t align, float x, float y,
                     DrawLine drawLine) const;
    void WriteLine(QZW::CQzMesh* mesh, float z, std::int32_t start, std::int32_t end, float x,
                   float y) const;
    void WriteLineJustified(QZW::Vector3* positions, QZW::Vector2* uvs, std::int32_t start,
                            std::int32_t end, float x, float y, std::int32_t* count,
                            std::int32_t capacity) const;
    void LoadPages();
    bool loaded = false;
};

}  // namespace acGraphics
