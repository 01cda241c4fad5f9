// The sound manager over the device: cue names from file names, volumes as
// the scripts read them, PlaySE answering its cue index, IsEndBGM true while
// music plays, a script's out-of-range index playing nothing, and a device
// that cannot start throwing 1.
#include "qzware/win/qz_sound_manager_al.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "qzware/depend/win/vho/audio/vho_audio_device.h"
#include "tests/qzware/depend/win/vho/audio/sound_fixture.h"

namespace {

using namespace sound_test;
using QZW::Win::CQzSoundManagerAL;

TEST(SoundManager, CueNamesAreTheFileNamesLastPartWithoutItsExtension) {
    const std::pair<const char*, const char*> cases[] = {
        {"se/hit01.wav", "hit01"},
        {"a/b/c.d.wav", "c.d"},
        {"hit01", "hit01"},
        {"dir.v2/name", "name"},
        {"back\\slash.wav", "back\\slash"},
        {"bgm/.wav", ""},
        {"", ""},
        {"se/", ""},
    };
    for (const auto& [file, cue] : cases) {
        EXPECT_EQ(cue, QZW::Win::CueNameOfFile(file)) << file;
    }
    EXPECT_EQ("", QZW::Win::CueNameOfFile(nullptr));
}

TEST(SoundManager, VolumesReadBackTimes255AndStayInRange) {
    const std::pair<float, std::int32_t> cases[] = {
        {1.0f, 255},
        {0.5f, 127},
        {6.0f, 1530},
        {0.0f, 0},
        {-1.0f, 0},
        {std::nanf(""), 0},
        {16777216.0f, std::numeric_limits<std::int32_t>::max()},
    };
    for (const auto& [volume, script] : cases) {
        EXPECT_EQ(script, QZW::Win::ScriptVolume(volume)) << volume;
    }
}

class SoundManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NO_THROW(manager.Initialize(nullptr, files.folder));
        ASSERT_TRUE(manager.IsInitialized());
        manager.Update();  // starts the worker
    }
    std::size_t Owned() { return manager.GetDevice()->OwnedCueCount(); }

    SoundFolder files;
    CQzSoundManagerAL manager;
};

TEST_F(SoundManagerTest, PlaySEPlaysOnlyWithVolumeAndAnswersTheCueIndex) {
    EXPECT_EQ(kLong, manager.PlaySE(kLong, 0, 0.0f));
    EXPECT_EQ(0u, Owned());
    EXPECT_EQ(kLong, manager.PlaySE(kLong, 0, 1.0f));
    EXPECT_EQ(1u, Owned());
    EXPECT_TRUE(manager.IsEndSE(kLong)) << "the answer is a cue index, not a handle";
    EXPECT_EQ(kLong, manager.PlaySEChannel(7, kLong, 0, 1.0f));
    EXPECT_EQ(2u, Owned());
    manager.StopAllSE();
    EXPECT_EQ(0u, Owned());
}

TEST_F(SoundManagerTest, ScriptIndicesOutsideTheBankPlayNothing) {
    for (std::int32_t cue : {-1, std::int32_t(kCueCount), 0x10000 + kLong, 0x7FFFFFFF}) {
        EXPECT_EQ(cue, manager.PlaySE(cue, 0, 1.0f));
    }
    EXPECT_EQ(0u, Owned()) << "65536 + n must not wrap around to cue n";
}

TEST_F(SoundManagerTest, VolumesAndCueLookupsGoThroughTheDevice) {
    manager.SetSEVolume(0.5f);
    EXPECT_EQ(127, manager.GetSEVolume());
    EXPECT_EQ(255, manager.GetMasterVolume());
    manager.SetMasterVolume(2.0f);
    EXPECT_EQ(255, manager.GetSEVolume());
    EXPECT_EQ(510, manager.GetBGMVolume());
    EXPECT_EQ(kMusic, manager.LoadWav("bgm/bgm_loop.wav"));
    EXPECT_EQ(0xFFFF, manager.LoadWav("se/none.wav"));
    EXPECT_EQ(0, manager.LoadMp3("bgm/bgm_loop.mp3"));
}

TEST_F(SoundManagerTest, IsEndBGMIsTrueWhileMusicPlays) {
    EXPECT_FALSE(manager.IsEndBGM());
    EXPECT_EQ(0, manager.PlayBGM(kMusic, 0, 1.0f));
    EXPECT_FALSE(manager.IsEndBGM()) << "music plays by file name only";
    EXPECT_EQ(0, manager.PlayBGMFile("bgm/bgm_loop.wav", 0, 1.0f));
    EXPECT_TRUE(manager.IsEndBGM());
    manager.PauseBGM();
    manager.ResumeBGM();
    manager.StopBGM();
    EXPECT_FALSE(manager.IsEndBGM());
}

TEST(SoundManager, ADeviceThatCannotStartThrowsOne) {
    SoundFolder files;
    files.Write("Sound Bank.xsb", {});
    CQzSoundManagerAL manager;
    EXPECT_THROW(manager.Initialize(nullptr, files.folder), int);
    EXPECT_FALSE(manager.IsInitialized());
    try {
        manager.Initialize(nullptr, files.folder);
    } catch (int code) {
        EXPECT_EQ(1, code);
    }
}

}  // namespace
