// model_writer: writes a model file.
//   model_writer --demo OUT.bin
// The demo model's parts are described in tools/datawriters/model_bin_writer.h.
#include <cstdio>
#include <string>

#include "tools/datawriters/file_output.h"
#include "tools/datawriters/model_bin_writer.h"

int main(int argc, char** argv) {
    if (argc != 3 || std::string(argv[1]) != "--demo") {
        std::fprintf(stderr, "usage: model_writer --demo OUT.bin\n");
        return 2;
    }
    const std::vector<std::uint8_t> bytes = qztools::EncodeModelBin(qztools::DemoModelParts());
    if (!qztools::WriteFileBytes(argv[2], bytes)) {
        std::fprintf(stderr, "model_writer: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
