// The application object: one frame callback and one paced wait per idle
// turn, the end that reaps the task tree and lets a queued save reach the
// disk, and the first frame on a desktop without OpenGL.
#include "proj/win/sample_app.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/clock/clock_null.h"
#include "platform/input/input_null.h"
#include "platform/window/window_null.h"
#include "proj/win/test_win.h"
#include "qzware/scene/qz_task.h"
#include "qzware/win/qz_file_manager.h"
#include "qzware/win/qz_game_manager.h"
#include "tests/support/null_sound_manager.h"
#include "tests/support/online_services.h"
#include "tests/support/process_runner.h"

namespace {

using Sample::Win::CSampleApp;

// Notes the clock at each of its updates.
class ClockNotingTask : public QZW::CQzTask {
public:
    ClockNotingTask() : QZW::CQzTask("ClockNotingTask") {}
    void Update() override { seen.push_back(platform::clock::now_ms()); }
    std::vector<std::uint32_t> seen;
};

// Says on stderr when it is deleted.
class NoisyTask : public QZW::CQzTask {
public:
    explicit NoisyTask(const std::string& name) : QZW::CQzTask(name) {}
    ~NoisyTask() override { std::fprintf(stderr, "deleted %s\n", name.c_str()); }
};

class SampleAppTest : public ::testing::Test {
protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "fast"); }
    void TearDown() override {
        app.gameManager = nullptr;
        app.frameCallback = nullptr;
        app.fps.Initialize(0);
    }
    CSampleApp& app = CSampleApp::GetInstance();
    qz_test::TempDir dir;
};

TEST_F(SampleAppTest, EachIdleTurnRunsTheFrameThenSleepsOutA60HzFrame) {
    platform::clock::ManualClock clock(1000);
    platform::clock::ScopedClock scoped(clock);
    qz_test_support::OnlineServices online;
    QZW::Win::CQzGameManager manager;
    manager.taskManager = new QZW::CQzTaskManager();
    auto* task = new ClockNotingTask();
    manager.taskManager->GetRootTask()->AppendChild(task);
    manager.StartFrameClock();

    app.gameManager = &manager;
    app.frameCallback = &CSampleApp::MainFrame;
    app.fps.Initialize(60);
    for (int i = 0; i < 61; ++i) {
        app.Idle();
    }
    ASSERT_EQ(61u, task->seen.size()) << "one game-manager update per turn";
    // The frame runs before the wait: the first wait starts the schedule
    // without sleeping, so the first two frames see the same time.
    EXPECT_EQ(1000u, task->seen[0]);
    EXPECT_EQ(1000u, task->seen[1]);
    EXPECT_EQ(1016u, task->seen[2]);
    // Sixty paced frames of 16 2/3 ms: 1000 ms, less the millisecond the
    // last sleep leaves to the message loop.
    EXPECT_EQ(1999u, clock.now_ms());
    EXPECT_NEAR(0.0167, manager.GetDeltaTime(), 0.001);

    delete manager.taskManager;
    manager.taskManager = nullptr;
}

TEST_F(SampleAppTest, QuitReapsTheTaskTreeAndLetsAQueuedSaveReachTheDisk) {
    const std::string bytes = "the last frame's save";
    EXPECT_EXIT(
        {
            QZW::Win::CQzGameManager manager;
            manager.taskManager = new QZW::CQzTaskManager();
            manager.fileManager = new QZW::Win::CQzFileManager(dir.path());
            auto* parent = new NoisyTask("parent");
            parent->AppendChild(new NoisyTask("child"));
            manager.taskManager->GetRootTask()->AppendChild(parent);
            manager.fileManager->SaveFileAsync("SAVEDATA/SAVE00.BIN", bytes.data(),
                                               std::uint32_t(bytes.size()), nullptr, 0);
            app.gameManager = &manager;
            app.Quit();
        },
        ::testing::ExitedWithCode(0), "deleted child\ndeleted parent\n");
    std::ifstream in(dir.path() + "/SAVEDATA/SAVE00.BIN", std::ios::binary);
    EXPECT_EQ(bytes, std::string(std::istreambuf_iterator<char>(in), {}));
}

TEST_F(SampleAppTest, TheFirstFrameWaitsForTheSoundManager) {
    platform::window::NullBackend desk;
    platform::window::ScopedBackend windows(desk);
    QZW::Win::CQzGameManager& manager = QZW::Win::GetGameManager();
    qz_test_support::NullSoundManager sound;
    sound.initialized = false;
    manager.soundManager = &sound;
    Sample::Win::CTestWin window;
    app.window = &window;
    app.gameManager = &manager;
    app.frameCallback = &CSampleApp::FirstFrame;
    for (int i = 0; i < 3; ++i) {
        app.Idle();
    }
    EXPECT_EQ(nullptr, manager.GetGraphics()) << "the renderer started before the sound manager";
    EXPECT_TRUE(app.frameCallback == &CSampleApp::FirstFrame);
    manager.soundManager = nullptr;
    app.window = nullptr;
}

TEST_F(SampleAppTest, NetworkSetUpAppendsTheSenderThenTheReceiverAfterTheScripts) {
    QZW::Win::CQzGameManager manager;
    manager.taskManager = new QZW::CQzTaskManager();
    QZW::CQzTask* root = manager.taskManager->GetRootTask();
    root->AppendChild(new NoisyTask("CSquirrelTask"));
    app.gameManager = &manager;
    EXPECT_EQ(1, app.CreateNetworkTasks());
    ASSERT_EQ(3u, root->children.size());
    EXPECT_EQ("CGameP2PNetowrkSender", root->children[1]->name);
    EXPECT_EQ("CGameP2PNetworkReceiver", root->children[2]->name);
    delete manager.taskManager;
    manager.taskManager = nullptr;
}

TEST_F(SampleAppTest, AFirstFrameWithoutOpenGlEndsTheProgramWithStatusMinus1) {
    EXPECT_EXIT(
        {
            platform::window::NullBackend desk;
            platform::window::ScopedBackend windows(desk);
            platform::input::ScriptedInput pads;
            platform::input::ScopedInput input(pads);
            auto* window = new Sample::Win::CTestWin();
            if (!app.Initialize(nullptr, window)) {
                std::exit(3);  // the in-memory desktop always makes windows
            }
            app.FirstFrame();
        },
        ::testing::ExitedWithCode(255), "");
}

TEST_F(SampleAppTest, StartUpSeedsTheCLibraryGeneratorWithTheTime) {
    const auto draws = [] {
        std::vector<int> d;
        for (int i = 0; i < 4; ++i) {
            d.push_back(std::rand());
        }
        return d;
    };
    QZW::Win::CQzGameManager manager;
    manager.taskManager = new QZW::CQzTaskManager();
    app.gameManager = &manager;
    std::srand(1);
    const std::vector<int> unseeded = draws();
    std::srand(1);
    app.CreateNetworkTasks();
    const std::vector<int> afterStart = draws();
    EXPECT_NE(unseeded, afterStart) << "the sequence is the same on every launch";
    // The seed is the time: the same second gives the same sequence.
    const auto now = static_cast<unsigned>(std::time(nullptr));
    std::srand(now);
    const std::vector<int> timeSeeded = draws();
    app.CreateNetworkTasks();
    if (static_cast<unsigned>(std::time(nullptr)) == now) {
        EXPECT_EQ(timeSeeded, draws());
    }
    delete manager.taskManager;
    manager.taskManager = nullptr;
}

}  // namespace
