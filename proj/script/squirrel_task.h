// The script host: the task that owns the process's one Squirrel VM, hooks
// its memory, print and error output into the engine, registers the script
// API, runs "scriptsConv/all_StartCmd.cnut" then "scriptsConv/all.cnut", and
// calls the root-table function "SQUpdate" once per frame. Main thread only.
// A start-up failure (missing or damaged image, script error) ends the process
// after writing the reason to the script log and stderr.
#pragma once

#include <squirrel.h>

#include <cstdint>
#include <string>

#include "proj/game/base_task.h"

namespace Sample {

class CSquirrelTask : public CBaseTask {
public:
    CSquirrelTask(QZW::IQzGameManager* gameManager, IGameControl* gameControl);
    ~CSquirrelTask() override;

    void Update() override { CallUpdate(); }

    // Runs "scripts/" + name once per process; false when the file is missing.
    bool Include(const char* name);
    // True when "scripts/" + name has been run by Include.
    bool IsIncluded(const char* name) const;
    // The root-table value `name` when it is a function, else a null object.
    HSQOBJECT FindRootFunction(const char* name);
    void CallUpdate();

    // The VM's print and error function: formats into an 8 KB buffer
    // (longer text is cut) and writes it to the script log.
    static void PrintFunc(HSQUIRRELVM v, const SQChar* format, ...);

    // State of the compiled image being read.
    struct ReadState {
        const std::uint8_t* data = nullptr;
        std::int32_t total = 0;
        std::uint32_t position = 0;
    };
    // Reader for sq_readclosure: at most `size` bytes, -1 at the end.
    static SQInteger ReadScriptBuffer(SQUserPointer user, SQUserPointer dest, SQInteger size);

    HSQUIRRELVM vm = nullptr;
    bool loaded = false;

private:
    void StartUp();
    [[noreturn]] void StartUpFailed(const char* what);
    void LoadCompiledScript(const char* path);
    void CloseVM();
};

// The running host (null when none); its VM is GetSquirrelVM (script_api.h).
CSquirrelTask* GetSquirrelTask();

}  // namespace Sample
