// Runtime and compile error reports into the script log.
#include "proj/script/sq_error_handler.h"

#include <sqstdaux.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

#include "proj/script/sq_print_call_stack.h"

namespace Sample {

namespace {

// The script log file, when the hook is the file log.
SqPrintCallStack* FileLog() {
    return dynamic_cast<SqPrintCallStack*>(GetSqLogHook());
}

// Stands in for the log while a report is written that the log file cannot
// take (read-only working folder, "Log" a file): the report goes to stderr.
class StderrLog final : public SQPrintCallStack {
public:
    void Open() override {}
    void Close() override { std::fflush(stderr); }
    void Write(const char* text) override {
        if (text) {
            std::fputs(text, stderr);
        }
    }
};

// Writes `text` and a newline to the log (when its file is open) and to
// stderr, then closes the log so the text is on disk. One report at a time:
// the watchdog thread and the game thread may both end the program.
void Report(const char* text) {
    static std::mutex reporting;
    reporting.lock();  // never unlocked: the process ends after the report
    SQPrintCallStack* log = GetSqLogHook();
    SqPrintCallStack* file = FileLog();
    bool noFile = false;
    if (log) {
        log->Write(text);
        log->Write("\n");
        noFile = file && file->Unavailable();
        log->Close();
    }
    if (noFile) {
        std::fprintf(stderr, "(the script log %s could not be opened)\n", file->Path().c_str());
    }
    std::fprintf(stderr, "%s\n", text);
    std::fflush(stderr);
}

}  // namespace

SQInteger ScriptErrorHandler(HSQUIRRELVM v) {
    SQPrintCallStack* log = GetSqLogHook();
    if (log) {
        log->Open();
    }
    SqPrintCallStack* file = FileLog();
    StderrLog toStderr;
    const bool onStderr = file && file->Unavailable();
    if (onStderr) {
        SetSqLogHook(&toStderr);
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
    if (onStderr) {
        std::fprintf(stderr,
                     "script error: %s (the script log %s could not be opened; the "
                     "report is above)\n",
                     isString ? text : "unknown", file->Path().c_str());
    } else {
        if (log) {
            log->Close();
        }
        std::fprintf(stderr, "script error: %s (report in %s)\n", isString ? text : "unknown",
                     file ? file->Path().c_str() : "the script log");
    }
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
    Report(text);
    std::abort();
}

void ScriptFatalExit(const char* text) {
    Report(text);
    std::fflush(nullptr);
    _exit(kScriptFatalExitStatus);
}

}  // namespace Sample
