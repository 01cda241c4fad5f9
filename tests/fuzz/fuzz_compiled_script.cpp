// Compiled script headers from disk: any bytes are accepted or refused with a
// reason, and an accepted header lies wholly inside the input.
#include <cstdint>
#include <cstdlib>

#include "proj/script/compiled_script.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Sample::CompiledScriptHeader h = Sample::CheckCompiledScriptHeader(data, size);
    if (h.ok ? (size < 18 || !h.error.empty()) : h.error.empty()) {
        std::abort();
    }
    return 0;
}
