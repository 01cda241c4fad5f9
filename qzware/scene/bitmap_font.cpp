#include "qzware/scene/bitmap_font.h"

#include <cstdio>
#include <cstring>

#include "qzware/scene/font_loader_binary_format.h"
#include "qzware/scene/font_loader_text_format.h"
#include "qzware/scene/qz_load_report.h"

namespace acGraphics {

namespace {
constexpr std::int32_t kFallbackId = 65535;
constexpr std::int32_t kQuestionMark = 63;
}  // namespace

int CBitmapFont::Init(IFontOwner* fontOwner, const std::string& path) {
    Clear();
    owner = fontOwner;
    fileName = path;
    std::vector<std::uint8_t> bytes;
    if (fontOwner == nullptr || !fontOwner->ReadFontFile(path, bytes)) {
        std::printf("Failed Font %s Open.\n", path.c_str());
        QZW::QzReportLoadFailure("font", path, "the file is missing or cannot be read");
        return 0;
    }
    if (bytes.size() > UINT32_MAX) {
        std::printf("Failed Font %s Load: file too large\n", path.c_str());
        QZW::QzReportLoadFailure("font", path, "file too large");
        return 0;
    }
    return InitFromMemory(fontOwner, path, bytes.data(), static_cast<std::uint32_t>(bytes.size()));
}

int CBitmapFont::InitFromMemory(IFontOwner* fontOwner, const std::string& path,
                                const std::uint8_t* data, std::uint32_t size) {
    Clear();
    owner = fontOwner;
    fileName = path;
    // "BMF" in the first three bytes picks the binary loader; anything else,
    // a file shorter than that included, is read as text.
    const bool binary = data != nullptr && size >= 3 && std::memcmp(data, "BMF", 3) == 0;
    std::int32_t result = 0;
    const char* error = "";
    if (binary) {
        CFontLoaderBinaryFormat loader(this, data, size, path);
        result = loader.Load();
        error = loader.error;
    } else {
        CFontLoaderTextFormat loader(this, data, size, path);
        result = loader.Load();
        error = loader.error;
    }
    if (!hasCommon) {
        std::printf("Failed Font %s Load: %s\n", path.c_str(),
                    result != 0 ? error : "no common record");
        QZW::QzReportLoadFailure("font", path, result != 0 ? error : "no common record");
        Clear();
        owner = fontOwner;
        fileName = path;
        return 0;
    }
    if (result != 0) {
        // What came before the bad part stays: a font cut off after its
        // glyphs still draws them.
        std::printf("Font %s: %s; keeping what was read before it\n", path.c_str(), error);
    }
    LoadPages();
    auto question = glyphs.find(kQuestionMark);
    if (question != glyphs.end()) {
        fallback[kFallbackId] = &question->second;
    }
    loaded = true;
    return 1;
}

void CBitmapFont::LoadPages() {
    if (owner == nullptr) {
        return;
    }
    for (std::size_t i = 0; i < pageFiles.size(); ++i) {
        if (pageFiles[i].empty()) {
            continue;
        }
        SFontPage page = owner->LoadFontPage(pageFiles[i]);
        if (page.texture != nullptr) {
            pageTextures[i] = page.texture;
            pageMaterials[i] = std::move(page.material);
        }
    }
}

void CBitmapFont::Clear() {
    lineHeight = base = scaleW = scaleH = 0;
    defaultGlyph = SGlyph();
    packedOutline = 0;
    fallback.clear();
    glyphs.clear();
    pageFiles.clear();
    pageTextures.clear();
    pageMaterials.clear();
    fileName.clear();
    owner = nullptr;
    hasCommon = false;
    loaded = false;
}

const SGlyph* CBitmapFont::GetChar(std::int32_t id) const {
    if (auto it = fallback.find(id); it != fallback.end()) {
        return it->second;
    }
    if (auto it = glyphs.find(id); it != glyphs.end()) {
        return &it->second;
    }
    if (auto it = fallback.find(kFallbackId); it != fallback.end()) {
        return it->second;
    }
    return nullptr;
}

std::int32_t CBitmapFont::GetKerning(std::int32_t first, std::int32_t second) const {
    auto it = glyphs.find(first);
    if (it == glyphs.end()) {
        return 0;
    }
    for (const SKerningPair& pair : it->second.kerning) {
        if (pair.second == second) {
            return pair.amount;
        }
    }
    return 0;
}

QZW::IQzTexture* CBitmapFont::GetPageTexture(std::uint32_t page) const {
    return page < pageTextures.size() ? pageTextures[page] : nullptr;
}

QZW::CQzMaterial* CBitmapFont::GetPageMaterial(std::uint32_t page) const {
    return page < pageMaterials.size() ? pageMaterials[page].get() : nullptr;
}

}  // namespace acGraphics
