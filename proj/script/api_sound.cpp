// The sound script functions: each fetches the sound manager from the game
// manager and makes one call. Without a sound manager they do nothing and
// answer the value a finished sound would (0, true for IsEndSE, false for
// IsEndBGM).
#include <cstdint>

#include "proj/script/script_api.h"
#include "proj/script/script_function_table.h"
#include "qzware/scene/iqz_game_manager.h"
#include "qzware/scene/iqz_sound_manager.h"

namespace Sample {

namespace {

QZW::IQzSoundManager* Sound() {
    QZW::IQzGameManager* gm = GetScriptGameManager();
    return gm ? gm->GetSoundManager() : nullptr;
}

std::int32_t SQ_PlaySE(std::int32_t cue, std::int32_t arg, float volume) {
    QZW::IQzSoundManager* s = Sound();
    return s ? s->PlaySE(cue, arg, volume) : cue;
}

std::int32_t SQ_PlaySE_Channel(std::int32_t channel, std::int32_t cue, std::int32_t arg,
                               float volume) {
    if (QZW::IQzSoundManager* s = Sound()) {
        s->PlaySEChannel(channel, cue, arg, volume);
    }
    return channel;
}

void SQ_StopSE(std::int32_t handle) {
    if (QZW::IQzSoundManager* s = Sound()) {
        s->StopSE(handle);
    }
}

void SQ_StopAllSE() {
    if (QZW::IQzSoundManager* s = Sound()) {
        s->StopAllSE();
    }
}

void SQ_PauseSE(std::int32_t handle) {
    if (QZW::IQzSoundManager* s = Sound()) {
        s->PauseSE(handle);
    }
}

void SQ_ResumeSE(std::int32_t handle) {
    if (QZW::IQzSoundManager* s = Sound()) {
        s->ResumeSE(handle);
    }
}

bool SQ_IsEndSE(std::int32_t handle) {
    QZW::IQzSoundManager* s = Sound();
    return s ? s->IsEndSE(handle) : true;
}

void SQ_SetVolumeSE(float volume) {
    if (QZW::IQzSoundManager* s = Sound()) {
        s->SetSEVolume(volume);
    }
}

void SQ_ReserveSoundChannel(std::int32_t channel) {
    if (QZW::IQzSoundManager* s = Sound()) {
        s->ReserveSoundChannel(channel);
    }
}

void SQ_ReleaseSoundChannel(std::int32_t channel) {
    if (QZW::IQzSoundManager* s = Sound()) {
        s->ReleaseSoundChannel(channel);
    }
}

std::int32_t SQ_PlayBGMFile(const char* file, std::int32_t arg, float volume) {
    QZW::IQzSoundManager* s = Sound();
    return s ? s->PlayBGMFile(file, arg, volume) : 0;
}

void SQ_PlayBGM(std::int32_t cue, std::int32_t arg, float volume) {
    if (QZW::IQzSoundManager* s = Sound()) {
        s->PlayBGM(cue, arg, volume);
    }
}

void SQ_StopBGM() {
    if (QZW::IQzSoundManager* s = Sound()) {
        s->StopBGM();
    }
}

void SQ_PauseBGM() {
    if (QZW::IQzSoundManager* s = Sound()) {
        s->PauseBGM();
    }
}

void SQ_ResumeBGM() {
    if (QZW::IQzSoundManager* s = Sound()) {
        s->ResumeBGM();
    }
}

bool SQ_IsEndBGM() {
    QZW::IQzSoundManager* s = Sound();
    return s && s->IsEndBGM();
}

void SQ_SetVolumeBGM(float volume) {
    if (QZW::IQzSoundManager* s = Sound()) {
        s->SetBGMVolume(volume);
    }
}

std::int32_t SQ_LoadWav(const char* file) {
    QZW::IQzSoundManager* s = Sound();
    return s ? s->LoadWav(file) : 0xFFFF;
}

std::int32_t SQ_LoadMp3(const char* file) {
    QZW::IQzSoundManager* s = Sound();
    return s ? s->LoadMp3(file) : 0;
}

constexpr ScriptFunction kSoundFunctions[] = {
    ScriptFn<&SQ_PlaySE>("SQ_PlaySE"),
    ScriptFn<&SQ_PlaySE_Channel>("SQ_PlaySE_Channel"),
    ScriptFn<&SQ_StopSE>("SQ_StopSE"),
    ScriptFn<&SQ_StopAllSE>("SQ_StopAllSE"),
    ScriptFn<&SQ_PauseSE>("SQ_PauseSE"),
    ScriptFn<&SQ_ResumeSE>("SQ_ResumeSE"),
    ScriptFn<&SQ_IsEndSE>("SQ_IsEndSE"),
    ScriptFn<&SQ_SetVolumeSE>("SQ_SetVolumeSE"),
    ScriptFn<&SQ_ReserveSoundChannel>("SQ_ReserveSoundChannel"),
    ScriptFn<&SQ_ReleaseSoundChannel>("SQ_ReleaseSoundChannel"),
    ScriptFn<&SQ_PlayBGMFile>("SQ_PlayBGMFile"),
    ScriptFn<&SQ_PlayBGM>("SQ_PlayBGM"),
    ScriptFn<&SQ_StopBGM>("SQ_StopBGM"),
    ScriptFn<&SQ_PauseBGM>("SQ_PauseBGM"),
    ScriptFn<&SQ_ResumeBGM>("SQ_ResumeBGM"),
    ScriptFn<&SQ_IsEndBGM>("SQ_IsEndBGM"),
    ScriptFn<&SQ_SetVolumeBGM>("SQ_SetVolumeBGM"),
    ScriptFn<&SQ_LoadWav>("SQ_LoadWav"),
    ScriptFn<&SQ_LoadMp3>("SQ_LoadMp3"),
};

}  // namespace

ScriptFunctionTable SoundScriptFunctions() {
    return kSoundFunctions;
}

}  // namespace Sample
