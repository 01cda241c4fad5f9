// Runtime and compile error reports into the script log.
#include "proj/script/sq_error_handler.h"

#include <sqstdaux.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "proj/script/sq_print_call_stack.h"

namespace Sample {

namespace {

// Where the report went, for the line on stderr.
std::string LogPath() {
    SQPrintCallStack* hook = GetSqLogHook();
    auto* file = dynamic_cast<SqPrintCallStack*>(hook);
    return file ? file->Path() : std::string("the script log");
}

}  // namespace

SQInteger ScriptErrorHandler(HSQUIRRELVM v) {
    SQPrintCallStack* log = GetSqLogHook();
    if (log) {
        log->Open();
    }
    const SQChar* text = nullptr;
    SQPRINTFUNCTION pf = sq_geterrorfunc(v);
    bool isString = sq_gettop(v) >= 2 && SQ_SUCCEEDED(sq_getstring(v, 2, &text));
    if (pf && sq_gettop(v) >= 1) {
        if (isString) {
            pf(v, "\nAN ERROR HAS OCCURED [%s]\n", text);
        } else {
            pf(v, "\nAN ERROR HAS OCCURED [unknown]\n");
        }
        sqstd_printcallstack(v);
    }
    if (log) {
        log->Close();
    }
    std::fprintf(stderr, "script error: %s (report in %s)\n", isString ? text : "unknown",
                 LogPath().c_str());
    std::fflush(stderr);
    std::abort();
}

void ScriptCompilerErrorHandler(HSQUIRRELVM v, const SQChar* desc, const SQChar* source,
                                SQInteger line, SQInteger column) {
    SQPRINTFUNCTION pf = sq_geterrorfunc(v);
    if (pf) {
        pf(v, "%s line = (%d) column = (%d) : error %s\n", source, static_cast<int>(line),
           static_cast<int>(column), desc);
    }
}

void ScriptFatal(const char* text) {
    SQPrintCallStack* log = GetSqLogHook();
    if (log) {
        log->Write(text);
        log->Write("\n");
        log->Close();
    }
    std::fprintf(stderr, "%s\n", text);
    std::fflush(stderr);
    std::abort();
}

}  // namespace Sample
