// The bank checks against the writer's banks and damaged copies of them:
// every copy is refused before FACT sees it, and the device then does not
// start and names the file. The unchanged banks also load into FACT itself,
// without the checks.
#include "qzware/depend/win/vho/audio/xact_bank_check.h"

#include <FACT.h>
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "qzware/depend/win/vho/audio/vho_audio_device.h"
#include "tests/qzware/depend/win/vho/audio/sound_fixture.h"

namespace {

using namespace sound_test;

void Put16(xact::Bytes& b, std::size_t at, std::uint16_t v) {
    b[at] = std::uint8_t(v);
    b[at + 1] = std::uint8_t(v >> 8);
}

void Put32(xact::Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        b[at + i] = std::uint8_t(v >> (8 * i));
    }
}

enum Which { kSettings, kWaves, kStream, kSounds };
const char* const kFileNames[] = {"qzl3.xgs", "Wave Bank.xwb", "Stream Wave Bank.xwb",
                                  "Sound Bank.xsb"};

std::string Check(Which which, const xact::Bytes& b) {
    switch (which) {
        case kSettings:
            return vho::CheckGlobalSettings(b.data(), b.size(), nullptr);
        case kWaves:
        case kStream:
            return vho::CheckWaveBank(b.data(), b.size(), b.size(), which == kStream, nullptr);
        case kSounds:
            return vho::CheckSoundBank(b.data(), b.size(), nullptr);
    }
    return "?";
}

struct Damage {
    const char* what;
    Which file;
    std::function<void(xact::Bytes&)> change;
};

// Offsets follow the writer's layout: settings counts at 19 and offsets at
// 33; wave bank data at 52 and entries at 148; sound bank counts at 19,
// offsets at 34, wave bank names at 138, the first sound at 266.
const Damage kDamage[] = {
    {"settings magic", kSettings, [](xact::Bytes& b) { b[3] = 'X'; }},
    {"settings content version", kSettings, [](xact::Bytes& b) { Put16(b, 4, 47); }},
    {"settings tool version", kSettings, [](xact::Bytes& b) { Put16(b, 6, 41); }},
    {"settings cut short", kSettings, [](xact::Bytes& b) { b.pop_back(); }},
    {"settings header only", kSettings, [](xact::Bytes& b) { b.resize(40); }},
    {"settings one more category", kSettings, [](xact::Bytes& b) { Put16(b, 19, 5); }},
    {"settings name offset past the end", kSettings,
     [](xact::Bytes& b) { Put32(b, 57, 0x7FFFFFFF); }},
    {"settings last name unterminated", kSettings, [](xact::Bytes& b) { b.back() = 'x'; }},
    {"settings parent out of range", kSettings, [](xact::Bytes& b) { Put16(b, 77 + 6, 9); }},
    {"wave bank magic", kWaves, [](xact::Bytes& b) { b[0] = 'X'; }},
    {"wave bank content version", kWaves, [](xact::Bytes& b) { Put32(b, 4, 47); }},
    {"wave bank header version", kWaves, [](xact::Bytes& b) { Put32(b, 8, 45); }},
    {"wave bank cut short", kWaves, [](xact::Bytes& b) { b.resize(b.size() - 100); }},
    {"wave bank header only", kWaves, [](xact::Bytes& b) { b.resize(60); }},
    {"wave bank entry count", kWaves, [](xact::Bytes& b) { Put32(b, 56, 0xFFFF); }},
    {"wave bank entry size", kWaves, [](xact::Bytes& b) { Put32(b, 124, 32); }},
    {"wave bank name unterminated", kWaves, [](xact::Bytes& b) { std::memset(&b[60], 'n', 64); }},
    {"wave past the data", kWaves, [](xact::Bytes& b) { Put32(b, 148 + 12, 0x7FFFFFFF); }},
    {"wave format XMA", kWaves, [](xact::Bytes& b) { b[148 + 4] |= 1; }},
    {"in-memory bank marked streaming", kWaves, [](xact::Bytes& b) { b[52] |= 1; }},
    {"compact wave bank", kWaves, [](xact::Bytes& b) { b[54] |= 2; }},
    {"streaming bank marked in-memory", kStream, [](xact::Bytes& b) { b[52] &= ~1; }},
    {"streaming bank cut short", kStream, [](xact::Bytes& b) { b.resize(b.size() - 2048); }},
    {"sound bank magic", kSounds, [](xact::Bytes& b) { b[0] = 'X'; }},
    {"sound bank content version", kSounds, [](xact::Bytes& b) { Put16(b, 4, 43); }},
    {"sound bank tool version", kSounds, [](xact::Bytes& b) { Put16(b, 6, 42); }},
    {"sound bank cut short", kSounds, [](xact::Bytes& b) { b.pop_back(); }},
    {"sound bank header only", kSounds, [](xact::Bytes& b) { b.resize(100); }},
    {"sound bank one more simple cue", kSounds, [](xact::Bytes& b) { Put16(b, 19, 4); }},
    {"sound bank sounds misplaced", kSounds, [](xact::Bytes& b) { Put32(b, 70, 300); }},
    {"sound bank cue names no sound", kSounds,
     [](xact::Bytes& b) {
         // The first simple cue's sound offset: after the 4 sounds (3 simple
         // of 12 bytes, 1 looping of 36).
         Put32(b, 266 + 3 * 12 + 36 + 1, 12345);
     }},
    {"sound names a missing wave bank", kSounds, [](xact::Bytes& b) { b[266 + 11] = 5; }},
    {"sound bank last cue name unterminated", kSounds, [](xact::Bytes& b) { b.back() = 'x'; }},
};

