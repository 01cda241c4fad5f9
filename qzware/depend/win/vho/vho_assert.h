// Assertions of the platform-service library: a failed check prints
// "Assertion failed: <expression>, file <source>, line <n>" and aborts;
// tests install a handler (for instance one that throws) to observe it.
#pragma once

#include <functional>
#include <string>

namespace vho {

using AssertHandler = std::function<void(const char* expression, const char* source, int line)>;

void AssertFailed(const char* expression, const char* source, int line);
// An empty handler restores print-and-abort.
void SetAssertHandler(AssertHandler handler);

}  // namespace vho
