// Compiled script images for tests: source text through the build's own
// compiler (sq_compilebuffer, sq_writeclosure), and files read whole.
#pragma once

#include <squirrel.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace script_test {

inline SQInteger AppendTo(SQUserPointer user, SQUserPointer data, SQInteger size) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(user);
    const auto* p = static_cast<const std::uint8_t*>(data);
    out->insert(out->end(), p, p + size);
    return size;
}

// Empty when the source does not compile. With `debugInfo` the code carries
// line instructions, as images from the command-line compiler's -d do.
inline std::vector<std::uint8_t> CompileImage(const std::string& source, bool debugInfo = false) {
    HSQUIRRELVM v = sq_open(256);
    sq_enabledebuginfo(v, debugInfo ? SQTrue : SQFalse);
    std::vector<std::uint8_t> image;
    if (SQ_SUCCEEDED(sq_compilebuffer(v, source.c_str(), static_cast<SQInteger>(source.size()),
                                      "test.nut", SQTrue))) {
        sq_writeclosure(v, &AppendTo, &image);
    }
    sq_close(v);
    return image;
}

inline std::vector<std::uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace script_test
