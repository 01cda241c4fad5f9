// model_writer: writes the demo's model file and, optionally, the texture
// its banner part is drawn with.
//   model_writer --demo OUT.bin [--texture OUT.tga]
// The demo model's parts are described in tools/datawriters/model_bin_writer.h;
// the texture is 16 x 16 texels of warm horizontal stripes, fully opaque.
#include <cstdio>
#include <string>
#include <vector>

#include "tools/datawriters/file_output.h"
#include "tools/datawriters/model_bin_writer.h"
#include "tools/datawriters/tga_writer.h"

namespace {

int Usage() {
    std::fprintf(stderr, "usage: model_writer --demo OUT.bin [--texture OUT.tga]\n");
    return 2;
}

std::vector<std::uint8_t> StripeTexels() {
    constexpr int kSide = 16;
    std::vector<std::uint8_t> rgba;
    for (int y = 0; y < kSide; ++y) {
        const bool light = (y / 4) % 2 == 0;
        for (int x = 0; x < kSide; ++x) {
            rgba.insert(rgba.end(), {255, std::uint8_t(light ? 210 : 120), 40, 255});
        }
    }
    return rgba;
}

}  // namespace

int main(int argc, char** argv) {
    if ((argc != 3 && argc != 5) || std::string(argv[1]) != "--demo") {
        return Usage();
    }
    const std::vector<std::uint8_t> bytes = qztools::EncodeModelBin(qztools::DemoModelParts());
    if (!qztools::WriteFileBytes(argv[2], bytes)) {
        std::fprintf(stderr, "model_writer: cannot write %s\n", argv[2]);
        return 1;
    }
    if (argc == 5) {
        if (std::string(argv[3]) != "--texture") {
            return Usage();
        }
        const std::vector<std::uint8_t> texels = StripeTexels();
        const std::vector<std::uint8_t> tga =
            qztools::EncodeTga32(texels.data(), 16, 16, qztools::TgaOrigin::TopLeft);
        if (!qztools::WriteFileBytes(argv[4], tga)) {
            std::fprintf(stderr, "model_writer: cannot write %s\n", argv[4]);
            return 1;
        }
    }
    return 0;
}
