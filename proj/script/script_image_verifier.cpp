// The compiled-image walk: the closure stream as the VM's compiler writes it
// (all little-endian):
//   u16 0xFAFA, "RIQS", u32 character, integer and float sizes,
//   function, "LIAT"
// and each function:
//   "TRAP", source name, name (objects), "TRAP",
//   eight integers: literal, parameter, outer, local, line, default-parameter,
//   instruction and function counts, then, each section opened by "TRAP":
//   literals (objects), parameters (objects), outers (integer kind, source
//   object, name object), locals (name object, three integers), lines (two
//   integers each), default parameters (integers), instructions (8 bytes:
//   i32 arg1, u8 op, arg0, arg2, arg3), functions; then integer stack size,
//   u8 generator flag, integer var-params flag.
// An object is a u32 type followed by: integer (int, bool), u32 float bits,
// integer length and bytes (string), nothing (null).
#include "proj/script/script_image_verifier.h"

#include <squirrel.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

#include "proj/script/compiled_script.h"
#include "proj/script/script_code_flow.h"
#include "proj/script/script_opcodes.h"

namespace Sample {

namespace {

using namespace ScriptOp;

// [SECTION] Stream constants

constexpr std::uint32_t kTagPart = 0x50415254;  // "TRAP" on disk
constexpr std::uint32_t kTagTail = 0x5441494C;  // "LIAT" on disk
constexpr std::size_t kStreamHeader = 18;       // 0xFAFA, "RIQS", three sizes
// The compiler never gives a function more than 256 stack slots.
constexpr std::int64_t kMaxStackSize = 256;
// Far deeper than any script nests functions; keeps both walks off the
// native stack's end.
constexpr int kMaxNesting = 200;
constexpr std::uint8_t kNoTarget = 0xFF;

// What a function asks of the function it is created in: stack slots it
// captures or takes default values from, and outers it shares.
struct ParentNeeds {
    std::int64_t stackSlots = 0;
    std::int64_t outers = 0;
    // The enclosing function's slots captured by reference (a nested
    // function may change them whenever script code runs).
    std::vector<bool> captured = std::vector<bool>(256, false);
};

struct Refused {
    std::string why;
};

// [SECTION] Byte walk

class Walker {
public:
    Walker(const std::uint8_t* data, std::size_t size, std::uint32_t integerSize)
        : data(data), size(size), integerSize(integerSize) {
        out.reserve(integerSize == 8 ? size : size * 2);
    }

    void Image() {
        Copy(kStreamHeader);
        // The header now describes this VM's integers.
        const std::uint32_t eight = sizeof(SQInteger);
        std::memcpy(out.data() + 10, &eight, 4);
        ParentNeeds needs = Function(0, "the main function");
        if (needs.stackSlots > 0 || needs.outers > 0) {
            Fail("the main function takes outer or default values from nothing");
        }
        Tag(kTagTail, "stream tail");
    }

    std::vector<std::uint8_t> out;

private:
    [[noreturn]] void Fail(const std::string& why) const {
        throw Refused{"damaged at byte " + std::to_string(at) + ": " + why};
    }

    std::size_t Left() const { return size - at; }

    void Need(std::size_t n, const char* what) const {
        if (n > Left()) {
            Fail(std::string(what) + " runs past the end (" + std::to_string(n) + " bytes, " +
                 std::to_string(Left()) + " left)");
        }
    }

    void Copy(std::size_t n) {
        out.insert(out.end(), data + at, data + at + n);
        at += n;
    }

    std::uint32_t U32(const char* what) {
        Need(4, what);
        std::uint32_t v = 0;
        for (int i = 3; i >= 0; --i) {
            v = v << 8 | data[at + i];
        }
        Copy(4);
        return v;
    }

    std::uint8_t U8(const char* what) {
        Need(1, what);
        const std::uint8_t v = data[at];
        Copy(1);
        return v;
    }

    // One of the image's integers, sign-extended, written as 8 bytes.
    std::int64_t Int(const char* what) {
        Need(integerSize, what);
        std::uint64_t v = 0;
        for (int i = static_cast<int>(integerSize) - 1; i >= 0; --i) {
            v = v << 8 | data[at + i];
        }
        at += integerSize;
        std::int64_t wide = integerSize == 4
                                ? static_cast<std::int64_t>(static_cast<std::int32_t>(v))
                                : static_cast<std::int64_t>(v);
        std::uint8_t bytes[8];
        for (int i = 0; i < 8; ++i) {
            bytes[i] = static_cast<std::uint8_t>(static_cast<std::uint64_t>(wide) >> (8 * i));
        }
        out.insert(out.end(), bytes, bytes + 8);
        return wide;
    }

