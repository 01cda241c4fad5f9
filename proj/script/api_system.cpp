// The system and debug script functions: fixed answers kept for the scripts,
// the debug overlay switch, the debug output line, the script clock, and
// script loading (SQ_Include through the host, SQ_Reload straight from the
// data folder).
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/clock/clock.h"
#include "platform/debug/debug.h"
#include "platform/file/file.h"
#include "proj/game/dbg_task_info_task.h"
#include "proj/game/igame_control.h"
#include "proj/script/script_api.h"
#include "proj/script/script_function_table.h"
#include "proj/script/sq_error_handler.h"
#include "proj/script/squirrel_task.h"

namespace Sample {

namespace {

// The script clock counts from the program's start, not from the system's.
const std::uint32_t programStartMs = platform::clock::now_ms();

void SQ_Hook() {}
void SQ_Exit() {
    if (IGameControl* gc = GetScriptGameControl()) {
        gc->Exit();
    }
}
void SQ_Abort() {}
// The other two arguments are not used.
void SQ_DebugInfo(std::int32_t enable, std::int32_t, std::int32_t) {
    if (CDbgTaskInfoTask* task = GetDbgTaskInfoTask()) {
        task->DrawInfo(enable);
    }
}
void SQ_MemDump(bool) {}
void SQ_DrawTaskDump() {}
bool SQ_IsForceExit() {
    return false;
}
bool SQ_IsUseArcive() {
    return false;
}

void SQ_PrintString(const char* text) {
    platform::debug::output(text ? text : "");
    platform::debug::output("\n");
}

std::int32_t SQ_GetSystemTime() {
    return ScriptSystemTime(platform::clock::now_ms() - programStartMs);
}

bool SQ_Include(const char* name) {
    CSquirrelTask* host = GetSquirrelTask();
    return host && name && host->Include(name);
}

// Runs the source again on every call; a file that is missing or does not
// compile ends the program, as a bad start-up script does.
std::int32_t SQ_Reload(const char* name) {
    std::string path = std::string("USRDIR/scripts/") + (name ? name : "");
    for (char& c : path) {
        if (c == '\\') {
            c = '/';
        }
    }
    HSQUIRRELVM v = GetSquirrelVM();
    // Only a regular file: a FIFO in its place would block the game thread.
    int err = 0;
    std::FILE* in = platform::file::open_regular_for_read(path, &err);
    if (!v || !in) {
        if (in) {
            std::fclose(in);
        }
        ScriptFatal(("SQ_Reload: cannot read " + path).c_str());
    }
    std::string text;
    char chunk[4096];
    for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, in)) > 0;) {
        text.append(chunk, got);
    }
    std::fclose(in);
    const SQInteger top = sq_gettop(v);
    if (SQ_FAILED(sq_compilebuffer(v, text.c_str(), static_cast<SQInteger>(text.size()),
                                   path.c_str(), SQTrue))) {
        ScriptFatal(("SQ_Reload: " + path + " does not compile").c_str());
    }
    sq_collectgarbage(v);
    sq_pushroottable(v);
    if (SQ_FAILED(sq_call(v, 1, SQFalse, SQTrue))) {
        ScriptFatal(("SQ_Reload: " + path + " failed").c_str());
    }
    sq_settop(v, top);
    return 1;
}

constexpr ScriptFunction kSystemFunctions[] = {
    ScriptFn<&SQ_Hook>("SQ_Hook"),
    ScriptFn<&SQ_Exit>("SQ_Exit"),
    ScriptFn<&SQ_Abort>("SQ_Abort"),
    ScriptFn<&SQ_DebugInfo>("SQ_DebugInfo"),
    ScriptFn<&SQ_MemDump>("SQ_MemDump"),
    ScriptFn<&SQ_DrawTaskDump>("SQ_DrawTaskDump"),
    ScriptFn<&SQ_IsForceExit>("SQ_IsForceExit"),
    ScriptFn<&SQ_IsUseArcive>("SQ_IsUseArcive"),
    ScriptFn<&SQ_PrintString>("SQ_PrintString"),
    ScriptFn<&SQ_GetSystemTime>("SQ_GetSystemTime"),
    ScriptFn<&SQ_Include>("SQ_Include"),
    ScriptFn<&SQ_Reload>("SQ_Reload"),
};

}  // namespace

std::int32_t ScriptSystemTime(std::uint32_t elapsedMs) {
    const double tenths = std::trunc(static_cast<double>(elapsedMs) / 1000.0 * 10000.0);
    // Past 2^31 - 1 tenths (about 59.6 hours) the scripts have always seen
    // the lowest integer; keep that without an undefined conversion.
    if (tenths > 2147483647.0) {
        return INT32_MIN;
    }
    return static_cast<std::int32_t>(tenths);
}

ScriptFunctionTable SystemScriptFunctions() {
    return kSystemFunctions;
}

}  // namespace Sample
