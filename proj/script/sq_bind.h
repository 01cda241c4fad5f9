// Template binding of C++ functions, classes, properties and value returns to
// the Squirrel VM. Arguments are checked before any call: count, type, and for
// instances the class (through the type tags, never by reinterpreting).
// Deps: Squirrel 3.1 (64-bit integers). Limits: one VM at a time holds the
// registered classes; ForgetClasses() before registering into another VM.
#pragma once

#include <squirrel.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>

namespace Sample::SqBind {

// [SECTION] Messages raised as script errors
inline constexpr const char* kWrongParamCount = "wrong number of parameters";
inline constexpr const char* kWrongArgType = "wrong argument type, expected '%s' got '%.50s'";
inline constexpr const char* kNotStatic = "this function isn't static";
inline constexpr const char* kNotInstance = "the object is not a class instance";

// [SECTION] Class records (the type tag of a bound class points at its record)
struct PropertyEntry {
    // Pushes the value of `self` (already cast to the owning class); 1 or an error.
    SQInteger (*get)(HSQUIRRELVM v, void* self) = nullptr;
    // Reads the value at stack index 3; 0 or an error. Null: read-only.
    SQInteger (*set)(HSQUIRRELVM v, void* self) = nullptr;
};

struct ClassInfo {
    const char* name = "";
    const ClassInfo* base = nullptr;
    // Converts a pointer to this class into a pointer to `base`.
    void* (*toBase)(void*) = nullptr;
    HSQOBJECT classObject{};
    bool registered = false;
    std::map<std::string, PropertyEntry, std::less<>> properties;
};

template <class T>
ClassInfo& InfoOf() {
    static ClassInfo info;
    return info;
}

// Marks every class as not registered (the VM that held them is gone).
void ForgetClasses();
void RememberClass(ClassInfo* info);

// The record of the bound class of the instance at `idx` (walking script-side
// subclasses to the first bound base), or null.
const ClassInfo* InstanceClassInfo(HSQUIRRELVM v, SQInteger idx);
// True when `to` is `from` or one of its bases.
bool IsA(const ClassInfo* from, const ClassInfo* to);
// `p` (an object of class `from`) as a pointer to class `to`; null when `to`
// is not `from` or one of its bases.
void* CastTo(const ClassInfo* from, void* p, const ClassInfo* to);
// The name of the value's type as scripts know it; the class name for instances.
const char* TypeNameAt(HSQUIRRELVM v, SQInteger idx);

SQInteger ThrowWrongType(HSQUIRRELVM v, SQInteger idx, const char* expected);
// Fetches the bound object at `idx` as a `want`. allowNull: a script null
// gives a null pointer. Raises the wrong-type error otherwise.
SQInteger FetchObject(HSQUIRRELVM v, SQInteger idx, const ClassInfo* want, bool allowNull,
                      void** out);
// Fetches `this` (index 1) for a method of `want`.
SQInteger FetchThis(HSQUIRRELVM v, const ClassInfo* want, void** out);
// Pushes a new instance of a bound class holding `p`; `hook` frees it with
// the instance (null: the script does not own it).
SQInteger PushInstance(HSQUIRRELVM v, const ClassInfo& info, void* p, SQRELEASEHOOK hook);

SQInteger PropertyGet(HSQUIRRELVM v);
SQInteger PropertySet(HSQUIRRELVM v);

// Adds the closure on top of the stack as slot `name` of the table or class
// below it.
void NewSlot(HSQUIRRELVM v, const char* name, SQFUNCTION fn, bool isStatic);

template <class T>
SQInteger ReleaseObject(SQUserPointer p, SQInteger) {
    delete static_cast<T*>(p);
    return 1;
}

// [SECTION] Argument readers
template <class T>
inline constexpr bool kIsPlainValue =
    std::is_same_v<T, std::string> || std::is_same_v<T, HSQOBJECT>;

template <class T, class = void>
struct ValueArg;

// Integers: 32-bit and narrower types take the low 32 bits as a signed value.
template <class T>
struct ValueArg<T, std::enable_if_t<std::is_integral_v<T> && !std::is_same_v<T, bool>>> {
    using Store = T;
    static SQInteger Get(HSQUIRRELVM v, SQInteger idx, Store& out) {
        SQInteger i = 0;
        switch (sq_gettype(v, idx)) {
            case OT_INTEGER:
                sq_getinteger(v, idx, &i);
                break;
            case OT_FLOAT: {
                SQFloat f = 0;
                sq_getfloat(v, idx, &f);
                // Out-of-range floats would be undefined to convert.
                i = (std::isfinite(f) && std::fabs(f) < 9.2e18f) ? static_cast<SQInteger>(f) : 0;
                break;
            }
            default:
                return ThrowWrongType(v, idx, "integer");
        }
        if constexpr (sizeof(T) <= 4) {
            auto low = static_cast<std::int32_t>(static_cast<std::uint32_t>(i));
            out = static_cast<T>(low);
        } else {
            out = static_cast<T>(i);
        }
        return 0;
    }
    static T Pass(Store& s) { return s; }
};

template <class T>
struct ValueArg<T, std::enable_if_t<std::is_floating_point_v<T>>> {
    using Store = T;
    static SQInteger Get(HSQUIRRELVM v, SQInteger idx, Store& out) {
        SQObjectType t = sq_gettype(v, idx);
        if (t != OT_FLOAT && t != OT_INTEGER) {
            return ThrowWrongType(v, idx, "float");
        }
        SQFloat f = 0;
        sq_getfloat(v, idx, &f);
        out = static_cast<T>(f);
        return 0;
    }
    static T Pass(Store& s) { return s; }
};

template <>
struct ValueArg<bool> {
    using Store = bool;
    static SQInteger Get(HSQUIRRELVM v, SQInteger idx, Store& out) {
        SQObjectType t = sq_gettype(v, idx);
        if (t == OT_BOOL) {
            SQBool b = 0;
            sq_getbool(v, idx, &b);
            out = b != 0;
            return 0;
        }
        if (t == OT_INTEGER) {
            SQInteger i = 0;
            sq_getinteger(v, idx, &i);
            out = i != 0;
            return 0;
        }
        return ThrowWrongType(v, idx, "bool");
    }
    static bool Pass(Store& s) { return s; }
};

// A script null reaches the function as a null pointer.
template <>
struct ValueArg<const char*> {
    using Store = const char*;
    static SQInteger Get(HSQUIRRELVM v, SQInteger idx, Store& out) {
        SQObjectType t = sq_gettype(v, idx);
        if (t == OT_NULL) {
            out = nullptr;
            return 0;
        }
        if (t != OT_STRING) {
            return ThrowWrongType(v, idx, "string");
        }
        sq_getstring(v, idx, &out);
        return 0;
    }
    static const char* Pass(Store& s) { return s; }
};

template <>
struct ValueArg<std::string> {
    using Store = std::string;
    static SQInteger Get(HSQUIRRELVM v, SQInteger idx, Store& out) {
        if (sq_gettype(v, idx) != OT_STRING) {
            return ThrowWrongType(v, idx, "string");
        }
        const SQChar* s = nullptr;
        sq_getstring(v, idx, &s);
        out.assign(s, static_cast<std::size_t>(sq_getsize(v, idx)));
        return 0;
    }
    static const std::string& Pass(Store& s) { return s; }
};

// Any script value, unchecked (the function inspects it itself).
template <>
struct ValueArg<HSQOBJECT> {
    using Store = HSQOBJECT;
    static SQInteger Get(HSQUIRRELVM v, SQInteger idx, Store& out) {
        sq_getstackobj(v, idx, &out);
        return 0;
    }
    static HSQOBJECT Pass(Store& s) { return s; }
};

// Bound classes by pointer (null allowed) and by reference or value (not null).
template <class T>
struct InstancePtrArg {
    using Store = T*;
    static SQInteger Get(HSQUIRRELVM v, SQInteger idx, Store& out) {
        void* p = nullptr;
        SQInteger r = FetchObject(v, idx, &InfoOf<T>(), true, &p);
        out = static_cast<T*>(p);
        return r;
    }
    static T* Pass(Store& s) { return s; }
};

template <class T>
struct InstanceRefArg {
    using Store = T*;
    static SQInteger Get(HSQUIRRELVM v, SQInteger idx, Store& out) {
        void* p = nullptr;
        SQInteger r = FetchObject(v, idx, &InfoOf<T>(), false, &p);
        out = static_cast<T*>(p);
        return r;
    }
    static T& Pass(Store& s) { return *s; }
};

template <class A>
struct ArgSel {
    using D = std::remove_cvref_t<A>;
    using Pointee = std::remove_cv_t<std::remove_pointer_t<D>>;
    using type = std::conditional_t<
        std::is_pointer_v<D> && std::is_class_v<Pointee>, InstancePtrArg<Pointee>,
        std::conditional_t<std::is_class_v<D> && !kIsPlainValue<D>, InstanceRefArg<D>,
                           ValueArg<std::conditional_t<std::is_same_v<D, char*>, const char*, D>>>>;
};
template <class A>
using Arg = typename ArgSel<A>::type;

// [SECTION] Result writers
template <class R, class = void>
struct Ret;

// 32-bit and narrower results are sign-extended from 32 bits.
template <class R>
struct Ret<R, std::enable_if_t<std::is_integral_v<R> && !std::is_same_v<R, bool>>> {
    static SQInteger Push(HSQUIRRELVM v, R r) {
        if constexpr (sizeof(R) <= 4) {
            auto low = static_cast<std::int32_t>(static_cast<std::uint32_t>(r));
            sq_pushinteger(v, static_cast<SQInteger>(low));
        } else {
            sq_pushinteger(v, static_cast<SQInteger>(r));
        }
        return 1;
    }
};
template <class R>
struct Ret<R, std::enable_if_t<std::is_floating_point_v<R>>> {
    static SQInteger Push(HSQUIRRELVM v, R r) {
        sq_pushfloat(v, static_cast<SQFloat>(r));
        return 1;
    }
};
template <>
struct Ret<bool> {
    static SQInteger Push(HSQUIRRELVM v, bool r) {
        sq_pushbool(v, r ? SQTrue : SQFalse);
        return 1;
    }
};
template <>
struct Ret<const char*> {
    static SQInteger Push(HSQUIRRELVM v, const char* r) {
        if (r) {
            sq_pushstring(v, r, -1);
        } else {
            sq_pushnull(v);
        }
        return 1;
    }
};
template <>
struct Ret<std::string> {
    static SQInteger Push(HSQUIRRELVM v, const std::string& r) {
        sq_pushstring(v, r.c_str(), static_cast<SQInteger>(r.size()));
        return 1;
    }
};
template <>
struct Ret<HSQOBJECT> {
    static SQInteger Push(HSQUIRRELVM v, HSQOBJECT r) {
        sq_pushobject(v, r);
        return 1;
    }
};

// A class by value: the script owns a copy.
template <class R>
struct ValueInstanceRet {
    static SQInteger Push(HSQUIRRELVM v, const R& r) {
        return PushInstance(v, InfoOf<R>(), new R(r), &ReleaseObject<R>);
    }
};
// A class by pointer or reference: the script refers to the engine's object.
template <class R>
struct BorrowedInstanceRet {
    static SQInteger Push(HSQUIRRELVM v, R* r) {
        if (!r) {
            sq_pushnull(v);
            return 1;
        }
        return PushInstance(v, InfoOf<R>(), const_cast<std::remove_cv_t<R>*>(r), nullptr);
    }
    static SQInteger Push(HSQUIRRELVM v, R& r) { return Push(v, &r); }
};

template <class R>
struct RetSel {
    using D = std::remove_cvref_t<R>;
    using Pointee = std::remove_cv_t<std::remove_pointer_t<D>>;
    using type = std::conditional_t<
        std::is_pointer_v<D> && std::is_class_v<Pointee>, BorrowedInstanceRet<Pointee>,
        std::conditional_t<
            std::is_reference_v<R> && std::is_class_v<D> && !kIsPlainValue<D>,
            BorrowedInstanceRet<D>,
            std::conditional_t<std::is_class_v<D> && !kIsPlainValue<D>, ValueInstanceRet<D>,
                               Ret<std::conditional_t<std::is_same_v<D, char*>, const char*, D>>>>>;
};

// [SECTION] Calls
// Reads every argument (from stack index `first`), stops at the first refusal,
// then calls `fn` and pushes its result.
template <class R, class... A, class Fn, std::size_t... I>
SQInteger CallWith(HSQUIRRELVM v, SQInteger first, Fn&& fn, std::index_sequence<I...>) {
    std::tuple<typename Arg<A>::Store...> stores;
    SQInteger r = 0;
    bool ok =
        (((r = Arg<A>::Get(v, first + static_cast<SQInteger>(I), std::get<I>(stores))) == 0) &&
         ...);
    if (!ok) {
        return r;
    }
    if constexpr (std::is_void_v<R>) {
        fn(Arg<A>::Pass(std::get<I>(stores))...);
        return 0;
    } else {
        return RetSel<R>::type::Push(v, fn(Arg<A>::Pass(std::get<I>(stores))...));
    }
}

template <class F>
struct FnTraits;
template <class R, class... A>
struct FnTraits<R (*)(A...)> {
    static constexpr SQInteger kArity = sizeof...(A);
    template <auto F>
    static SQInteger Call(HSQUIRRELVM v, SQInteger first) {
        return CallWith<R, A...>(
            v, first, [](auto&&... a) -> R { return F(std::forward<decltype(a)>(a)...); },
            std::index_sequence_for<A...>{});
    }
};

// A method is a member function or a free function whose first parameter is
// the object (C& or const C&).
template <class F>
struct MethodTraits;
template <class C, class R, class... A>
struct MethodTraits<R (C::*)(A...)> {
    using Class = C;
    static constexpr SQInteger kArity = sizeof...(A);
    template <auto F>
    static SQInteger Call(HSQUIRRELVM v, Class* self) {
        return CallWith<R, A...>(
            v, 2, [self](auto&&... a) -> R { return (self->*F)(std::forward<decltype(a)>(a)...); },
            std::index_sequence_for<A...>{});
    }
};
template <class C, class R, class... A>
struct MethodTraits<R (C::*)(A...) const> {
    using Class = C;
    static constexpr SQInteger kArity = sizeof...(A);
    template <auto F>
    static SQInteger Call(HSQUIRRELVM v, Class* self) {
        return CallWith<R, A...>(
            v, 2, [self](auto&&... a) -> R { return (self->*F)(std::forward<decltype(a)>(a)...); },
            std::index_sequence_for<A...>{});
    }
};
template <class C0, class R, class... A>
struct MethodTraits<R (*)(C0&, A...)> {
    using Class = std::remove_cv_t<C0>;
    static constexpr SQInteger kArity = sizeof...(A);
    template <auto F>
    static SQInteger Call(HSQUIRRELVM v, Class* self) {
        return CallWith<R, A...>(
            v, 2, [self](auto&&... a) -> R { return F(*self, std::forward<decltype(a)>(a)...); },
            std::index_sequence_for<A...>{});
    }
};

template <auto F>
SQInteger FunctionThunk(HSQUIRRELVM v) {
    using Tr = FnTraits<decltype(F)>;
    if (sq_gettop(v) - 1 != Tr::kArity) {
        return sq_throwerror(v, kWrongParamCount);
    }
    return Tr::template Call<F>(v, 2);
}

template <auto F>
SQInteger MethodThunk(HSQUIRRELVM v) {
    using Tr = MethodTraits<decltype(F)>;
    using C = typename Tr::Class;
    void* self = nullptr;
    if (SQInteger r = FetchThis(v, &InfoOf<C>(), &self); r != 0) {
        return r;
    }
    if (sq_gettop(v) - 1 != Tr::kArity) {
        return sq_throwerror(v, kWrongParamCount);
    }
    return Tr::template Call<F>(v, static_cast<C*>(self));
}

// [SECTION] Constructors
template <class... A>
struct Ctor {
    static constexpr SQInteger kArity = sizeof...(A);
    template <class T>
    static SQInteger Run(HSQUIRRELVM v) {
        T* created = nullptr;
        SQInteger r = CallWith<void, A...>(
            v, 2, [&created](auto&&... a) { created = new T(std::forward<decltype(a)>(a)...); },
            std::index_sequence_for<A...>{});
        if (r != 0) {
            return r;
        }
        // A second constructor call on the same instance replaces its object.
        SQUserPointer old = nullptr;
        if (SQ_SUCCEEDED(sq_getinstanceup(v, 1, &old, nullptr)) && old &&
            sq_getreleasehook(v, 1) == &ReleaseObject<T>) {
            delete static_cast<T*>(old);
        }
        sq_setinstanceup(v, 1, created);
        sq_setreleasehook(v, 1, &ReleaseObject<T>);
        return 0;
    }
};

template <class T, class... Cs>
SQInteger ConstructorThunk(HSQUIRRELVM v) {
    if (sq_gettype(v, 1) != OT_INSTANCE) {
        return sq_throwerror(v, kNotInstance);
    }
    SQInteger n = sq_gettop(v) - 1;
    SQInteger result = 0;
    bool matched = false;
    ((!matched && Cs::kArity == n ? (matched = true, result = Cs::template Run<T>(v))
                                  : SQInteger{0}),
     ...);
    if (!matched) {
        return sq_throwerror(v, kWrongParamCount);
    }
    return result;
}

// [SECTION] Properties
template <auto M>
struct MemberVar;
template <class C, class V, V C::*M>
struct MemberVar<M> {
    using Class = C;
    static SQInteger Get(HSQUIRRELVM v, void* self) {
        return RetSel<V>::type::Push(v, static_cast<C*>(self)->*M);
    }
    static SQInteger Set(HSQUIRRELVM v, void* self) {
        typename Arg<V>::Store s{};
        if (SQInteger r = Arg<V>::Get(v, 3, s); r != 0) {
            return r;
        }
        static_cast<C*>(self)->*M = Arg<V>::Pass(s);
        return 0;
    }
};

// Getter: R (C::*)() const or R (*)(const C&); setter: void (C::*)(V) or
// void (*)(C&, V).
template <class G>
struct GetterTraits;
template <class C, class R>
struct GetterTraits<R (C::*)() const> {
    using Class = C;
    template <auto G>
    static SQInteger Get(HSQUIRRELVM v, void* self) {
        return RetSel<R>::type::Push(v, (static_cast<C*>(self)->*G)());
    }
};
template <class C, class R>
struct GetterTraits<R (*)(const C&)> {
    using Class = C;
    template <auto G>
    static SQInteger Get(HSQUIRRELVM v, void* self) {
        return RetSel<R>::type::Push(v, G(*static_cast<C*>(self)));
    }
};
template <class S>
struct SetterTraits;
template <class C, class V>
struct SetterTraits<void (C::*)(V)> {
    template <auto S>
    static SQInteger Set(HSQUIRRELVM v, void* self) {
        typename Arg<V>::Store s{};
        if (SQInteger r = Arg<V>::Get(v, 3, s); r != 0) {
            return r;
        }
        (static_cast<C*>(self)->*S)(Arg<V>::Pass(s));
        return 0;
    }
};
template <class C, class V>
struct SetterTraits<void (*)(C&, V)> {
    template <auto S>
    static SQInteger Set(HSQUIRRELVM v, void* self) {
        typename Arg<V>::Store s{};
        if (SQInteger r = Arg<V>::Get(v, 3, s); r != 0) {
            return r;
        }
        S(*static_cast<C*>(self), Arg<V>::Pass(s));
        return 0;
    }
};

// [SECTION] Registration
// Binds F as global `name` in the table on top of the stack.
template <auto F>
void Function(HSQUIRRELVM v, const char* name) {
    NewSlot(v, name, &FunctionThunk<F>, false);
}

// Builds class `name` (derived from the bound class Base when given); the
// class becomes a slot of the table on top of the stack when the builder ends.
template <class T, class Base = void>
class Class {
public:
    Class(HSQUIRRELVM vm, const char* name) : v(vm) {
        ClassInfo& info = InfoOf<T>();
        info.name = name;
        info.properties.clear();
        if constexpr (!std::is_void_v<Base>) {
            static_assert(std::is_base_of_v<Base, T>);
            info.base = &InfoOf<Base>();
            info.toBase = [](void* p) -> void* { return static_cast<Base*>(static_cast<T*>(p)); };
        }
        RememberClass(&info);
        sq_pushstring(v, name, -1);
        if constexpr (!std::is_void_v<Base>) {
            sq_pushobject(v, InfoOf<Base>().classObject);
        }
        sq_newclass(v, std::is_void_v<Base> ? SQFalse : SQTrue);
        sq_settypetag(v, -1, &info);
        sq_getstackobj(v, -1, &info.classObject);
        sq_addref(v, &info.classObject);
        info.registered = true;
        NewSlot(v, "_get", &PropertyGet, false);
        NewSlot(v, "_set", &PropertySet, false);
    }
    ~Class() { sq_newslot(v, -3, SQFalse); }
    Class(const Class&) = delete;
    Class& operator=(const Class&) = delete;