    std::int64_t OuterKind() {
        Need(integerSize, "outer kind");
        std::uint32_t v = 0;
        for (int i = 3; i >= 0; --i) {
            v = v << 8 | data[at + i];
        }
        at += integerSize;
        const std::uint8_t bytes[8] = {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16),
                                       std::uint8_t(v >> 24)};
        out.insert(out.end(), bytes, bytes + 8);
        return v;
    }

    // A count whose items take at least `itemBytes` each.
    std::int64_t Count(const char* what, std::size_t itemBytes) {
        const std::int64_t n = Int(what);
        if (n < 0 || static_cast<std::uint64_t>(n) > Left() / itemBytes) {
            Fail(std::string(what) + " " + std::to_string(n) + " exceeds the " +
                 std::to_string(Left()) + " bytes left");
        }
        return n;
    }

    void Tag(std::uint32_t want, const char* what) {
        if (U32(what) != want) {
            at -= 4;
            Fail(std::string("expected the ") + what + " tag");
        }
    }

    struct Object {
        std::uint32_t type = 0;
        std::int64_t integer = 0;
    };

    enum Accept : unsigned { kNull = 1, kInteger = 2, kFloat = 4, kBool = 8, kString = 16 };

    Object Value(unsigned accept, const char* what) {
        Object o;
        o.type = U32(what);
        switch (o.type) {
            case OT_NULL:
                if (accept & kNull) {
                    return o;
                }
                break;
            case OT_INTEGER:
            case OT_BOOL:
                if (accept & (o.type == OT_BOOL ? kBool : kInteger)) {
                    o.integer = Int(what);
                    return o;
                }
                break;
            case OT_FLOAT:
                if (accept & kFloat) {
                    Need(sizeof(SQFloat), what);
                    Copy(sizeof(SQFloat));
                    return o;
                }
                break;
            case OT_STRING:
                if (accept & kString) {
                    const std::int64_t length = Int(what);
                    if (length < 0 || static_cast<std::uint64_t>(length) > Left()) {
                        Fail(std::string(what) + ": string length " + std::to_string(length) +
                             " exceeds the " + std::to_string(Left()) + " bytes left");
                    }
                    Copy(static_cast<std::size_t>(length));
                    return o;
                }
                break;
            default:
                break;
        }
        at -= 4;
        Fail(std::string(what) + ": unexpected object type 0x" + Hex(o.type));
    }

    static std::string Hex(std::uint32_t v) {
        char text[16];
        std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(v));
        return text;
    }

    ParentNeeds Function(int depth, const std::string& name);

    const std::uint8_t* data;
    std::size_t size;
    std::uint32_t integerSize;
    std::size_t at = 0;
};

// [SECTION] Function walk

struct FunctionShape {
    std::int64_t literals, parameters, outers, locals, lines, defaults, instructions, functions;
    std::int64_t stackSize = 0;
};

// The instruction checks, once the function's stack size is known.
class CodeCheck {
public:
    CodeCheck(const FunctionShape& f, const std::vector<ScriptInstruction>& code)
        : f(f), code(code) {}

    // Empty when every instruction is sound, else why the first is not.
    std::string Run() const {
        if (code.empty()) {
            return "a function without instructions";
        }
        std::int64_t pushTraps = 0;
        for (const ScriptInstruction& i : code) {
            pushTraps += i.op == kPushTrap ? 1 : 0;
        }
        for (std::size_t n = 0; n < code.size(); ++n) {
            std::string why = One(static_cast<std::int64_t>(n), code[n], pushTraps);
            if (!why.empty()) {
                return "instruction " + std::to_string(n) + " (opcode " +
                       std::to_string(code[n].op) + "): " + why;
            }
        }
        const std::uint8_t last = code.back().op;
        if (last != kReturn && last != kJmp && last != kThrow) {
            return "the last instruction runs off the end of the function";
        }
        return ForeachPairs();
    }

private:
    // The VM's POSTFOREACH trusts its slot to hold a generator: that holds
    // only right after the FOREACH over the same slot, which is how the
    // compiler writes a foreach loop, and when no jump lands on it.
    std::string ForeachPairs() const {
        std::vector<bool> landed(code.size(), false);
        for (std::size_t n = 0; n < code.size(); ++n) {
            const ScriptInstruction& i = code[n];
            const std::int64_t next = static_cast<std::int64_t>(n) + 1;
            switch (i.op) {
                case kJmp:
                case kJCmp:
                case kJz:
                case kAnd:
                case kOr:
                case kPushTrap:
                case kForeach:
                    landed[static_cast<std::size_t>(next + i.arg1)] = true;
                    break;
                case kPostForeach:
                    landed[static_cast<std::size_t>(next - 1 + i.arg1)] = true;
                    break;
                default:
                    break;
            }
        }
        for (std::size_t n = 0; n < code.size(); ++n) {
            const bool pairedAfter = n + 1 < code.size() && code[n + 1].op == kPostForeach &&
                                     code[n + 1].arg0 == code[n].arg0;
            if (code[n].op == kForeach && !pairedAfter) {
                return "instruction " + std::to_string(n) + ": a foreach without its follow-up";
            }
            const bool pairedBefore = n > 0 && code[n - 1].op == kForeach &&
                                      code[n - 1].arg0 == code[n].arg0 && !landed[n];
            if (code[n].op == kPostForeach && !pairedBefore) {
                return "instruction " + std::to_string(n) + ": a foreach follow-up out of place";
            }
        }
        return "";
    }

