// The header of a compiled script image as the VM's compiler writes it: the
// 0xFAFA stream tag, "RIQS", then the sizes of the VM's character,
// integer and float types (u32 each, little-endian). 1-byte characters and
// 4-byte floats are required; integers may be 8 bytes (this VM) or 4 bytes (a
// 32-bit compiler, widened by the image verifier). Anything else is refused
// here with a clear reason instead of failing inside the VM's reader.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace Sample {

struct CompiledScriptHeader {
    bool ok = false;
    // Where the VM's closure reader starts.
    std::size_t start = 0;
    // Size of the image's integers: 4 or 8.
    std::uint32_t integerSize = 0;
    std::string error;
};

CompiledScriptHeader CheckCompiledScriptHeader(const std::uint8_t* data, std::size_t size);

}  // namespace Sample
