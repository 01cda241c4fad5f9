// pattern_writer: writes a texture of solid-colour tiles.
//   pattern_writer --size WxH --tiles COLSxROWS --colours RRGGBBAA,... --out PATH.tga|PATH.dds
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "tools/datawriters/file_output.h"
#include "tools/pattern_writer/tile_pattern.h"

namespace {

int Usage(const char* why) {
    std::fprintf(stderr,
                 "pattern_writer: %s\n"
                 "usage: pattern_writer --size WxH --tiles COLSxROWS --colours RRGGBBAA,...\n"
                 "       --out PATH.tga|PATH.dds\n",
                 why);
    return 2;
}

// "WxH" with both in 1..4096.
bool ParsePair(const std::string& text, std::uint16_t& a, std::uint16_t& b) {
    const auto x = text.find('x');
    if (x == std::string::npos) {
        return false;
    }
    const int first = std::atoi(text.substr(0, x).c_str());
    const int second = std::atoi(text.substr(x + 1).c_str());
    if (first <= 0 || second <= 0 || first > 4096 || second > 4096) {
        return false;
    }
    a = std::uint16_t(first);
    b = std::uint16_t(second);
    return true;
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
    qztools::TilePattern pattern;
    if (!ParsePair(args["size"], pattern.width, pattern.height) ||
        !ParsePair(args["tiles"], pattern.columns, pattern.rows)) {
        return Usage("--size and --tiles take WxH");
    }
    const auto colours = qztools::ParseColourList(args["colours"]);
    if (!colours || args["out"].empty()) {
        return Usage("--colours and --out are required");
    }
    pattern.colours = *colours;
    const auto rgba = qztools::RenderTilePattern(pattern);
    if (!rgba) {
        return Usage("more tiles than pixels");
    }
    const auto bytes = qztools::EncodeForPath(args["out"], *rgba, pattern.width, pattern.height);
    if (!bytes) {
        return Usage("--out must name a .tga or .dds file");
    }
    if (!qztools::WriteFileBytes(args["out"], *bytes)) {
        std::fprintf(stderr, "pattern_writer: cannot write %s\n", args["out"].c_str());
        return 1;
    }
    return 0;
}
