// The script host over a real file manager and engine allocator: start-up
// images, SQUpdate each frame, SQ_Include once, SQ_Reload every time, the
// image reader, the VM's memory through the engine allocator, and the ways a
// bad start ends.
#include "proj/script/squirrel_task.h"

#include <gtest/gtest.h>
#include <squirrel.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "proj/nodes/sq_material.h"
#include "proj/script/script_api.h"
#include "proj/script/sq_allocator.h"
#include "proj/script/sq_print_call_stack.h"
#include "proj/win/game_control.h"
#include "qzware/common/qz_mem.h"
#include "qzware/win/qz_file_manager.h"

namespace {

namespace fs = std::filesystem;
using Sample::CSquirrelTask;

SQInteger WriteTo(SQUserPointer user, SQUserPointer data, SQInteger size) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(user);
    const auto* p = static_cast<const std::uint8_t*>(data);
    out->insert(out->end(), p, p + size);
    return size;
}

// A compiled image as the build's script compiler writes it.
std::vector<std::uint8_t> CompileImage(const std::string& source) {
    HSQUIRRELVM v = sq_open(256);
    std::vector<std::uint8_t> image;
    EXPECT_TRUE(SQ_SUCCEEDED(sq_compilebuffer(
        v, source.c_str(), static_cast<SQInteger>(source.size()), "test.nut", SQTrue)));
    EXPECT_TRUE(SQ_SUCCEEDED(sq_writeclosure(v, &WriteTo, &image)));
    sq_close(v);
    return image;
}

void WriteFile(const fs::path& p, const std::vector<std::uint8_t>& bytes) {
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}
void WriteText(const fs::path& p, const std::string& text) {
    WriteFile(p, std::vector<std::uint8_t>(text.begin(), text.end()));
}
std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Counts what the VM asks of the hook, passing it on to the engine allocator.
class CountingAllocator final : public Sample::SQAllocator {
public:
    void* Malloc(std::uint32_t size) override {
        ++calls;
        return Sample::GetSqAllocator().Malloc(size);
    }
    void* Realloc(void* p, std::uint32_t o, std::uint32_t n) override {
        ++calls;
        return Sample::GetSqAllocator().Realloc(p, o, n);
    }
    void Free(void* p, std::uint32_t size) override {
        ++calls;
        Sample::GetSqAllocator().Free(p, size);
    }
    int calls = 0;
};

class SquirrelTaskTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!QzMemManagerExists()) {
            ASSERT_TRUE(QzMemManagerCreate());
        }
    }
    void SetUp() override {
        GTEST_FLAG_SET(death_test_style, "fast");
        oldDir = fs::current_path();
        char tmpl[] = "/tmp/sqtaskXXXXXX";
        ASSERT_NE(nullptr, mkdtemp(tmpl));
        dir = tmpl;
        fs::current_path(dir);
        // The log reopens in this test's folder.
        Sample::GetSqLog().Close();
        files = new QZW::Win::CQzFileManager("USRDIR");
    }
    void TearDown() override {
        delete files;
        Sample::GetSqLog().Close();
        fs::current_path(oldDir);
        fs::remove_all(dir);
    }
    void Images(const std::string& startCmd, const std::string& all) {
        WriteFile(dir / "USRDIR/scriptsConv/all_StartCmd.cnut", CompileImage(startCmd));
        WriteFile(dir / "USRDIR/scriptsConv/all.cnut", CompileImage(all));
    }
    CSquirrelTask* Boot() {
        return new CSquirrelTask(nullptr, &Sample::Win::CGameControl::GetInstance());
    }
    static SQInteger RootInt(HSQUIRRELVM v, const char* name) {
        SQInteger top = sq_gettop(v);
        sq_pushroottable(v);
        sq_pushstring(v, name, -1);
        SQInteger out = -999;
        if (SQ_SUCCEEDED(sq_get(v, -2))) {
            sq_getinteger(v, -1, &out);
        }
        sq_settop(v, top);
        return out;
    }
    static bool RootBool(HSQUIRRELVM v, const char* name) {
        SQInteger top = sq_gettop(v);
        sq_pushroottable(v);
        sq_pushstring(v, name, -1);
        SQBool out = SQFalse;
        bool found = SQ_SUCCEEDED(sq_get(v, -2)) && sq_gettype(v, -1) == OT_BOOL;
        EXPECT_TRUE(found) << name << " is not a bool";
        if (found) {
            sq_getbool(v, -1, &out);
        }
        sq_settop(v, top);
        return out != SQFalse;
    }
    // The log file of this test's folder (a death test's child wrote it, so
    // this process may never have opened it).
    std::string Log() {
        std::string text;
        if (fs::exists(dir / "Log")) {
            for (const auto& e : fs::directory_iterator(dir / "Log")) {
                text += ReadAll(e.path());
            }
        }
        return text;
    }

    fs::path oldDir;
    fs::path dir;
    QZW::Win::CQzFileManager* files = nullptr;
};