    template <class... Cs>
    Class& Ctors() {
        NewSlot(v, "constructor", &ConstructorThunk<T, Cs...>, false);
        return *this;
    }
    template <auto F>
    Class& Method(const char* name) {
        static_assert(std::is_base_of_v<typename MethodTraits<decltype(F)>::Class, T>);
        NewSlot(v, name, &MethodThunk<F>, false);
        return *this;
    }
    // A static function of the class: no `this` check.
    template <auto F>
    Class& StaticFunction(const char* name) {
        NewSlot(v, name, &FunctionThunk<F>, true);
        return *this;
    }
    template <auto M>
    Class& Var(const char* name) {
        static_assert(std::is_same_v<typename MemberVar<M>::Class, T>);
        InfoOf<T>().properties[name] = {&MemberVar<M>::Get, &MemberVar<M>::Set};
        return *this;
    }
    template <auto G, auto S = nullptr>
    Class& Prop(const char* name) {
        static_assert(std::is_same_v<typename GetterTraits<decltype(G)>::Class, T>);
        PropertyEntry e;
        e.get = &GetterTraits<decltype(G)>::template Get<G>;
        if constexpr (S != nullptr) {
            e.set = &SetterTraits<decltype(S)>::template Set<S>;
        }
        InfoOf<T>().properties[name] = e;
        return *this;
    }

private:
    HSQUIRRELVM v;
};

}  // namespace Sample::SqBind
