// The header of a compiled script image as the VM's compiler writes it: the
// 0xFAFA stream tag, "RIQS", then the sizes of the VM's character,
// integer and float types (u32 each, little-endian). An image built for
// another VM (e.g. 32-bit integers) is refused here with a clear reason
// instead of failing somewhere inside the VM's reader.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace Sample {

struct CompiledScriptHeader {
    bool ok = false;
    // Where the VM's closure reader starts.
    std::size_t start = 0;
    std::string error;
};

CompiledScriptHeader CheckCompiledScriptHeader(const std::uint8_t* data, std::size_t size);

}  // namespace Sample