TEST(ReadScriptBuffer, HandsOutChunksThenEnds) {
    std::uint8_t data[10] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    CSquirrelTask::ReadState s{data, 10, 0};
    std::uint8_t out[4];
    const SQInteger expected[] = {4, 4, 2, -1, -1};
    std::vector<std::uint8_t> got;
    for (SQInteger want : expected) {
        SQInteger n = CSquirrelTask::ReadScriptBuffer(&s, out, 4);
        EXPECT_EQ(want, n);
        for (SQInteger i = 0; i < n; ++i) {
            got.push_back(out[i]);
        }
    }
    EXPECT_EQ(std::vector<std::uint8_t>(data, data + 10), got);
}

TEST_F(SquirrelTaskTest, RunsBothImagesThenSQUpdateEveryFrameWithBalancedStack) {
    Images("::order <- \"start\"; ::frames <- 0;",
           "::order += \",all\"; function SQUpdate() { ::frames++; if (frames % 500 == 0) "
           "print(\"frame \" + frames + \"\\n\") }");
    CSquirrelTask* task = Boot();
    ASSERT_TRUE(task->loaded);
    EXPECT_EQ("CSquirrelTask", task->name);
    HSQUIRRELVM v = task->vm;
    EXPECT_EQ(v, Sample::GetSquirrelVM());
    EXPECT_EQ(1, sq_gettop(v));  // the root table only
    for (int i = 0; i < 1000; ++i) {
        task->Update();
    }
    EXPECT_EQ(1000, RootInt(v, "frames"));
    EXPECT_EQ(1, sq_gettop(v));
    EXPECT_EQ("frame 500\nframe 1000\n", Log());
    delete task;
    EXPECT_EQ(nullptr, Sample::GetSquirrelVM());
    EXPECT_EQ(nullptr, Sample::GetSquirrelTask());
}

TEST_F(SquirrelTaskTest, TheHostFreesTheMaterialInfoTableWhenItEnds) {
    Images("SQ_SetMaterialInfo(\"stone\", SqMaterialInfo())", "");
    CSquirrelTask* task = Boot();
    ASSERT_TRUE(task->loaded);
    EXPECT_NE(nullptr, QZW::FindSqMaterialInfo("stone"));
    delete task;
    EXPECT_EQ(nullptr, QZW::FindSqMaterialInfo("stone"));
}

TEST_F(SquirrelTaskTest, SQUpdateAbsentOrNotAFunctionIsSkipped) {
    const char* cases[] = {"::x <- 1", "::SQUpdate <- 5", "::SQUpdate <- \"SQUpdate\""};
    for (const char* all : cases) {
        SCOPED_TRACE(all);
        Images("", all);
        CSquirrelTask* task = Boot();
        for (int i = 0; i < 3; ++i) {
            task->Update();
        }
        EXPECT_EQ(1, sq_gettop(task->vm));
        EXPECT_TRUE(sq_isnull(task->FindRootFunction("SQUpdate")));
        delete task;
    }
}

