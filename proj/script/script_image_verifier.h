// Checks a compiled script image before the VM reads it. The VM's reader
// trusts every count, length, tag and instruction in the stream, so a damaged
// image would crash inside it; here the closure stream is walked the way the
// VM's compiler writes it and refused on the first thing the VM could not run
// safely (a count or length past the end, a wrong tag or object type, an
// unknown opcode, a stack slot at or past the function's stack size, a
// literal, function, outer or default-parameter index out of range, a jump
// out of the function). Images written with 4-byte integers (a 32-bit build
// of the compiler) are widened to this VM's 8-byte layout on the way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace Sample {

struct VerifiedScriptImage {
    bool ok = false;
    // The image in this VM's layout, ready for sq_readclosure.
    std::vector<std::uint8_t> bytes;
    // True when the source used 4-byte integers and was widened.
    bool widened = false;
    // Why the image was refused (empty when ok).
    std::string error;
};

VerifiedScriptImage VerifyScriptImage(const std::uint8_t* data, std::size_t size);

}  // namespace Sample
