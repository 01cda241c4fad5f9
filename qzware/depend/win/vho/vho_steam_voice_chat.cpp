#include "qzware/depend/win/vho/vho_steam_voice_chat.h"

#include "platform/online/online.h"
#include "platform/online/online_stats.h"
#include "qzware/depend/win/vho/vho_steam.h"
#include "qzware/depend/win/vho/vho_steam_event_dispatcher.h"

namespace vho {

namespace po = platform::online;

SteamVoiceChat::SteamVoiceChat(Steam* owner) : owner_(owner) {}

SteamVoiceChat::~SteamVoiceChat() {
    StopRecording();
}

void SteamVoiceChat::Finalize() {
    StopRecording();
}

void SteamVoiceChat::StartRecording() {
    if (recording_) {
        return;
    }
    recording_ = 1;
    stopRequested_ = 0;
    owner_->GetPlatform().start_voice_recording();
}

void SteamVoiceChat::StopRecording() {
    if (stopRequested_ || !recording_) {
        return;
    }
    stopRequested_ = 1;
    owner_->GetPlatform().stop_voice_recording();
}

void SteamVoiceChat::Update() {
    if (!recording_) {
        return;
    }
    po::Backend& platform = owner_->GetPlatform();
    std::uint32_t available = 0;
    const int state = platform.get_available_voice(&available);
    // A requested stop is over once the platform says it no longer records.
    if (stopRequested_ && state == po::kVoiceNotRecording) {
        MarkStopped();
        return;
    }
    if (state != po::kVoiceOk || available == 0) {
        return;
    }
    const int result = platform.get_voice(capture_.data, sizeof capture_.data, &capture_.size);
    if (stopRequested_ && result == po::kVoiceNotRecording) {
        MarkStopped();
        return;
    }
    if (result == po::kVoiceOk && capture_.size > 0) {
        if (capture_.size > sizeof capture_.data) {
            capture_.size = sizeof capture_.data;
        }
        owner_->PostEvent(kSteamVoiceData, &capture_);
    }
}

bool SteamVoiceChat::DecompressVoice(VoicePcmRecord* out, const VoiceRecord* in) {
    if (out == nullptr || in == nullptr) {
        return false;
    }
    const std::uint32_t size = in->size < sizeof in->data ? in->size : sizeof in->data;
    out->size = 0;
    const int result = owner_->GetPlatform().decompress_voice(
        in->data, size, out->pcm, sizeof out->pcm, &out->size, kSampleRate);
    return result == po::kVoiceOk && out->size > 0;
}

}  // namespace vho
