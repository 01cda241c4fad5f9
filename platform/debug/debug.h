// Debugger output (OutputDebugStringA): goes to stderr. Tests can capture it.
// Any thread may call output(); the sink is swapped only by tests.
#pragma once

#include <functional>
#include <string>

namespace platform::debug {

// Writes the text as given (no newline added).
void output(const char* text);

// Sends output to `sink` instead of stderr; an empty function restores stderr.
void set_sink(std::function<void(const std::string&)> sink);

}  // namespace platform::debug
