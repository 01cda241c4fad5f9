// Which stack slots surely hold an array where a function appends to one.
// The VM's APPENDARRAY trusts its slot to hold an array (the compiler only
// appends to the array literal it just made), so a damaged image could make
// it write through another object. A forward pass over the function's
// control flow tracks the slots written by "new array" and not overwritten
// since on every path; captured slots (a nested function may change them)
// and exception handlers know nothing.
#pragma once

#include <cstdint>
#include <vector>

#include "proj/script/script_opcodes.h"

namespace Sample {

// The index of the first APPENDARRAY whose slot may not hold an array, or -1.
// `code` has passed the operand and jump checks; `captured[s]` is true for a
// slot a nested function captures. Slots are below 256.
std::int64_t FindAppendToNonArray(const std::vector<ScriptInstruction>& code,
                                  const std::vector<bool>& captured);

}  // namespace Sample
