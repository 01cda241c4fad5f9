// The image walk before the VM reads a compiled script: images from the
// build's compiler and the demo pass unchanged, and damaged ones (counts and
// lengths past the end, wrong tags and types, unknown opcodes, stack slots,
// literal, function, outer and default-parameter indexes out of range, jumps
// out of the function, any truncation) are refused with a reason, before the
// VM would have crashed on them.
#include "proj/script/script_image_verifier.h"

#include <gtest/gtest.h>
#include <squirrel.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <regex>
#include <string>
#include <vector>

#include "tests/proj/script/compiled_image.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Sample::VerifyScriptImage;
using script_test::CompileImage;

// Where `pattern` starts in `image` (the first time), or npos.
std::size_t Find(const Bytes& image, const Bytes& pattern) {
    auto at = std::search(image.begin(), image.end(), pattern.begin(), pattern.end());
    return at == image.end() ? std::string::npos : std::size_t(at - image.begin());
}

void PutLe(Bytes& image, std::size_t at, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        image[at + i] = std::uint8_t(value >> (8 * i));
    }
}

// The VM reads what the walk passed (a null VM error means it read it).
bool VmReads(const Bytes& image) {
    struct Reader {
        const Bytes* bytes;
        std::size_t at = 0;
        static SQInteger Read(SQUserPointer user, SQUserPointer dest, SQInteger size) {
            auto* r = static_cast<Reader*>(user);
            const std::size_t n = std::min<std::size_t>(size, r->bytes->size() - r->at);
            if (n == 0) {
                return -1;
            }
            std::memcpy(dest, r->bytes->data() + r->at, n);
            r->at += n;
            return SQInteger(n);
        }
    } reader{&image};
    HSQUIRRELVM v = sq_open(256);
    const bool ok = SQ_SUCCEEDED(sq_readclosure(v, &Reader::Read, &reader));
    sq_close(v);
    return ok;
}

// Main function: "::x <- 0x12345" loads its value with one LOADINT, found by
// its argument; the nested function has one default value.
const char kSource[] =
    "::x <- 0x12345;"
    "function Nested(a, b = 7) { local t = [a, b]; return t.len() }"
    "::y <- Nested(1);";

TEST(ScriptImageVerifier, CompiledImagesPassAndStayReadable) {
    const char* sources[] = {
        kSource,
        "",
        "function Gen() { yield 1; yield 2 } foreach (g in Gen()) ::z <- g;",
        "class A { v = 1; function F(n = 2) { return v + n } } ::a <- A().F();",
        "local n = 0; try { throw 1 } catch (e) { n = e } ::f <- function() { return n };",
        "local t = {a = 1, b = [1, 2.5, \"s\", null, true]}; foreach (k, v in t) ::k <- k;",
        // Array literals around calls, jumps, closures, nested literals and
        // handlers: the append checks must accept every one.
        "local f = function(x) { return x * 2 }; local p = true, q = null;"
        "local n = 0; local keep = function() { n++; return [n] };"
        "local t = [f(1), [2, [3, f(4)]], {a = [5, {b = [6]}]}, p ? [7] : 8, q || [9], p && f(2),"
        "  function() { return [10] }, keep(), n, (function() { try { throw 1 } catch (e) {"
        "  return [e, e + 1] } })(), typeof [], clone [11], -f(3), ::print];"
        "class C { v = [1, 2]; function M() { return [v, this.v.len(), [M]] } }"
        "function G() { local a = [1]; yield [a, 2]; yield 3; local b = [a, 4]; return b "
        "}"
        "foreach (g in G()) ::g <- [g, g];"
        "local i = 0; while (i < 3) { local r = [i++, i > 1 ? [i] : [], f(i)]; if (r.len()) "
        "continue; }",
    };
    for (const char* source : sources) {
        SCOPED_TRACE(source);
        for (bool debugInfo : {false, true}) {
            const Bytes image = CompileImage(source, debugInfo);
            ASSERT_FALSE(image.empty());
            const auto checked = VerifyScriptImage(image.data(), image.size());
            ASSERT_TRUE(checked.ok) << checked.error;
            EXPECT_FALSE(checked.widened);
            // Only the unused high half of an outer's kind may be cleared.
            EXPECT_EQ(image.size(), checked.bytes.size());
            EXPECT_TRUE(VmReads(checked.bytes));
        }
    }
}

