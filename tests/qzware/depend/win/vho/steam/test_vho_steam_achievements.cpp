// Achievements and voice through the platform services object on an
// in-process world: unlocks by list position are stored once, the engine's
// achievement object needs no services to be safe, and voice recording can
// be stopped and started again.
#include "qzware/depend/win/vho/vho_steam_achievements.h"

#include <gtest/gtest.h>

#include "platform/online/online_callbacks.h"
#include "qzware/depend/win/vho/vho_steam.h"
#include "qzware/depend/win/vho/vho_steam_voice_chat.h"
#include "qzware/win/qz_achievement_win.h"
#include "tests/qzware/depend/win/vho/steam/steam_fixture.h"

namespace {

namespace po = platform::online;

class SteamAchievementsTest : public steam_test::SteamOnWorld {
protected:
    SteamAchievementsTest() { world.set_achievement_names({"first_win", "all_stages"}); }

    // Counts the stats-stored callbacks our member's store posts.
    int CountStores(vho::Steam& steam) {
        int stores = 0;
        const int token = self.callbacks().register_callback(po::UserStatsStored::kId,
                                                             [&stores](const void*) { ++stores; });
        Frame(steam);
        self.callbacks().unregister(token);
        return stores;
    }
};

TEST_F(SteamAchievementsTest, UnlocksByListPositionAndStoresOnlyWhatChanges) {
    vho::Steam steam(self);
    Started(steam);
    EXPECT_EQ(2u, steam.GetNumAchievements());
    EXPECT_EQ("all_stages", steam.GetAchievements()->GetAchievementName(1));
    EXPECT_EQ("", steam.GetAchievements()->GetAchievementName(2));
    EXPECT_FALSE(steam.IsAchievementUnlocked(1));

    steam.UnlockAchievement(1);
    EXPECT_TRUE(steam.IsAchievementUnlocked(1));
    EXPECT_FALSE(steam.IsAchievementUnlocked(0));
    EXPECT_EQ(1, CountStores(steam));

    steam.UnlockAchievement(1);  // already achieved: no set, no store
    steam.UnlockAchievement(2);  // past the list: nothing
    EXPECT_EQ(0, CountStores(steam));

    EXPECT_TRUE(steam.ResetAllStats());
    EXPECT_FALSE(steam.IsAchievementUnlocked(1));
}

TEST_F(SteamAchievementsTest, AnUnknownNameReadsAsAchievedSoNoUnlockIsTried) {
    vho::Steam steam(self);
    Started(steam);
    EXPECT_TRUE(steam.GetAchievements()->IsAchieved("no_such_name"));
}

TEST_F(SteamAchievementsTest, NotStartedAnswersFalseAndZero) {
    vho::Steam steam(self);
    steam.UnlockAchievement(0);
    EXPECT_FALSE(steam.IsAchievementUnlocked(0));
    EXPECT_EQ(0u, steam.GetNumAchievements());
    EXPECT_FALSE(steam.ResetAllStats());
    steam.SetVoiceRecording(true);
    EXPECT_FALSE(steam.IsVoiceRecording());
    vho::VoicePcmRecord out;
    vho::VoiceRecord in;
    in.size = 10;
    EXPECT_FALSE(steam.DecompressVoice(&out, &in));
}

TEST_F(SteamAchievementsTest, TheEngineAchievementObjectUnlocksThroughTheServices) {
    // Without a services object it does nothing (the getter would assert).
    ASSERT_FALSE(vho::Steam::HasInstance());
    QZW::Win::CQzAchievementWin::GetInstance().Unlock(0);
    QZW::Win::CQzAchievementWin::GetInstance().ResetAll();

    vho::Steam steam(self);
    Started(steam);
    QZW::Win::CQzAchievementWin::GetInstance().Unlock(0);
    EXPECT_TRUE(steam.IsAchievementUnlocked(0));
    QZW::Win::CQzAchievementWin::GetInstance().ResetAll();
    EXPECT_FALSE(steam.IsAchievementUnlocked(0));
}

TEST_F(SteamAchievementsTest, VoiceRecordingStopsWhenThePlatformHasAndStartsAgain) {
    vho::Steam steam(self);
    Started(steam);
    vho::SteamVoiceChat* voice = steam.GetVoiceChat();
    ASSERT_NE(nullptr, voice);

    voice->StopRecording();  // idle: nothing to stop
    EXPECT_FALSE(voice->IsStopRequested());

    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        steam.SetVoiceRecording(true);
        steam.SetVoiceRecording(true);
        EXPECT_TRUE(steam.IsVoiceRecording());
        Frame(steam);
        EXPECT_TRUE(steam.IsVoiceRecording()) << "no voice data yet is not the end";

        steam.SetVoiceRecording(false);
        EXPECT_TRUE(voice->IsStopRequested());
        EXPECT_TRUE(steam.IsVoiceRecording()) << "recording until the platform has stopped";
        Frame(steam);
        EXPECT_FALSE(steam.IsVoiceRecording());
    }
}

TEST_F(SteamAchievementsTest, AnEmptyVoiceRecordDecompressesToNothing) {
    vho::Steam steam(self);
    Started(steam);
    vho::VoicePcmRecord out;
    vho::VoiceRecord empty;
    EXPECT_FALSE(steam.DecompressVoice(&out, &empty));
    EXPECT_EQ(0u, out.size);
}

}  // namespace
