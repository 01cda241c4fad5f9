// The load-failure line: its wording, stderr, and the installed sink.
#include "qzware/scene/qz_load_report.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> g_lines;

void Collect(const std::string& line) {
    g_lines.push_back(line);
}

TEST(QzLoadReport, TheLineNamesKindFileAndReason) {
    EXPECT_EQ("texture \"tex/a.tga\" not loaded: the file is 3 bytes",
              QZW::QzLoadFailureLine("texture", "tex/a.tga", "the file is 3 bytes"));
}

TEST(QzLoadReport, AFailureGoesToStderrAndToTheSinkOnceEach) {
    g_lines.clear();
    QZW::QzSetLoadReportSink(&Collect);
    testing::internal::CaptureStderr();
    QZW::QzReportLoadFailure("model", "model/m.bin", "a part's arrays end past the file");
    const std::string err = testing::internal::GetCapturedStderr();
    QZW::QzSetLoadReportSink(nullptr);
    const std::string want = "model \"model/m.bin\" not loaded: a part's arrays end past the file";
    EXPECT_EQ(want + "\n", err);
    ASSERT_EQ(1u, g_lines.size());
    EXPECT_EQ(want, g_lines[0]);

    // Without a sink only stderr hears of it.
    testing::internal::CaptureStderr();
    QZW::QzReportLoadFailure("font", "font/f.fnt", "unreadable");
    EXPECT_EQ("font \"font/f.fnt\" not loaded: unreadable\n",
              testing::internal::GetCapturedStderr());
    EXPECT_EQ(1u, g_lines.size());
}

}  // namespace
