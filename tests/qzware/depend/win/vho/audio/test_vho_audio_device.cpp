// The audio device on FACT with banks from the bank writer, under SDL's
// dummy (or disk) audio driver: cues end by themselves, handles are a
// counter above every cue index, stops arriving on FACT's thread or inside
// Play/Stop are drained on the game thread, bad or missing pieces are
// refused, and the worker is joined before the device goes.
#include "qzware/depend/win/vho/audio/vho_audio_device.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>
#include <thread>
#include <vector>

#include "tests/qzware/depend/win/vho/audio/sound_fixture.h"

namespace {

using namespace sound_test;
using vho::AudioDevice;

bool Start(AudioDevice& d, const SoundFolder& f) {
    return d.Initialize(f.Path("qzl3.xgs").c_str(), f.Path("Wave Bank.xwb").c_str(),
                        f.Path("Stream Wave Bank.xwb").c_str(), f.Path("Sound Bank.xsb").c_str());
}

// How long a wait on the device's own thread may take: only a cue that
// never ends reaches it, a busy machine does not.
constexpr int kDeviceWaitMs = 30000;

// Runs frames (reaping every 10 ms) until `done` or the limit passes.
template <class F>
bool Within(AudioDevice& d, int ms, F done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        d.ReapStoppedCues();
        if (done()) {
            return true;
        }
        if (std::chrono::steady_clock::now() >= end) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

TEST(AudioDevice, LoadsTheWriterBanksWithTheirCategoriesAndCues) {
    SoundFolder files;
    AudioDevice d;
    ASSERT_TRUE(Start(d, files)) << d.GetLastError();
    EXPECT_TRUE(d.IsInitialized());
    EXPECT_EQ(kCueCount, d.GetCueCount());
    EXPECT_EQ(2, d.GetSECategory());
    EXPECT_EQ(3, d.GetBGMCategory());
    EXPECT_EQ(kMusic, d.GetCueIndex("bgm_loop"));
    EXPECT_EQ(0xFFFF, d.GetCueIndex("nothing"));
}

TEST(AudioDevice, AShortCueEndsByItselfAndIsDestroyed) {
    SoundFolder files;
    AudioDevice d;
    ASSERT_TRUE(Start(d, files)) << d.GetLastError();
    d.StartWorkerThread();
    const std::int32_t h = d.PlaySE(kShort);
    ASSERT_GE(h, AudioDevice::kFirstHandle);
    EXPECT_FALSE(d.IsEndSE(h));
    EXPECT_TRUE(Within(d, kDeviceWaitMs, [&] { return d.IsEndSE(h); }))
        << "the 50 ms cue never ended";
    EXPECT_EQ(0u, d.OwnedCueCount());
}

TEST(AudioDevice, HandlesCountUpAboveEveryCueIndexAndAreNotReused) {
    SoundFolder files;
    AudioDevice d;
    ASSERT_TRUE(Start(d, files)) << d.GetLastError();
    std::vector<std::int32_t> handles;
    for (int i = 0; i < 5; ++i) {
        handles.push_back(d.PlaySE(kLong));
        d.StopSE(handles.back());  // freed at once: its address may come back
    }
    for (std::size_t i = 0; i < handles.size(); ++i) {
        EXPECT_EQ(AudioDevice::kFirstHandle + std::int32_t(i), handles[i]);
        EXPECT_TRUE(d.IsEndSE(handles[i]));
    }
    const std::int32_t playing = d.PlaySE(kLong);
    EXPECT_FALSE(d.IsEndSE(playing));
    // What the scripts hold is a cue index: it never names a playing sound.
    for (std::int32_t cue = 0; cue < kCueCount; ++cue) {
        EXPECT_TRUE(d.IsEndSE(cue));
    }
}

TEST(AudioDevice, ACueTheInstanceLimitStopsInPlayIsNotPlayed) {
    SoundFolder files;
    AudioDevice d;
    ASSERT_TRUE(Start(d, files)) << d.GetLastError();
    const std::int32_t first = d.PlaySE(kLimited);
    ASSERT_GE(first, AudioDevice::kFirstHandle);
    EXPECT_EQ(-1, d.PlaySE(kLimited));
    EXPECT_EQ(1u, d.OwnedCueCount()) << "the refused cue was kept";
    d.StopSE(first);
    EXPECT_TRUE(Within(d, kDeviceWaitMs, [&] { return d.OwnedCueCount() == 0; }));
    EXPECT_GE(d.PlaySE(kLimited), AudioDevice::kFirstHandle) << "the limit freed up again";
}

TEST(AudioDevice, CueIndicesOutsideTheBankPlayNothing) {
    SoundFolder files;
    AudioDevice d;
    ASSERT_TRUE(Start(d, files)) << d.GetLastError();
    for (std::uint16_t cue :
         {std::uint16_t(kCueCount), std::uint16_t(999), std::uint16_t(0xFFFF)}) {
        EXPECT_EQ(-1, d.PlaySE(cue)) << cue;
        EXPECT_EQ(nullptr, d.PlayCue(cue)) << cue;
        d.PlayBGM(cue);
        EXPECT_FALSE(d.IsPlayingBGM()) << cue;
        d.StopCue(cue);
    }
    EXPECT_EQ(0u, d.OwnedCueCount());
}

TEST(AudioDevice, MusicRestartsAsANewCueAndStops) {
    SoundFolder files;
    AudioDevice d;
    ASSERT_TRUE(Start(d, files)) << d.GetLastError();
    d.StartWorkerThread();
    EXPECT_FALSE(d.IsPlayingBGM());
    d.PlayBGMByName("bgm_loop");
    EXPECT_TRUE(d.IsPlayingBGM());
    d.PlayBGM(kMusic);
    EXPECT_TRUE(d.IsPlayingBGM());
    // The looping stream outlives its 1.5 s wave: a 2 s effect started with
    // it has ended, so more than the wave has been played.
    const std::int32_t twoSeconds = d.PlaySE(kLong);
    ASSERT_GE(twoSeconds, AudioDevice::kFirstHandle);
    ASSERT_TRUE(Within(d, kDeviceWaitMs, [&] { return d.IsEndSE(twoSeconds); }))
        << "the 2 s effect never ended";
    d.ReapStoppedCues();
    EXPECT_TRUE(d.IsPlayingBGM());
    EXPECT_EQ(1u, d.OwnedCueCount()) << "the replaced music cue was not destroyed";
    d.PauseBGM();
    d.ResumeBGM();
    d.StopBGM();
    EXPECT_FALSE(d.IsPlayingBGM());
    EXPECT_TRUE(Within(d, kDeviceWaitMs, [&] { return d.OwnedCueCount() == 0; }));
}

// Stops from FACT's thread (cues ending), from inside Stop (immediate and
// with release) and from the game thread at once, many times over; the
// sanitizers watch for a cue used after it was destroyed, and the time limit
// for a deadlock.
TEST(AudioDevice, ManyCuesStoppedAtOnceLeaveNothingBehind) {
    SoundFolder files;
    AudioDevice d;
    ASSERT_TRUE(Start(d, files)) << d.GetLastError();
    d.StartWorkerThread();
    for (int round = 0; round < 40; ++round) {
        std::vector<std::int32_t> handles;
        for (int i = 0; i < 16; ++i) {
            handles.push_back(d.PlaySE(i % 2 ? kShort : kLong));
            ASSERT_GE(handles.back(), AudioDevice::kFirstHandle);
        }
        d.PlayBGM(kMusic);
        for (std::size_t i = 0; i < handles.size(); i += 3) {
            d.StopSE(handles[i]);
        }
        d.PauseSE(handles[1]);
        d.StopAllSE();
        d.ReapStoppedCues();
        for (std::int32_t h : handles) {
            EXPECT_TRUE(d.IsEndSE(h)) << "round " << round;
        }
    }
    d.StopBGM();
    EXPECT_TRUE(Within(d, kDeviceWaitMs, [&] { return d.OwnedCueCount() == 0; }));
    d.Finalize();
    EXPECT_FALSE(d.IsInitialized());
}

TEST(AudioDevice, VolumesScaleByTheMasterAndClamp) {
    SoundFolder files;
    AudioDevice d;
    d.SetSEVolume(0.5f);  // not stored before the device starts
    EXPECT_EQ(1.0f, d.GetSEVolume());
    ASSERT_TRUE(Start(d, files)) << d.GetLastError();
    struct Case {
        float master, se, bgm, wantSe, wantBgm;
    };
    const Case cases[] = {
        {1.0f, 0.5f, 0.25f, 0.5f, 0.25f}, {3.0f, 2.0f, 1.0f, 6.0f, 3.0f},
        {1.0f, -1.0f, 0.0f, 0.0f, 0.0f},  {1e6f, 1e6f, 1.0f, 16777216.0f, 1e6f},
        {-2.0f, 1.0f, 1.0f, 0.0f, 0.0f},
    };
    for (const Case& c : cases) {
        d.SetSEVolume(c.se);
        d.SetBGMVolume(c.bgm);
        d.SetMasterVolume(c.master);
        EXPECT_EQ(c.wantSe, d.GetSEVolume()) << c.master << " x " << c.se;
        EXPECT_EQ(c.wantBgm, d.GetBGMVolume()) << c.master << " x " << c.bgm;
    }
    EXPECT_EQ(0.0f, vho::ClampVolume(std::nanf("")));
}

TEST(AudioDevice, WithoutGlobalSettingsTheEngineDefaultsPlayTheCues) {
    SoundFolder files;
    files.Write("qzl3.xgs", {});  // removes it
    AudioDevice d;
    ASSERT_TRUE(Start(d, files)) << "a missing settings file is no error: " << d.GetLastError();
    // FACT's defaults have Global, Default and Music, not SE or BGM.
    EXPECT_EQ(0xFFFF, d.GetSECategory());
    EXPECT_EQ(0xFFFF, d.GetBGMCategory());
    d.SetSEVolume(0.5f);  // would index past FACT's category table
    d.SetBGMVolume(0.5f);
    // The effect names category 2, which the defaults have: it plays.
    const std::int32_t handle = d.PlaySE(kShort);
    EXPECT_GE(handle, AudioDevice::kFirstHandle) << "expected a handle, got " << handle;
    // The music names category 3, past the defaults: refused, not played.
    d.PlayBGM(kMusic);
    EXPECT_FALSE(d.IsPlayingBGM());
}

TEST(AudioDevice, AnEmptyOrTruncatedSettingsFileIsRefusedTheSameWay) {
    const struct { std::size_t keep; } cases[] = {{0}, {1}, {76}};
    for (const auto& c : cases) {
        SoundFolder files;
        {
            std::ofstream out(files.Path("qzl3.xgs"), std::ios::binary | std::ios::trunc);
            const auto bytes = MakeSoundFiles().settings;
            out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(c.keep));
        }
        AudioDevice d;
        EXPECT_FALSE(Start(d, files)) << c.keep << "-byte settings: expected refused, got started";
        EXPECT_FALSE(d.IsInitialized());
        EXPECT_NE(std::string::npos, d.GetLastError().find("qzl3.xgs: global settings"))
            << c.keep << "-byte settings: expected a reason naming the file, got \""
            << d.GetLastError() << "\"";
    }
}

TEST(AudioDevice, ACueWhoseSoundNamesAnRpcTheSettingsLackIsRefused) {
    SoundFolder files;
    // FACT looks the code up on its own thread and follows what it finds.
    files.Write("Sound Bank.xsb",
                xact::WriteSoundBank("Sound Bank", {"Wave Bank", "Stream Wave Bank"},
                                     {{"se_short", 2, 0, 0, false, 0, 0, {}},
                                      {"se_rpc", 2, 0, 1, false, 0, 0, {1234}}}));
    AudioDevice d;
    ASSERT_TRUE(Start(d, files)) << d.GetLastError();
    d.StartWorkerThread();
    const std::int32_t refused = d.PlaySE(1);
    EXPECT_EQ(-1, refused) << "expected the cue refused, got handle " << refused;
    const std::int32_t plain = d.PlaySE(0);
    ASSERT_GE(plain, AudioDevice::kFirstHandle);
    EXPECT_TRUE(Within(d, kDeviceWaitMs, [&] { return d.IsEndSE(plain); }))
        << "the plain cue never ended";
}

TEST(AudioDevice, WithoutTheStreamingBankMusicIsRefusedAndEffectsPlay) {
    SoundFolder files;
    files.Write("Stream Wave Bank.xwb", {});
    AudioDevice d;
    ASSERT_TRUE(Start(d, files)) << d.GetLastError();
    d.PlayBGM(kMusic);  // FACT would look for the missing bank and crash
    EXPECT_FALSE(d.IsPlayingBGM());
    EXPECT_GE(d.PlaySE(kShort), AudioDevice::kFirstHandle);
}

TEST(AudioDevice, TheDebugEngineSwitchFallsBackToTheReleaseEngine) {
    SoundFolder files;
    ::setenv("QZ_XACT_DEBUGENGINE", "1", 1);
    AudioDevice d;
    const bool started = Start(d, files);
    ::unsetenv("QZ_XACT_DEBUGENGINE");
    EXPECT_TRUE(started) << d.GetLastError();
}

TEST(AudioDevice, TheWorkerIsJoinedBeforeTheDeviceGoes) {
    SoundFolder files;
    for (bool finalizeFirst : {true, false}) {
        auto d = std::make_unique<AudioDevice>();
        ASSERT_TRUE(Start(*d, files)) << d->GetLastError();
        EXPECT_FALSE(d->IsWorkerRunning());
        d->StartWorkerThread();
        d->StartWorkerThread();  // effective once
        EXPECT_TRUE(d->IsWorkerRunning());
        d->PlaySE(kLong);
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
        if (finalizeFirst) {
            d->Finalize();
            EXPECT_FALSE(d->IsWorkerRunning());
        }
        d.reset();  // the worker must not outlive it (the sanitizers watch)
    }
}

// [SECTION] Captured output
// SDL's disk driver writes the mixed output as 32-bit floats to a file.
std::vector<float> ReadFloats(const std::string& path, std::size_t fromByte) {
    std::ifstream in(path, std::ios::binary);
    in.seekg(std::streamoff(fromByte));
    std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
    std::vector<float> out(bytes.size() / 4);
    std::memcpy(out.data(), bytes.data(), out.size() * 4);
    return out;
}

float Peak(const std::vector<float>& s) {
    float peak = 0.0f;
    for (float v : s) {
        peak = std::max(peak, std::fabs(v));
    }
    return peak;
}

TEST(AudioDevice, TheDiskDriverCapturesSilenceThenTheCue) {
    SoundFolder files;
    const std::string capture = files.dir.path() + "/out.raw";
    const char* before = std::getenv("SDL_AUDIODRIVER");
    const std::string saved = before ? before : "";
    ::setenv("SDL_AUDIODRIVER", "disk", 1);
    ::setenv("SDL_DISKAUDIOFILE", capture.c_str(), 1);
    std::size_t quietBytes = 0;
    {
        AudioDevice d;
        ASSERT_TRUE(Start(d, files)) << d.GetLastError();
        d.StartWorkerThread();
        // Waits on what the driver wrote: some silence, then a quarter of a
        // second (48 kHz stereo floats) or more of the 2 s cue.
        const auto written = [&] {
            std::error_code ec;
            const auto size = std::filesystem::file_size(capture, ec);
            return ec ? std::size_t(0) : std::size_t(size);
        };
        ASSERT_TRUE(Within(d, kDeviceWaitMs, [&] { return written() > 0; }))
            << "the driver wrote nothing";
        quietBytes = written();
        const std::int32_t h = d.PlaySE(kLong);
        ASSERT_GE(h, AudioDevice::kFirstHandle);
        constexpr std::size_t kQuarterSecond = 48000 * 2 * 4 / 4;
        ASSERT_TRUE(Within(d, kDeviceWaitMs, [&] {
            return written() > quietBytes + kQuarterSecond;
        })) << "the driver stopped writing";
        d.StopSE(h);
    }
    ::unsetenv("SDL_DISKAUDIOFILE");
    if (saved.empty()) {
        ::unsetenv("SDL_AUDIODRIVER");
    } else {
        ::setenv("SDL_AUDIODRIVER", saved.c_str(), 1);
    }
    const std::vector<float> all = ReadFloats(capture, 0);
    ASSERT_GT(quietBytes, 0u) << "nothing was written before the cue";
    ASSERT_GT(all.size() * 4, quietBytes + 48000) << "too little written while the cue played";
    const std::vector<float> quiet(all.begin(), all.begin() + quietBytes / 4);
    const std::vector<float> loud = ReadFloats(capture, quietBytes);
    EXPECT_LT(Peak(quiet), 0.001f);
    EXPECT_GT(Peak(loud), 0.1f) << "the captured output stayed silent";
    EXPECT_LT(Peak(loud), 1.01f);
}

}  // namespace
