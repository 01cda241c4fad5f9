#include "platform/settings/settings.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace platform::settings {

std::string variable_name(const char* key, const char* value) {
    const char* last = std::strrchr(key, '\\');
    std::string name = "QZ_";
    for (const char* p = last ? last + 1 : key; *p; ++p) {
        name += char(std::toupper(static_cast<unsigned char>(*p)));
    }
    name += '_';
    for (const char* p = value; *p; ++p) {
        name += char(std::toupper(static_cast<unsigned char>(*p)));
    }
    return name;
}

std::optional<std::uint32_t> read_dword(const char* key, const char* value) {
    const char* text = std::getenv(variable_name(key, value).c_str());
    if (text == nullptr || *text == '\0') {
        return std::nullopt;
    }
    char* end = nullptr;
    errno = 0;
    const unsigned long long v = std::strtoull(text, &end, 0);
    if (errno != 0 || *end != '\0' || v > 0xFFFFFFFFull) {
        return std::nullopt;
    }
    return std::uint32_t(v);
}

}  // namespace platform::settings