    bool Stack(std::int64_t slot) const { return slot >= 0 && slot < f.stackSize; }
    bool StackOrNone(std::uint8_t slot) const { return slot == kNoTarget || Stack(slot); }
    bool Literal(std::int64_t i) const { return i >= 0 && i < f.literals; }
    bool Jump(std::int64_t target) const {
        return target >= 0 && target < static_cast<std::int64_t>(code.size());
    }

    std::string One(std::int64_t n, const ScriptInstruction& i, std::int64_t pushTraps) const {
        const std::int64_t a = i.arg0, b = i.arg1, c = i.arg2, d = i.arg3;
        const std::int64_t next = n + 1;
        auto stack = [&](std::initializer_list<std::int64_t> slots) {
            for (std::int64_t s : slots) {
                if (!Stack(s)) {
                    return "stack slot " + std::to_string(s) + " is past the stack size " +
                           std::to_string(f.stackSize);
                }
            }
            return std::string();
        };
        auto all = [](std::initializer_list<std::string> checks) {
            for (const std::string& why : checks) {
                if (!why.empty()) {
                    return why;
                }
            }
            return std::string();
        };
        auto literal = [&](std::int64_t l) {
            return Literal(l)
                       ? std::string()
                       : "literal " + std::to_string(l) + " of " + std::to_string(f.literals);
        };
        auto jump = [&](std::int64_t target) {
            return Jump(target) ? std::string()
                                : "jump to " + std::to_string(target) + " leaves the function";
        };
        auto target = [&](std::uint8_t slot) {
            return StackOrNone(slot) ? std::string() : stack({slot});
        };
        auto outer = [&](std::int64_t o) {
            return o >= 0 && o < f.outers
                       ? std::string()
                       : "outer " + std::to_string(o) + " of " + std::to_string(f.outers);
        };
        switch (i.op) {
            case kLine:
                return "";
            case kLoad:
                return all({stack({a}), literal(b)});
            case kLoadInt:
            case kLoadFloat:
            case kLoadRoot:
            case kLoadBool:
            case kGetBase:
            case kThrow:
                return stack({a});
            case kDLoad:
                return all({stack({a, c}), literal(b), literal(d)});
            case kTailCall:
            case kCall:
                if (d < 1 || c + d > f.stackSize) {
                    return "call arguments " + std::to_string(c) + "+" + std::to_string(d) +
                           " past the stack size " + std::to_string(f.stackSize);
                }
                return all({stack({b}), target(i.arg0)});
            case kPrepCall:
                return stack({a, b, c, d});
            case kPrepCallK:
                return all({stack({a, c, d}), literal(b)});
            case kGetK:
                return all({stack({a, c}), literal(b)});
            case kMove:
            case kNeg:
            case kNot:
            case kBwNot:
            case kClone:
            case kTypeOf:
            case kResume:
                return stack({a, b});
            case kNewSlot:
            case kSet:
                return all({stack({b, c, d}), target(i.arg0)});
            case kDelete:
            case kGet:
            case kAdd:
            case kSub:
            case kMul:
            case kDiv:
            case kMod:
            case kInc:
            case kPInc:
            case kExists:
            case kInstanceOf:
                return stack({a, b, c});
            case kBitW:
                return d == 1 || d > 6 ? "unknown bitwise operation" : stack({a, b, c});
            case kCmp:
                return d == 1 || d > 5 ? "unknown comparison" : stack({a, b, c});
            case kEq:
            case kNe:
                return all({stack({a, c}), d != 0 ? literal(b) : stack({b})});
            case kReturn:
                return i.arg0 == kNoTarget ? "" : stack({b});
            case kLoadNulls:
                return b < 0 || a + b > f.stackSize ? "nulls past the stack size" : "";
            case kDMove:
                return stack({a, b, c, d});
            case kJmp:
                return jump(next + b);
            case kJCmp:
                return d == 1 || d > 5 ? "unknown comparison"
                                       : all({stack({a, c}), jump(next + b)});
            case kJz:
                return all({stack({a}), jump(next + b)});
            case kAnd:
            case kOr:
                return all({stack({a, c}), jump(next + b)});
            case kSetOuter:
                return all({outer(b), stack({c}), target(i.arg0)});
            case kGetOuter:
                return all({stack({a}), outer(b)});
            case kNewObj:
                switch (d) {
                    case 0:  // table
                    case 1:  // array: arg1 is the size hint, one instruction per item
                        return all({stack({a}), b < 0 || b > static_cast<std::int64_t>(code.size())
                                                    ? "size hint " + std::to_string(b)
                                                    : ""});
                    case 2:  // class: base slot (or -1) and attribute slot (or none)
                        return all({stack({a}), b == -1 ? "" : stack({b}), target(i.arg2)});
                    default:
                        return "unknown object kind";
                }
            case kAppendArray:
                switch (c) {
                    case 0:
                        return stack({a, b});
                    case 1:
                        return all({stack({a}), literal(b)});
                    case 2:
                    case 3:
                    case 4:
                        return stack({a});
                    default:
                        return "unknown array item kind";
                }
            case kCompArith: {
                const std::uint32_t packed = static_cast<std::uint32_t>(i.arg1);
                return stack({a, c, packed >> 16, packed & 0xFFFF});
            }
            case kIncL:
                return stack({b});
            case kPIncL:
                return stack({a, b});
            case kClosure:
                return all({stack({a}), b >= 0 && b < f.functions
                                            ? ""
                                            : "function " + std::to_string(b) + " of " +
                                                  std::to_string(f.functions)});
            case kYield:
                if (c > f.stackSize) {
                    return "yield keeps " + std::to_string(c) + " slots of " +
                           std::to_string(f.stackSize);
                }
                return i.arg0 != kNoTarget || b != kNoTarget ? stack({b}) : "";
            case kForeach:
                // The VM writes the key, value and iterator slots while it
                // still reads the container through its slot.
                if (a >= c && a <= c + 2) {
                    return "the container's slot is one of the loop's own";
                }
                return all({stack({a, c, c + 1, c + 2}), jump(next + b), jump(next + 1)});
            case kPostForeach:
                return all({stack({a}), jump(n + b)});
            case kPushTrap:
                return all({stack({a}), jump(next + b)});
            case kPopTrap:
                return a > pushTraps ? "removes more handlers than the function sets" : "";
            case kNewSlotA:
                return all({stack({b, c, d}), (a & 1) ? stack({c - 1}) : ""});
            case kClose:
                return stack({b});
            default:
                return "unknown opcode";
        }
    }

