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
#include "tests/proj/script/script_snippet.h"
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

    qz_test_support::RecordingGraphics graphics;
    qz_test_support::GameDrawWorld world{graphics};
    HSQUIRRELVM v = nullptr;
};

}  // namespace node_test
