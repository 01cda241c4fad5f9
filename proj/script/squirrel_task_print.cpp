// The VM's print function, apart from the host so the log can be tested alone.
#include "proj/script/squirrel_task.h"

#include <cstdarg>
#include <cstdio>

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

}  // namespace Sample
