// The scripts' achievement queue against a recording platform object, and
// the game language table.
#include "proj/game/achievement_manager.h"

#include <gtest/gtest.h>

#include <vector>

#include "qzware/scene/iqz_archievement.h"

namespace {

using Sample::AchievementManager;

class RecordingAchievements final : public QZW::IQzArchievement {
public:
    void Unlock(std::uint32_t index) override { unlocked.push_back(index); }
    void ResetAll() override { ++resets; }
    std::vector<std::uint32_t> unlocked;
    int resets = 0;
};

class AchievementQueueTest : public ::testing::Test {
protected:
    void SetUp() override {
        AchievementManager::SetPlatform(&platform);
        queue.Clear();
    }
    void TearDown() override {
        queue.Clear();
        AchievementManager::SetPlatform(nullptr);
    }
    RecordingAchievements platform;
    AchievementManager& queue = AchievementManager::GetInstance();
};

TEST_F(AchievementQueueTest, TwelveInOneFrameDropTheTwelfthUntilTheNextFlush) {
    for (int id = 100; id < 112; ++id) {
        queue.UnlockRequest(id);
    }
    queue.Flush();
    const std::vector<std::uint32_t> first11 = {100, 101, 102, 103, 104, 105,
                                                106, 107, 108, 109, 110};
    EXPECT_EQ(first11, platform.unlocked);
    platform.unlocked.clear();
    queue.UnlockRequest(111);
    queue.Flush();
    EXPECT_EQ(std::vector<std::uint32_t>{111}, platform.unlocked);
}

TEST_F(AchievementQueueTest, TheSameIdTwiceIsUnlockedOnceInQueuedOrder) {
    queue.UnlockRequest(7);
    queue.UnlockRequest(3);
    queue.UnlockRequest(7);
    queue.Flush();
    EXPECT_EQ((std::vector<std::uint32_t>{7, 3}), platform.unlocked);
    EXPECT_EQ(0u, queue.count);
}

TEST_F(AchievementQueueTest, AFlushWithNothingPendingCallsNothing) {
    queue.Flush();
    EXPECT_TRUE(platform.unlocked.empty());
}

TEST(GameLanguage, PlatformNamesMapExactlyToTheGamesNumbers) {
    const struct {
        const char* name;
        std::int32_t number;
    } cases[] = {
        {"japanese", 0}, {"english", 1},  {"", 1},         {nullptr, 1},     {"koreana", 2},
        {"schinese", 3}, {"tchinese", 4}, {"Japanese", 1}, {"japanese ", 1}, {"korean", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name ? c.name : "(null)");
        EXPECT_EQ(c.number, Sample::GameLanguageFromName(c.name));
    }
    // Without started platform services the game reads "any other name".
    EXPECT_EQ(1, Sample::GetGameLanguage());
}

}  // namespace
