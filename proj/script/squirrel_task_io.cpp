// The host's two plain hooks, the VM print function and the compiled-image
// reader, apart from the host so they can be tested without the engine.
#include "proj/script/squirrel_task.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "proj/script/sq_print_call_stack.h"

namespace Sample {

namespace {
char printBuffer[8192];
}

void CSquirrelTask::PrintFunc(HSQUIRRELVM, const SQChar* format, ...) {
    if (!format) {
        return;
    }
    va_list args;
    va_start(args, format);
    // vsnprintf cuts text longer than the buffer instead of overrunning it.
    std::vsnprintf(printBuffer, sizeof printBuffer, format, args);
    va_end(args);
    if (SQPrintCallStack* log = GetSqLogHook()) {
        log->Write(printBuffer);
    }
}

SQInteger CSquirrelTask::ReadScriptBuffer(SQUserPointer user, SQUserPointer dest, SQInteger size) {
    auto* s = static_cast<ReadState*>(user);
    if (!s || !s->data || !dest || size < 1) {
        return -1;
    }
    std::int64_t left = static_cast<std::int64_t>(s->total) - s->position;
    std::int64_t n = left < size ? left : size;
    if (n < 1) {
        return -1;
    }
    std::memcpy(dest, s->data + s->position, static_cast<std::size_t>(n));
    s->position += static_cast<std::uint32_t>(n);
    return static_cast<SQInteger>(n);
}

}  // namespace Sample