TEST(XactBankCheck, TheWritersBanksPassAndReportWhatTheCuesNeed) {
    const SoundFiles f = MakeSoundFiles();
    vho::XactSettingsInfo settings;
    EXPECT_EQ("", vho::CheckGlobalSettings(f.settings.data(), f.settings.size(), &settings));
    EXPECT_EQ(4, settings.categoryCount);
    vho::XactWaveBankInfo waves, stream;
    EXPECT_EQ("",
              vho::CheckWaveBank(f.waves.data(), f.waves.size(), f.waves.size(), false, &waves));
    EXPECT_EQ("Wave Bank", waves.name);
    EXPECT_EQ(2u, waves.entryCount);
    EXPECT_EQ(148u + 24u, vho::WaveBankHeadSize(f.stream.data(), 52));
    EXPECT_EQ("",
              vho::CheckWaveBank(f.stream.data(), f.stream.size(), f.stream.size(), true, &stream));
    vho::XactSoundBankInfo sounds;
    ASSERT_EQ("", vho::CheckSoundBank(f.sounds.data(), f.sounds.size(), &sounds));
    ASSERT_EQ(4u, sounds.cues.size());
    EXPECT_EQ((std::vector<std::string>{"Wave Bank", "Stream Wave Bank"}), sounds.waveBankNames);
    EXPECT_EQ((std::vector<std::uint16_t>{3}), sounds.cues[kMusic].categories);
    EXPECT_EQ((std::vector<std::pair<std::uint8_t, std::uint16_t>>{{1, 0}}),
              sounds.cues[kMusic].waves);
}

TEST(XactBankCheck, DamagedBanksAreRefusedAndTheDeviceDoesNotStart) {
    for (const Damage& d : kDamage) {
        SCOPED_TRACE(d.what);
        SoundFiles f = MakeSoundFiles();
        xact::Bytes* target[] = {&f.settings, &f.waves, &f.stream, &f.sounds};
        d.change(*target[d.file]);
        EXPECT_NE("", Check(d.file, *target[d.file]));

        SoundFolder files(f);
        vho::AudioDevice device;
        EXPECT_FALSE(device.Initialize(
            files.Path("qzl3.xgs").c_str(), files.Path("Wave Bank.xwb").c_str(),
            files.Path("Stream Wave Bank.xwb").c_str(), files.Path("Sound Bank.xsb").c_str()));
        EXPECT_NE(std::string::npos, device.GetLastError().find(kFileNames[d.file]))
            << "[" << device.GetLastError() << "]";
    }
}

TEST(XactBankCheck, EveryCutShortBankIsRefusedWithoutReadingPastIt) {
    const SoundFiles f = MakeSoundFiles();
    const std::pair<Which, const xact::Bytes*> banks[] = {
        {kSettings, &f.settings}, {kWaves, &f.waves}, {kSounds, &f.sounds}};
    for (const auto& [which, bytes] : banks) {
        ASSERT_EQ("", Check(which, *bytes)) << kFileNames[which];
        // Every cut within the tables, then some through the wave data.
        for (std::size_t n = 0; n < bytes->size(); n += n < 512 ? 1 : 509) {
            // A copy of exactly n bytes, so that ASan sees any read past it.
            const xact::Bytes prefix(bytes->begin(), bytes->begin() + std::ptrdiff_t(n));
            EXPECT_NE("", Check(which, prefix)) << kFileNames[which] << " cut to " << n;
        }
    }
}

// FACT's own parser, without our checks in front, takes the writer's files.
TEST(XactWriter, FactLoadsTheBanksAndFindsTheCuesAndCategories) {
    SoundFiles f = MakeSoundFiles();
    FACTAudioEngine* engine = nullptr;
    ASSERT_EQ(0u, FACTCreateEngine(0, &engine));
    FACTRuntimeParameters params{};
    params.lookAheadTime = 250;
    params.pGlobalSettingsBuffer = f.settings.data();
    params.globalSettingsBufferSize = std::uint32_t(f.settings.size());
    ASSERT_EQ(0u, FACTAudioEngine_Initialize(engine, &params));
    FACTWaveBank* waves = nullptr;
    EXPECT_EQ(0u, FACTAudioEngine_CreateInMemoryWaveBank(
                      engine, f.waves.data(), std::uint32_t(f.waves.size()), 0, 0, &waves));
    FACTSoundBank* sounds = nullptr;
    EXPECT_EQ(0u, FACTAudioEngine_CreateSoundBank(engine, f.sounds.data(),
                                                  std::uint32_t(f.sounds.size()), 0, 0, &sounds));
    std::uint16_t cues = 0;
    FACTSoundBank_GetNumCues(sounds, &cues);
    EXPECT_EQ(4, cues);
    EXPECT_EQ(kLimited, FACTSoundBank_GetCueIndex(sounds, "se_limited"));
    EXPECT_EQ(2, FACTAudioEngine_GetCategory(engine, "SE"));
    EXPECT_EQ(3, FACTAudioEngine_GetCategory(engine, "BGM"));
    std::uint16_t count = 0;
    FACTWaveBank_GetNumWaves(waves, &count);
    EXPECT_EQ(2, count);
    FACTWaveProperties props{};
    FACTWaveBank_GetWaveProperties(waves, 1, &props);
    EXPECT_EQ(44100u * 2, props.durationInSamples);
    FACTAudioEngine_ShutDown(engine);
    FACTAudioEngine_Release(engine);
}

}  // namespace
