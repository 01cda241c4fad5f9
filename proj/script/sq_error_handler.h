// How script errors end the game: the runtime-error handler writes its report
// (heading, call stack, locals) to the script log and aborts; the compile-
// error printer writes one line; ScriptFatal covers failures outside the VM's
// own reporting (an unreadable compiled script). When the log file cannot be
// opened, reports go to stderr in full instead. Main thread only, apart from
// ScriptFatalExit, which the runaway-script watchdog also calls.
#pragma once

#include <squirrel.h>

namespace Sample {

// Installed with sq_seterrorhandler; the error object is parameter 2.
SQInteger ScriptErrorHandler(HSQUIRRELVM v);
void ScriptCompilerErrorHandler(HSQUIRRELVM v, const SQChar* desc, const SQChar* source,
                                SQInteger line, SQInteger column);
// Writes `text` (and a newline) to the script log and to stderr, closes the
// log and aborts.
[[noreturn]] void ScriptFatal(const char* text);
// Exit status of ScriptFatalExit.
constexpr int kScriptFatalExitStatus = 3;
// As ScriptFatal, but ends with exit status kScriptFatalExitStatus and no
// signal, running no exit-time code: for an exhausted heap, where the VM is
// mid-allocation, and for a script that never returns.
[[noreturn]] void ScriptFatalExit(const char* text);

}  // namespace Sample
