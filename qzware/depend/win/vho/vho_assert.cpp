#include "qzware/depend/win/vho/vho_assert.h"

#include <cstdio>
#include <cstdlib>

namespace vho {
namespace {

AssertHandler& Handler() {
    static AssertHandler handler;
    return handler;
}

}  // namespace

void AssertFailed(const char* expression, const char* source, int line) {
    if (Handler()) {
        Handler()(expression, source, line);
        return;
    }
    std::fprintf(stderr, "Assertion failed: %s, file %s, line %d\n", expression, source, line);
    std::abort();
}

void SetAssertHandler(AssertHandler handler) {
    Handler() = std::move(handler);
}

}  // namespace vho
