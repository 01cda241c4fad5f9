// The flow passes: the array slots as a bit set of 256 slots per
// instruction, met by intersection where paths join and iterated until
// nothing changes; the handler depth as one number per instruction, which
// every path into it must agree on.
#include "proj/script/script_code_flow.h"

#include <bitset>
#include <deque>

namespace Sample {

namespace {

using namespace ScriptOp;
using Slots = std::bitset<256>;
constexpr std::uint8_t kNoTarget = 0xFF;

struct Flow {
    std::vector<std::int64_t> next;  // successors
    bool yields = false;             // the generator's frame comes back unknown
};

Flow Successors(const std::vector<ScriptInstruction>& code, std::int64_t n) {
    const ScriptInstruction& i = code[static_cast<std::size_t>(n)];
    const std::int64_t fall = n + 1;
    const std::int64_t jump = n + 1 + i.arg1;
    switch (i.op) {
        case kJmp:
            return {{jump}};
        case kJz:
        case kJCmp:
        case kAnd:
        case kOr:
            return {{fall, jump}};
        case kForeach:
            return {{fall, n + 2, jump}};
        case kPostForeach:
            return {{fall, n + i.arg1}};
        case kReturn:
        case kThrow:
            return {{}};
        case kYield:
            return {{fall}, true};
        default:
            return {{fall}};
    }
}

void Kill(Slots& s, std::int64_t slot) {
    if (slot >= 0 && slot < 256) {
        s.reset(static_cast<std::size_t>(slot));
    }
}

// What the instruction leaves known after it runs.
Slots Transfer(const ScriptInstruction& i, Slots s, const Slots& captured) {
    const std::int64_t a = i.arg0, b = i.arg1, c = i.arg2, d = i.arg3;
    switch (i.op) {
        case kLine:
        case kJmp:
        case kJz:
        case kJCmp:
        case kPushTrap:
        case kPopTrap:
        case kPostForeach:
        case kAppendArray:
        case kClose:
        case kNewSlotA:
        case kThrow:
        case kReturn:
            break;
        case kNewObj:
            Kill(s, a);
            if (d == 1 && !captured.test(static_cast<std::size_t>(a))) {
                s.set(static_cast<std::size_t>(a));
            }
            return s;
        case kCall:
        case kTailCall:
            // The callee's frame starts at the first argument.
            for (std::int64_t slot = c; slot < 256; ++slot) {
                Kill(s, slot);
            }
            if (i.arg0 != kNoTarget) {
                Kill(s, a);
            }
            break;
        case kNewSlot:
        case kSet:
        case kSetOuter:
            if (i.arg0 != kNoTarget) {
                Kill(s, a);
            }
            break;
        case kDLoad:
        case kDMove:
            Kill(s, a);
            Kill(s, c);
            break;
        case kPrepCall:
        case kPrepCallK:
            Kill(s, a);
            Kill(s, d);
            break;
        case kLoadNulls:
            for (std::int64_t slot = a; slot < a + b && slot < 256; ++slot) {
                Kill(s, slot);
            }
            break;
        case kForeach:
            Kill(s, c);
            Kill(s, c + 1);
            Kill(s, c + 2);
            break;
        case kIncL:
            Kill(s, b);
            break;
        case kPIncL:
            Kill(s, a);
            Kill(s, b);
            break;
        default:  // everything else writes its target
            Kill(s, a);
            break;
    }
    // Any script code run meanwhile (a call, a metamethod) may change a
    // captured slot; those are never marked known.
    return s;
}

// The first APPENDARRAY whose slot may not hold an array, or -1.
std::int64_t FindAppendToNonArray(const std::vector<ScriptInstruction>& code,
                                  const std::vector<bool>& captured) {
    const std::size_t n = code.size();
    Slots capturedSet;
    for (std::size_t slot = 0; slot < captured.size() && slot < 256; ++slot) {
        capturedSet.set(slot, captured[slot]);
    }
    // Exception handlers (and the entry) start knowing nothing.
    std::vector<bool> unknownStart(n, false);
    unknownStart[0] = true;
    for (const ScriptInstruction& i : code) {
        if (i.op == kPushTrap) {
            unknownStart[static_cast<std::size_t>(&i - code.data() + 1 + i.arg1)] = true;
        }
    }
    std::vector<Slots> in(n);
    std::vector<bool> reached(n, false);
    std::deque<std::size_t> work;
    for (std::size_t k = 0; k < n; ++k) {
        if (unknownStart[k]) {
            reached[k] = true;
            work.push_back(k);
        }
    }
    while (!work.empty()) {
        const std::size_t k = work.front();
        work.pop_front();
        const Flow flow = Successors(code, static_cast<std::int64_t>(k));
        const Slots out = flow.yields ? Slots() : Transfer(code[k], in[k], capturedSet);
        for (std::int64_t next : flow.next) {
            if (next < 0 || next >= static_cast<std::int64_t>(n)) {
                continue;  // the jump checks refuse these
            }
            const std::size_t t = static_cast<std::size_t>(next);
            const Slots met = reached[t] ? (in[t] & out) : out;
            if (!reached[t] || met != in[t]) {
                reached[t] = true;
                in[t] = unknownStart[t] ? Slots() : met;
                work.push_back(t);
            }
        }
    }
    for (std::size_t k = 0; k < n; ++k) {
        const ScriptInstruction& i = code[k];
        if (i.op == kAppendArray && reached[k] && !in[k].test(i.arg0)) {
            return static_cast<std::int64_t>(k);
        }
    }
    return -1;
}

// Why the exception handlers are out of balance, or empty.
std::string TrapBalance(const std::vector<ScriptInstruction>& code) {
    const std::size_t n = code.size();
    std::vector<std::int64_t> depth(n, -1);
    std::deque<std::size_t> work;
    depth[0] = 0;
    work.push_back(0);
    auto reach = [&](std::int64_t target, std::int64_t d) -> bool {
        if (target < 0 || target >= static_cast<std::int64_t>(n)) {
            return true;  // the jump checks refuse these
        }
        std::int64_t& have = depth[static_cast<std::size_t>(target)];
        if (have < 0) {
            have = d;
            work.push_back(static_cast<std::size_t>(target));
            return true;
        }
        return have == d;
    };
    while (!work.empty()) {
        const std::size_t k = work.front();
        work.pop_front();
        const ScriptInstruction& i = code[k];
        const std::int64_t d = depth[k];
        std::int64_t after = d;
        if (i.op == kPushTrap) {
            // A caught exception lands on the handler with its trap removed.
            if (!reach(static_cast<std::int64_t>(k) + 1 + i.arg1, d)) {
                return "instruction " + std::to_string(k) + ": handlers out of balance";
            }
            after = d + 1;
        } else if (i.op == kPopTrap) {
            after = d - i.arg0;
            if (after < 0) {
                return "instruction " + std::to_string(k) + ": removes handlers never set";
            }
        } else if ((i.op == kReturn || i.op == kTailCall) && d != 0) {
            return "instruction " + std::to_string(k) + ": returns with a handler set";
        }
        for (std::int64_t next : Successors(code, static_cast<std::int64_t>(k)).next) {
            if (!reach(next, after)) {
                return "instruction " + std::to_string(next) + ": handlers out of balance";
            }
        }
    }
    return "";
}

}  // namespace

std::string CheckCodeFlow(const std::vector<ScriptInstruction>& code,
                          const std::vector<bool>& captured, bool generator) {
    for (std::size_t k = 0; k < code.size(); ++k) {
        if (code[k].op == kYield && !generator) {
            return "instruction " + std::to_string(k) + ": yields outside a generator";
        }
    }
    std::string why = TrapBalance(code);
    if (!why.empty()) {
        return why;
    }
    const std::int64_t append = FindAppendToNonArray(code, captured);
    if (append >= 0) {
        return "instruction " + std::to_string(append) +
               ": appends to a slot that may not hold an array";
    }
    return "";
}

}  // namespace Sample
