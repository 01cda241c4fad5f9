// The game manager's frame clock, frame counter, process-wide settings and
// shutdown order.
#include "qzware/win/qz_game_manager.h"

#include <gtest/gtest.h>

#include "platform/clock/clock_null.h"
#include "platform/window/window_null.h"
#include "qzware/scene/qz_draw_flip_task.h"
#include "qzware/scene/qz_draw_task.h"
#include "qzware/scene/qz_task.h"
#include "qzware/scene/resource_manager.h"
#include "tests/qzware/scene/font_fixture.h"
#include "tests/support/recording_graphics.h"

namespace {

using platform::clock::ManualClock;
using platform::clock::ScopedClock;
using QZW::Win::ClampFrameDelta;
using QZW::Win::CQzGameManager;

TEST(QzGameManager, FrameDeltaIsClampedToAThirtiethAndNeverNegative) {
    struct Case {
        double elapsed;
        float expected;
    } cases[] = {
        {0.1, 0.033333335f}, {0.01, 0.01f}, {0.034, 0.033333335f},
        {0.0, 0.0f},         {-0.5, 0.0f},  {0.03333333333333333, float(0.03333333333333333)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, ClampFrameDelta(c.elapsed)) << c.elapsed;
    }
}

TEST(QzGameManager, UpdateMeasuresFromTheGraphicsStampAndClampsLongFrames) {
    ManualClock clock(10000);
    ScopedClock use(clock);
    CQzGameManager manager;
    manager.StartFrameClock();
    clock.advance(10);
    manager.Update();
    EXPECT_FLOAT_EQ(0.01f, manager.GetDeltaTime());
    clock.advance(100);
    manager.Update();
    EXPECT_EQ(0.033333335f, manager.GetDeltaTime());
    manager.Update();  // the clock did not move
    EXPECT_EQ(0.0f, manager.GetDeltaTime());
}

TEST(QzGameManager, FramesPerSecondCountsWholeSecondsAndCarriesTheRemainder) {
    ManualClock clock(0);
    ScopedClock use(clock);
    CQzGameManager manager;
    manager.StartFrameClock();
    // 61 frames 17 ms apart: the 59th reaches 1003 ms.
    for (int i = 0; i < 58; ++i) {
        clock.advance(17);
        manager.Update();
    }
    EXPECT_EQ(0u, manager.GetFps());
    clock.advance(17);
    manager.Update();
    EXPECT_EQ(59u, manager.GetFps());
    EXPECT_EQ(3u, manager.fpsAccum);
    EXPECT_EQ(0u, manager.fpsFrames);
}

TEST(QzGameManager, SettingsAndErrorMessage) {
    CQzGameManager manager;
    EXPECT_TRUE(manager.IsEscapeQuit());
    manager.SetEscapeQuit(false);
    EXPECT_FALSE(manager.IsEscapeQuit());
    manager.SetEscapeQuit(true);
    EXPECT_TRUE(manager.IsEscapeQuit());
    EXPECT_EQ(1.0f, manager.GetTimeScale());
    EXPECT_FALSE(manager.HasErrorMessage());
    manager.SetErrorMessage("", "text");
    EXPECT_TRUE(manager.HasErrorMessage());
    manager.SetErrorMessage("title", "");
    EXPECT_TRUE(manager.HasErrorMessage());
    EXPECT_EQ("title", manager.GetErrorTitle());
    manager.SetLanguage(3);
    EXPECT_EQ(3u, manager.GetLanguage());
    EXPECT_EQ(nullptr, manager.GetUnusedManager());
}

TEST(QzGameManager, GraphicsStartAppendsThePresentTaskThenTheDrawTaskToTheRoot) {
    platform::window::NullBackend desk;  // no GL here: the renderer's check fails
    platform::window::ScopedBackend scoped(desk);
    CQzGameManager manager;
    manager.taskManager = new QZW::CQzTaskManager();
    QZW::CQzTask* root = manager.GetTaskManager()->GetRootTask();
    manager.InitializeGraphics(nullptr);

    EXPECT_TRUE(manager.HasErrorMessage());
    ASSERT_NE(manager.GetGraphics(), nullptr);
    ASSERT_EQ(root->children.size(), 2u);
    auto* flip = dynamic_cast<QZW::CQzDrawFlipTask*>(root->children[0]);
    auto* draw = dynamic_cast<QZW::CQzDrawTask*>(root->children[1]);
    ASSERT_NE(flip, nullptr);
    ASSERT_NE(draw, nullptr);
    EXPECT_EQ(flip->name, "CQzDrawFlipTask");
    EXPECT_EQ(draw->name, "CQzDrawTask");
    EXPECT_EQ(flip->parent, root);
    EXPECT_EQ(draw->parent, root);
    EXPECT_EQ(flip->graphics, manager.GetGraphics());
    EXPECT_EQ(draw->graphics, manager.GetGraphics());
    EXPECT_EQ(draw->gameManager, &manager);
    EXPECT_EQ(manager.GetDrawTask(), draw);
    manager.Finalize();
    EXPECT_EQ(manager.GetDrawTask(), nullptr);
}

// Notes how many shared resources are still cached when the renderer goes.
class FinalizeProbe : public qz_test_support::RecordingGraphics {
public:
    FinalizeProbe(std::size_t* meshes, std::size_t* fonts) : meshes(meshes), fonts(fonts) {}
    void Finalize() override {
        *meshes = QZW::CResourceManager::GetInstance()->GetMeshCount();
        *fonts = QZW::CResourceManager::GetInstance()->GetFontCount();
    }

private:
    std::size_t* meshes;
    std::size_t* fonts;
};

TEST(QzGameManager, FinalizeReleasesSharedMeshesAndFontsBeforeTheRenderer) {
    QZW::CResourceManager* resources = QZW::CResourceManager::GetInstance();
    qz_test_support::RecordingGraphics meshGraphics;
    fonttest::MemoryOwner owner;
    resources->SetServices(&meshGraphics, &owner);
    const QZW::Vector3 positions[3] = {{0, 0, 0}, {1, 0, 0}, {0, 0, 1}};
    QZW::QzModelPartGeometry part;
    part.positions = positions;
    part.vertexCount = 3;
    ASSERT_NE(resources->GetMesh(&part), nullptr);
    ASSERT_NE(resources->GetFont("font/none.fnt"), nullptr);

    std::size_t meshesAtFinalize = 99;
    std::size_t fontsAtFinalize = 99;
    CQzGameManager manager;
    manager.graphics = new FinalizeProbe(&meshesAtFinalize, &fontsAtFinalize);
    manager.Finalize();
    resources->SetServices(nullptr, nullptr);

    EXPECT_EQ(meshesAtFinalize, 0u);
    EXPECT_EQ(fontsAtFinalize, 0u);
    EXPECT_EQ(manager.GetGraphics(), nullptr);
}

}  // namespace
