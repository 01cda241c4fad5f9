#include "qzware/win/qz_sound_manager_al.h"

#include <cmath>
#include <cstdio>
#include <limits>

#include "qzware/depend/win/vho/audio/vho_audio_device.h"

namespace QZW::Win {

std::string CueNameOfFile(const char* file) {
    std::string name = file ? file : "";
    const std::size_t slash = name.rfind('/');
    if (slash != std::string::npos) {
        name.erase(0, slash + 1);
    }
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos) {
        name.erase(dot);
    }
    return name;
}

std::int32_t ScriptVolume(float deviceVolume) {
    const double scaled = std::trunc(double(deviceVolume) * 255.0);
    if (!(scaled > 0.0)) {
        return 0;
    }
    // 16777216 x 255 does not fit an int: the largest one stands for it.
    return scaled >= double(std::numeric_limits<std::int32_t>::max())
               ? std::numeric_limits<std::int32_t>::max()
               : std::int32_t(scaled);
}

CQzSoundManagerAL::~CQzSoundManagerAL() {
    delete device;
}

void CQzSoundManagerAL::Initialize(IQzGameManager* gameOwner) {
    Initialize(gameOwner, "USRDIR/sound/");
}

void CQzSoundManagerAL::Initialize(IQzGameManager* gameOwner, const std::string& folder) {
    owner = gameOwner;
    SetGameManager(gameOwner);
    delete device;
    device = new vho::AudioDevice();
    const std::string settings = folder + "qzl3.xgs";
    const std::string waves = folder + "Wave Bank.xwb";
    const std::string stream = folder + "Stream Wave Bank.xwb";
    const std::string sounds = folder + "Sound Bank.xsb";
    if (!device->Initialize(settings.c_str(), waves.c_str(), stream.c_str(), sounds.c_str())) {
        std::printf("The sound device could not be started: %s\n", device->GetLastError().c_str());
        std::fflush(stdout);
        throw 1;
    }
}

void CQzSoundManagerAL::Finalize() {
    if (device) {
        device->Finalize();
        delete device;
        device = nullptr;
    }
}

void CQzSoundManagerAL::Update() {
    if (device) {
        device->StartWorkerThread();
        device->ReapStoppedCues();
    }
}

void CQzSoundManagerAL::SetMasterVolume(float volume) {
    if (device) {
        device->SetMasterVolume(volume);
    }
}

void CQzSoundManagerAL::SetSEVolume(float volume) {
    if (device) {
        device->SetSEVolume(volume);
    }
}

void CQzSoundManagerAL::SetBGMVolume(float volume) {
    if (device) {
        device->SetBGMVolume(volume);
    }
}

std::int32_t CQzSoundManagerAL::GetMasterVolume() {
    return device ? ScriptVolume(device->GetMasterVolume()) : 0;
}

std::int32_t CQzSoundManagerAL::GetSEVolume() {
    return device ? ScriptVolume(device->GetSEVolume()) : 0;
}

std::int32_t CQzSoundManagerAL::GetBGMVolume() {
    return device ? ScriptVolume(device->GetBGMVolume()) : 0;
}

std::int32_t CQzSoundManagerAL::LoadWav(const char* file) {
    return device ? device->GetCueIndex(CueNameOfFile(file).c_str()) : 0xFFFF;
}

std::int32_t CQzSoundManagerAL::LoadMp3(const char*) {
    return 0;
}

std::int32_t CQzSoundManagerAL::PlaySEChannel(std::int32_t, std::int32_t cue, std::int32_t arg,
                                              float volume) {
    return PlaySE(cue, arg, volume);
}

std::int32_t CQzSoundManagerAL::PlaySE(std::int32_t cue, std::int32_t, float volume) {
    // A script's index outside the bank plays nothing (the device checks the
    // bank's cue count; this keeps 65536 from wrapping to cue 0).
    if (device && volume > 0.0f && cue >= 0 && cue <= 0xFFFF) {
        device->PlaySE(std::uint16_t(cue));
    }
    return cue;
}

void CQzSoundManagerAL::StopSE(std::int32_t handle) {
    if (device) {
        device->StopSE(handle);
    }
}

void CQzSoundManagerAL::StopAllSE() {
    if (device) {
        device->StopAllSE();
    }
}

void CQzSoundManagerAL::PauseSE(std::int32_t handle) {
    if (device) {
        device->PauseSE(handle);
    }
}

void CQzSoundManagerAL::ResumeSE(std::int32_t handle) {
    if (device) {
        device->ResumeSE(handle);
    }
}

bool CQzSoundManagerAL::IsEndSE(std::int32_t handle) {
    return device ? device->IsEndSE(handle) : true;
}

std::int32_t CQzSoundManagerAL::PlayBGMFile(const char* file, std::int32_t, float) {
    if (device) {
        device->PlayBGMByName(CueNameOfFile(file).c_str());
    }
    return 0;
}

std::int32_t CQzSoundManagerAL::PlayBGM(std::int32_t, std::int32_t, float) {
    return 0;  // music plays by file name only
}

void CQzSoundManagerAL::StopBGM() {
    if (device) {
        device->StopBGM();
    }
}

void CQzSoundManagerAL::PauseBGM() {
    if (device) {
        device->PauseBGM();
    }
}

void CQzSoundManagerAL::ResumeBGM() {
    if (device) {
        device->ResumeBGM();
    }
}

bool CQzSoundManagerAL::IsEndBGM() {
    return device && device->IsPlayingBGM();
}

bool CQzSoundManagerAL::IsInitialized() {
    return device && device->IsInitialized();
}

}  // namespace QZW::Win
