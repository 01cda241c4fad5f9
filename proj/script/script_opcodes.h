// The VM's instruction set as compiled images store it: one 8-byte
// instruction (i32 arg1, then op, arg0, arg2, arg3) and the opcode numbers.
#pragma once

#include <cstdint>

namespace Sample {

// The opcodes, numbered as the VM numbers them.
namespace ScriptOp {
enum : std::uint8_t {
    kLine,
    kLoad,
    kLoadInt,
    kLoadFloat,
    kDLoad,
    kTailCall,
    kCall,
    kPrepCall,
    kPrepCallK,
    kGetK,
    kMove,
    kNewSlot,
    kDelete,
    kSet,
    kGet,
    kEq,
    kNe,
    kAdd,
    kSub,
    kMul,
    kDiv,
    kMod,
    kBitW,
    kReturn,
    kLoadNulls,
    kLoadRoot,
    kLoadBool,
    kDMove,
    kJmp,
    kJCmp,
    kJz,
    kSetOuter,
    kGetOuter,
    kNewObj,
    kAppendArray,
    kCompArith,
    kInc,
    kIncL,
    kPInc,
    kPIncL,
    kCmp,
    kExists,
    kInstanceOf,
    kAnd,
    kOr,
    kNeg,
    kNot,
    kBwNot,
    kClosure,
    kYield,
    kResume,
    kForeach,
    kPostForeach,
    kClone,
    kTypeOf,
    kPushTrap,
    kPopTrap,
    kThrow,
    kNewSlotA,
    kGetBase,
    kClose,
};
}  // namespace ScriptOp

struct ScriptInstruction {
    std::int32_t arg1;
    std::uint8_t op, arg0, arg2, arg3;
};

static_assert(sizeof(ScriptInstruction) == 8, "one instruction is 8 bytes on disk");

}  // namespace Sample
