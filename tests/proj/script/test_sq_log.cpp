// The script log and the error reports: file name and folder, flushing and
// append, print truncation, the compile-error line, and the runtime-error
// report that ends the process.
#include "proj/script/sq_print_call_stack.h"

#include <gtest/gtest.h>
#include <squirrel.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "proj/script/sq_error_handler.h"
#include "proj/script/squirrel_task.h"

namespace {

namespace fs = std::filesystem;
using Sample::CSquirrelTask;
using Sample::SqPrintCallStack;

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class SqLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        GTEST_FLAG_SET(death_test_style, "fast");
        oldDir = fs::current_path();
        char tmpl[] = "/tmp/sqlogXXXXXX";
        ASSERT_NE(nullptr, mkdtemp(tmpl));
        dir = tmpl;
        fs::current_path(dir);
        Sample::SetSqLogHook(&log);
    }
    void TearDown() override {
        Sample::SetSqLogHook(nullptr);
        log.Close();
        fs::current_path(oldDir);
        fs::remove_all(dir);
    }
    // The one log file written so far.
    fs::path OnlyLogFile() {
        fs::path found;
        int n = 0;
        for (const auto& e : fs::directory_iterator(dir / "Log")) {
            found = e.path();
            ++n;
        }
        EXPECT_EQ(1, n);
        return found;
    }
    HSQUIRRELVM OpenVM() {
        HSQUIRRELVM v = sq_open(1024);
        sq_setprintfunc(v, &CSquirrelTask::PrintFunc, &CSquirrelTask::PrintFunc);
        sq_setcompilererrorhandler(v, &Sample::ScriptCompilerErrorHandler);
        sq_newclosure(v, &Sample::ScriptErrorHandler, 0);
        sq_seterrorhandler(v);
        return v;
    }
    // Compiles and runs `script` with errors raised to the handler.
    static void Run(HSQUIRRELVM v, const char* script) {
        if (SQ_SUCCEEDED(sq_compilebuffer(v, script, static_cast<SQInteger>(std::strlen(script)),
                                          "snippet", SQTrue))) {
            sq_pushroottable(v);
            sq_call(v, 1, SQFalse, SQTrue);
        }
    }

    fs::path oldDir;
    fs::path dir;
    SqPrintCallStack log;
};

TEST_F(SqLogTest, FirstWriteCreatesTimeNamedFileAndEveryWriteIsOnDisk) {
    EXPECT_FALSE(fs::exists(dir / "Log"));
    log.Write("one ");
    log.Write("two");
    fs::path file = OnlyLogFile();
    EXPECT_TRUE(std::regex_match(file.filename().string(), std::regex(R"(SQ_20\d{6}_\d{6}\.txt)")))
        << file;
    EXPECT_EQ("Log/" + file.filename().string(), log.Path());
    // Read while the stream is still open: the writes were flushed.
    EXPECT_EQ("one two", ReadAll(file));
}

TEST_F(SqLogTest, ReopeningInTheSameSecondAppends) {
    // Retried across a second boundary, which would give a new name.
    for (int attempt = 0; attempt < 3; ++attempt) {
        SqPrintCallStack first;
        first.Write("first;");
        first.Close();
        SqPrintCallStack second;
        second.Write("second");
        if (first.Path() == second.Path()) {
            EXPECT_EQ("first;second", ReadAll(dir / second.Path()));
            return;
        }
        second.Close();
        fs::remove_all(dir / "Log");
    }
    FAIL() << "never opened twice within one second";
}

TEST_F(SqLogTest, PrintCutsTextAtTheBuffer) {
    HSQUIRRELVM v = OpenVM();
    std::string longText(10000, 'x');
    CSquirrelTask::PrintFunc(v, "%s", longText.c_str());
    CSquirrelTask::PrintFunc(v, nullptr);
    Run(v, "print(\"|end\")");
    sq_close(v);
    EXPECT_EQ(std::string(8191, 'x') + "|end", ReadAll(OnlyLogFile()));
}

TEST_F(SqLogTest, CompileErrorWritesOneLine) {
    HSQUIRRELVM v = OpenVM();
    Run(v, "local x = ;");
    sq_close(v);
    std::string text = ReadAll(OnlyLogFile());
    EXPECT_TRUE(
        std::regex_match(text, std::regex(R"(snippet line = \(1\) column = \(\d+\) : error .+\n)")))
        << text;
}

TEST_F(SqLogTest, RuntimeErrorWritesReportAndAborts) {
    struct {
        const char* script;
        const char* heading;
        const char* stderrText;
    } cases[] = {
        {"function Inner() { local count = 42; local label = \"abc\"; throw \"boom\" } Inner()",
         "\nAN ERROR HAS OCCURED [boom]\n", "script error: boom"},
        {"function Inner() { local count = 42; local label = \"abc\"; throw 5 } Inner()",
         "\nAN ERROR HAS OCCURED [unknown]\n", "script error: unknown"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.script);
        EXPECT_DEATH(
            {
                HSQUIRRELVM v = OpenVM();
                Run(v, c.script);
            },
            c.stderrText);
        std::string text = ReadAll(OnlyLogFile());
        EXPECT_EQ(0u, text.find(c.heading)) << text;
        EXPECT_NE(std::string::npos, text.find("\nCALLSTACK\n")) << text;
        EXPECT_NE(std::string::npos, text.find("*FUNCTION [Inner()] snippet line [1]\n")) << text;
        EXPECT_NE(std::string::npos, text.find("\nLOCALS\n")) << text;
        EXPECT_NE(std::string::npos, text.find("[count] 42\n")) << text;
        EXPECT_NE(std::string::npos, text.find("[label] \"abc\"\n")) << text;
        fs::remove_all(dir / "Log");
    }
}

// When the log file cannot be made, the report goes to stderr whole and the
// closing line names no file that exists.
TEST_F(SqLogTest, RuntimeErrorWithoutALogFileReportsOnStderrInFull) {
    std::ofstream(dir / "Log") << "a file where the folder should be";
    EXPECT_DEATH(
        {
            HSQUIRRELVM v = OpenVM();
            Run(v, "function Inner() { local count = 42; throw \"boom\" } Inner()");
        },
        "AN ERROR HAS OCCURED \\[boom\\].*CALLSTACK.*FUNCTION \\[Inner\\(\\)\\] snippet line "
        "\\[1\\].*LOCALS.*\\[count\\] 42.*script error: boom \\(the script log "
        "Log/SQ_[0-9_]+\\.txt could not be opened; the report is above\\)");
    EXPECT_TRUE(fs::is_regular_file(dir / "Log"));
}

TEST_F(SqLogTest, FatalErrorWithoutALogFileSaysSoOnStderr) {
    std::ofstream(dir / "Log") << "a file where the folder should be";
    EXPECT_EXIT(Sample::ScriptFatalExit("script host: stuck"),
                ::testing::ExitedWithCode(Sample::kScriptFatalExitStatus),
                "the script log Log/SQ_[0-9_]+\\.txt could not be opened\\)\nscript host: stuck");
}

}  // namespace
