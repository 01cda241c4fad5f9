// Machine settings in place of registry values: a DWORD value under a key is
// read from the environment variable QZ_<last key part>_<value name>, upper
// case, e.g. ("Software\\Microsoft\\XACT", "DebugEngine") -> QZ_XACT_DEBUGENGINE.
// Any thread; nothing is cached, so tests can set the variable.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace platform::settings {

// The environment variable that stands for the registry value.
std::string variable_name(const char* key, const char* value);

// The value as an unsigned number (decimal, or hex with 0x), or nothing when
// the variable is absent or not a number (as a missing registry value).
std::optional<std::uint32_t> read_dword(const char* key, const char* value);

}  // namespace platform::settings
