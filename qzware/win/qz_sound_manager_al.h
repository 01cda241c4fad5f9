// The sound manager over one vho::AudioDevice: the banks under
// "USRDIR/sound/", file names turned into cue names ("se/hit01.wav" plays the
// cue "hit01"), volumes read back as 0-255. Game thread only.
#pragma once

#include <string>

#include "qzware/scene/iqz_sound_manager.h"

namespace vho {
class AudioDevice;
}

namespace QZW::Win {

class CQzSoundManagerAL : public IQzSoundManager {
public:
    CQzSoundManagerAL() = default;
    ~CQzSoundManagerAL() override;

    // `soundFolder` is where the four bank files live ("USRDIR/sound/").
    void Initialize(IQzGameManager* owner) override;
    void Initialize(IQzGameManager* owner, const std::string& soundFolder);
    void Finalize() override;
    void Update() override;
    void SetMasterVolume(float volume) override;
    void SetSEVolume(float volume) override;
    void SetBGMVolume(float volume) override;
    std::int32_t GetMasterVolume() override;
    std::int32_t GetSEVolume() override;
    std::int32_t GetBGMVolume() override;
    std::int32_t LoadWav(const char* file) override;
    std::int32_t LoadMp3(const char* file) override;
    std::int32_t PlaySEChannel(std::int32_t channel, std::int32_t cue, std::int32_t arg,
                               float volume) override;
    std::int32_t PlaySE(std::int32_t cue, std::int32_t arg, float volume) override;
    void StopSE(std::int32_t handle) override;
    void StopAllSE() override;
    void PauseSE(std::int32_t handle) override;
    void ResumeSE(std::int32_t handle) override;
    bool IsEndSE(std::int32_t handle) override;
    std::int32_t PlayBGMFile(const char* file, std::int32_t arg, float volume) override;
    std::int32_t PlayBGM(std::int32_t cue, std::int32_t arg, float volume) override;
    void StopBGM() override;
    void PauseBGM() override;
    void ResumeBGM() override;
    bool IsEndBGM() override;
    bool IsInitialized() override;

    vho::AudioDevice* GetDevice() { return device; }

    IQzGameManager* owner = nullptr;
    vho::AudioDevice* device = nullptr;
};

// The cue name of a file name: the part after the last "/", cut at its last ".".
std::string CueNameOfFile(const char* file);
// A device volume as the scripts read it: times 255, truncated, kept in range.
std::int32_t ScriptVolume(float deviceVolume);

}  // namespace QZW::Win
