// The engine draw task and the present task against the recording renderer:
// the frame bracket and the alternation of the two roots over ticks, and the
// texture list with synchronous loads and asynchronous ones through a real
// file manager over a temporary data folder.
#include "qzware/scene/qz_draw_task.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "qzware/common/qz_mem.h"
#include "qzware/scene/iqz_texture.h"
#include "qzware/scene/qz_draw_flip_task.h"
#include "qzware/win/qz_file_manager.h"
#include "tests/support/null_game_manager.h"
#include "tests/support/poll_until.h"
#include "tests/support/process_runner.h"
#include "tests/support/recording_graphics.h"

namespace {

using qz_test_support::NullGameManager;
using qz_test_support::RecordingGraphics;
using QZW::CQzDrawTask;
using QZW::CQzNode;
using QZW::IQzTexture;

int g_texturesAlive = 0;

class CountedTexture : public IQzTexture {
public:
    explicit CountedTexture(std::string name) : name(std::move(name)) { ++g_texturesAlive; }
    ~CountedTexture() override { --g_texturesAlive; }
    std::int32_t GetWidth() override { return 1; }
    std::int32_t GetHeight() override { return 1; }
    std::string GetName() override { return name; }
    void SetName(const std::string& n) override { name = n; }
    void SetWrap(bool) override {}
    void SetFilter(bool, bool) override {}
    std::string name;
};

// Loads succeed for names starting "ok", from a file or from memory; every
// attempt is counted by path.
class LoadingGraphics : public RecordingGraphics {
public:
    std::map<std::string, int> fileLoads, memoryLoads;
    std::map<std::string, std::string> memoryContent;

    IQzTexture* LoadTexture(const char* path) override {
        ++fileLoads[path];
        return std::string(path).rfind("ok", 0) == 0 ? new CountedTexture(path) : nullptr;
    }
    IQzTexture* LoadTextureFromMemory(const char* path, const void* data,
                                      std::uint32_t size) override {
        ++memoryLoads[path];
        memoryContent[path].assign(static_cast<const char*>(data), size);
        return std::string(path).rfind("ok", 0) == 0 ? new CountedTexture(path) : nullptr;
    }
};

// Draws as "SetPaletteIndex(id)".
class Marker : public CQzNode {
public:
    explicit Marker(int id) : id(id) {}
    void Draw(QZW::IQzGraphics* g) override { g->SetPaletteIndex(id); }
    int id;
};

class DrawTaskTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(QzMemManagerCreate());
        g_texturesAlive = 0;
        manager.graphics = &graphics;
    }
    void TearDown() override {
        task.reset();
        EXPECT_EQ(g_texturesAlive, 0) << "the draw task deletes every listed texture";
        if (files) {
            files->Finalize();
            files.reset();
        }
        QzMemManagerDestroy();
    }
    void UseFiles() {
        QZW::Win::CQzFileManager::ResetRequestIdsForTests();
        files = std::make_unique<QZW::Win::CQzFileManager>(dir.path());
        manager.fileManager = files.get();
    }
    void WriteFile(const std::string& name, const std::string& content) {
        std::ofstream(dir.path() + "/" + name, std::ios::binary) << content;
    }
    // Pumps the completions until `done` holds.
    template <typename F>
    bool PumpUntil(F done) {
        return qz_test::PollUntil(done, [&] { files->Update(); });
    }
    void MakeTask() { task = std::make_unique<CQzDrawTask>(&manager); }

    qz_test::TempDir dir;
    LoadingGraphics graphics;
    NullGameManager manager;
    std::unique_ptr<QZW::Win::CQzFileManager> files;
    std::unique_ptr<CQzDrawTask> task;
};

std::vector<std::string> FrameCalls(const RecordingGraphics& g) {
    std::vector<std::string> out;
    for (const auto& call : g.calls) {
        if (call.name == "BeginFrame" || call.name == "EndFrame" ||
            call.name == "SetPaletteIndex") {
            out.push_back(call.Text());
        }
    }
    return out;
}

