// The game manager's frame clock, frame counter, process-wide settings and
// shutdown order.
#include "qzware/win/qz_game_manager.h"

#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/clock/clock_null.h"
#include "platform/input/input_null.h"
#include "platform/window/window_null.h"
#include "qzware/scene/qz_draw_flip_task.h"
#include "qzware/scene/qz_draw_task.h"
#include "qzware/scene/qz_task.h"
#include "qzware/scene/resource_manager.h"
#include "qzware/win/qz_file_manager.h"
#include "qzware/win/qz_input_manager.h"
#include "tests/qzware/scene/font_fixture.h"
#include "tests/support/null_sound_manager.h"
#include "tests/support/online_services.h"
#include "tests/support/poll_until.h"
#include "tests/support/process_runner.h"
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
    qz_test_support::OnlineServices online;
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
    qz_test_support::OnlineServices online;
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

// [SECTION] Stage order
// Ticks count frames; the first tick asks for a file and notes how many pad
// polls it saw.
struct OrderProbe {
    int ticks = 0;
    std::uint32_t padReadsSeenByFirstTick = 0;
    int ticksSeenByCompletion = -1;
    platform::input::ScriptedInput* pads = nullptr;
};
OrderProbe g_probe;

class OrderTask : public QZW::CQzTask {
public:
    OrderTask() : QZW::CQzTask("OrderTask") {}
    void Update() override {
        if (++g_probe.ticks == 1) {
            g_probe.padReadsSeenByFirstTick = g_probe.pads->pad_reads();
            QzGetFileManager()->LoadFileAsync("absent.bin", 8, &OnLoaded, 0);
        }
    }
    static void OnLoaded(QzFileRequestResult*) { g_probe.ticksSeenByCompletion = g_probe.ticks; }
};

TEST(QzGameManager, EachFrameReadsInputBeforeTheTasksAndRunsFileCompletionsAfterThem) {
    platform::input::ScriptedInput pads;
    platform::input::ScopedInput useInput(pads);
    pads.set_connected(0, true);
    qz_test::TempDir dir;
    g_probe = OrderProbe{};
    g_probe.pads = &pads;

    QZW::Win::CQzPadReader reader;
    qz_test_support::OnlineServices online;
    CQzGameManager manager;
    manager.inputManager = new QZW::Win::CQzInputManager(&reader);
    manager.inputManager->Initialize(&manager);
    manager.fileManager = new QZW::Win::CQzFileManager(dir.path());
    manager.taskManager = new QZW::CQzTaskManager();
    manager.taskManager->GetRootTask()->AppendChild(new OrderTask());
    manager.StartFrameClock();

    const std::uint32_t readsBeforeFrame = pads.pad_reads();
    manager.Update();
    EXPECT_GT(g_probe.padReadsSeenByFirstTick, readsBeforeFrame)
        << "the tasks must see this frame's input";

    qz_test::PollUntil([] { return g_probe.ticksSeenByCompletion >= 0; },
                       [&] { manager.Update(); });
    ASSERT_GE(g_probe.ticksSeenByCompletion, 2) << "the completion never ran";
    // The completion ran in the frame whose tick had already happened.
    EXPECT_EQ(g_probe.ticks, g_probe.ticksSeenByCompletion);

    // Not Finalize: the memory manager stays for the other tests.
    delete manager.taskManager;
    manager.fileManager->Finalize();
    delete manager.fileManager;
    manager.inputManager->Finalize();
    delete manager.inputManager;
}

// Counts ticks in the probe.
class TickTask : public QZW::CQzTask {
public:
    TickTask() : QZW::CQzTask("TickTask") {}
    void Update() override { ++g_probe.ticks; }
};

// Notes the task ticks it saw at each of its updates.
class TickNotingSound : public qz_test_support::NullSoundManager {
public:
    explicit TickNotingSound(std::vector<int>* seen) : seen(seen) {}
    void Update() override { seen->push_back(g_probe.ticks); }
    std::vector<int>* seen;
};

TEST(QzGameManager, TheSoundManagerUpdatesEveryFrameAfterTheTasks) {
    qz_test_support::OnlineServices online;
    g_probe = OrderProbe{};
    std::vector<int> seen;
    CQzGameManager manager;
    manager.taskManager = new QZW::CQzTaskManager();
    manager.taskManager->GetRootTask()->AppendChild(new TickTask());
    TickNotingSound sound(&seen);
    manager.soundManager = &sound;
    manager.StartFrameClock();
    manager.Update();
    manager.Update();
    EXPECT_EQ((std::vector<int>{1, 2}), seen) << "each frame's sound update follows its tick";
    manager.soundManager = nullptr;
    delete manager.taskManager;
    manager.taskManager = nullptr;
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

// [SECTION] Platform step
// The tasks tick before the platform's step, so a packet waiting at the start
// of a frame is not yet seen by them, and is an event by the frame's end.
struct PacketSeen : vho::Listener {
    int packets = 0;
    void OnPacket(void*) { ++packets; }
};

class PacketProbeTask : public QZW::CQzTask {
public:
    explicit PacketProbeTask(const PacketSeen* seen) : QZW::CQzTask("PacketProbe"), seen(seen) {}
    void Update() override { seenByTick = seen->packets; }
    const PacketSeen* seen;
    int seenByTick = -1;
};

TEST(QzGameManager, TheFrameEndsWithThePlatformStepAfterTheTasks) {
    qz_test_support::OnlineServices online;
    PacketSeen seen;
    online.steam.GetSubject()->Attach(vho::kSteamP2PPacket, &seen, &PacketSeen::OnPacket);
    CQzGameManager manager;
    manager.taskManager = new QZW::CQzTaskManager();
    auto* probe = new PacketProbeTask(&seen);
    manager.taskManager->GetRootTask()->AppendChild(probe);
    manager.StartFrameClock();
    ASSERT_TRUE(online.peer.send_p2p_packet(online.self.own_id(), "p", 1, 0, 0));
    manager.Update();
    EXPECT_EQ(0, probe->seenByTick);
    EXPECT_EQ(1, seen.packets);
    delete manager.taskManager;
    manager.taskManager = nullptr;
}

TEST(QzGameManager, UpdateWithoutPlatformServicesFailsTheSingletonCheck) {
    std::string failed;
    vho::SetAssertHandler([&](const char* expression, const char*, int) {
        failed = expression;
        throw std::runtime_error(expression);
    });
    CQzGameManager manager;
    EXPECT_THROW(manager.Update(), std::runtime_error);
    vho::SetAssertHandler({});
    EXPECT_EQ("(s_instance) != NULL", failed);
}

}  // namespace
