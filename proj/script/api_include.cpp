// SQ_Include: runs a "scripts/" source once per process through the host.
// Answers 1 when it ran, 257 when it had run before, 256 when not found.
#include "proj/script/script_api.h"
#include "proj/script/sq_bind.h"
#include "proj/script/squirrel_task.h"

namespace Sample {

namespace {

std::int32_t SQ_Include(const char* name) {
    CSquirrelTask* host = GetSquirrelTask();
    if (!host || !name) {
        return 256;
    }
    if (host->IsIncluded(name)) {
        return 257;
    }
    return host->Include(name) ? 1 : 256;
}

}  // namespace

void RegisterIncludeScriptApi(HSQUIRRELVM v) {
    SqBind::Function<&SQ_Include>(v, "SQ_Include");
}

}  // namespace Sample