    const FunctionShape& f;
    const std::vector<ScriptInstruction>& code;
};

ParentNeeds Walker::Function(int depth, const std::string& name) {
    if (depth > kMaxNesting) {
        Fail("functions nested deeper than " + std::to_string(kMaxNesting));
    }
    const std::size_t w = integerSize;
    Tag(kTagPart, "function");
    Value(kString | kNull, "source name");
    Value(kString | kNull, "function name");
    Tag(kTagPart, "function counts");
    FunctionShape f{};
    f.literals = Count("literal count", 4);
    f.parameters = Count("parameter count", 4 + w);
    f.outers = Count("outer count", w + 4 + w + 4);
    f.locals = Count("local count", 4 + w + 3 * w);
    f.lines = Count("line count", 2 * w);
    f.defaults = Count("default parameter count", w);
    f.instructions = Count("instruction count", sizeof(ScriptInstruction));
    f.functions = Count("function count", 4);

    Tag(kTagPart, "literals");
    for (std::int64_t i = 0; i < f.literals; ++i) {
        Value(kNull | kInteger | kFloat | kBool | kString, "literal");
    }
    Tag(kTagPart, "parameters");
    for (std::int64_t i = 0; i < f.parameters; ++i) {
        Value(kString, "parameter name");
    }
    ParentNeeds mine;
    Tag(kTagPart, "outers");
    for (std::int64_t i = 0; i < f.outers; ++i) {
        // The compiler writes a 4-byte kind into an integer-sized field; only
        // the low 4 bytes are meaningful (the rest is whatever was in memory).
        const std::int64_t kind = OuterKind();
        const Object source = Value(kInteger, "outer source");
        Value(kString | kNull, "outer name");
        if ((kind != 0 && kind != 1) || source.integer < 0) {
            Fail("outer " + std::to_string(i) + " of " + name + " is malformed");
        }
        // Kind 0 captures a stack slot of the enclosing function, 1 one of its outers.
        std::int64_t& need = kind == 0 ? mine.stackSlots : mine.outers;
        need = std::max(need, source.integer + 1);
        if (kind == 0 && source.integer < 256) {
            mine.captured[static_cast<std::size_t>(source.integer)] = true;
        }
    }
    Tag(kTagPart, "locals");
    std::int64_t localSlots = 0;
    for (std::int64_t i = 0; i < f.locals; ++i) {
        Value(kString, "local name");
        const std::int64_t slot = Int("local slot");
        Int("local start");
        Int("local end");
        if (slot < 0) {
            Fail("local slot " + std::to_string(slot));
        }
        localSlots = std::max(localSlots, slot + 1);
    }
    Tag(kTagPart, "lines");
    for (std::int64_t i = 0; i < 2 * f.lines; ++i) {
        Int("line");
    }
    Tag(kTagPart, "default parameters");
    for (std::int64_t i = 0; i < f.defaults; ++i) {
        const std::int64_t slot = Int("default parameter slot");
        if (slot < 0) {
            Fail("default parameter slot " + std::to_string(slot));
        }
        mine.stackSlots = std::max(mine.stackSlots, slot + 1);
    }
    Tag(kTagPart, "instructions");
    std::vector<ScriptInstruction> code(static_cast<std::size_t>(f.instructions));
    for (ScriptInstruction& i : code) {
        Need(sizeof(ScriptInstruction), "instruction");
        i.arg1 = static_cast<std::int32_t>(U32("instruction"));
        i.op = data[at];
        i.arg0 = data[at + 1];
        i.arg2 = data[at + 2];
        i.arg3 = data[at + 3];
        Copy(4);
    }
    Tag(kTagPart, "functions");
    ParentNeeds children;
    for (std::int64_t i = 0; i < f.functions; ++i) {
        ParentNeeds child = Function(depth + 1, "function " + std::to_string(i) + " of " + name);
        children.stackSlots = std::max(children.stackSlots, child.stackSlots);
        children.outers = std::max(children.outers, child.outers);
        for (std::size_t slot = 0; slot < child.captured.size(); ++slot) {
            children.captured[slot] = children.captured[slot] || child.captured[slot];
        }
    }
    f.stackSize = Int("stack size");
    const std::uint8_t generator = U8("generator flag");
    const std::int64_t varParams = Int("variable-parameters flag");

    if (generator > 1 || varParams < 0 || varParams > 1) {
        Fail(name + ": malformed flags");
    }
    if (f.parameters < 1 || f.stackSize < f.parameters || f.stackSize > kMaxStackSize) {
        Fail(name + ": stack size " + std::to_string(f.stackSize) + " for " +
             std::to_string(f.parameters) + " parameters");
    }
    if (f.defaults > f.parameters) {
        Fail(name + ": more default values than parameters");
    }
    // Error reports look up the line of any instruction.
    if (f.lines < 1) {
        Fail(name + ": no line information");
    }
    if (localSlots > f.stackSize) {
        Fail(name + ": a local's slot is past the stack size");
    }
    if (children.stackSlots > f.stackSize || children.outers > f.outers) {
        Fail(name + ": a nested function captures a slot or outer it does not have");
    }
    const std::string why = CodeCheck(f, code).Run();
    if (!why.empty()) {
        Fail(name + ": " + why);
    }
    const std::string flow = CheckCodeFlow(code, children.captured, generator == 1);
    if (!flow.empty()) {
        Fail(name + ": " + flow);
    }
    return mine;
}

}  // namespace

// [SECTION] Entry

VerifiedScriptImage VerifyScriptImage(const std::uint8_t* data, std::size_t size) {
    VerifiedScriptImage result;
    CompiledScriptHeader header = CheckCompiledScriptHeader(data, size);
    if (!header.ok) {
        result.error = header.error;
        return result;
    }
    // Widening may double it; the reader's position is 32-bit.
    if (size > (std::size_t{1} << 30)) {
        result.error = "larger than 1 GiB";
        return result;
    }
    try {
        Walker walk(data, size, header.integerSize);
        walk.Image();
        result.bytes = std::move(walk.out);
    } catch (const Refused& r) {
        result.error = header.integerSize == 4
                           ? "an image with 32-bit integers whose layout differs from the "
                             "32-bit compiler's, " +
                                 r.why
                           : r.why;
        return result;
    }
    result.widened = header.integerSize != sizeof(SQInteger);
    result.ok = true;
    return result;
}

}  // namespace Sample
