// The non-template half of the binding layer: class lookup through type tags,
// pointer casts along the base chain, type names, errors and properties.
#include "proj/script/sq_bind.h"

#include <cstdio>
#include <set>

namespace Sample::SqBind {

namespace {

std::set<ClassInfo*>& Registry() {
    static std::set<ClassInfo*> registry;
    return registry;
}

bool IsBound(const void* tag) {
    auto& r = Registry();
    auto it = r.find(static_cast<ClassInfo*>(const_cast<void*>(tag)));
    return it != r.end() && (*it)->registered;
}

}  // namespace

void ForgetClasses() {
    for (ClassInfo* info : Registry()) {
        info->registered = false;
        sq_resetobject(&info->classObject);
    }
}

void RememberClass(ClassInfo* info) {
    Registry().insert(info);
}

const ClassInfo* InstanceClassInfo(HSQUIRRELVM v, SQInteger idx) {
    if (sq_gettype(v, idx) != OT_INSTANCE) {
        return nullptr;
    }
    SQInteger top = sq_gettop(v);
    const ClassInfo* found = nullptr;
    sq_getclass(v, idx);
    // Script classes that extend a bound class carry no tag of their own.
    while (sq_gettype(v, -1) == OT_CLASS) {
        SQUserPointer tag = nullptr;
        sq_gettypetag(v, -1, &tag);
        if (tag && IsBound(tag)) {
            found = static_cast<const ClassInfo*>(tag);
            break;
        }
        sq_getbase(v, -1);
    }
    sq_settop(v, top);
    return found;
}

bool IsA(const ClassInfo* from, const ClassInfo* to) {
    for (const ClassInfo* c = from; c; c = c->base) {
        if (c == to) {
            return true;
        }
    }
    return false;
}

void* CastTo(const ClassInfo* from, void* p, const ClassInfo* to) {
    for (const ClassInfo* c = from; c; c = c->base) {
        if (c == to) {
            return p;
        }
        if (!c->base) {
            break;
        }
        if (p) {
            p = c->toBase(p);
        }
    }
    return nullptr;
}

const char* TypeNameAt(HSQUIRRELVM v, SQInteger idx) {
    switch (sq_gettype(v, idx)) {
        case OT_NULL:
            return "null";
        case OT_INTEGER:
            return "integer";
        case OT_FLOAT:
            return "float";
        case OT_BOOL:
            return "bool";
        case OT_STRING:
            return "string";
        case OT_TABLE:
            return "table";
        case OT_ARRAY:
            return "array";
        case OT_USERDATA:
            return "userdata";
        case OT_CLOSURE:
        case OT_NATIVECLOSURE:
            return "function";
        case OT_GENERATOR:
            return "generator";
        case OT_USERPOINTER:
            return "userpointer";
        case OT_THREAD:
            return "thread";
        case OT_CLASS:
            return "class";
        case OT_INSTANCE: {
            const ClassInfo* info = InstanceClassInfo(v, idx);
            return info ? info->name : "instance";
        }
        case OT_WEAKREF:
            return "weakref";
        default:
            return "unknown";
    }
}

SQInteger ThrowWrongType(HSQUIRRELVM v, SQInteger idx, const char* expected) {
    char text[160];
    std::snprintf(text, sizeof text, kWrongArgType, expected, TypeNameAt(v, idx));
    return sq_throwerror(v, text);
}

SQInteger FetchObject(HSQUIRRELVM v, SQInteger idx, const ClassInfo* want, bool allowNull,
                      void** out) {
    *out = nullptr;
    if (allowNull && sq_gettype(v, idx) == OT_NULL) {
        return 0;
    }
    const ClassInfo* have = InstanceClassInfo(v, idx);
    if (!have || !IsA(have, want)) {
        return ThrowWrongType(v, idx, want->name);
    }
    SQUserPointer up = nullptr;
    sq_getinstanceup(v, idx, &up, nullptr);
    if (!up) {
        // An instance whose native constructor never ran holds no object.
        return sq_throwerror(v, kNotInstance);
    }
    *out = CastTo(have, up, want);
    return 0;
}

SQInteger FetchThis(HSQUIRRELVM v, const ClassInfo* want, void** out) {
    SQObjectType t = sq_gettype(v, 1);
    if (t == OT_CLASS) {
        return sq_throwerror(v, kNotStatic);
    }
    if (t != OT_INSTANCE) {
        return sq_throwerror(v, kNotInstance);
    }
    return FetchObject(v, 1, want, false, out);
}

SQInteger PushInstance(HSQUIRRELVM v, const ClassInfo& info, void* p, SQRELEASEHOOK hook) {
    if (!info.registered) {
        if (hook) {
            hook(p, 0);
        }
        return sq_throwerror(v, "class not registered");
    }
    sq_pushobject(v, info.classObject);
    sq_createinstance(v, -1);
    sq_remove(v, -2);
    sq_setinstanceup(v, -1, p);
    if (hook) {
        sq_setreleasehook(v, -1, hook);
    }
    return 1;
}

namespace {

// Finds property `key` of the instance at index 1: its entry and the object
// cast to the class that declared it.
const PropertyEntry* FindProperty(HSQUIRRELVM v, void** self) {
    const SQChar* key = nullptr;
    if (sq_gettype(v, 2) != OT_STRING || SQ_FAILED(sq_getstring(v, 2, &key))) {
        return nullptr;
    }
    const ClassInfo* have = InstanceClassInfo(v, 1);
    SQUserPointer up = nullptr;
    if (!have || SQ_FAILED(sq_getinstanceup(v, 1, &up, nullptr))) {
        return nullptr;
    }
    for (const ClassInfo* c = have; c; c = c->base) {
        auto it = c->properties.find(std::string_view(key));
        if (it != c->properties.end()) {
            *self = CastTo(have, up, c);
            return &it->second;
        }
    }
    return nullptr;
}

// A thrown null tells the VM the key is simply absent, so it reports its own
// "the index ... does not exist".
SQInteger NotFound(HSQUIRRELVM v) {
    sq_pushnull(v);
    return sq_throwobject(v);
}

}  // namespace

SQInteger PropertyGet(HSQUIRRELVM v) {
    void* self = nullptr;
    const PropertyEntry* e = FindProperty(v, &self);
    if (!e) {
        return NotFound(v);
    }
    if (!self) {
        return sq_throwerror(v, kNotInstance);
    }
    return e->get(v, self);
}

SQInteger PropertySet(HSQUIRRELVM v) {
    void* self = nullptr;
    const PropertyEntry* e = FindProperty(v, &self);
    if (!e || !e->set) {
        return NotFound(v);
    }
    if (!self) {
        return sq_throwerror(v, kNotInstance);
    }
    return e->set(v, self);
}

void NewSlot(HSQUIRRELVM v, const char* name, SQFUNCTION fn, bool isStatic) {
    sq_pushstring(v, name, -1);
    sq_newclosure(v, fn, 0);
    sq_setnativeclosurename(v, -1, name);
    sq_newslot(v, -3, isStatic ? SQTrue : SQFalse);
}

}  // namespace Sample::SqBind
