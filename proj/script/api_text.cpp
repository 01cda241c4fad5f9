// The SQ_SJIS_ text script functions over the scripts' UTF-8 byte strings.
// The text routines bound every index and take a null text as empty.
#include <cstdint>
#include <cstring>
#include <string>

#include "proj/script/script_api.h"
#include "proj/script/script_function_table.h"
#include "qzware/win/qz_string_util.h"

namespace Sample {

namespace {

std::string SQ_SJIS_Slice(const char* text, std::int32_t start, std::int32_t count) {
    return SjisSlice(text, start, count);
}
std::int32_t SQ_SJIS_Strlen(const char* text) {
    return static_cast<std::int32_t>(text ? std::strlen(text) : 0);
}
std::int32_t SQ_SJIS_StrlenWide(const char* text) {
    return SjisStrlen(text);
}
std::int32_t SQ_SJIS_Find(const char* text, std::int32_t start, const char* pattern) {
    return SjisFind(text, start, pattern);
}
std::string SQ_SJIS_Replace(const char* text, const char* from, const char* to) {
    return SjisReplace(text, from, to);
}

// Byte by byte as unsigned values; stops at the first difference or at the
// shared terminator, so it never reads past either text.
std::int32_t SQ_SJIS_Compare(const char* a, const char* b) {
    if (!a || !b) {
        return 0;
    }
    for (std::size_t i = 0;; ++i) {
        const auto ca = static_cast<unsigned char>(a[i]);
        const auto cb = static_cast<unsigned char>(b[i]);
        if (ca != cb) {
            return ca < cb ? -1 : 1;
        }
        if (ca == 0) {
            return 0;
        }
    }
}

constexpr ScriptFunction kTextFunctions[] = {
    ScriptFn<&SQ_SJIS_Slice>("SQ_SJIS_Slice"),
    ScriptFn<&SQ_SJIS_Strlen>("SQ_SJIS_Strlen"),
    ScriptFn<&SQ_SJIS_StrlenWide>("SQ_SJIS_StrlenWide"),
    ScriptFn<&SQ_SJIS_Find>("SQ_SJIS_Find"),
    ScriptFn<&SQ_SJIS_Replace>("SQ_SJIS_Replace"),
    ScriptFn<&SQ_SJIS_Compare>("SQ_SJIS_Compare"),
};

}  // namespace

ScriptFunctionTable TextScriptFunctions() {
    return kTextFunctions;
}

}  // namespace Sample
