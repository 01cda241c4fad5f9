// Text layout over a loaded bitmap font: script text is converted into the
// shared UTF-16 buffer, broken at line feeds, aligned per line and written as
// glyph quads into a mesh or as strips into caller arrays. Every offset into
// the shared buffer is clamped to it; no allocation per character.
#include "qzware/scene/bitmap_font.h"

#include <cstring>

#include "qzware/scene/qz_material.h"
#include "qzware/scene/qz_mesh.h"
#include "qzware/scene/qz_vector.h"
#include "qzware/win/qz_string_util.h"

namespace acGraphics {

namespace {

constexpr std::int32_t kLineFeed = 10;
constexpr std::int32_t kUtf16Encoding = 2;

std::uint8_t gSharedText[kSharedTextBytes];
// The conversion writes the shared buffer little-endian, so the layout reads
// it back that way whatever the font's bigEndian says; reading it the other
// way round would turn every character into a different one.
constexpr std::int32_t kSharedBigEndian = 0;

std::int32_t ClampOffset(std::int32_t offset) {
    return offset < 0 ? 0 : (offset > kSharedTextBytes ? kSharedTextBytes : offset);
}

std::uint32_t ReadUnit(const std::uint8_t* p, std::int32_t bigEndian) {
    return bigEndian ? (std::uint32_t(p[0]) << 8) | p[1] : p[0] | (std::uint32_t(p[1]) << 8);
}

bool IsHighSurrogate(std::uint32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsLowSurrogate(std::uint32_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Bytes of the UTF-16 form at `text` up to its zero unit (at most capacity).
std::int32_t Utf16Length(const std::uint8_t* text, std::size_t capacity, std::int32_t bigEndian) {
    std::size_t pos = 0;
    while (capacity - pos >= 2 && ReadUnit(text + pos, bigEndian) != 0) {
        std::int32_t length = 2;
        QzDecodeUtf16Char(text + pos, capacity - pos, &length, bigEndian);
        pos += std::size_t(length);
    }
    return std::int32_t(pos);
}

// Walks the decodable characters of [pos, end) in the shared buffer up to a
// zero unit (the end of the text); units that do not decode (a pair cut by
// the length limit) are passed over.
struct CharCursor {
    std::int32_t pos;
    std::int32_t end;

    bool Next(std::int32_t* code) {
        while (pos < end) {
            std::int32_t length = 2;
            const std::int32_t c = QzDecodeUtf16Char(gSharedText + pos, std::size_t(end - pos),
                                                     &length, kSharedBigEndian);
            if (c == 0) {
                end = pos;
                return false;
            }
            pos += length;
            if (c >= 0) {
                *code = c;
                return true;
            }
        }
        return false;
    }
};

std::int32_t KerningOf(const SGlyph& glyph, std::int32_t next) {
    for (const SKerningPair& pair : glyph.kerning) {
        if (pair.second == next) {
            return pair.amount;
        }
    }
    return 0;
}

// A glyph's rectangle on screen and on its page.
struct GlyphQuad {
    float left, top, right, bottom;
    float uLeft, vTop, uRight, vBottom;
};

float TexelToUv(std::uint32_t texel, std::uint16_t size) {
    // A font whose common record gives a zero page size has no usable UVs.
    return size != 0 ? float(texel) / float(size) : 0.0f;
}

}  // namespace

// [SECTION] Text preparation

std::uint8_t* SharedTextBuffer() {
    return gSharedText;
}

std::int32_t QzDecodeUtf8Char(const std::uint8_t* bytes, std::size_t available,
                              std::int32_t* length) {
    std::size_t taken = 1;
    const std::int32_t code = QzDecodeUtf8Sequence(bytes, available, &taken);
    *length = std::int32_t(taken);
    return code;
}

std::int32_t QzDecodeUtf16Char(const std::uint8_t* bytes, std::size_t available,
                               std::int32_t* length, std::int32_t bigEndian) {
    if (available < 2) {
        *length = 1;
        return -1;
    }
    *length = 2;
    const std::uint32_t unit = ReadUnit(bytes, bigEndian);
    if (IsLowSurrogate(unit)) {
        return -1;
    }
    if (!IsHighSurrogate(unit)) {
        return std::int32_t(unit);
    }
    if (available < 4) {
        return -1;
    }
    const std::uint32_t low = ReadUnit(bytes + 2, bigEndian);
    if (!IsLowSurrogate(low)) {
        return -1;  // the next unit is read on its own
    }
    *length = 4;
    return std::int32_t(0x10000 + ((unit & 0x3FF) << 10) + (low & 0x3FF));
}

std::int32_t ConvertUtf8ToUtf16(const char* text) {
    std::memset(gSharedText, 0, sizeof(gSharedText));
    if (text == nullptr) {
        return 0;
    }
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text);
    const std::size_t size = std::strlen(text);
    std::int32_t pos = 0;
    std::int32_t count = 0;
    for (std::size_t i = 0; i < size;) {
        std::int32_t length = 1;
        std::int32_t code = QzDecodeUtf8Char(bytes + i, size - i, &length);
        i += std::size_t(length);
        if (code < 0) {
            continue;
        }
        const std::int32_t units = code < 0x10000 ? 1 : 2;
        // Room is kept for the zero unit that ends the form.
        if (pos + units * 2 >= kSharedTextBytes) {
            break;
        }
        if (units == 2) {
            code -= 0x10000;
            const std::uint32_t high = 0xD800 + (std::uint32_t(code) >> 10);
            gSharedText[pos++] = std::uint8_t(high);
            gSharedText[pos++] = std::uint8_t(high >> 8);
            code = 0xDC00 + (code & 0x3FF);
        }
        gSharedText[pos++] = std::uint8_t(code);
        gSharedText[pos++] = std::uint8_t(std::uint32_t(code) >> 8);
        ++count;
    }
    return count;
}

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
    if (from.empty()) {
        return;
    }
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
}

// [SECTION] Measuring

std::int32_t CBitmapFont::GetTextLength(const std::uint8_t* text, std::size_t capacity) const {
    if (text == nullptr) {
        return 0;
    }
    if (encoding != kUtf16Encoding) {
        return std::int32_t(strnlen(reinterpret_cast<const char*>(text), capacity));
    }
    return Utf16Length(text, capacity, bigEndian);
}

std::int32_t CBitmapFont::FindTextChar(std::int32_t start, std::int32_t end) const {
    CharCursor cursor{ClampOffset(start), ClampOffset(end)};
    std::int32_t at = cursor.pos;
    std::int32_t code = 0;
    while (cursor.Next(&code)) {
        if (code == kLineFeed) {
            return at;
        }
        at = cursor.pos;
    }
    return -1;
}

const SGlyph& CBitmapFont::GlyphFor(std::int32_t code) const {
    const SGlyph* glyph = GetChar(code);
    return glyph != nullptr ? *glyph : defaultGlyph;
}

template <typename Visit>
void CBitmapFont::ForEachGlyph(std::int32_t start, std::int32_t end, Visit visit) const {
    CharCursor cursor{ClampOffset(start), ClampOffset(end)};
    std::int32_t code = 0;
    bool more = cursor.Next(&code);
    while (more) {
        const SGlyph& glyph = GlyphFor(code);
        std::int32_t next = 0;
        more = cursor.Next(&next);
        const float kerning = more ? float(KerningOf(glyph, next)) * scale : 0.0f;
        if (!visit(glyph, kerning)) {
            return;
        }
        code = next;
    }
}

float CBitmapFont::RunWidth(std::int32_t start, std::int32_t end, float* bottom, float* top) const {
    float width = 0.0f;
    float low = 10000.0f;
    float high = -10000.0f;
    if (loaded) {
        ForEachGlyph(start, end, [&](const SGlyph& glyph, float kerning) {
            width += float(glyph.xadvance) * scale;
            const float glyphTop = float(std::int32_t(base) - glyph.yoffset) * scale;
            const float glyphBottom = glyphTop - float(glyph.height) * scale;
            low = glyphBottom < low ? glyphBottom : low;
            high = glyphTop > high ? glyphTop : high;
            width += kerning;
            return true;
        });
    }
    if (bottom != nullptr) {
        *bottom = low;
    }
    if (top != nullptr) {
        *top = high;
    }
    return width;
}

float CBitmapFont::GetTextWidth(std::int32_t start, std::int32_t length, float* bottom,
                                float* top) const {
    start = ClampOffset(start);
    if (length <= 0) {
        length = Utf16Length(gSharedText + start, std::size_t(kSharedTextBytes - start),
                             kSharedBigEndian);
    }
    const std::int32_t end = length > kSharedTextBytes - start ? kSharedTextBytes : start + length;
    return RunWidth(start, end, bottom, top);
}

std::int32_t CBitmapFont::PrepareText(const char* text) {
    // Reused across calls so that laying out text allocates nothing once warm.
    static std::string scratch;
    scratch.assign(text != nullptr ? text : "");
    ReplaceAll(scratch, "\\r\\n", "\r\n");
    ConvertUtf8ToUtf16(scratch.c_str());
    // The form in the buffer is always little-endian UTF-16, whatever the
    // font's encoding and byte order.
    std::int32_t length = Utf16Length(gSharedText, kSharedTextBytes, kSharedBigEndian);
    if (limitLength >= 0 && limitLength < length) {
        length = limitLength;
    }
    return length;
}

float CBitmapFont::MeasureText(const char* text) {
    if (!loaded) {
        return 0.0f;
    }
    const std::int32_t length = PrepareText(text);
    return RunWidth(0, length, nullptr, nullptr);
}

// [SECTION] Line breaking and writing

template <typename DrawLine>
void CBitmapFont::ForEachLine(std::int32_t length, std::int32_t align, float x, float y,
                              DrawLine drawLine) const {
    std::int32_t lineStart = 0;
    for (;;) {
        const std::int32_t feed = FindTextChar(lineStart, length);
        const std::int32_t lineEnd = feed < 0 ? length : feed;
        // Each line is placed from the caller's x, not from the line before.
        float lineX = x;
        if ((align == 1 || align == 2) && lineEnd > lineStart) {
            const float width = RunWidth(lineStart, lineEnd, nullptr, nullptr);
            lineX = align == 1 ? x - width * 0.5f : x - width;
        }
        drawLine(lineStart, lineEnd, lineX, y);
        y += float(lineHeight) * scale;
        if (feed < 0) {
            return;
        }
        lineStart = feed + 2;
    }
}

void CBitmapFont::Write(QZW::CQzMesh* mesh, float z, const char* text, std::int32_t align, float x,
                        float y) {
    if (mesh == nullptr || !loaded) {
        return;
    }
    const std::int32_t length = PrepareText(text);
    ForEachLine(length, align, x, y,
                [&](std::int32_t start, std::int32_t end, float lineX, float lineY) {
                    WriteLine(mesh, z, start, end, lineX, lineY);
                });
}

void CBitmapFont::WriteBox(QZW::Vector3* positions, QZW::Vector2* uvs, float y, const char* text,
                           std::int32_t align, std::int32_t* count, std::int32_t capacity,
                           float x) {
    if (positions == nullptr || uvs == nullptr || count == nullptr || *count < 0 || !loaded) {
        return;
    }
    const std::int32_t length = PrepareText(text);
    ForEachLine(length, align, x, y,
                [&](std::int32_t start, std::int32_t end, float lineX, float lineY) {
                    WriteLineJustified(positions, uvs, start, end, lineX, lineY, count, capacity);
                });
}

namespace {

GlyphQuad PlaceGlyph(const SGlyph& glyph, float x, float y0, float scale, std::uint16_t scaleW,
                     std::uint16_t scaleH) {
    GlyphQuad q;
    q.left = x + float(glyph.xoffset) * scale;
    q.top = y0 + float(glyph.yoffset) * scale;
    q.right = q.left + float(glyph.width) * scale;
    q.bottom = q.top + float(glyph.height) * scale;
    q.uLeft = TexelToUv(glyph.x, scaleW);
    q.uRight = TexelToUv(std::uint32_t(glyph.x) + glyph.width, scaleW);
    q.vTop = TexelToUv(glyph.y, scaleH);
    q.vBottom = TexelToUv(std::uint32_t(glyph.y) + glyph.height, scaleH);
    return q;
}

}  // namespace

void CBitmapFont::WriteLine(QZW::CQzMesh* mesh, float z, std::int32_t start, std::int32_t end,
                            float x, float y) const {
    const float y0 = y - float(base) * scale;
    const QZW::Color tint(colour[0], colour[1], colour[2], colour[3]);
    const QZW::Color colours[4] = {tint, tint, tint, tint};
    ForEachGlyph(start, end, [&](const SGlyph& glyph, float kerning) {
        // A page without a material draws nothing, but its glyphs still take
        // their room, as the measurement counted them.
        if (QZW::CQzMaterial* material = GetPageMaterial(glyph.page)) {
            if (mesh->GetMaterial() != material) {
                mesh->SetMaterial(material);
            }
            const GlyphQuad q = PlaceGlyph(glyph, x, y0, scale, scaleW, scaleH);
            const QZW::Vector3 corners[4] = {{q.left, q.top, z},
                                             {q.right, q.top, z},
                                             {q.right, q.bottom, z},
                                             {q.left, q.bottom, z}};
            const QZW::Vector2 uv[4] = {
                {q.uLeft, q.vTop}, {q.uRight, q.vTop}, {q.uRight, q.vBottom}, {q.uLeft, q.vBottom}};
            mesh->AppendGlyph(corners, colours, uv);
        }
        x += float(glyph.xadvance) * scale + kerning;
        return true;
    });
}

void CBitmapFont::WriteLineJustified(QZW::Vector3* positions, QZW::Vector2* uvs, std::int32_t start,
                                     std::int32_t end, float x, float y, std::int32_t* count,
                                     std::int32_t capacity) const {
    const float y0 = y - float(base) * scale;
    ForEachGlyph(start, end, [&](const SGlyph& glyph, float kerning) {
        if (std::int64_t(*count) + 6 > capacity) {
            return false;
        }
        if (GetPageMaterial(glyph.page) != nullptr) {
            const GlyphQuad q = PlaceGlyph(glyph, x, y0, scale, scaleW, scaleH);
            // A strip whose doubled first and last vertices join it to the
            // glyphs before and after.
            const QZW::Vector3 strip[6] = {{q.left, q.top, 0},     {q.left, q.top, 0},
                                           {q.right, q.top, 0},    {q.left, q.bottom, 0},
                                           {q.right, q.bottom, 0}, {q.right, q.bottom, 0}};
            const QZW::Vector2 stripUv[6] = {{q.uLeft, q.vTop},     {q.uLeft, q.vTop},
                                             {q.uRight, q.vTop},    {q.uLeft, q.vBottom},
                                             {q.uRight, q.vBottom}, {q.uRight, q.vBottom}};
            for (int i = 0; i < 6; ++i) {
                positions[*count + i] = strip[i];
                uvs[*count + i] = stripUv[i];
            }
            *count += 6;
        }
        x += float(glyph.xadvance) * scale + kerning;
        return true;
    });
}

void CBitmapFont::SetTargetFrameBufferId(std::int32_t id) {
    for (const auto& material : pageMaterials) {
        if (material != nullptr) {
            material->frameBufferId = id;
        }
    }
}

}  // namespace acGraphics
