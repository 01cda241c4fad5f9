#include "tools/datawriters/file_output.h"

#include <filesystem>
#include <fstream>

namespace qztools {

namespace {

bool WriteRaw(const std::string& path, const char* data, std::size_t size) {
    std::error_code ec;
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    if (!parent.empty()) {
        std::filesystem::create_directories(parent, ec);
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(data, static_cast<std::streamsize>(size));
    return static_cast<bool>(out);
}

}  // namespace

bool WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    return WriteRaw(path, reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

bool WriteFileText(const std::string& path, const std::string& text) {
    return WriteRaw(path, text.data(), text.size());
}

}  // namespace qztools
