// Runs one script snippet in a VM (root table as `this`) and gives its
// result, or the error it raised, as text. The VM's stack is left as found.
#pragma once

#include <squirrel.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace script_test {

struct SnippetResult {
    bool ok;
    std::string text;  // the result, or the error message
};

inline std::string TopAsText(HSQUIRRELVM v) {
    char buf[64];
    switch (sq_gettype(v, -1)) {
        case OT_INTEGER: {
            SQInteger i = 0;
            sq_getinteger(v, -1, &i);
            std::snprintf(buf, sizeof buf, "%lld", static_cast<long long>(i));
            return buf;
        }
        case OT_FLOAT: {
            SQFloat f = 0;
            sq_getfloat(v, -1, &f);
            std::snprintf(buf, sizeof buf, "%.9g", static_cast<double>(f));
            return buf;
        }
        case OT_BOOL: {
            SQBool b = 0;
            sq_getbool(v, -1, &b);
            return b ? "true" : "false";
        }
        case OT_STRING: {
            const SQChar* s = nullptr;
            sq_getstring(v, -1, &s);
            return std::string(s, static_cast<std::size_t>(sq_getsize(v, -1)));
        }
        case OT_NULL:
            return "null";
        default:
            return "<other>";
    }
}

inline SnippetResult RunSnippet(HSQUIRRELVM v, const char* script) {
    const SQInteger top = sq_gettop(v);
    SnippetResult out{false, "does not compile"};
    if (SQ_SUCCEEDED(sq_compilebuffer(v, script, static_cast<SQInteger>(std::strlen(script)),
                                      "case", SQFalse))) {
        sq_pushroottable(v);
        out.ok = SQ_SUCCEEDED(sq_call(v, 1, SQTrue, SQFalse));
        if (!out.ok) {
            sq_getlasterror(v);
        }
        out.text = TopAsText(v);
    }
    sq_settop(v, top);
    return out;
}

}  // namespace script_test
