// The engine's sound manager interface: sound effects by cue index, music by
// file name, volumes read back in the scripts' 0-255 range. The game manager
// creates, initialises, updates and finalises the one implementation
// (QZW::Win::CQzSoundManagerAL); game thread only.
#pragma once

#include <cstdint>

#include "qzware/scene/iqz_game_manager.h"

namespace QZW {

class IQzSoundManager : public CQzManagerBase {
public:
    ~IQzSoundManager() override = default;
    // Throws the integer 1 when the sound device cannot start.
    virtual void Initialize(IQzGameManager* owner) = 0;
    virtual void Finalize() = 0;
    virtual void Update() = 0;
    virtual void SetMasterVolume(float volume) = 0;
    virtual void SetSEVolume(float volume) = 0;
    virtual void SetBGMVolume(float volume) = 0;
    virtual void SetChannelParameter(std::int32_t, std::int32_t) {}
    virtual void SetChannelParameter2(std::int32_t, std::int32_t) {}
    virtual std::int32_t GetMasterVolume() = 0;
    virtual std::int32_t GetSEVolume() = 0;
    virtual std::int32_t GetBGMVolume() = 0;
    virtual std::int32_t LoadWav(const char* file) = 0;
    virtual std::int32_t LoadMp3(const char* file) = 0;
    virtual void UnusedOperation1() {}
    virtual void UnusedOperation2() {}
    virtual std::int32_t PlaySEChannel(std::int32_t channel, std::int32_t cue, std::int32_t arg,
                                       float volume) = 0;
    virtual std::int32_t PlaySE(std::int32_t cue, std::int32_t arg, float volume) = 0;
    virtual void StopSE(std::int32_t handle) = 0;
    virtual void StopAllSE() = 0;
    virtual void PauseSE(std::int32_t handle) = 0;
    virtual void ResumeSE(std::int32_t handle) = 0;
    virtual bool IsEndSE(std::int32_t handle) = 0;
    virtual std::int32_t PlayBGMFile(const char* file, std::int32_t arg, float volume) = 0;
    virtual std::int32_t PlayBGM(std::int32_t cue, std::int32_t arg, float volume) = 0;
    virtual void StopBGM() = 0;
    virtual void PauseBGM() = 0;
    virtual void ResumeBGM() = 0;
    virtual bool IsEndBGM() = 0;
    virtual void ReserveSoundChannel(std::int32_t) {}
    virtual void ReleaseSoundChannel(std::int32_t) {}
    virtual bool IsInitialized() = 0;
    virtual void UnusedOperation3() {}
    virtual void UnusedOperation4() {}
    virtual void UnusedOperation5() {}
    virtual bool UnusedQuery() { return false; }
};

}  // namespace QZW
