// A script VM with the whole script API over the game draw task, its
// engine draw task and the recording renderer, for the node class tests.
// Textures named in `graphics.textures` load (the engine draw task then
// owns them).
#pragma once

#include <gtest/gtest.h>
#include <squirrel.h>

#include <string>

#include "proj/script/script_api.h"
#include "proj/script/sq_bind.h"
#include "qzware/scene/qz_screen.h"
#include "qzware/scene/resource_manager.h"
#include "tests/proj/script/script_snippet.h"
#include "tests/qzware/scene/font_fixture.h"
#include "tests/support/game_draw_fakes.h"

namespace node_test {

class NodeScriptTest : public ::testing::Test {
protected:
    void SetUp() override {
        world.MakeTask(false);
        v = sq_open(1024);
        Sample::SetSquirrelVM(v);
        sq_pushroottable(v);
        Sample::RegisterScriptApi(&world.manager, nullptr);
        world.task->Update();
        graphics.ClearCalls();
    }
    void TearDown() override {
        sq_pop(v, 1);
        Sample::SqBind::ForgetClasses();
        sq_close(v);
        Sample::SetSquirrelVM(nullptr);
        Sample::SetScriptServices(nullptr, nullptr);
    }
    script_test::SnippetResult Run(const std::string& script) {
        return script_test::RunSnippet(v, script.c_str());
    }
    // Runs `script`, which must succeed, and gives its result.
    std::string Value(const std::string& script) {
        script_test::SnippetResult r = Run(script);
        EXPECT_TRUE(r.ok) << script << ": " << r.text;
        return r.text;
    }
    // The object of the instance in root slot `name`, as a `T`.
    template <class T>
    T* Object(const char* name) {
        sq_pushstring(v, name, -1);
        T* out = nullptr;
        if (SQ_SUCCEEDED(sq_get(v, -2))) {
            void* p = nullptr;
            if (SQ_SUCCEEDED(
                    Sample::SqBind::FetchObject(v, -1, &Sample::SqBind::InfoOf<T>(), false, &p))) {
                out = static_cast<T*>(p);
            }
            sq_pop(v, 1);
        }
        return out;
    }
    QZW::CQzNode& LayerNode(int layer) { return world.task->layerScreens[layer]->layers[0]; }
    // One whole frame: the engine draws what was queued, then the game
    // draw task empties the layers and frees what the scripts let go of.
    void NextFrame() {
        world.DrawFrame();
        world.task->Update();
    }

    // Serves "font/t.fnt" (text format, also as the regular face's "_ch"
    // file): lineHeight 20, base 16, one page
    // ("font/p0.tga", 128 x 64) with "A" (xadvance 10), "B" (8) and "?".
    void UseFont() {
        const std::string text =
            "common lineHeight=20 base=16 scaleW=128 scaleH=64 pages=1 packed=0\n"
            "page id=0 file=\"p0.tga\"\n"
            "char id=65 x=0  y=0 width=8 height=12 xoffset=1 yoffset=2 xadvance=10 page=0\n"
            "char id=66 x=10 y=0 width=6 height=12 xoffset=0 yoffset=4 xadvance=8  page=0\n"
            "char id=63 x=60 y=0 width=6 height=10 xoffset=1 yoffset=2 xadvance=7  page=0\n";
        fonts.files["font/t.fnt"] = std::vector<std::uint8_t>(text.begin(), text.end());
        fonts.files["font/lumesa_gosiL30_ch.fnt"] = fonts.files["font/t.fnt"];
        fonts.textures = {"font/p0.tga"};
        // The game draw task cached its fonts (empty) already.
        QZW::CResourceManager::GetInstance()->ReleaseAll();
        QZW::CResourceManager::GetInstance()->SetServices(&graphics, &fonts);
    }

    fonttest::MaterialOwner fonts;
    qz_test_support::RecordingGraphics graphics;
    qz_test_support::GameDrawWorld world{graphics};
    HSQUIRRELVM v = nullptr;
};

}  // namespace node_test
