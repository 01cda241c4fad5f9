// Compiled script header check.
#include "proj/script/compiled_script.h"

#include <squirrel.h>

#include <cstring>

namespace Sample {

namespace {

std::uint32_t Le32(const std::uint8_t* p) {
    std::uint8_t b[4];
    std::memcpy(b, p, 4);
    return static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
           static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
}

CompiledScriptHeader Fail(std::string why) {
    CompiledScriptHeader h;
    h.error = std::move(why);
    return h;
}

}  // namespace

CompiledScriptHeader CheckCompiledScriptHeader(const std::uint8_t* data, std::size_t size) {
    constexpr std::size_t kHeader = 16;  // "RIQS" and three sizes
    if (!data) {
        return Fail("no data");
    }
    constexpr std::size_t start = 2;  // the stream tag 0xFAFA
    if (size < start + kHeader) {
        return Fail("truncated header (" + std::to_string(size) + " bytes)");
    }
    if (data[0] != 0xFA || data[1] != 0xFA) {
        return Fail("not a compiled script image");
    }
    const std::uint8_t* p = data + start;
    if (std::memcmp(p, "RIQS", 4) != 0) {
        return Fail("not a compiled script image");
    }
    const std::uint32_t charSize = Le32(p + 4);
    const std::uint32_t integerSize = Le32(p + 8);
    const std::uint32_t floatSize = Le32(p + 12);
    if (charSize != sizeof(SQChar)) {
        return Fail("built for " + std::to_string(charSize * 8) +
                    "-bit characters, this program reads 8-bit characters only");
    }
    if (integerSize != 4 && integerSize != sizeof(SQInteger)) {
        return Fail("built for " + std::to_string(integerSize * 8) +
                    "-bit integers, this program reads 32-bit and 64-bit integers only");
    }
    if (floatSize != sizeof(SQFloat)) {
        return Fail("built for " + std::to_string(floatSize * 8) +
                    "-bit floats, this program reads 32-bit floats only");
    }
    CompiledScriptHeader h;
    h.ok = true;
    h.start = 0;  // the VM's reader checks the tag itself
    h.integerSize = integerSize;
    return h;
}

}  // namespace Sample
