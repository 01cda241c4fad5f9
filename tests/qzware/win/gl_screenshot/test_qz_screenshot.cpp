// Screenshots of the test window: each composed frame reads back as drawn
// (target 13 letterboxed, black bars), and sizes no window can have write
// nothing.
#include "qzware/win/qz_screenshot.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>

#include <string>

#include "platform/window/window.h"
#include "qzware/win/qz_bmp_writer.h"
#include "tests/support/gl_test_context.h"
#include "tests/support/process_runner.h"
#include "tests/support/texture_writers.h"

namespace {

struct Bgr {
    int b, g, r;
};

// Pixel (x, y) of a 24-bit BMP image, y from the bottom row.
Bgr BmpPixel(const std::vector<std::uint8_t>& bmp, int width, int x, int y) {
    const std::size_t at = QZW::Win::kQzBmpHeaderSize +
                           std::size_t(y) * QZW::Win::QzBmpRowBytes(std::uint32_t(width)) +
                           std::size_t(x) * 3;
    return {bmp[at], bmp[at + 1], bmp[at + 2]};
}

bool Exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

class ScreenshotTest : public ::testing::Test {
protected:
    qz_test::TempDir temp;
    const std::string& dir = temp.path();
};

TEST_F(ScreenshotTest, EveryComposedFrameReadsBackAsDrawn) {
    QZW::Win::CQzGraphicsGL2* g = gl_test::Renderer();
    ASSERT_NE(g, nullptr);
    platform::window::Backend& windows = platform::window::current();
    platform::win32::HWND window = windows.find_window("gl test");
    ASSERT_NE(window, nullptr);
    int width = 0, height = 0;
    windows.get_drawable_size(window, &width, &height);
    ASSERT_EQ(width, 320);
    ASSERT_EQ(height, 240);

    // The 320x240 window shows the 16:9 frame at (0, 30, 320, 180). Each
    // frame draws its own two colours into the halves of target 13; the
    // screenshot is taken where scripts take it, after the composition and
    // before the next present.
    struct Frame {
        Bgr left, right;
    } const frames[] = {
        {{0, 255, 0}, {255, 0, 0}},
        {{0, 0, 255}, {255, 255, 0}},
    };
    for (const Frame& f : frames) {
        g->BeginFrame();
        g->SetFrameBuffer(13);
        g->DisableDepthTest();
        g->DisableBlend();
        g->SetOrthoProjection();
        g->UseShader(5);
        g->DrawRect(0, 0, 640, 720, std::uint8_t(f.left.r), std::uint8_t(f.left.g),
                    std::uint8_t(f.left.b), 255, 0);
        g->DrawRect(640, 0, 640, 720, std::uint8_t(f.right.r), std::uint8_t(f.right.g),
                    std::uint8_t(f.right.b), 255, 0);
        g->EndFrame();

        const std::string path = dir + "/shot.bmp";
        QZW::Win::SaveScreenshot(path.c_str(), width, height, 0, 0);
        g->Flush();
        g->Present();
        const std::vector<std::uint8_t> bmp = qz_test::ReadBytes(path);
        ASSERT_EQ(bmp.size(), QZW::Win::QzBmpFileSize(320, 240));
        struct Probe {
            const char* what;
            int x, y;
            Bgr want;
        } const probes[] = {
            {"bottom bar", 160, 10, {0, 0, 0}},
            {"top bar", 160, 230, {0, 0, 0}},
            {"left half", 40, 120, f.left},
            {"right half", 280, 120, f.right},
        };
        for (const Probe& p : probes) {
            const Bgr got = BmpPixel(bmp, width, p.x, p.y);
            EXPECT_EQ(got.b, p.want.b) << p.what;
            EXPECT_EQ(got.g, p.want.g) << p.what;
            EXPECT_EQ(got.r, p.want.r) << p.what;
        }
    }
}

TEST_F(ScreenshotTest, SizesNoWindowCanHaveWriteNothing) {
    ASSERT_NE(gl_test::Renderer(), nullptr);
    GLint maxDims[2] = {};
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, maxDims);
    struct Case {
        const char* what;
        int width, height, x, y;
    } const cases[] = {
        {"zero width", 0, 4, 0, 0},
        {"negative height", 4, -1, 0, 0},
        {"negative origin", 4, 4, -1, 0},
        {"wider than any viewport", maxDims[0] + 1, 1, 0, 0},
        {"taller than any viewport", 1, maxDims[1] + 1, 0, 0},
        {"gigabytes", 1 << 30, 1 << 30, 0, 0},
    };
    for (const Case& c : cases) {
        const std::string path = dir + "/refused.bmp";
        QZW::Win::SaveScreenshot(path.c_str(), c.width, c.height, c.x, c.y);
        EXPECT_FALSE(Exists(path)) << c.what;
    }
    const std::string path = dir + "/small.bmp";
    QZW::Win::SaveScreenshot(path.c_str(), 3, 2, 0, 0);
    EXPECT_EQ(qz_test::ReadBytes(path).size(), 78u) << "a 3x2 picture";
}

TEST_F(ScreenshotTest, AFailedWriteIsReportedAndKeepsTheOlderPicture) {
    ASSERT_NE(gl_test::Renderer(), nullptr);
    const std::string missing = dir + "/no/such/folder/shot.bmp";
    testing::internal::CaptureStdout();
    const bool wroteMissing = QZW::Win::SaveScreenshot(missing.c_str(), 3, 2, 0, 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Failed File " + missing + " Create.\n");
    EXPECT_FALSE(wroteMissing);

    // A file-size limit stands in for a full disk.
    const std::string path = dir + "/shot.bmp";
    ASSERT_TRUE(QZW::Win::SaveScreenshot(path.c_str(), 3, 2, 0, 0));
    const std::vector<std::uint8_t> older = qz_test::ReadBytes(path);
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto* previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    testing::internal::CaptureStdout();
    const bool wroteFull = QZW::Win::SaveScreenshot(path.c_str(), 64, 64, 0, 0);
    const std::string out = testing::internal::GetCapturedStdout();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_FALSE(wroteFull);
    EXPECT_EQ(out, "Failed File " + path + " Create.\n");
    EXPECT_EQ(qz_test::ReadBytes(path), older) << "the older picture was cut or emptied";
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
    }
}

}  // namespace
