// Script bindings of the node classes: the registration of each class, in
// the order RegisterScriptNodeClasses calls them, and the instance helpers
// they share. A script owns the object of every instance it constructs;
// nodes and materials it lets go of while the game draw task exists live
// until the frame that may have queued them was drawn. A plain "CSqNode" and
// a "CSqMaterial" clone safely (their copies register every link and texture
// hold they share); the other classes refuse with a script error naming the
// class, since a copy would share what the original owns.
#pragma once

#include <squirrel.h>

#include "proj/game/game_draw_task.h"
#include "proj/script/script_function_table.h"
#include "proj/script/sq_bind.h"

namespace Sample::SqNodes {

// "<class> instances cannot be cloned".
inline constexpr const char* kNoClone = " instances cannot be cloned";

// Frees (or hands to the game draw task) a script-owned node or material.
template <class T>
SQInteger ReleaseDeferred(SQUserPointer p, SQInteger) {
    T* object = static_cast<T*>(p);
    if (CGameDrawTask* draw = GetGameDrawTask()) {
        draw->ReleaseAfterDraw(object);
    } else {
        delete object;
    }
    return 1;
}

// Constructor with no arguments; a second call on the same instance
// replaces (and releases) its object.
template <class T>
SQInteger Construct(HSQUIRRELVM v) {
    if (sq_gettype(v, 1) != OT_INSTANCE) {
        return sq_throwerror(v, SqBind::kNotInstance);
    }
    if (sq_gettop(v) != 1) {
        return sq_throwerror(v, SqBind::kWrongParamCount);
    }
    SQUserPointer old = nullptr;
    if (SQ_SUCCEEDED(sq_getinstanceup(v, 1, &old, nullptr)) && old &&
        sq_getreleasehook(v, 1) == &ReleaseDeferred<T>) {
        ReleaseDeferred<T>(old, 0);
    }
    sq_setinstanceup(v, 1, new T());
    sq_setreleasehook(v, 1, &ReleaseDeferred<T>);
    return 0;
}

// "_cloned": the copy is left empty and the clone fails, naming the class.
SQInteger RefuseClone(HSQUIRRELVM v);

// "_cloned" of a class whose copy constructor is safe: the copy (of the
// original at stack index 2) is owned by the new instance.
template <class T>
SQInteger CloneOwned(HSQUIRRELVM v) {
    void* original = nullptr;
    if (SQInteger r = SqBind::FetchObject(v, 2, &SqBind::InfoOf<T>(), false, &original); r != 0) {
        sq_setinstanceup(v, 1, nullptr);
        return r;
    }
    sq_setinstanceup(v, 1, new T(*static_cast<T*>(original)));
    sq_setreleasehook(v, 1, &ReleaseDeferred<T>);
    return 0;
}

// Constructor and safe clone of a class being built.
template <class T>
void ClonableInstances(HSQUIRRELVM v) {
    SqBind::NewSlot(v, "constructor", &Construct<T>, false);
    SqBind::NewSlot(v, "_cloned", &CloneOwned<T>, false);
}

// Constructor and clone refusal of a class being built.
template <class T>
void OwnedInstances(HSQUIRRELVM v) {
    SqBind::NewSlot(v, "constructor", &Construct<T>, false);
    SqBind::NewSlot(v, "_cloned", &RefuseClone, false);
}

void RegisterSqNode(HSQUIRRELVM v);
// "CSqMaterial" and "SqMaterialInfo".
void RegisterSqMaterial(HSQUIRRELVM v);
void RegisterSqSprite(HSQUIRRELVM v);
void RegisterSqSpriteBuffer(HSQUIRRELVM v);
void RegisterSqFont(HSQUIRRELVM v);
void RegisterSqMesh(HSQUIRRELVM v);

}  // namespace Sample::SqNodes

namespace Sample {

// Every node class, into the table on top of the stack, the ones after
// "CSqNode" derived from it.
void RegisterScriptNodeClasses(HSQUIRRELVM v);

// "SQ_SetMaterialInfo".
ScriptFunctionTable MaterialScriptFunctions();

}  // namespace Sample
