// bmfont_writer: writes a bitmap font made from a TrueType font.
//   bmfont_writer --font F.ttf --size PX --chars RANGES [--page WxH] [--spacing N]
//                 [--texture tga|dds] [--binary OUT.fnt] [--text OUT.fnt] [--pages NAME]
// Pages are written beside the first output as NAME_<n>.<texture>, NAME
// defaulting to that output's file name without extension.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "tools/bmfont_writer/bmfont_render.h"
#include "tools/datawriters/char_ranges.h"
#include "tools/datawriters/dds_writer.h"
#include "tools/datawriters/file_output.h"
#include "tools/datawriters/tga_writer.h"

namespace {

int Usage(const char* why) {
    std::fprintf(stderr,
                 "bmfont_writer: %s\n"
                 "usage: bmfont_writer --font F.ttf --size PX --chars RANGES [--page WxH]\n"
                 "       [--spacing N] [--texture tga|dds] [--binary OUT.fnt] [--text OUT.fnt]\n"
                 "       [--pages NAME]\n",
                 why);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::map<std::string, std::string> args;
    for (int i = 1; i < argc; ++i) {
        const std::string key = argv[i];
        if (key.rfind("--", 0) != 0 || i + 1 >= argc) {
            return Usage(("bad argument " + key).c_str());
        }
        args[key.substr(2)] = argv[++i];
    }
    qztools::BmFontRenderOptions options;
    options.fontPath = args["font"];
    options.pixelSize = std::atoi(args["size"].c_str());
    const auto chars = qztools::ParseCharRanges(args["chars"]);
    if (options.fontPath.empty() || options.pixelSize <= 0 || !chars) {
        return Usage("--font, --size and --chars are required");
    }
    options.chars = *chars;
    if (args.count("page")) {
        unsigned w = 0, h = 0;
        if (std::sscanf(args["page"].c_str(), "%ux%u", &w, &h) != 2 || w == 0 || h == 0 ||
            w > 4096 || h > 4096) {
            return Usage("--page takes WxH, at most 4096x4096");
        }
        options.pageWidth = static_cast<std::uint16_t>(w);
        options.pageHeight = static_cast<std::uint16_t>(h);
    }
    if (args.count("spacing")) {
        options.spacing = std::atoi(args["spacing"].c_str());
    }
    const std::string texture = args.count("texture") ? args["texture"] : "tga";
    if (texture != "tga" && texture != "dds") {
        return Usage("--texture is tga or dds");
    }
    options.pageExtension = texture;
    const std::string first = args.count("binary") ? args["binary"] : args["text"];
    if (first.empty()) {
        return Usage("give --binary or --text (or both)");
    }
    const std::filesystem::path folder = std::filesystem::path(first).parent_path();
    options.pageBaseName =
        args.count("pages") ? args["pages"] : std::filesystem::path(first).stem().string();

    const qztools::BmFontRendering font = qztools::RenderBmFont(options);
    if (!font.error.empty()) {
        std::fprintf(stderr, "bmfont_writer: %s\n", font.error.c_str());
        return 1;
    }
    if (!font.missing.empty()) {
        std::fprintf(stderr, "bmfont_writer: %zu characters are not in %s, left out\n",
                     font.missing.size(), options.fontPath.c_str());
    }
    bool ok = true;
    for (std::size_t i = 0; i < font.pages.size(); ++i) {
        const qztools::RgbaImage& page = font.pages[i];
        const auto bytes = texture == "tga"
                               ? qztools::EncodeTga32(page.rgba.data(), page.width, page.height,
                                                      qztools::TgaOrigin::TopLeft)
                               : qztools::EncodeDds(page.rgba.data(), page.width, page.height,
                                                    qztools::DdsFormat::Rgba8);
        ok &= qztools::WriteFileBytes((folder / font.file.pages[i]).string(), bytes);
    }
    if (args.count("binary")) {
        const auto bytes = qztools::EncodeBmFontBinary(font.file);
        ok &= !bytes.empty() && qztools::WriteFileBytes(args["binary"], bytes);
    }
    if (args.count("text")) {
        ok &= qztools::WriteFileText(args["text"], qztools::EncodeBmFontText(font.file));
    }
    if (!ok) {
        std::fprintf(stderr, "bmfont_writer: could not write the output files\n");
        return 1;
    }
    return 0;
}
