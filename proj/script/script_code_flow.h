// Checks along a function's control flow, for what the VM trusts without
// looking: an APPENDARRAY's slot holds an array (the compiler only appends
// to the array literal it just made), exception handlers are set and removed
// in balance (a return with a handler still set fails an assertion inside
// the VM), and only a generator yields. The array pass tracks the slots
// written by "new array" and not overwritten since on every path; captured
// slots (a nested function may change them) and exception handlers know
// nothing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "proj/script/script_opcodes.h"

namespace Sample {

// Empty when the code is sound, else why not. `code` has passed the operand
// and jump checks; `captured[s]` is true for a slot a nested function
// captures (slots are below 256).
std::string CheckCodeFlow(const std::vector<ScriptInstruction>& code,
                          const std::vector<bool>& captured, bool generator);

}  // namespace Sample
