// Test helpers for bitmap fonts: a little-endian byte builder for binary font
// files, an owner that serves font files and page textures from memory and
// records what was asked of it, and one that hands out real page materials.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "qzware/scene/bitmap_font.h"
#include "qzware/scene/qz_material.h"

namespace fonttest {

struct Bytes {
    std::vector<std::uint8_t> b;
    Bytes& u8(std::uint32_t v) {
        b.push_back(static_cast<std::uint8_t>(v));
        return *this;
    }
    Bytes& u16(std::uint32_t v) { return u8(v).u8(v >> 8); }
    Bytes& u32(std::uint32_t v) { return u16(v).u16(v >> 16); }
    Bytes& raw(const std::string& s) {
        b.insert(b.end(), s.begin(), s.end());
        return *this;
    }
    Bytes& cstr(const std::string& s) { return raw(s).u8(0); }
    Bytes& append(const Bytes& other) {
        b.insert(b.end(), other.b.begin(), other.b.end());
        return *this;
    }
    // A block with its real size, or with `declared` in its size field.
    Bytes& block(std::uint8_t type, const Bytes& body, std::int64_t declared = -1) {
        u8(type).u32(declared < 0 ? static_cast<std::uint32_t>(body.b.size())
                                  : static_cast<std::uint32_t>(declared));
        return append(body);
    }
};

inline Bytes Header() {
    return Bytes().raw("BMF").u8(3);
}
inline Bytes InfoBlock(std::uint8_t outline) {
    // size 16, flags, charset, stretchH, aa, padding x4, spacing x2, outline, name
    return Bytes().u16(16).u8(0).u8(0).u16(100).u8(1).u32(0).u16(0x0101).u8(outline).cstr("T");
}
inline Bytes CommonBlock(std::uint16_t lineHeight, std::uint16_t base, std::uint16_t w,
                         std::uint16_t h, std::uint16_t pages, std::uint8_t bits) {
    return Bytes().u16(lineHeight).u16(base).u16(w).u16(h).u16(pages).u8(bits).u32(0x04040400);
}
inline Bytes CharRecord(std::uint32_t id, std::uint16_t x, std::uint16_t y, std::uint16_t w,
                        std::uint16_t h, std::int16_t xo, std::int16_t yo, std::int16_t xa,
                        std::uint8_t page, std::uint8_t chnl) {
    return Bytes()
        .u32(id)
        .u16(x)
        .u16(y)
        .u16(w)
        .u16(h)
        .u16(std::uint16_t(xo))
        .u16(std::uint16_t(yo))
        .u16(std::uint16_t(xa))
        .u8(page)
        .u8(chnl);
}
inline Bytes KerningRecord(std::uint32_t first, std::uint32_t second, std::int16_t amount) {
    return Bytes().u32(first).u32(second).u16(std::uint16_t(amount));
}

// Serves files by path; every page path listed in `textures` gets a distinct
// fake texture and a material whose release is counted.
class MemoryOwner : public acGraphics::IFontOwner {
public:
    bool ReadFontFile(const std::string& path, std::vector<std::uint8_t>& bytes) override {
        auto it = files.find(path);
        if (it == files.end()) {
            return false;
        }
        bytes = it->second;
        return true;
    }
    acGraphics::SFontPage LoadFontPage(const std::string& path) override {
        requested.push_back(path);
        acGraphics::SFontPage page;
        if (textures.count(path) == 0) {
            return page;
        }
        // Stand-ins: only their identity matters, they are never dereferenced.
        page.texture = reinterpret_cast<QZW::IQzTexture*>(&tokens[path]);
        auto counter = std::shared_ptr<int>(new int(0), [this](int* p) {
            ++materialsReleased;
            delete p;
        });
        page.material = std::shared_ptr<QZW::CQzMaterial>(
            counter, reinterpret_cast<QZW::CQzMaterial*>(counter.get()));
        return page;
    }

    std::map<std::string, std::vector<std::uint8_t>> files;
    std::set<std::string> textures;
    std::vector<std::string> requested;
    std::map<std::string, int> tokens;
    int materialsReleased = 0;
};

// Page materials are real (shader 1, the page's stand-in texture in unit 0),
// so layouts can hand them to meshes; counts the font files read.
class MaterialOwner : public MemoryOwner {
public:
    bool ReadFontFile(const std::string& path, std::vector<std::uint8_t>& bytes) override {
        ++reads;
        return MemoryOwner::ReadFontFile(path, bytes);
    }
    acGraphics::SFontPage LoadFontPage(const std::string& path) override {
        requested.push_back(path);
        acGraphics::SFontPage page;
        if (textures.count(path) != 0) {
            page.texture = reinterpret_cast<QZW::IQzTexture*>(&tokens[path]);
            page.material = std::make_shared<QZW::CQzMaterial>(1);
            page.material->SetTexture(0, page.texture);
        }
        return page;
    }
    int reads = 0;
};

}  // namespace fonttest
