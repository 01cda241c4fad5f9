#include "qzware/depend/win/vho/audio/vho_audio_device.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "platform/clock/clock.h"
#include "platform/settings/settings.h"

namespace vho {
namespace {

constexpr std::int32_t kEFail = std::int32_t(0x80004005u);
constexpr std::uint32_t kLookAheadMs = 250;
constexpr std::uint16_t kStreamingPacketSectors = 64;
constexpr std::uint32_t kWorkerSleepMs = 16;
// A streaming bank's header and entry table are read whole for the check.
constexpr std::uint64_t kMaxWaveBankHead = 64u << 20;

std::int32_t AsResult(std::uint32_t code) {
    const auto r = std::int32_t(code);
    return r < 0 ? r : kEFail;
}

// FAudio's and FACT's own allocations come here. A function of ours with a
// frame pointer between FAudio and malloc lets LeakSanitizer's frame-pointer
// unwinder name the FAudio function that made a block, which it cannot do
// through SDL's allocator (FAudio's default).
void* AudioHeapMalloc(std::size_t size) {
    return std::malloc(size);
}

void AudioHeapFree(void* block) {
    std::free(block);
}

void* AudioHeapRealloc(void* block, std::size_t size) {
    return std::realloc(block, size);
}

bool IsStopped(FACTCue* cue) {
    std::uint32_t state = 0;
    FACTCue_GetState(cue, &state);
    return (state & FACT_STATE_STOPPED) != 0;
}

}  // namespace

float ClampVolume(float value) {
    if (!(value > FACTVOLUME_MIN)) {
        return FACTVOLUME_MIN;
    }
    return std::min(value, FACTVOLUME_MAX);
}

std::int32_t ReadStreamingFile(void* hFile, void* buffer, std::uint32_t length,
                               std::uint32_t* bytesRead, FACTOverlapped* overlapped) {
    const auto* file = static_cast<const platform::readonly_file::ReadOnlyFile*>(hFile);
    const std::uint64_t offset =
        std::uint64_t(overlapped->Offset) | (std::uint64_t(overlapped->OffsetHigh) << 32);
    const std::size_t got = file ? file->read_at(offset, buffer, length) : 0;
    overlapped->InternalHigh = reinterpret_cast<void*>(std::uintptr_t(got));
    overlapped->Internal = nullptr;  // done, nothing pending
    if (bytesRead) {
        *bytesRead = std::uint32_t(got);
    }
    return 1;
}

std::int32_t GetStreamingReadResult(void*, FACTOverlapped* overlapped,
                                    std::uint32_t* bytesTransferred, std::int32_t) {
    *bytesTransferred = std::uint32_t(reinterpret_cast<std::uintptr_t>(overlapped->InternalHigh));
    return 1;
}

// [SECTION] Life cycle
AudioDevice::AudioDevice() = default;

AudioDevice::~AudioDevice() {
    Finalize();
}

void AudioDevice::Fail(const std::string& why) {
    lastError = why;
}

bool AudioDevice::CreateEngine() {
    // FACT has no debug engine: a set switch falls back to the release one,
    // as when the debug engine is not installed.
    const auto debug = platform::settings::read_dword("Software\\Microsoft\\XACT", "DebugEngine");
    if (debug && *debug != 0) {
        static bool said = false;
        if (!said) {
            said = true;
            std::printf(
                "DebugEngine is set, but there is no debug audio engine: using the "
                "release engine.\n");
        }
    }
    return FACTCreateEngineWithCustomAllocatorEXT(0, &engine, &AudioHeapMalloc, &AudioHeapFree,
                                                  &AudioHeapRealloc) == 0 &&
           engine != nullptr;
}

bool AudioDevice::Initialize(const char* settingsFile, const char* waveBankFile,
                             const char* streamingWaveBankFile, const char* soundBankFile) {
    if (initialized) {
        return true;
    }
    lastError.clear();
    settingsBytes.clear();
    settingsInfo = {};
    // A settings file that can be read must be whole: an empty one is as
    // damaged as a one-byte one, and both are refused with the reason.
    const bool haveSettings =
        settingsFile && platform::readonly_file::read_whole(settingsFile, settingsBytes);
    if (haveSettings) {
        const std::string why =
            CheckGlobalSettings(reinterpret_cast<const std::uint8_t*>(settingsBytes.data()),
                                settingsBytes.size(), &settingsInfo);
        if (!why.empty()) {
            Fail(std::string(settingsFile) + ": " + why);
            return false;
        }
    } else {
        // A missing or unreadable settings file is no error: FACT then
        // starts with its own defaults, which the cue checks must know.
        settingsBytes.clear();
        settingsInfo = DefaultGlobalSettings();
    }

    // The mixer and its output voice are made here and handed to the engine:
    // when FACT makes them itself and the output device cannot open, it frees
    // its mixer but keeps the pointer, so the failed engine could never be
    // released. They are made before the engine, so that a missing device or
    // a refused settings file leaves no engine behind at all: FAudio loses
    // two locks of every engine it releases.
    FAudio* mixer = nullptr;
    FAudioMasteringVoice* output = nullptr;
    if (FAudioCreateWithCustomAllocatorEXT(&mixer, 0, FAUDIO_DEFAULT_PROCESSOR, &AudioHeapMalloc,
                                           &AudioHeapFree, &AudioHeapRealloc) != 0 ||
        mixer == nullptr ||
        FAudio_CreateMasteringVoice(mixer, &output, FAUDIO_DEFAULT_CHANNELS,
                                    FAUDIO_DEFAULT_SAMPLERATE, 0, 0, nullptr) != 0) {
        if (mixer != nullptr) {
            FAudio_Release(mixer);
        }
        Fail("the audio engine could not start: no audio output device");
        return false;
    }
    if (!CreateEngine()) {
        FAudioVoice_DestroyVoice(output);
        FAudio_Release(mixer);
        Fail("the audio engine could not be created");
        engine = nullptr;
        return false;
    }

    FACTRuntimeParameters params{};
    params.lookAheadTime = kLookAheadMs;
    params.pGlobalSettingsBuffer = settingsBytes.empty() ? nullptr : settingsBytes.data();
    params.globalSettingsBufferSize = std::uint32_t(settingsBytes.size());
    params.fileIOCallbacks.readFileCallback = &ReadStreamingFile;
    params.fileIOCallbacks.getOverlappedResultCallback = &GetStreamingReadResult;
    params.fnNotificationCallback = &AudioDevice::OnNotification;
    params.pXAudio2 = mixer;
    params.pMasteringVoice = output;
    if (FACTAudioEngine_Initialize(engine, &params) != 0) {
        // Only the settings are read before FACT takes the mixer; they were
        // checked above, so this is a settings file FACT reads differently.
        FAudioVoice_DestroyVoice(output);
        FAudio_Release(mixer);
        FACTAudioEngine_Release(engine);
        Fail("the audio engine could not start: FACT refused the global settings");
        engine = nullptr;
        return false;
    }

    FACTNotificationDescription cueStop{};
    cueStop.type = FACTNOTIFICATIONTYPE_CUESTOP;
    cueStop.flags = FACT_FLAG_NOTIFICATION_PERSIST;
    cueStop.cueIndex = FACTINDEX_INVALID;
    cueStop.pvContext = this;
    FACTAudioEngine_RegisterNotification(engine, &cueStop);

    if (LoadBanks(waveBankFile, streamingWaveBankFile, soundBankFile) < 0) {
        if (lastError.empty()) {
            Fail("the sound banks could not be loaded");
        }
        FACTAudioEngine_ShutDown(engine);
        FACTAudioEngine_Release(engine);
        engine = nullptr;
        waveBank = streamingWaveBank = nullptr;
        soundBank = nullptr;
        waveBankView.close();
        streamingFile.close();
        loadedWaveBanks.clear();
        cueCount = 0;
        return false;
    }
    initialized = true;
    workerStartPending = true;
    return true;
}

std::int32_t AudioDevice::LoadBanks(const char* waveBankFile, const char* streamingWaveBankFile,
                                    const char* soundBankFile) {
    std::int32_t result = kEFail;
    if (!engine) {
        return result;
    }
    if (waveBankFile) {
        if (!waveBankView.open(waveBankFile)) {
            Fail(std::string(waveBankFile) + ": cannot be opened");
            return kEFail;
        }
        XactWaveBankInfo info;
        const std::string why = CheckWaveBank(waveBankView.data(), waveBankView.size(),
                                              waveBankView.size(), false, &info);
        if (!why.empty()) {
            Fail(std::string(waveBankFile) + ": " + why);
            return kEFail;
        }
        const std::uint32_t code = FACTAudioEngine_CreateInMemoryWaveBank(
            engine, waveBankView.data(), std::uint32_t(waveBankView.size()), 0, 0, &waveBank);
        if (code != 0) {
            Fail(std::string(waveBankFile) + ": refused by the audio engine");
            return AsResult(code);
        }
        loadedWaveBanks.push_back(info);
        result = 0;
    }
    if (streamingWaveBankFile && streamingFile.open(streamingWaveBankFile)) {
        std::string head(52, '\0');
        streamingFile.read_at(0, head.data(), head.size());
        const std::uint64_t need = std::min(
            {WaveBankHeadSize(reinterpret_cast<const std::uint8_t*>(head.data()), head.size()),
             streamingFile.size(), kMaxWaveBankHead});
        head.resize(std::size_t(std::max<std::uint64_t>(need, 52)));
        streamingFile.read_at(0, head.data(), head.size());
        XactWaveBankInfo info;
        const std::string why = CheckWaveBank(reinterpret_cast<const std::uint8_t*>(head.data()),
                                              head.size(), streamingFile.size(), true, &info);
        if (!why.empty()) {
            Fail(std::string(streamingWaveBankFile) + ": " + why);
            return kEFail;
        }
        FACTStreamingParameters stream{};
        stream.file = &streamingFile;
        stream.offset = 0;
        stream.flags = 0;
        stream.packetSize = kStreamingPacketSectors;
        const std::uint32_t code =
            FACTAudioEngine_CreateStreamingWaveBank(engine, &stream, &streamingWaveBank);
        if (code != 0) {
            Fail(std::string(streamingWaveBankFile) + ": refused by the audio engine");
            return AsResult(code);
        }
        loadedWaveBanks.push_back(info);
        result = 0;
    }
    if (soundBankFile) {
        result = kEFail;
        if (!platform::readonly_file::read_whole(soundBankFile, soundBankBytes)) {
            Fail(std::string(soundBankFile) + ": cannot be read");
            return kEFail;
        }
        XactSoundBankInfo info;
        const std::string why =
            CheckSoundBank(reinterpret_cast<const std::uint8_t*>(soundBankBytes.data()),
                           soundBankBytes.size(), &info);
        if (!why.empty()) {
            Fail(std::string(soundBankFile) + ": " + why);
            return kEFail;
        }
        const std::uint32_t code = FACTAudioEngine_CreateSoundBank(
            engine, soundBankBytes.data(), std::uint32_t(soundBankBytes.size()), 0, 0, &soundBank);
        if (code != 0) {
            Fail(std::string(soundBankFile) + ": refused by the audio engine");
            return AsResult(code);
        }
        soundBankInfo = std::move(info);
        cueCount = std::uint16_t(std::min<std::size_t>(soundBankInfo.cues.size(), 0xFFFF));
        result = 0;
    }
    seCategory = FACTAudioEngine_GetCategory(engine, "SE");
    bgmCategory = FACTAudioEngine_GetCategory(engine, "BGM");
    return result;
}

void AudioDevice::StartWorkerThread() {
    if (initialized && workerStartPending) {
        workerStartPending = false;
        worker = std::make_unique<platform::thread::Worker>([this] { WorkerLoop(); });
    }
}

void AudioDevice::WorkerLoop() {
    while (initialized) {
        {
            std::lock_guard<std::mutex> hold(workerLock);
            if (engine) {
                FACTAudioEngine_DoWork(engine);
            }
        }
        platform::clock::system_clock().sleep_ms(kWorkerSleepMs);
    }
}

void AudioDevice::Finalize() {
    if (!initialized) {
        return;
    }
    initialized = false;
    // The worker ends once it sees the flag; it is joined before anything it
    // touches goes away.
    if (worker) {
        worker->join();
        worker.reset();
    }
    {
        std::lock_guard<std::mutex> hold(workerLock);
        FACTAudioEngine_ShutDown(engine);  // destroys every cue and bank
        FACTAudioEngine_Release(engine);
        engine = nullptr;
    }
    waveBank = streamingWaveBank = nullptr;
    soundBank = nullptr;
    {
        std::lock_guard<std::mutex> hold(seLock);
        seCues.clear();
        bgmCue = nullptr;
    }
    retiring.clear();
    {
        std::lock_guard<std::mutex> hold(stopQueueLock);
        stopQueue.clear();
    }
    soundBankBytes.clear();
    settingsBytes.clear();
    streamingFile.close();
    seCategory = bgmCategory = FACTCATEGORY_INVALID;
    waveBankView.close();
    loadedWaveBanks.clear();
    soundBankInfo = {};
    cueCount = 0;
}

bool AudioDevice::IsInitialized() {
    return initialized;
}

bool AudioDevice::CheckInitialized(const void*, const void*, const void*, const void*) {
    return initialized;
}

// [SECTION] Cues and their stops
void AudioDevice::OnNotification(const FACTNotification* notification) {
    if (!notification || notification->type != FACTNOTIFICATIONTYPE_CUESTOP) {
        return;
    }
    // The record is packed: its pointers are copied out, never bound by reference.
    void* context = notification->pvContext;
    FACTCue* cue = notification->cue.pCue;
    auto* device = static_cast<AudioDevice*>(context);
    if (!device || !cue) {
        return;
    }
    // Only queue: this may run on FACT's thread with FACT's lock held, or
    // inside a Play/Stop the game thread is making.
    std::lock_guard<std::mutex> hold(device->stopQueueLock);
    device->stopQueue.push_back(cue);
}

bool AudioDevice::CueIsPlayable(std::uint16_t cueIndex) const {
    if (!soundBank || cueIndex >= cueCount || cueIndex >= soundBankInfo.cues.size()) {
        return false;
    }
    // FACT would crash on a missing piece: the cue is refused instead.
    return CheckCueNeeds(soundBankInfo.cues[cueIndex], settingsInfo, soundBankInfo.waveBankNames,
                         loadedWaveBanks)
        .empty();
}

FACTCue* AudioDevice::StartCue(std::uint16_t cueIndex) {
    if (!initialized || !CueIsPlayable(cueIndex)) {
        return nullptr;
    }
    FACTCue* cue = nullptr;
    const std::uint32_t code = FACTSoundBank_Play(soundBank, cueIndex, 0, 0, &cue);
    if (!cue) {
        return nullptr;
    }
    // An instance limit stops the cue inside Play: it never played.
    if (code != 0 || IsStopped(cue)) {
        DestroyCue(cue);
        return nullptr;
    }
    return cue;
}

void AudioDevice::DestroyCue(FACTCue* cue) {
    FACTCue_Destroy(cue);
    // Stops queued for it (before or during the destroy) must not match a
    // later cue that gets the same address.
    std::lock_guard<std::mutex> hold(stopQueueLock);
    stopQueue.erase(std::remove(stopQueue.begin(), stopQueue.end(), cue), stopQueue.end());
}

void AudioDevice::RetireCue(FACTCue* cue) {
    FACTCue_Stop(cue, FACT_FLAG_STOP_RELEASE);
    if (IsStopped(cue)) {
        DestroyCue(cue);
    } else {
        retiring.push_back(cue);
    }
}

void AudioDevice::DrainStopQueue() {
    std::vector<FACTCue*> stopped;
    {
        std::lock_guard<std::mutex> hold(stopQueueLock);
        stopped.swap(stopQueue);
    }
    if (stopped.empty()) {
        return;
    }
    std::vector<FACTCue*> dead;
    {
        std::lock_guard<std::mutex> hold(seLock);
        for (FACTCue* cue : stopped) {
            for (auto it = seCues.begin(); it != seCues.end(); ++it) {
                if (it->second == cue) {
                    seCues.erase(it);
                    dead.push_back(cue);
                    break;
                }
            }
            if (bgmCue == cue) {
                bgmCue = nullptr;
                dead.push_back(cue);
            }
        }
    }
    for (FACTCue* cue : stopped) {
        const auto it = std::find(retiring.begin(), retiring.end(), cue);
        if (it != retiring.end()) {
            retiring.erase(it);
            dead.push_back(cue);
        }
    }
    std::sort(dead.begin(), dead.end());
    dead.erase(std::unique(dead.begin(), dead.end()), dead.end());
    for (FACTCue* cue : dead) {
        DestroyCue(cue);
    }
}

void AudioDevice::ReapStoppedCues() {
    DrainStopQueue();
    if (!initialized) {
        return;
    }
    // A stop FACT did not notify still ends the cue: ask each owned cue.
    std::vector<FACTCue*> owned;
    {
        std::lock_guard<std::mutex> hold(seLock);
        for (const auto& [handle, cue] : seCues) {
            owned.push_back(cue);
        }
        if (bgmCue) {
            owned.push_back(bgmCue);
        }
    }
    owned.insert(owned.end(), retiring.begin(), retiring.end());
    std::vector<FACTCue*> dead;
    for (FACTCue* cue : owned) {
        if (IsStopped(cue)) {
            dead.push_back(cue);
        }
    }
    if (dead.empty()) {
        return;
    }
    {
        std::lock_guard<std::mutex> hold(seLock);
        for (FACTCue* cue : dead) {
            std::erase_if(seCues, [cue](const auto& e) { return e.second == cue; });
            if (bgmCue == cue) {
                bgmCue = nullptr;
            }
        }
    }
    for (FACTCue* cue : dead) {
        std::erase(retiring, cue);
        DestroyCue(cue);
    }
}

std::size_t AudioDevice::OwnedCueCount() {
    std::lock_guard<std::mutex> hold(seLock);
    return seCues.size() + (bgmCue ? 1 : 0) + retiring.size();
}

FACTCue* AudioDevice::PlayCue(std::uint16_t cueIndex) {
    DrainStopQueue();
    FACTCue* cue = StartCue(cueIndex);
    if (cue) {
        retiring.push_back(cue);  // owned until it stops
    }
    return cue;
}

FACTCue* AudioDevice::PlayCueByName(const char* name) {
    return PlayCue(GetCueIndex(name));
}

void AudioDevice::StopCue(std::uint16_t cueIndex) {
    if (initialized && cueIndex < cueCount) {
        FACTSoundBank_Stop(soundBank, cueIndex, FACT_FLAG_STOP_RELEASE);
    }
    DrainStopQueue();
}

void AudioDevice::StopCueByName(const char* name) {
    StopCue(GetCueIndex(name));
}

std::uint16_t AudioDevice::GetCueIndex(const char* name) {
    if (!soundBank || !name) {
        return FACTINDEX_INVALID;
    }
    return FACTSoundBank_GetCueIndex(soundBank, name);
}

// [SECTION] Sound effects
std::int32_t AudioDevice::PlaySE(std::uint16_t cueIndex) {
    DrainStopQueue();
    FACTCue* cue = StartCue(cueIndex);
    if (!cue) {
        return -1;
    }
    std::lock_guard<std::mutex> hold(seLock);
    std::int32_t handle = nextHandle;
    while (seCues.count(handle)) {
        handle = handle == std::numeric_limits<std::int32_t>::max() ? kFirstHandle : handle + 1;
    }
    nextHandle = handle == std::numeric_limits<std::int32_t>::max() ? kFirstHandle : handle + 1;
    seCues[handle] = cue;
    return handle;
}

std::int32_t AudioDevice::PlaySEByName(const char* name) {
    return PlaySE(GetCueIndex(name));
}

std::int32_t AudioDevice::PlaySEWithHandle(std::int32_t handle, std::uint16_t cueIndex) {
    DrainStopQueue();
    // A handle below the counter's range could be taken for a cue index.
    if (handle < kFirstHandle) {
        return handle;
    }
    {
        std::lock_guard<std::mutex> hold(seLock);
        if (seCues.count(handle)) {
            return handle;
        }
    }
    if (FACTCue* cue = StartCue(cueIndex)) {
        std::lock_guard<std::mutex> hold(seLock);
        seCues[handle] = cue;
    }
    return handle;
}

void AudioDevice::StopSE(std::int32_t handle) {
    DrainStopQueue();
    FACTCue* cue = nullptr;
    {
        std::lock_guard<std::mutex> hold(seLock);
        const auto it = seCues.find(handle);
        if (it == seCues.end()) {
            return;
        }
        cue = it->second;
        seCues.erase(it);
    }
    RetireCue(cue);
}

void AudioDevice::StopAllSE() {
    DrainStopQueue();
    std::vector<FACTCue*> cues;
    {
        std::lock_guard<std::mutex> hold(seLock);
        for (const auto& [handle, cue] : seCues) {
            cues.push_back(cue);
        }
    }
    for (FACTCue* cue : cues) {
        FACTCue_Stop(cue, FACT_FLAG_STOP_IMMEDIATE);
    }
    ReapStoppedCues();
}

void AudioDevice::SetSEPause(std::int32_t handle, bool pause) {
    DrainStopQueue();
    FACTCue* cue = nullptr;
    {
        std::lock_guard<std::mutex> hold(seLock);
        const auto it = seCues.find(handle);
        if (it == seCues.end()) {
            return;
        }
        cue = it->second;
    }
    FACTCue_Pause(cue, pause ? 1 : 0);
}

void AudioDevice::PauseSE(std::int32_t handle) {
    SetSEPause(handle, true);
}

void AudioDevice::ResumeSE(std::int32_t handle) {
    SetSEPause(handle, false);
}

bool AudioDevice::IsEndSE(std::int32_t handle) {
    DrainStopQueue();
    std::lock_guard<std::mutex> hold(seLock);
    return seCues.find(handle) == seCues.end();
}

// [SECTION] Background music
void AudioDevice::PlayBGM(std::uint16_t cueIndex) {
    DrainStopQueue();
    FACTCue* cue = StartCue(cueIndex);
    StopBGM();
    std::lock_guard<std::mutex> hold(seLock);
    bgmCue = cue;
}

void AudioDevice::PlayBGMByName(const char* name) {
    PlayBGM(GetCueIndex(name));
}

void AudioDevice::StopBGM() {
    FACTCue* cue = nullptr;
    {
        std::lock_guard<std::mutex> hold(seLock);
        cue = bgmCue;
        bgmCue = nullptr;
    }
    if (cue) {
        RetireCue(cue);
    }
}

void AudioDevice::SetBGMPause(bool pause) {
    DrainStopQueue();
    FACTCue* cue = nullptr;
    {
        std::lock_guard<std::mutex> hold(seLock);
        cue = bgmCue;
    }
    if (cue) {
        FACTCue_Pause(cue, pause ? 1 : 0);
    }
}

void AudioDevice::PauseBGM() {
    SetBGMPause(true);
}

void AudioDevice::ResumeBGM() {
    SetBGMPause(false);
}

bool AudioDevice::IsPlayingBGM() {
    DrainStopQueue();
    std::lock_guard<std::mutex> hold(seLock);
    return bgmCue != nullptr;
}

// [SECTION] Volumes
void AudioDevice::SetMasterVolume(float volume) {
    masterVolume = volume;
    SetSEVolume(seVolume);
    SetBGMVolume(bgmVolume);
}

void AudioDevice::SetSEVolume(float volume) {
    if (!initialized) {
        return;
    }
    seVolume = volume;
    if (seCategory != FACTCATEGORY_INVALID) {
        FACTAudioEngine_SetVolume(engine, seCategory, GetSEVolume());
    }
}

void AudioDevice::SetBGMVolume(float volume) {
    if (!initialized) {
        return;
    }
    bgmVolume = volume;
    if (bgmCategory != FACTCATEGORY_INVALID) {
        FACTAudioEngine_SetVolume(engine, bgmCategory, GetBGMVolume());
    }
}

float AudioDevice::GetMasterVolume() {
    return ClampVolume(masterVolume);
}

float AudioDevice::GetSEVolume() {
    return ClampVolume(seVolume * masterVolume);
}

float AudioDevice::GetBGMVolume() {
    return ClampVolume(bgmVolume * masterVolume);
}

}  // namespace vho
