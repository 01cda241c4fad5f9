// A sound manager for tests that plays nothing: every operation answers what
// a silent, finished sound would, and IsInitialized answers `initialized`.
// Fakes derive from it and override what they watch.
#pragma once

#include <cstdint>

#include "qzware/scene/iqz_sound_manager.h"

namespace qz_test_support {

class NullSoundManager : public QZW::IQzSoundManager {
public:
    bool initialized = true;

    void Initialize(QZW::IQzGameManager*) override {}
    void Finalize() override {}
    void Update() override {}
    void SetMasterVolume(float) override {}
    void SetSEVolume(float) override {}
    void SetBGMVolume(float) override {}
    std::int32_t GetMasterVolume() override { return 255; }
    std::int32_t GetSEVolume() override { return 255; }
    std::int32_t GetBGMVolume() override { return 255; }
    std::int32_t LoadWav(const char*) override { return 0xFFFF; }
    std::int32_t LoadMp3(const char*) override { return 0; }
    std::int32_t PlaySEChannel(std::int32_t, std::int32_t cue, std::int32_t, float) override {
        return cue;
    }
    std::int32_t PlaySE(std::int32_t cue, std::int32_t, float) override { return cue; }
    void StopSE(std::int32_t) override {}
    void StopAllSE() override {}
    void PauseSE(std::int32_t) override {}
    void ResumeSE(std::int32_t) override {}
    bool IsEndSE(std::int32_t) override { return true; }
    std::int32_t PlayBGMFile(const char*, std::int32_t, float) override { return 0; }
    std::int32_t PlayBGM(std::int32_t, std::int32_t, float) override { return 0; }
    void StopBGM() override {}
    void PauseBGM() override {}
    void ResumeBGM() override {}
    bool IsEndBGM() override { return false; }
    bool IsInitialized() override { return initialized; }
};

}  // namespace qz_test_support
