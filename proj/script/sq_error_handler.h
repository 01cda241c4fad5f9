// How script errors end the game: the runtime-error handler writes its report
// (heading, call stack, locals) to the script log and aborts; the compile-
// error printer writes one line; ScriptFatal covers failures outside the VM's
// own reporting (an unreadable compiled script). Main thread only.
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

}  // namespace Sample