TEST_F(DrawTaskTest, DrawsTheRootFilledLastTickAndThenSwitchesAndEmptiesTheOther) {
    MakeTask();
    EXPECT_EQ(task->name, "CQzDrawTask");
    EXPECT_EQ(task->graphics, &graphics);
    Marker first(1), second(2), third(3);

    // Filled before tick 1 (root 0).
    EXPECT_EQ(task->GetCurrentRootIndex(), 0u);
    task->GetCurrentRoot()->AppendChild(&first);
    task->Execute();
    EXPECT_EQ(FrameCalls(graphics),
              (std::vector<std::string>{"BeginFrame()", "SetPaletteIndex(1)", "EndFrame()"}));
    EXPECT_EQ(graphics.Names()[1], "ResetWorldMatrix");
    EXPECT_EQ(task->GetCurrentRootIndex(), 1u);
    EXPECT_TRUE(task->GetCurrentRoot()->children.empty());
    EXPECT_EQ(task->GetRoot(0)->children.size(), 1u) << "root 0 keeps its nodes a tick longer";

    // Queued during tick 1 after the switch: drawn in tick 2, root 0 emptied.
    task->GetCurrentRoot()->AppendChild(&second);
    graphics.ClearCalls();
    task->Execute();
    EXPECT_EQ(FrameCalls(graphics),
              (std::vector<std::string>{"BeginFrame()", "SetPaletteIndex(2)", "EndFrame()"}));
    EXPECT_EQ(task->GetCurrentRootIndex(), 0u);
    EXPECT_TRUE(task->GetRoot(0)->children.empty());
    EXPECT_EQ(task->GetRoot(1)->children, std::vector<CQzNode*>{&second});

    task->GetCurrentRoot()->AppendChild(&third);
    graphics.ClearCalls();
    task->Execute();
    EXPECT_EQ(FrameCalls(graphics),
              (std::vector<std::string>{"BeginFrame()", "SetPaletteIndex(3)", "EndFrame()"}));
    EXPECT_TRUE(task->GetRoot(1)->children.empty());
    EXPECT_EQ(graphics.Count("PushMatrix"), graphics.Count("PopMatrix"));
}

TEST_F(DrawTaskTest, PresentTaskFlushesThenSwaps) {
    QZW::CQzDrawFlipTask flip(&graphics);
    EXPECT_EQ(flip.name, "CQzDrawFlipTask");
    flip.Execute();
    EXPECT_EQ(graphics.Names(), (std::vector<std::string>{"Flush", "Present"}));
    QZW::CQzDrawFlipTask none(nullptr);
    none.Execute();  // no renderer: nothing to present
}

TEST_F(DrawTaskTest, TexturesLoadOnceAndMissingFilesAreNotRetriedEveryFrame) {
    MakeTask();
    EXPECT_EQ(task->GetTexture("ok.tga", false), nullptr);
    EXPECT_EQ(task->GetTextureCount(), 0u);

    IQzTexture* ok = task->GetTexture("ok.tga", true);
    ASSERT_NE(ok, nullptr);
    for (int frame = 0; frame < 100; ++frame) {
        EXPECT_EQ(task->GetTexture("ok.tga", true), ok);
        EXPECT_EQ(task->GetTexture("missing.tga", true), nullptr);
    }
    EXPECT_EQ(graphics.fileLoads["ok.tga"], 1);
    EXPECT_EQ(graphics.fileLoads["missing.tga"], 1);
    EXPECT_EQ(task->GetTextureCount(), 2u);
    EXPECT_EQ(task->GetTexture("ok.tg", false), nullptr) << "names match exactly";
    EXPECT_EQ(task->LoadTextureAsync("missing.tga"), -1) << "a listed failure is not re-read";

    // Forgetting the failures lets the name load again.
    task->ReleaseTexture(nullptr);
    EXPECT_EQ(task->GetTextureCount(), 1u);
    EXPECT_EQ(task->GetTexture("missing.tga", true), nullptr);
    EXPECT_EQ(graphics.fileLoads["missing.tga"], 2);

    // Only listed textures are deleted by a release.
    CountedTexture foreign("foreign");
    task->ReleaseTexture(&foreign);
    EXPECT_EQ(g_texturesAlive, 2);
    task->ReleaseTexture(ok);
    EXPECT_EQ(g_texturesAlive, 1);
    EXPECT_FALSE(task->IsTextureListed("ok.tga"));
    EXPECT_NE(task->GetTexture("ok.tga", true), nullptr);
    EXPECT_EQ(graphics.fileLoads["ok.tga"], 2);
}

