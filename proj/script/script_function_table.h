// Table-driven registration of global script functions: each group of the
// script API keeps one table of entries next to its functions, and
// RegisterScriptApi binds the groups' tables in order. An entry's parameter
// count comes from the C++ signature and is also declared to the VM, so a
// call with another count fails with "wrong number of parameters".
#pragma once

#include <squirrel.h>

#include <span>
#include <vector>

#include "proj/script/sq_bind.h"

namespace Sample {

struct ScriptFunction {
    const char* name;
    SQFUNCTION function;
    SQInteger parameters;  // script arguments, `this` not counted
};

template <auto F>
constexpr ScriptFunction ScriptFn(const char* name) {
    return {name, &SqBind::FunctionThunk<F>, SqBind::FnTraits<decltype(F)>::kArity};
}

using ScriptFunctionTable = std::span<const ScriptFunction>;

// Binds every entry into the table on top of the stack.
void RegisterScriptFunctions(HSQUIRRELVM v, ScriptFunctionTable table);

// The groups' tables, in binding order.
ScriptFunctionTable SystemScriptFunctions();
ScriptFunctionTable PadScriptFunctions();
ScriptFunctionTable FileScriptFunctions();
ScriptFunctionTable SettingsScriptFunctions();
ScriptFunctionTable TextScriptFunctions();
ScriptFunctionTable DrawScriptFunctions();
ScriptFunctionTable ProjectionScriptFunctions();
ScriptFunctionTable SoundScriptFunctions();
ScriptFunctionTable MovieScriptFunctions();
ScriptFunctionTable KeyboardScriptFunctions();
ScriptFunctionTable AutoSaveScriptFunctions();

// Every global function RegisterScriptApi binds, in binding order.
std::vector<ScriptFunction> ScriptApiFunctions();

}  // namespace Sample
