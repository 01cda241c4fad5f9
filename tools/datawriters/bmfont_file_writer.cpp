#include "tools/datawriters/bmfont_file_writer.h"

#include <cstdio>

namespace qztools {

namespace {

struct LeBytes {
    std::vector<std::uint8_t> b;
    void u8(std::uint32_t v) { b.push_back(static_cast<std::uint8_t>(v)); }
    void u16(std::uint32_t v) { u8(v), u8(v >> 8); }
    void u32(std::uint32_t v) { u16(v), u16(v >> 16); }
    void cstr(const std::string& s) {
        b.insert(b.end(), s.begin(), s.end());
        u8(0);
    }
};

void Block(LeBytes& out, std::uint8_t type, const LeBytes& body) {
    out.u8(type);
    out.u32(static_cast<std::uint32_t>(body.b.size()));
    out.b.insert(out.b.end(), body.b.begin(), body.b.end());
}

constexpr std::size_t kInfoFixedSize = 14, kCommonSize = 15, kCharSize = 20, kKerningSize = 10;

}  // namespace

std::vector<std::uint8_t> EncodeBmFontBinary(const BmFontFile& f) {
    LeBytes out;
    out.b = {'B', 'M', 'F', 3};

    LeBytes info;
    info.u16(static_cast<std::uint16_t>(f.size));
    info.u8((f.smooth ? 1 : 0) | (f.unicode ? 2 : 0) | (f.italic ? 4 : 0) | (f.bold ? 8 : 0));
    info.u8(0);  // character set (unused with unicode)
    info.u16(f.stretchH);
    info.u8(f.aa);
    for (std::uint8_t p : f.padding) {
        info.u8(p);
    }
    info.u8(f.spacing[0]);
    info.u8(f.spacing[1]);
    info.u8(f.outline);
    if (info.b.size() != kInfoFixedSize) {
        return {};
    }
    info.cstr(f.face);
    Block(out, 1, info);

    LeBytes common;
    common.u16(f.lineHeight);
    common.u16(f.base);
    common.u16(f.scaleW);
    common.u16(f.scaleH);
    common.u16(static_cast<std::uint16_t>(f.pages.size()));
    common.u8(f.packed ? 0x81 : 0);
    common.u8(f.alphaChnl);
    common.u8(f.redChnl);
    common.u8(f.greenChnl);
    common.u8(f.blueChnl);
    if (common.b.size() != kCommonSize) {
        return {};
    }
    Block(out, 2, common);

    LeBytes pages;
    for (const std::string& page : f.pages) {
        pages.cstr(page);
    }
    Block(out, 3, pages);

    LeBytes chars;
    for (const BmChar& c : f.chars) {
        chars.u32(c.id);
        chars.u16(c.x), chars.u16(c.y), chars.u16(c.width), chars.u16(c.height);
        chars.u16(static_cast<std::uint16_t>(c.xoffset));
        chars.u16(static_cast<std::uint16_t>(c.yoffset));
        chars.u16(static_cast<std::uint16_t>(c.xadvance));
        chars.u8(c.page);
        chars.u8(c.chnl);
    }
    if (chars.b.size() != f.chars.size() * kCharSize) {
        return {};
    }
    Block(out, 4, chars);

    if (!f.kernings.empty()) {
        LeBytes kerning;
        for (const BmKerning& k : f.kernings) {
            kerning.u32(k.first);
            kerning.u32(k.second);
            kerning.u16(static_cast<std::uint16_t>(k.amount));
        }
        if (kerning.b.size() != f.kernings.size() * kKerningSize) {
            return {};
        }
        Block(out, 5, kerning);
    }
    return out.b;
}

std::string EncodeBmFontText(const BmFontFile& f) {
    std::string out;
    char line[512];
    std::snprintf(line, sizeof line,
                  "info face=\"%s\" size=%d bold=%d italic=%d charset=\"\" unicode=%d "
                  "stretchH=%u smooth=%d aa=%u padding=%u,%u,%u,%u spacing=%u,%u outline=%u\n",
                  f.face.c_str(), f.size, f.bold, f.italic, f.unicode, f.stretchH, f.smooth, f.aa,
                  f.padding[0], f.padding[1], f.padding[2], f.padding[3], f.spacing[0],
                  f.spacing[1], f.outline);
    out += line;
    std::snprintf(line, sizeof line,
                  "common lineHeight=%u base=%u scaleW=%u scaleH=%u pages=%zu packed=%d "
                  "alphaChnl=%u redChnl=%u greenChnl=%u blueChnl=%u\n",
                  f.lineHeight, f.base, f.scaleW, f.scaleH, f.pages.size(), f.packed, f.alphaChnl,
                  f.redChnl, f.greenChnl, f.blueChnl);
    out += line;
    for (std::size_t i = 0; i < f.pages.size(); ++i) {
        out += "page id=" + std::to_string(i) + " file=\"" + f.pages[i] + "\"\n";
    }
    out += "chars count=" + std::to_string(f.chars.size()) + "\n";
    for (const BmChar& c : f.chars) {
        std::snprintf(line, sizeof line,
                      "char id=%-5d x=%-5u y=%-5u width=%-5u height=%-5u xoffset=%-5d "
                      "yoffset=%-5d xadvance=%-5d page=%-2u chnl=%u\n",
                      static_cast<int>(c.id), c.x, c.y, c.width, c.height, c.xoffset, c.yoffset,
                      c.xadvance, c.page, c.chnl);
        out += line;
    }
    if (!f.kernings.empty()) {
        out += "kernings count=" + std::to_string(f.kernings.size()) + "\n";
        for (const BmKerning& k : f.kernings) {
            std::snprintf(line, sizeof line, "kerning first=%-5u second=%-5u amount=%d\n", k.first,
                          k.second, k.amount);
            out += line;
        }
    }
    return out;
}

}  // namespace qztools