TEST_F(SquirrelTaskTest, IncludeRunsEachNameOnceAndRetriesAMissingOne) {
    WriteText(dir / "USRDIR/scripts/inc.nut",
              "::runs <- (\"runs\" in getroottable()) ? runs + 1 : 1;");
    Images("",
           "::a <- SQ_Include(\"inc.nut\"); ::b <- SQ_Include(\"inc.nut\");"
           "::c <- SQ_Include(\"late.nut\");");
    CSquirrelTask* task = Boot();
    HSQUIRRELVM v = task->vm;
    EXPECT_TRUE(RootBool(v, "a"));
    EXPECT_TRUE(RootBool(v, "b")) << "an included name answers true again";
    EXPECT_FALSE(RootBool(v, "c"));
    EXPECT_EQ(1, RootInt(v, "runs"));
    EXPECT_TRUE(task->Include("inc.nut"));
    EXPECT_EQ(1, RootInt(v, "runs"));
    // The missing name was not recorded: once the file exists it runs.
    WriteText(dir / "USRDIR/scripts/late.nut", "::late <- 7;");
    EXPECT_TRUE(task->Include("late.nut"));
    EXPECT_EQ(7, RootInt(v, "late"));
    EXPECT_EQ(1, sq_gettop(v));
    delete task;
}

