// The game's audio device over FAudio's FACT (the XACT 3 API): one engine
// with global settings, an in-memory wave bank, a streaming wave bank and a
// sound bank; sound effects as many cues known by handles, background music
// as one current cue, volumes for the categories "SE" and "BGM", and a worker
// thread that runs the engine's periodic work every 16 ms.
//
// Threads: the game thread calls everything; FACT calls the cue-stop
// notification on its own thread or inside Play/Stop/Destroy. The
// notification only queues the stopped cue under its own small lock; the
// game thread drains that queue, and destroys cues, without holding the
// sound-effect lock while it calls FACT (FACT holds its own lock while it
// notifies). Handles count up from 65536, so they never equal a cue index.
#pragma once

#include <FACT.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/readonly_file/readonly_file.h"
#include "platform/thread/thread.h"
#include "qzware/depend/win/vho/audio/xact_bank_check.h"

namespace vho {

class AudioDevice {
public:
    // Smallest sound-effect handle: above every cue index (u16).
    static constexpr std::int32_t kFirstHandle = 0x10000;

    AudioDevice();
    // Finalises when still initialised, so the worker is joined first.
    virtual ~AudioDevice();
    AudioDevice(const AudioDevice&) = delete;
    AudioDevice& operator=(const AudioDevice&) = delete;

    virtual bool Initialize(const char* settingsFile, const char* waveBankFile,
                            const char* streamingWaveBankFile, const char* soundBankFile);
    virtual void Finalize();
    virtual void StartWorkerThread();
    // 0 on success, negative on failure (HRESULT-like).
    virtual std::int32_t LoadBanks(const char* waveBankFile, const char* streamingWaveBankFile,
                                   const char* soundBankFile);
    virtual std::int32_t PlaySEWithHandle(std::int32_t handle, std::uint16_t cueIndex);
    virtual std::int32_t PlaySEByName(const char* name);
    virtual std::int32_t PlaySE(std::uint16_t cueIndex);
    virtual void StopSE(std::int32_t handle);
    virtual void StopAllSE();
    virtual void PauseSE(std::int32_t handle);
    virtual void ResumeSE(std::int32_t handle);
    virtual void SetSEPause(std::int32_t handle, bool pause);
    virtual bool IsEndSE(std::int32_t handle);
    virtual void PlayBGMByName(const char* name);
    virtual void PlayBGM(std::uint16_t cueIndex);
    virtual void StopBGM();
    virtual void PauseBGM();
    virtual void ResumeBGM();
    virtual void SetBGMPause(bool pause);
    virtual bool IsPlayingBGM();
    virtual bool CheckInitialized(const void*, const void*, const void*, const void*);
    // The cue stays the device's: it is destroyed on the game thread once it stopped.
    virtual FACTCue* PlayCueByName(const char* name);
    virtual FACTCue* PlayCue(std::uint16_t cueIndex);
    virtual void StopCueByName(const char* name);
    virtual void StopCue(std::uint16_t cueIndex);
    virtual void SetMasterVolume(float volume);
    virtual void SetSEVolume(float volume);
    virtual void SetBGMVolume(float volume);
    virtual float GetMasterVolume();
    virtual float GetSEVolume();
    virtual float GetBGMVolume();
    virtual std::uint16_t GetCueIndex(const char* name);
    virtual bool IsInitialized();

    // Game thread, each frame: destroys the cues that stopped and forgets
    // their handles, also those whose stop was never notified.
    void ReapStoppedCues();
    // The sound bank's cue count (0 before Initialize).
    std::uint16_t GetCueCount() const { return cueCount; }
    std::uint16_t GetSECategory() const { return seCategory; }
    std::uint16_t GetBGMCategory() const { return bgmCategory; }
    // Cues the device still owns (playing, or stopping and not yet destroyed).
    std::size_t OwnedCueCount();
    bool IsWorkerRunning() const { return worker != nullptr; }
    // Why the last Initialize failed ("" when it did not).
    const std::string& GetLastError() const { return lastError; }

    // FACT's notification callback; `pvContext` is the device.
    static void OnNotification(const FACTNotification* notification);

private:
    bool CreateEngine();
    bool CueIsPlayable(std::uint16_t cueIndex) const;
    FACTCue* StartCue(std::uint16_t cueIndex);
    // Destroys `cue` (game thread, no lock held) and drops its queued stops.
    void DestroyCue(FACTCue* cue);
    // Stops with release; destroyed at once when already stopped, else later.
    void RetireCue(FACTCue* cue);
    void DrainStopQueue();
    void WorkerLoop();
    void Fail(const std::string& why);

    FACTAudioEngine* engine = nullptr;
    std::atomic<bool> initialized{false};
    FACTWaveBank* waveBank = nullptr;
    platform::readonly_file::MappedFile waveBankView;
    std::uint16_t seCategory = FACTCATEGORY_INVALID;
    FACTWaveBank* streamingWaveBank = nullptr;
    platform::readonly_file::ReadOnlyFile streamingFile;
    std::uint16_t bgmCategory = FACTCATEGORY_INVALID;
    FACTSoundBank* soundBank = nullptr;
    std::string soundBankBytes;
    std::string settingsBytes;
    float masterVolume = 1.0f;
    float seVolume = 1.0f;
    float bgmVolume = 1.0f;
    std::map<std::int32_t, FACTCue*> seCues;
    FACTCue* bgmCue = nullptr;
    std::mutex seLock;
    bool workerStartPending = false;
    std::unique_ptr<platform::thread::Worker> worker;
    std::mutex workerLock;

    // Our own: the stop queue the notification fills, cues stopping without
    // a handle, the next handle, and what each cue needs to play safely.
    std::mutex stopQueueLock;
    std::vector<FACTCue*> stopQueue;
    std::vector<FACTCue*> retiring;
    std::int32_t nextHandle = kFirstHandle;
    std::uint16_t cueCount = 0;
    XactSettingsInfo settingsInfo;
    XactSoundBankInfo soundBankInfo;
    std::vector<XactWaveBankInfo> loadedWaveBanks;
    std::string lastError;
};

// FACT's file reads for the streaming bank: `hFile` is the device's
// platform::readonly_file::ReadOnlyFile, the offset is in the overlapped record.
std::int32_t ReadStreamingFile(void* hFile, void* buffer, std::uint32_t length,
                               std::uint32_t* bytesRead, FACTOverlapped* overlapped);
std::int32_t GetStreamingReadResult(void* hFile, FACTOverlapped* overlapped,
                                    std::uint32_t* bytesTransferred, std::int32_t wait);

// The volume FACT takes: `value` clamped to 0 .. 16777216 (NaN reads as 0).
float ClampVolume(float value);

}  // namespace vho
