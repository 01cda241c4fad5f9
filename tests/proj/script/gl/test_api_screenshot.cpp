// SQ_ScreenShot with the renderer's context up: the window's composed pixels
// reach a 24-bit BMP at the script's path.
#include <gtest/gtest.h>
#include <squirrel.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "proj/script/script_api.h"
#include "proj/script/sq_bind.h"
#include "qzware/win/qz_bmp_writer.h"
#include "qzware/win/qz_pad_reader.h"
#include "tests/proj/script/script_api_fakes.h"
#include "tests/proj/script/script_snippet.h"
#include "tests/support/gl_test_context.h"

namespace {

namespace fs = std::filesystem;

TEST(ScriptScreenShot, WritesTheComposedWindowAsABitmap) {
    QZW::Win::CQzGraphicsGL2* gl = gl_test::Renderer();
    ASSERT_NE(nullptr, gl);
    script_api_test::CallLog log;
    QZW::Win::CQzPadReader reader;
    script_api_test::FakeGameManager manager(log, &reader);
    manager.realGraphics = gl;
    script_api_test::FakeGameControl control(log);

    char tmpl[] = "/tmp/sqshotXXXXXX";
    ASSERT_NE(nullptr, mkdtemp(tmpl));
    const fs::path path = fs::path(tmpl) / "shot.bmp";

    // The colour is cleared into the window's back buffer, where the frame
    // is composed and where the screenshot reads.
    gl->SetFrameBuffer(-1);
    glDisable(GL_SCISSOR_TEST);
    gl->Clear(10, 200, 30, 255);
    glFinish();

    HSQUIRRELVM v = sq_open(1024);
    Sample::SetSquirrelVM(v);
    sq_pushroottable(v);
    Sample::RegisterScriptApi(&manager, &control);
    const std::string script = "return SQ_ScreenShot(\"" + path.string() + "\", 4, 2, 0, 0)";
    script_test::SnippetResult r = script_test::RunSnippet(v, script.c_str());
    sq_pop(v, 1);
    Sample::SqBind::ForgetClasses();
    sq_close(v);
    Sample::SetSquirrelVM(nullptr);
    Sample::SetScriptServices(nullptr, nullptr);
    EXPECT_TRUE(r.ok) << r.text;

    std::ifstream in(path, std::ios::binary);
    const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)),
                                           std::istreambuf_iterator<char>());
    fs::remove_all(tmpl);
    // Two rows of four pixels, each row 12 bytes (already a multiple of 4).
    ASSERT_EQ(QZW::Win::kQzBmpHeaderSize + 24u, bytes.size());
    for (std::size_t i = QZW::Win::kQzBmpHeaderSize; i < bytes.size(); i += 3) {
        EXPECT_EQ(30, bytes[i]) << i;
        EXPECT_EQ(200, bytes[i + 1]) << i;
        EXPECT_EQ(10, bytes[i + 2]) << i;
    }
}

}  // namespace
