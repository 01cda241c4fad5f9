// LeakSanitizer with the project's suppressions: a leak of ours made beneath
// a library's frames (an SDL timer callback, a GStreamer streaming thread) or
// through GLib's allocator (g_strdup) is reported, under the full unwinder
// and under the frame-pointer one, while the libraries' own leaks on the
// same paths are not.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "tests/support/process_runner.h"

namespace {

constexpr int kLeakExitCode = 23;

// A probe mode as part of a test name ("sdl-timer" -> "sdl_timer").
std::string NamePart(std::string mode) {
    for (char& ch : mode) {
        if (ch == '-') {
            ch = '_';
        }
    }
    return mode;
}

struct ProbeResult {
    int status = -1;
    std::string err;
};

// The program's file goes with the probe built as the program is.
ProbeResult RunProbe(const std::string& mode, const std::string& suppressions, bool fullStacks,
                     bool asTheProgram) {
    qz_test::TempDir dir;
    qz_test::ChildProcess probe;
    const std::map<std::string, std::string> env = {
        {"ASAN_OPTIONS", fullStacks ? "fast_unwind_on_malloc=0" : "fast_unwind_on_malloc=1"},
        {"LSAN_OPTIONS", "suppressions=" + suppressions +
                             ":print_suppressions=1:exitcode=" + std::to_string(kLeakExitCode)},
    };
    ProbeResult result;
    if (!probe.Start({asTheProgram ? QZ_LEAK_PROBE_PROGRAM : QZ_LEAK_PROBE, mode}, env,
                     dir.path())) {
        return result;
    }
    result.status = probe.Wait(120000).value_or(-1);
    result.err = probe.Stderr();
    return result;
}

const std::string kUnitSuppressions = std::string(QZ_SOURCE_DIR) + "/tests/lsan.supp";
// The whole program's file, used with the frame-pointer unwinder.
const std::string kProgramSuppressions = std::string(QZ_SOURCE_DIR) + "/tests/lsan-program.supp";

struct LeakCase {
    const char* mode;
    // What names our leak in the report: the function that made it, or,
    // where the frame-pointer stack ends in GLib's allocator, its exact size.
    const char* ours;
    bool fullStacks;
    bool programFile;
};

class OurLeakBeneathALibrary : public ::testing::TestWithParam<LeakCase> {};

TEST_P(OurLeakBeneathALibrary, IsReportedWithTheFunctionThatMadeIt) {
    const LeakCase c = GetParam();
    const ProbeResult r = RunProbe(c.mode, c.programFile ? kProgramSuppressions : kUnitSuppressions,
                                   c.fullStacks, c.programFile);
    EXPECT_EQ(kLeakExitCode, r.status) << r.err;
    EXPECT_NE(std::string::npos, r.err.find("detected memory leaks")) << r.err;
    EXPECT_NE(std::string::npos, r.err.find(c.ours)) << r.err;
}

INSTANTIATE_TEST_SUITE_P(
    Probe, OurLeakBeneathALibrary,
    ::testing::Values(LeakCase{"sdl-timer", "LeakInSdlTimerCallback", true, false},
                      LeakCase{"sdl-timer", "LeakInSdlTimerCallback", false, false},
                      LeakCase{"sdl-timer", "LeakInSdlTimerCallback", false, true},
                      LeakCase{"gstreamer-thread", "LeakOnGstreamerStreamingThread", true, false},
                      LeakCase{"gstreamer-thread", "LeakOnGstreamerStreamingThread", false, false},
                      LeakCase{"gstreamer-thread", "LeakOnGstreamerStreamingThread", false, true},
                      // Eight strings of 37 bytes, after GStreamer has grown
                      // GLib's quark table and dropped its constructor's block.
                      LeakCase{"glib-strdup", "LeakThroughGlibStrdup", true, false},
                      LeakCase{"glib-strdup", "Direct leak of 296 byte(s) in 8 object(s)", false,
                               true}),
    [](const ::testing::TestParamInfo<LeakCase>& info) {
        return NamePart(info.param.mode) +
               (info.param.fullStacks ? "_FullStacks" : "_FramePointers") +
               (info.param.programFile ? "_ProgramFile" : "_UnitFile");
    });

struct CleanCase {
    const char* mode;
    bool programFile;  // else the unit tests' file with the full unwinder
};

class LibraryLeaksOnTheSamePath : public ::testing::TestWithParam<CleanCase> {};

TEST_P(LibraryLeaksOnTheSamePath, AreSuppressedByName) {
    const CleanCase c = GetParam();
    const ProbeResult r = c.programFile ? RunProbe(c.mode, kProgramSuppressions, false, true)
                                        : RunProbe(c.mode, kUnitSuppressions, true, false);
    EXPECT_EQ(0, r.status) << r.err;
    EXPECT_EQ(std::string::npos, r.err.find("detected memory leaks")) << r.err;
}

INSTANTIATE_TEST_SUITE_P(Probe, LibraryLeaksOnTheSamePath,
                         ::testing::Values(CleanCase{"clean-sdl", false},
                                           CleanCase{"clean-gstreamer", false},
                                           CleanCase{"clean-gstreamer", true}),
                         [](const ::testing::TestParamInfo<CleanCase>& info) {
                             return NamePart(info.param.mode) +
                                    (info.param.programFile ? "_ProgramFile" : "_UnitFile");
                         });

}  // namespace