TEST(ScriptImageVerifier, DemoImagesPass) {
    for (const char* name : {"all_StartCmd.cnut", "all.cnut"}) {
        SCOPED_TRACE(name);
        const Bytes image =
            script_test::ReadBytes(std::string(QZ_BINARY_DIR) + "/USRDIR/scriptsConv/" + name);
        ASSERT_FALSE(image.empty()) << "the demo data tree is not built";
        const auto checked = VerifyScriptImage(image.data(), image.size());
        EXPECT_TRUE(checked.ok) << checked.error;
    }
}

TEST(ScriptImageVerifier, EveryTruncationIsRefused) {
    const Bytes image = CompileImage(kSource);
    const auto whole = VerifyScriptImage(image.data(), image.size());
    ASSERT_TRUE(whole.ok) << whole.error;
    EXPECT_EQ(image, whole.bytes);
    for (std::size_t size = 0; size < image.size(); ++size) {
        const auto checked = VerifyScriptImage(image.data(), size);
        ASSERT_FALSE(checked.ok) << "accepted the first " << size << " bytes of " << image.size();
        ASSERT_FALSE(checked.error.empty());
    }
}

TEST(ScriptImageVerifier, DamagedImagesAreRefusedWithTheReason) {
    const Bytes good = CompileImage(kSource);
    // Header 18, "TRAP", source name "test.nut" (4 + 8 + 8), name "main"
    // (4 + 8 + 4), "TRAP", then the eight counts.
    const std::size_t sourceLength = 18 + 4 + 4;
    const std::size_t counts = 18 + 4 + 20 + 16 + 4;
    const std::size_t loadInt = Find(good, {0x45, 0x23, 0x01, 0x00, 0x02});
    ASSERT_NE(std::string::npos, loadInt);
    const std::size_t op = loadInt + 4;
    // The nested function's default value: "TRAP", the slot, "TRAP".
    std::size_t defaults = std::string::npos;
    for (std::size_t at = 0; at + 16 <= good.size(); ++at) {
        if (std::memcmp(&good[at], "TRAP", 4) == 0 && std::memcmp(&good[at + 12], "TRAP", 4) == 0 &&
            good[at + 4] < 16 &&
            std::all_of(&good[at + 5], &good[at + 12], [](auto b) { return b == 0; })) {
            defaults = at + 4;
        }
    }
    ASSERT_NE(std::string::npos, defaults);

    struct Case {
        const char* what;
        void (*damage)(Bytes&, std::size_t, std::size_t, std::size_t, std::size_t, std::size_t);
        const char* reason;
    };
    const Case cases[] = {
        {"a literal count of billions",
         [](Bytes& b, std::size_t, std::size_t c, std::size_t, std::size_t, std::size_t) {
             PutLe(b, c, 3000000000ull, 8);
         },
         "literal count 3000000000 exceeds the"},
        {"a negative instruction count",
         [](Bytes& b, std::size_t, std::size_t c, std::size_t, std::size_t, std::size_t) {
             PutLe(b, c + 6 * 8, ~0ull, 8);
         },
         "instruction count -1 exceeds the"},
        {"a string past the end",
         [](Bytes& b, std::size_t s, std::size_t, std::size_t, std::size_t, std::size_t) {
             PutLe(b, s, 1u << 20, 8);
         },
         "source name: string length 1048576 exceeds the"},
        {"a wrong tag",
         [](Bytes& b, std::size_t, std::size_t, std::size_t, std::size_t, std::size_t) {
             b[18] ^= 0x20;
         },
         "expected the function tag"},
        {"an unknown object type",
         [](Bytes& b, std::size_t s, std::size_t, std::size_t, std::size_t, std::size_t) {
             PutLe(b, s - 4, OT_TABLE, 4);
         },
         "source name: unexpected object type"},
        {"a flipped opcode",
         [](Bytes& b, std::size_t, std::size_t, std::size_t o, std::size_t, std::size_t) {
             b[o] = 0xEE;
         },
         "unknown opcode"},
        {"a stack slot past the stack size",
         [](Bytes& b, std::size_t, std::size_t, std::size_t o, std::size_t, std::size_t) {
             b[o + 1] = 200;
         },
         "stack slot 200 is past the stack size"},
        {"a jump out of the function",
         [](Bytes& b, std::size_t, std::size_t, std::size_t o, std::size_t, std::size_t) {
             b[o] = 0x1C;  // the LOADINT becomes a jump by 0x12345
         },
         "leaves the function"},
        {"a backward jump before the start",
         [](Bytes& b, std::size_t, std::size_t, std::size_t o, std::size_t, std::size_t) {
             b[o] = 0x1C;
             PutLe(b, o - 4, std::uint32_t(-100), 4);
         },
         "jump to -"},
        {"a literal index out of range",
         [](Bytes& b, std::size_t, std::size_t, std::size_t o, std::size_t, std::size_t) {
             b[o] = 0x01;  // LOAD literal 0x12345
         },
         "literal 74565 of"},
        {"a function index out of range",
         [](Bytes& b, std::size_t, std::size_t, std::size_t o, std::size_t, std::size_t) {
             b[o] = 0x30;  // CLOSURE of function 0x12345
         },
         "function 74565 of 1"},
        {"an outer index out of range",
         [](Bytes& b, std::size_t, std::size_t, std::size_t o, std::size_t, std::size_t) {
             b[o] = 0x20;  // GETOUTER 0x12345 in a function without outers
         },
         "outer 74565 of 0"},
        {"a foreach follow-up without its foreach",
         [](Bytes& b, std::size_t, std::size_t, std::size_t o, std::size_t, std::size_t) {
             b[o] = 0x34;  // POSTFOREACH trusts its slot to hold a generator
             PutLe(b, o - 4, 1, 4);
         },
         "a foreach follow-up out of place"},
        {"an append to a slot that holds no array",
         [](Bytes& b, std::size_t, std::size_t, std::size_t o, std::size_t, std::size_t) {
             b[o] = 0x22;  // APPENDARRAY of an integer to whatever slot 0 holds
             b[o + 1] = 0;
             b[o + 2] = 2;
         },
         "appends to a slot that may not hold an array"},
        {"a return with an exception handler still set",
         [](Bytes& b, std::size_t, std::size_t, std::size_t o, std::size_t, std::size_t) {
             b[o] = 0x37;  // PUSHTRAP with its handler on the next instruction
             PutLe(b, o - 4, 0, 4);
         },
         "handlers out of balance|returns with a handler set"},
        {"a yield outside a generator",
         [](Bytes& b, std::size_t, std::size_t, std::size_t o, std::size_t, std::size_t) {
             b[o] = 0x31;
             PutLe(b, o - 4, 0, 4);
         },
         "yields outside a generator"},
        {"a default-parameter slot out of range",
         [](Bytes& b, std::size_t, std::size_t, std::size_t, std::size_t d, std::size_t) {
             PutLe(b, d, 250, 8);
         },
         "a nested function captures a slot or outer it does not have"},
        {"a stack size of zero",
         [](Bytes& b, std::size_t, std::size_t, std::size_t, std::size_t, std::size_t size) {
             PutLe(b, size - 4 - 8 - 1 - 8, 0, 8);
         },
         "stack size 0 for"},
        {"a missing tail",
         [](Bytes& b, std::size_t, std::size_t, std::size_t, std::size_t, std::size_t size) {
             b[size - 1] = 'X';
         },
         "expected the stream tail tag"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes image = good;
        c.damage(image, sourceLength, counts, op, defaults, image.size());
        const auto checked = VerifyScriptImage(image.data(), image.size());
        EXPECT_FALSE(checked.ok);
        EXPECT_NE(std::string::npos, checked.error.find("damaged at byte")) << checked.error;
        EXPECT_TRUE(std::regex_search(checked.error, std::regex(c.reason))) << checked.error;
    }
}

// Every single-byte change either is refused or gives an image the VM reads;
// under the sanitizers that also shows the walk itself stays in bounds.
TEST(ScriptImageVerifier, AnyChangedByteIsRefusedOrReadableByTheVm) {
    const Bytes good = CompileImage(kSource);
    int refused = 0;
    for (std::size_t at = 0; at < good.size(); ++at) {
        for (std::uint8_t flip : {0x01, 0x80, 0xFF}) {
            Bytes image = good;
            image[at] ^= flip;
            const auto checked = VerifyScriptImage(image.data(), image.size());
            if (!checked.ok) {
                ++refused;
                continue;
            }
            ASSERT_TRUE(VmReads(checked.bytes)) << "byte " << at << " ^ " << int(flip);
        }
    }
    EXPECT_GT(refused, int(good.size()));
}

// Runs the image in a fresh VM in a child process: the signal that ended it,
// or 0. A run still going after 200 ms is stopped with SIGALRM (a damaged
// jump may loop forever; that is the runaway-script watchdog's business).
int RunInChild(const Bytes& image) {
    const pid_t child = fork();
    if (child == 0) {
        itimerval limit{};
        limit.it_value.tv_usec = 200000;
        setitimer(ITIMER_REAL, &limit, nullptr);
        HSQUIRRELVM v = sq_open(1024);
        Bytes copy = image;
        struct Reader {
            Bytes* bytes;
            std::size_t at = 0;
        } reader{&copy};
        auto read = [](SQUserPointer user, SQUserPointer dest, SQInteger size) -> SQInteger {
            auto* r = static_cast<Reader*>(user);
            const std::size_t n = std::min<std::size_t>(size, r->bytes->size() - r->at);
            if (n == 0) {
                return -1;
            }
            std::memcpy(dest, r->bytes->data() + r->at, n);
            r->at += n;
            return SQInteger(n);
        };
        if (SQ_SUCCEEDED(sq_readclosure(v, read, &reader))) {
            sq_pushroottable(v);
            sq_call(v, 1, SQFalse, SQFalse);
        }
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFSIGNALED(status) ? WTERMSIG(status) : 0;
}

TEST(ScriptImageVerifier, AcceptedChangedImagesRunWithoutCrashingTheVm) {
    const Bytes good = CompileImage(
        "function G(n) { for (local i = 0; i < n; i++) yield [i, i * 2]; }"
        "local total = 0; foreach (p in G(3)) total += p[1];"
        "local f = function(x = 2) { return total * x }; local t = {a = [f(), f(3)]};"
        "try { throw [t.a[0]] } catch (e) { total = e[0] } ::result <- total;");
    ASSERT_FALSE(good.empty());
    int ran = 0;
    for (std::size_t at = 18; at < good.size(); ++at) {
        for (std::uint8_t flip : {0x01, 0x10, 0x80}) {
            Bytes image = good;
            image[at] ^= flip;
            const auto checked = VerifyScriptImage(image.data(), image.size());
            if (!checked.ok) {
                continue;
            }
            ++ran;
            const int signal = RunInChild(checked.bytes);
            ASSERT_TRUE(signal == 0 || signal == SIGALRM)
                << "signal " << signal << " with byte " << at << " ^ " << int(flip);
        }
    }
    EXPECT_GT(ran, 100);
}

}  // namespace
