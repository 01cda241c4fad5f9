// libFuzzer target: the XACT bank checks on arbitrary bytes (the first byte
// picks the kind), and FACT itself on what they accept. A check must never
// read outside the input; a sound bank it accepts is loaded into FACT, on
// FACT's default settings (kind 3) or on settings from the input that the
// check accepted too (kind 4: a 4-byte settings length, the settings, then
// the sound bank), next to two small wave banks with the names the game
// uses, and every cue the cue check lets through is played. FACT must not
// crash on any of them. SDL's dummy audio driver stands in for a device.
#include <FACT.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "qzware/depend/win/vho/audio/xact_bank_check.h"
#include "tools/soundbank_writer/xact_writer.h"

namespace {

namespace xact = qz_tools::xact;

// Cues played per bank: enough for any bank the game ships, small enough
// that one input stays quick.
constexpr std::size_t kMaxCuesPlayed = 64;

struct WaveBanks {
    xact::Bytes memory, stream;
    std::vector<vho::XactWaveBankInfo> infos;
};

const WaveBanks& GameWaveBanks() {
    static const WaveBanks banks = [] {
        WaveBanks b;
        b.memory = xact::WriteWaveBank("Wave Bank", false,
                                       {{1, 44100, xact::SineTone(1000.0, 20, 44100, 8000)},
                                        {1, 44100, xact::SineTone(500.0, 20, 44100, 8000)}});
        b.stream = xact::WriteWaveBank("Stream Wave Bank", false,
                                       {{1, 44100, xact::SineTone(300.0, 20, 44100, 8000)}});
        for (const xact::Bytes* bytes : {&b.memory, &b.stream}) {
            vho::XactWaveBankInfo info;
            if (!vho::CheckWaveBank(bytes->data(), bytes->size(), bytes->size(), false, &info)
                     .empty()) {
                std::abort();  // the writer's banks must pass
            }
            b.infos.push_back(info);
        }
        return b;
    }();
    return banks;
}

// Loads `bank` into a fresh FACT engine on `settings` (empty: FACT's
// defaults) and plays every cue the cue check allows.
void PlayThroughFact(const std::string& settings, const vho::XactSettingsInfo& settingsInfo,
                     const std::uint8_t* bank, std::size_t bankSize,
                     const vho::XactSoundBankInfo& bankInfo) {
    const WaveBanks& waves = GameWaveBanks();
    FACTAudioEngine* engine = nullptr;
    if (FACTCreateEngine(0, &engine) != 0 || !engine) {
        return;
    }
    std::string settingsCopy = settings;  // FACT reads it during Initialize only
    FACTRuntimeParameters params{};
    params.lookAheadTime = 250;
    params.pGlobalSettingsBuffer = settingsCopy.empty() ? nullptr : settingsCopy.data();
    params.globalSettingsBufferSize = std::uint32_t(settingsCopy.size());
    if (FACTAudioEngine_Initialize(engine, &params) != 0) {
        // No device: FACT made its own mixer and freed it but kept the
        // pointer, so this engine cannot be released.
        return;
    }
    FACTWaveBank* memory = nullptr;
    FACTWaveBank* stream = nullptr;
    FACTAudioEngine_CreateInMemoryWaveBank(engine, waves.memory.data(),
                                           std::uint32_t(waves.memory.size()), 0, 0, &memory);
    FACTAudioEngine_CreateInMemoryWaveBank(engine, waves.stream.data(),
                                           std::uint32_t(waves.stream.size()), 0, 0, &stream);
    const std::vector<std::uint8_t> bankCopy(bank, bank + bankSize);
    FACTSoundBank* soundBank = nullptr;
    if (FACTAudioEngine_CreateSoundBank(engine, bankCopy.data(), std::uint32_t(bankCopy.size()), 0,
                                        0, &soundBank) == 0 &&
        soundBank) {
        std::vector<FACTCue*> cues;
        const std::size_t count = std::min(bankInfo.cues.size(), kMaxCuesPlayed);
        for (std::size_t i = 0; i < count; ++i) {
            if (!vho::CheckCueNeeds(bankInfo.cues[i], settingsInfo, bankInfo.waveBankNames,
                                    waves.infos)
                     .empty()) {
                continue;
            }
            FACTCue* cue = nullptr;
            FACTSoundBank_Play(soundBank, std::uint16_t(i), 0, 0, &cue);
            if (cue) {
                cues.push_back(cue);
            }
            FACTAudioEngine_DoWork(engine);
        }
        FACTAudioEngine_DoWork(engine);
        for (FACTCue* cue : cues) {
            FACTCue_Stop(cue, FACT_FLAG_STOP_RELEASE);
        }
        FACTAudioEngine_DoWork(engine);
        for (FACTCue* cue : cues) {
            FACTCue_Destroy(cue);
        }
    }
    FACTAudioEngine_ShutDown(engine);  // destroys the banks too
    FACTAudioEngine_Release(engine);
}

void CheckAndPlay(const std::string& settings, const std::uint8_t* bank, std::size_t size) {
    vho::XactSettingsInfo settingsInfo = vho::DefaultGlobalSettings();
    if (!settings.empty() &&
        !vho::CheckGlobalSettings(reinterpret_cast<const std::uint8_t*>(settings.data()),
                                  settings.size(), &settingsInfo)
             .empty()) {
        return;
    }
    vho::XactSoundBankInfo info;
    if (!vho::CheckSoundBank(bank, size, &info).empty()) {
        return;
    }
    for (const vho::XactCueNeeds& cue : info.cues) {
        for (const auto& [index, wave] : cue.waves) {
            if (index >= info.waveBankNames.size()) {
                std::abort();
            }
        }
    }
    PlayThroughFact(settings, settingsInfo, bank, size, info);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    ::setenv("SDL_AUDIODRIVER", "dummy", 0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) {
        return 0;
    }
    const std::uint8_t kind = data[0] % 5;
    data += 1;
    size -= 1;
    switch (kind) {
        case 0:
            vho::CheckGlobalSettings(data, size, nullptr);
            break;
        case 1:
        case 2:
            vho::CheckWaveBank(data, size, size, kind == 2, nullptr);
            break;
        case 3:
            CheckAndPlay("", data, size);
            break;
        default: {
            if (size < 4) {
                break;
            }
            std::uint32_t length = 0;
            std::memcpy(&length, data, 4);
            data += 4;
            size -= 4;
            if (length > size) {
                break;
            }
            CheckAndPlay(std::string(reinterpret_cast<const char*>(data), length), data + length,
                         size - length);
            break;
        }
    }
    return 0;
}
