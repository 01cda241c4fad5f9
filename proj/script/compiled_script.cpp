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
    struct {
        const char* what;
        std::uint32_t want;
    } const sizes[] = {
        {"character", sizeof(SQChar)}, {"integer", sizeof(SQInteger)}, {"float", sizeof(SQFloat)}};
    for (int i = 0; i < 3; ++i) {
        std::uint32_t got = Le32(p + 4 + 4 * i);
        if (got != sizes[i].want) {
            return Fail("built for " + std::to_string(got * 8) + "-bit " + sizes[i].what +
                        "s, this program uses " + std::to_string(sizes[i].want * 8) + "-bit");
        }
    }
    CompiledScriptHeader h;
    h.ok = true;
    h.start = 0;  // the VM's reader checks the tag itself
    return h;
}

}  // namespace Sample
