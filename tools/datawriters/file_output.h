// Writing a whole generated file, creating its folders first. Build-time
// tools only; failures are reported by the return value.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qztools {

bool WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
bool WriteFileText(const std::string& path, const std::string& text);

}  // namespace qztools