TEST_F(DrawTaskTest, AHeldTextureLeavesTheListOnReleaseButLivesUntilItsLastHoldEnds) {
    MakeTask();
    IQzTexture* ok = task->GetTexture("ok.tga", true);
    ASSERT_NE(ok, nullptr);
    task->HoldTexture(ok);
    task->HoldTexture(ok);
    EXPECT_EQ(task->TextureHolders(ok), 2);

    task->ReleaseTexture(ok);
    EXPECT_FALSE(task->IsTextureListed("ok.tga")) << "a release unlists at once";
    EXPECT_EQ(g_texturesAlive, 1) << "expected the held texture alive after its release";
    EXPECT_EQ(task->GetRetiredTextureCount(), 1u);
    IQzTexture* fresh = task->GetTexture("ok.tga", true);
    EXPECT_NE(fresh, nullptr);
    EXPECT_EQ(g_texturesAlive, 2) << "the name loads anew beside the held copy";

    task->DropTexture(ok, false);
    EXPECT_EQ(g_texturesAlive, 2) << "one hold remains";
    task->DropTexture(ok, false);
    EXPECT_EQ(g_texturesAlive, 1) << "expected the last hold to delete the released texture";
    EXPECT_EQ(task->GetRetiredTextureCount(), 0u);
    EXPECT_TRUE(task->IsTextureListed("ok.tga")) << "the new copy is untouched";

    // A last hold with release also unlists and deletes a listed texture;
    // without it the texture stays cached.
    task->HoldTexture(fresh);
    task->DropTexture(fresh, false);
    EXPECT_TRUE(task->IsTextureListed("ok.tga"));
    task->HoldTexture(fresh);
    task->HoldTexture(fresh);
    task->DropTexture(fresh, true);
    EXPECT_TRUE(task->IsTextureListed("ok.tga")) << "another holder still draws with it";
    task->DropTexture(fresh, true);
    EXPECT_FALSE(task->IsTextureListed("ok.tga"));
    EXPECT_EQ(g_texturesAlive, 0);

    // Held and released textures go with the task.
    IQzTexture* last = task->GetTexture("ok2.tga", true);
    task->HoldTexture(last);
    task->ReleaseTexture(last);
    EXPECT_EQ(g_texturesAlive, 1);
    task.reset();
    EXPECT_EQ(g_texturesAlive, 0);
}

TEST_F(DrawTaskTest, AsyncLoadsDecodeOnceAndFailedReadsNeverReachTheDecoder) {
    UseFiles();
    WriteFile("ok.dds", "DDS texture bytes");
    WriteFile("bad.tga", "not a tga");
    WriteFile("ok_late.dds", "late bytes");
    MakeTask();

    struct Case {
        const char* name;
        bool expectTexture;
        int expectDecodes;
    } const cases[] = {
        {"ok.dds", true, 1},        // read and decoded
        {"bad.tga", false, 1},      // read, refused by the decoder
        {"missing.tga", false, 0},  // no file: no data, no decoder call
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::int32_t id = task->LoadTextureAsync(c.name);
        ASSERT_GT(id, 0);
        EXPECT_EQ(task->LoadTextureAsync(c.name), id) << "a read in flight is not queued again";
        ASSERT_TRUE(PumpUntil([&] { return task->IsTextureListed(c.name); }));
        EXPECT_EQ(graphics.memoryLoads[c.name], c.expectDecodes);
        EXPECT_EQ(task->GetTextureFromRequestId(id) != nullptr, c.expectTexture);
        EXPECT_EQ(task->GetTexture(c.name, false) != nullptr, c.expectTexture);
        EXPECT_EQ(task->LoadTextureAsync(c.name), -1);
        EXPECT_EQ(graphics.fileLoads[c.name], 0) << "never read again synchronously";
    }
    EXPECT_EQ(graphics.memoryContent["ok.dds"], "DDS texture bytes");
    EXPECT_EQ(task->GetTextureCount(), 3u);
    EXPECT_EQ(task->GetTextureFromRequestId(-5), nullptr);
    EXPECT_EQ(task->GetTextureFromRequestId(9999), nullptr);

    // A read that completes after its draw task is gone only frees its data.
    const std::int32_t late = task->LoadTextureAsync("ok_late.dds");
    ASSERT_GT(late, 0);
    task.reset();
    EXPECT_TRUE(PumpUntil([&] { return files->IsRequestFinished(std::uint32_t(late)); }));
    EXPECT_EQ(graphics.memoryLoads["ok_late.dds"], 0);
}

}  // namespace
