// The binding layer in a real VM: one table of script snippets and the result
// or error each must give (argument checks, classes, properties, returns).
#include "proj/script/sq_bind.h"

#include <gtest/gtest.h>
#include <squirrel.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "tests/proj/script/script_snippet.h"

namespace {

using namespace Sample::SqBind;

std::int32_t Add(std::int32_t a, std::int32_t b) {
    return a + b;
}
std::int32_t Echo32(std::int32_t a) {
    return a;
}
std::uint32_t AllOnes() {
    return 0xFFFFFFFFu;
}
long long Wide(long long a) {
    return a;
}
float Half(float f) {
    return f / 2;
}
bool Not(bool b) {
    return !b;
}
const char* OrDefault(const char* s) {
    return s ? s : "(null)";
}
std::string Twice(const std::string& s) {
    return s + s;
}

struct Base {
    Base() = default;
    explicit Base(std::int32_t x) : value(x) {}
    virtual ~Base() = default;
    std::int32_t Get() const { return value; }
    void Set(std::int32_t x) { value = x; }
    std::int32_t value = 0;
};
// The padding base puts Base at a non-zero offset inside Derived, so a
// reinterpreting cast would read the wrong bytes.
struct Padding {
    virtual ~Padding() = default;
    std::int64_t pad[3] = {111, 222, 333};
};
struct Derived : Padding, Base {
    Derived() : Base(40) {}
    std::int32_t Extra() const { return value + 2; }
};
struct Other {
    std::int32_t id = 9;
};
// Bound without a constructor: scripts cannot make a usable one.
struct Engine {
    std::int32_t Value() const { return 5; }
};

std::int32_t TakeBase(const Base& b) {
    return b.value;
}
bool IsNullBase(Base* b) {
    return b == nullptr;
}
Base MakeBase(std::int32_t x) {
    return Base(x);
}
Engine theEngine;
Engine* GetEngine() {
    return &theEngine;
}
std::int32_t Scaled(const Base& b, std::int32_t k) {
    return b.value * k;
}
std::int32_t DoubleValue(const Base& b) {
    return b.value * 2;
}
void SetDoubleValue(Base& b, std::int32_t x) {
    b.value = x / 2;
}

void RegisterAll(HSQUIRRELVM v) {
    Function<&Add>(v, "Add");
    Function<&Echo32>(v, "Echo32");
    Function<&AllOnes>(v, "AllOnes");
    Function<&Wide>(v, "Wide");
    Function<&Half>(v, "Half");
    Function<&Not>(v, "Not");
    Function<&OrDefault>(v, "OrDefault");
    Function<&Twice>(v, "Twice");
    Function<&TakeBase>(v, "TakeBase");
    Function<&IsNullBase>(v, "IsNullBase");
    Function<&MakeBase>(v, "MakeBase");
    Function<&GetEngine>(v, "GetEngine");
    Class<Base>(v, "Base")
        .Ctors<Ctor<>, Ctor<std::int32_t>>()
        .Method<&Base::Get>("Get")
        .Method<&Base::Set>("Set")
        .Method<&Scaled>("Scaled")
        .Var<&Base::value>("value")
        .Prop<&DoubleValue, &SetDoubleValue>("twice")
        .Prop<&Base::Get>("readOnly");
    Class<Derived, Base>(v, "Derived").Ctors<Ctor<>>().Method<&Derived::Extra>("Extra");
    Class<Other>(v, "Other").Ctors<Ctor<>>();
    Class<Engine>(v, "Engine").Method<&Engine::Value>("Value");
}

struct Case {
    const char* script;
    const char* expected;  // the result as text, or the error message
    bool error;
};

const Case kCases[] = {
    // Global functions: counts and types.
    {"return Add(2, 3)", "5", false},
    {"return Add(2)", "wrong number of parameters", true},
    {"return Add(1, 2, 3)", "wrong number of parameters", true},
    {"return Add(1, \"x\")", "wrong argument type, expected 'integer' got 'string'", true},
    {"return Add(null, 1)", "wrong argument type, expected 'integer' got 'null'", true},
    {"return Add(2.9, 1)", "3", false},
    {"return Half(3)", "1.5", false},
    {"return Half([])", "wrong argument type, expected 'float' got 'array'", true},
    {"return Not(false)", "true", false},
    {"return Not(0)", "true", false},
    {"return Not(\"no\")", "wrong argument type, expected 'bool' got 'string'", true},
    {"return OrDefault(\"abc\")", "abc", false},
    {"return OrDefault(null)", "(null)", false},
    {"return OrDefault(1)", "wrong argument type, expected 'string' got 'integer'", true},
    {"return Twice(\"ab\")", "abab", false},
    // 64-bit script integers: int parameters keep the low 32 bits, signed;
    // 32-bit results are sign-extended.
    {"return Echo32(0x100000005)", "5", false},
    {"return Echo32(0xFFFFFFFF)", "-1", false},
    {"return Echo32(0x80000000)", "-2147483648", false},
    {"return AllOnes()", "-1", false},
    {"return Wide(0x100000005)", "4294967301", false},
    // Classes, constructors, methods.
    {"return Base(7).Get()", "7", false},
    {"return Base().Get()", "0", false},
    {"return Base(1, 2)", "wrong number of parameters", true},
    {"return Base(\"x\")", "wrong argument type, expected 'integer' got 'string'", true},
    {"local b = Base(1); b.Set(8); return b.Get()", "8", false},
    {"return Base(1).Set()", "wrong number of parameters", true},
    {"return Base(3).Scaled(4)", "12", false},
    {"return Base.Get()", "this function isn't static", true},
    {"return Base.Get.call({})", "the object is not a class instance", true},
    {"return Base.Get.call(Other())", "wrong argument type, expected 'Base' got 'Other'", true},
    {"return Engine().Value()", "the object is not a class instance", true},
    {"return GetEngine().Value()", "5", false},
    // Instance arguments: the class is checked, derived classes are accepted
    // and cast, not reinterpreted.
    {"return TakeBase(Base(6))", "6", false},
    {"return TakeBase(Derived())", "40", false},
    {"return TakeBase(Other())", "wrong argument type, expected 'Base' got 'Other'", true},
    {"return TakeBase({})", "wrong argument type, expected 'Base' got 'table'", true},
    {"return TakeBase(null)", "wrong argument type, expected 'Base' got 'null'", true},
    {"return IsNullBase(null)", "true", false},
    {"return IsNullBase(Other())", "wrong argument type, expected 'Base' got 'Other'", true},
    {"local d = Derived(); d.Set(10); return d.Get() + d.Extra()", "22", false},
    {"return Derived().value", "40", false},
    {"return Derived.Extra.call(Base(1))", "wrong argument type, expected 'Derived' got 'Base'",
     true},
    // A script class that extends a bound class.
    {"class S extends Base { constructor() { base.constructor(3) } } return S().Get()", "3", false},
    {"class S extends Base { constructor() {} } return TakeBase(S())",
     "the object is not a class instance", true},
    // Properties.
    {"local b = Base(4); b.value = 9; return b.value", "9", false},
    {"local b = Base(4); b.twice = 30; return b.value", "15", false},
    {"return Base(4).twice", "8", false},
    {"return Base(4).readOnly", "4", false},
    {"local b = Base(4); b.value = \"x\"", "wrong argument type, expected 'integer' got 'string'",
     true},
    {"return Base(4).nothing", "the index 'nothing' does not exist", true},
    {"local b = Base(4); b.readOnly = 1", "the index 'readOnly' does not exist", true},
    // Value returns are new instances the script owns.
    {"local a = MakeBase(5); local b = MakeBase(6); return a.Get() * 10 + b.Get()", "56", false},
    {"return MakeBase(5) instanceof Base", "true", false},
};

class SqBindTest : public ::testing::Test {
protected:
    void SetUp() override {
        v = sq_open(1024);
        sq_pushroottable(v);
        RegisterAll(v);
        sq_pop(v, 1);
    }
    void TearDown() override {
        sq_close(v);
        ForgetClasses();
    }
    HSQUIRRELVM v = nullptr;
};

TEST_F(SqBindTest, SnippetsGiveTheirResultOrError) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.script);
        SQInteger top = sq_gettop(v);
        ASSERT_TRUE(SQ_SUCCEEDED(sq_compilebuffer(
            v, c.script, static_cast<SQInteger>(std::strlen(c.script)), "case", SQFalse)));
        sq_pushroottable(v);
        bool ok = SQ_SUCCEEDED(sq_call(v, 1, SQTrue, SQFalse));
        if (ok) {
            EXPECT_FALSE(c.error) << "succeeded with " << script_test::TopAsText(v);
            EXPECT_EQ(c.expected, script_test::TopAsText(v));
        } else {
            EXPECT_TRUE(c.error) << "failed";
            sq_getlasterror(v);
            EXPECT_EQ(c.expected, script_test::TopAsText(v));
            sq_pop(v, 1);
        }
        sq_settop(v, top);
    }
}

}  // namespace
