// fixedfont_writer: writes a texture of 8x8 character cells.
//   fixedfont_writer --font F.ttf --chars RANGES --first CODE --columns N --rows N
//                    --out PATH.(dds|tga) [--size PX] [--baseline ROW] [--shadow 1]
//                    [--format rgba|dxt1]
// DDS files are uncompressed RGBA unless --format dxt1; TGA files are 32-bit.
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "tools/datawriters/char_ranges.h"
#include "tools/datawriters/dds_writer.h"
#include "tools/datawriters/file_output.h"
#include "tools/datawriters/tga_writer.h"
#include "tools/fixedfont_writer/fixedfont_render.h"

namespace {

int Usage(const char* why) {
    std::fprintf(stderr,
                 "fixedfont_writer: %s\n"
                 "usage: fixedfont_writer --font F.ttf --chars RANGES --first CODE --columns N\n"
                 "       --rows N --out PATH.(dds|tga) [--size PX] [--baseline ROW]\n"
                 "       [--shadow 1] [--format rgba|dxt1]\n",
                 why);
    return 2;
}

bool EndsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
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
    qztools::FixedFontOptions options;
    options.fontPath = args["font"];
    const auto chars = qztools::ParseCharRanges(args["chars"]);
    const int columns = std::atoi(args["columns"].c_str());
    const int rows = std::atoi(args["rows"].c_str());
    const std::string out = args["out"];
    if (options.fontPath.empty() || !chars || columns <= 0 || rows <= 0 || columns > 512 ||
        rows > 512 || out.empty()) {
        return Usage("--font, --chars, --columns, --rows and --out are required");
    }
    options.chars = *chars;
    options.first = static_cast<std::uint32_t>(std::strtoul(args["first"].c_str(), nullptr, 0));
    options.columns = static_cast<std::uint16_t>(columns);
    options.rows = static_cast<std::uint16_t>(rows);
    if (args.count("size")) {
        options.pixelSize = std::atoi(args["size"].c_str());
    }
    if (args.count("baseline")) {
        options.baseline = std::atoi(args["baseline"].c_str());
    }
    options.shadow = args.count("shadow") && args["shadow"] != "0";

    const qztools::FixedFontRendering font = qztools::RenderFixedFont(options);
    if (!font.error.empty()) {
        std::fprintf(stderr, "fixedfont_writer: %s\n", font.error.c_str());
        return 1;
    }
    if (!font.skipped.empty()) {
        std::fprintf(stderr, "fixedfont_writer: %zu characters left out\n", font.skipped.size());
    }
    const qztools::RgbaImage& image = font.image;
    std::vector<std::uint8_t> bytes;
    if (EndsWith(out, ".dds")) {
        const bool dxt1 = args.count("format") && args["format"] == "dxt1";
        bytes = qztools::EncodeDds(image.rgba.data(), image.width, image.height,
                                   dxt1 ? qztools::DdsFormat::Dxt1 : qztools::DdsFormat::Rgba8);
    } else if (EndsWith(out, ".tga")) {
        bytes = qztools::EncodeTga32(image.rgba.data(), image.width, image.height,
                                     qztools::TgaOrigin::TopLeft);
    } else {
        return Usage("--out ends in .dds or .tga");
    }
    if (!qztools::WriteFileBytes(out, bytes)) {
        std::fprintf(stderr, "fixedfont_writer: cannot write %s\n", out.c_str());
        return 1;
    }
    return 0;
}
