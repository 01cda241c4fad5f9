// Compiled script images from disk through the whole loader: the image walk,
// then, when it passes, the VM's own reader over what it handed on. Any bytes
// are refused with a reason or read by the VM without error, and an accepted
// image lies wholly inside the input.
#include <squirrel.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "proj/script/compiled_script.h"
#include "proj/script/script_image_verifier.h"

namespace {

struct Reader {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at = 0;
    static SQInteger Read(SQUserPointer user, SQUserPointer dest, SQInteger want) {
        auto* r = static_cast<Reader*>(user);
        const std::size_t left = r->size - r->at;
        const std::size_t n = static_cast<std::size_t>(want) < left ? want : left;
        if (n == 0) {
            return -1;
        }
        std::memcpy(dest, r->data + r->at, n);
        r->at += n;
        return static_cast<SQInteger>(n);
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Sample::CompiledScriptHeader h = Sample::CheckCompiledScriptHeader(data, size);
    if (h.ok ? (size < 18 || !h.error.empty()) : h.error.empty()) {
        std::abort();
    }
    Sample::VerifiedScriptImage image = Sample::VerifyScriptImage(data, size);
    if (image.ok != image.error.empty() || (image.ok && !h.ok)) {
        std::abort();
    }
    if (!image.ok) {
        return 0;
    }
    static HSQUIRRELVM vm = sq_open(256);
    Reader reader{image.bytes.data(), image.bytes.size()};
    const SQInteger top = sq_gettop(vm);
    if (SQ_FAILED(sq_readclosure(vm, &Reader::Read, &reader))) {
        std::abort();  // the walk passed an image the VM cannot read
    }
    sq_settop(vm, top);
    return 0;
}