TEST_F(SquirrelTaskTest, IncludedScriptThatFailsEndsTheProgramWithItsReport) {
    struct {
        const char* what;
        const char* source;
        const char* stderrText;
        const char* logText;
    } cases[] = {
        {"compile error", "local x = ;", "scripts/bad.nut does not compile",
         "scripts/bad.nut line = (1) column = ("},
        {"runtime error", "throw \"bad include\"", "script error: bad include",
         "\nAN ERROR HAS OCCURED [bad include]\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteText(dir / "USRDIR/scripts/bad.nut", c.source);
        Images("", "SQ_Include(\"bad.nut\")");
        EXPECT_DEATH(Boot(), c.stderrText);
        EXPECT_NE(std::string::npos, Log().find(c.logText)) << Log();
        fs::remove_all(dir / "Log");
    }
}

// A file manager whose synchronous source read fails with an exception.
class ThrowingFiles final : public QZW::Win::CQzFileManager {
public:
    ThrowingFiles() : CQzFileManager("USRDIR") {}
    void* LoadFileAligned8(const std::string& path) override {
        throw std::runtime_error("disk gone reading " + path);
    }
};

TEST_F(SquirrelTaskTest, ExceptionDuringStartUpEndsTheProgramWithTheCallStack) {
    Images("", "function Boot() { SQ_Include(\"inc.nut\") } Boot()");
    EXPECT_DEATH(
        {
            ThrowingFiles throwing;
            Boot();
        },
        "start-up failed: disk gone reading scripts/inc.nut");
    std::string log = Log();
    EXPECT_NE(std::string::npos, log.find("\nCALLSTACK\n")) << log;
    EXPECT_NE(std::string::npos, log.find("*FUNCTION [Boot()] test.nut line [1]")) << log;
    EXPECT_NE(std::string::npos, log.find("start-up failed: disk gone reading scripts/inc.nut"))
        << log;
}

TEST_F(SquirrelTaskTest, ReloadRunsTheSourceOnEveryCallAndEndsTheProgramWhenMissing) {
    WriteText(dir / "USRDIR/scripts/re.nut",
              "::runs <- (\"runs\" in getroottable()) ? runs + 1 : 1;");
    Images("", "::a <- SQ_Reload(\"re.nut\"); ::b <- SQ_Reload(\"re.nut\");");
    CSquirrelTask* task = Boot();
    HSQUIRRELVM v = task->vm;
    EXPECT_EQ(1, RootInt(v, "a"));
    EXPECT_EQ(1, RootInt(v, "b"));
    EXPECT_EQ(2, RootInt(v, "runs"));
    EXPECT_EQ(1, sq_gettop(v));
    delete task;

    Images("", "SQ_Reload(\"gone.nut\")");
    EXPECT_DEATH(Boot(), "SQ_Reload: cannot read USRDIR/scripts/gone.nut");
}

TEST_F(SquirrelTaskTest, VmMemoryGoesThroughTheHookToTheEngineAllocator) {
    Images("", "");
    delete Boot();  // leaves the host's hook in place
    CountingAllocator counting;
    Sample::SetSqAllocatorHook(&counting);
    HSQUIRRELVM v = sq_open(1024);
    sq_close(v);
    Sample::SetSqAllocatorHook(&Sample::GetSqAllocator());
    EXPECT_GT(counting.calls, 10);

    Sample::SQAllocatorImpl& a = Sample::GetSqAllocator();
    auto* p = static_cast<std::uint8_t*>(a.Malloc(100));
    ASSERT_NE(nullptr, p);
    for (int i = 0; i < 100; ++i) {
        p[i] = static_cast<std::uint8_t>(i);
    }
    auto* shrunk = static_cast<std::uint8_t*>(a.Realloc(p, 100, 40));
    ASSERT_NE(nullptr, shrunk);
    EXPECT_NE(p, shrunk);
    auto* grown = static_cast<std::uint8_t*>(a.Realloc(shrunk, 40, 100));
    ASSERT_NE(nullptr, grown);
    for (int i = 0; i < 40; ++i) {
        ASSERT_EQ(i, grown[i]);
    }
    a.Free(grown, 100);
    void* fresh = a.Realloc(nullptr, 0, 24);
    EXPECT_NE(nullptr, fresh);
    a.Free(fresh, 24);
}

TEST_F(SquirrelTaskTest, BadStartUpImageEndsTheProgramWithItsReason) {
    std::vector<std::uint8_t> good = CompileImage("::x <- 1");
    std::vector<std::uint8_t> truncated(good.begin(),
                                        good.begin() + static_cast<long>(good.size() / 2));
    std::vector<std::uint8_t> narrow = good;
    narrow[2 + 8] = 4;  // integer size: an image for 32-bit integers
    struct {
        const char* what;
        std::vector<std::uint8_t> all;
        bool present;
        const char* reason;
    } cases[] = {
        {"missing", {}, false, "cannot read scriptsConv/all.cnut"},
        {"truncated", truncated, true, "scriptsConv/all.cnut: "},
        {"32-bit", narrow, true, "built for 32-bit integers"},
        {"not an image", {'h', 'e', 'l', 'l', 'o'}, true, "truncated header"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(dir / "USRDIR");
        WriteFile(dir / "USRDIR/scriptsConv/all_StartCmd.cnut", good);
        if (c.present) {
            WriteFile(dir / "USRDIR/scriptsConv/all.cnut", c.all);
        }
        EXPECT_DEATH(Boot(), c.reason);
        EXPECT_NE(std::string::npos, Log().find(c.reason)) << Log();
        fs::remove_all(dir / "Log");
    }
}

TEST_F(SquirrelTaskTest, RuntimeErrorInSQUpdateWritesTheReportAndAborts) {
    Images("", "function SQUpdate() { local n = 3; throw \"lost \" + n }");
    EXPECT_DEATH(
        {
            CSquirrelTask* task = Boot();
            task->Update();
        },
        "script error: lost 3");
    std::string log = Log();
    EXPECT_EQ(0u, log.find("\nAN ERROR HAS OCCURED [lost 3]\n")) << log;
    EXPECT_NE(std::string::npos, log.find("*FUNCTION [SQUpdate()] test.nut line [1]")) << log;
    EXPECT_NE(std::string::npos, log.find("[n] 3\n")) << log;
}

}  // namespace
