// The script host: VM start-up and shut-down, the compiled start-up images,
// SQ_Include and the per-frame SQUpdate call.
#include "proj/script/squirrel_task.h"

#include <sqstdaux.h>
#include <sqstdmath.h>

#include <cstring>
#include <exception>
#include <map>

#include "proj/nodes/sq_material.h"
#include "proj/script/compiled_script.h"
#include "proj/script/script_api.h"
#include "proj/script/script_image_verifier.h"
#include "proj/script/script_watchdog.h"
#include "proj/script/sq_allocator.h"
#include "proj/script/sq_bind.h"
#include "proj/script/sq_error_handler.h"
#include "proj/script/sq_print_call_stack.h"
#include "qzware/common/qz_mem.h"
#include "qzware/scene/qz_load_report.h"
#include "qzware/win/qz_file_manager.h"

namespace Sample {

namespace {

CSquirrelTask* theHost = nullptr;
// Paths run through Include ("scripts/" + name); the values are unused.
std::map<std::string, void*>* includedNames = nullptr;
const char kIncludeFolder[] = "scripts/";
CSquirrelTask::ReadState readState;

QZW::Win::CQzFileManager& Files() {
    QZW::Win::CQzFileManager* fm = ::QzGetFileManager();
    if (!fm) {
        ScriptFatal("script host: no file manager to read scripts with");
    }
    return *fm;
}

std::string IncludePath(const char* name) {
    std::string path = std::string(kIncludeFolder) + name;
    for (char& c : path) {
        if (c == '\\') {
            c = '/';
        }
    }
    return path;
}

std::string LastError(HSQUIRRELVM v) {
    sq_getlasterror(v);
    const SQChar* text = nullptr;
    std::string out = SQ_SUCCEEDED(sq_getstring(v, -1, &text)) ? text : "unknown error";
    sq_pop(v, 1);
    return out;
}

// Resources that fail to load are named in the script log beside what the
// scripts print.
void LoadFailureToLog(const std::string& line) {
    if (SQPrintCallStack* log = GetSqLogHook()) {
        log->Write((line + "\n").c_str());
    }
}

}  // namespace

CSquirrelTask* GetSquirrelTask() {
    return theHost;
}

CSquirrelTask::CSquirrelTask(QZW::IQzGameManager* gameManager, IGameControl* gameControl)
    : CBaseTask("CSquirrelTask", gameManager, gameControl) {
    theHost = this;
    includedNames = new std::map<std::string, void*>();
    {
        // From here on small engine allocations come from the pools.
        QZW::CQzScopedLock lock(QzMemGetLock());
        QzMemEnablePools(true);
    }
    StartUp();
}

CSquirrelTask::~CSquirrelTask() {
    QZW::QzSetLoadReportSink(nullptr);
    CloseVM();
    QZW::FreeSqMaterialInfo();
    delete includedNames;
    includedNames = nullptr;
    if (theHost == this) {
        theHost = nullptr;
    }
}

void CSquirrelTask::StartUp() {
    includedNames->clear();
    SetSqAllocatorHook(&GetSqAllocator());
    SetSqLogHook(&GetSqLog());
    QZW::QzSetLoadReportSink(&LoadFailureToLog);
    // An exception from anything the start-up runs (the API registration, a
    // native function the images call) ends the program with the VM's call
    // stack in the log rather than escaping the constructor.
    try {
        vm = sq_open(4096);
        if (!vm) {
            ScriptFatal("script host: the script VM could not be opened (out of memory)");
        }
        SetSquirrelVM(vm);
        sq_enabledebuginfo(vm, SQFalse);
        sq_setcompilererrorhandler(vm, &ScriptCompilerErrorHandler);
        sq_newclosure(vm, &ScriptErrorHandler, 0);
        sq_seterrorhandler(vm);
        sq_setprintfunc(vm, &PrintFunc, &PrintFunc);
        // The root table stays on the stack for the VM's life.
        sq_pushroottable(vm);
        sqstd_register_mathlib(vm);
        RegisterScriptApi(gameManager, gameControl);
        RegisterNetworkScriptApi(gameManager, gameControl);
        LoadCompiledScript("scriptsConv/all_StartCmd.cnut");
        LoadCompiledScript("scriptsConv/all.cnut");
        sq_collectgarbage(vm);
        loaded = true;
    } catch (const std::exception& e) {
        StartUpFailed(e.what());
    } catch (...) {
        StartUpFailed("unknown exception");
    }
}

void CSquirrelTask::StartUpFailed(const char* what) {
    if (vm) {
        sqstd_printcallstack(vm);
    }
    ScriptFatal((std::string("script host: start-up failed: ") + what).c_str());
}

// A missing, truncated or foreign image ends the program with the reason in
// the script log and on stderr, before the VM's stack can go out of balance.
void CSquirrelTask::LoadCompiledScript(const char* path) {
    QZW::Win::CQzFileManager& fm = Files();
    std::uint32_t size = 0;
    void* buffer = fm.LoadFile(path, &size, 16);
    if (!buffer) {
        ScriptFatal((std::string("script host: cannot read ") + path).c_str());
    }
    // The VM trusts what it reads: only an image that passed the walk (and,
    // from a 32-bit compiler, was widened) reaches it.
    VerifiedScriptImage image = VerifyScriptImage(static_cast<const std::uint8_t*>(buffer), size);
    fm.FreeBuffer(buffer);
    if (!image.ok) {
        ScriptFatal((std::string("script host: ") + path + ": refused: " + image.error).c_str());
    }
    readState.data = image.bytes.data();
    readState.total = static_cast<std::int32_t>(image.bytes.size());
    readState.position = 0;
    SQInteger top = sq_gettop(vm);
    SQRESULT read = sq_readclosure(vm, &ReadScriptBuffer, &readState);
    readState = ReadState{};
    if (SQ_FAILED(read)) {
        ScriptFatal((std::string("script host: ") + path + ": " + LastError(vm)).c_str());
    }
    sq_pushroottable(vm);
    // A runtime error inside reaches ScriptErrorHandler, which ends the process.
    SQRESULT ran = SQ_ERROR;
    {
        CScriptWatchdog::Scope running(path);
        ran = sq_call(vm, 1, SQFalse, SQTrue);
    }
    if (SQ_FAILED(ran)) {
        ScriptFatal((std::string("script host: ") + path + ": " + LastError(vm)).c_str());
    }
    sq_settop(vm, top);
}

bool CSquirrelTask::IsIncluded(const char* name) const {
    return includedNames && name && includedNames->count(IncludePath(name)) != 0;
}

bool CSquirrelTask::Include(const char* name) {
    if (!name || !vm) {
        return false;
    }
    std::string path = IncludePath(name);
    if (includedNames->count(path)) {
        return true;
    }
    QZW::Win::CQzFileManager& fm = Files();
    void* buffer = fm.LoadFileAligned8(path.c_str());
    if (!buffer) {
        return false;
    }
    // The loaded text is followed by zero bytes, so it ends as a C string.
    const char* text = static_cast<const char*>(buffer);
    SQInteger top = sq_gettop(vm);
    SQRESULT compiled =
        sq_compilebuffer(vm, text, static_cast<SQInteger>(std::strlen(text)), path.c_str(), SQTrue);
    fm.FreeBuffer(buffer);
    if (SQ_FAILED(compiled)) {
        // The compile-error line is already in the log.
        ScriptFatal(("script host: " + path + " does not compile").c_str());
    }
    (*includedNames)[path] = nullptr;
    sq_pushroottable(vm);
    {
        CScriptWatchdog::Scope running(path + " (SQ_Include)");
        sq_call(vm, 1, SQFalse, SQTrue);
    }
    sq_settop(vm, top);
    return true;
}

HSQOBJECT CSquirrelTask::FindRootFunction(const char* name) {
    HSQOBJECT found;
    sq_resetobject(&found);
    SQInteger top = sq_gettop(vm);
    sq_pushroottable(vm);
    sq_pushstring(vm, name, -1);
    if (SQ_SUCCEEDED(sq_get(vm, -2))) {
        SQObjectType t = sq_gettype(vm, -1);
        if (t == OT_CLOSURE || t == OT_NATIVECLOSURE) {
            sq_getstackobj(vm, -1, &found);
        }
    }
    sq_settop(vm, top);
    return found;
}

void CSquirrelTask::CallUpdate() {
    if (!loaded) {
        return;
    }
    HSQOBJECT update = FindRootFunction("SQUpdate");
    if (sq_isnull(update)) {
        return;
    }
    SQInteger top = sq_gettop(vm);
    sq_pushobject(vm, update);
    sq_pushroottable(vm);
    {
        CScriptWatchdog::Scope running("SQUpdate");
        sq_call(vm, 1, SQFalse, SQTrue);
    }
    sq_settop(vm, top);
}

void CSquirrelTask::CloseVM() {
    if (!vm) {
        return;
    }
    sq_pop(vm, 1);
    SqBind::ForgetClasses();
    sq_close(vm);
    vm = nullptr;
    loaded = false;
    SetSquirrelVM(nullptr);
}

}  // namespace Sample
