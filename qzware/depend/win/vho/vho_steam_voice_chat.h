// Voice chat on the online platform: starts and stops the recording, hands
// each frame's compressed voice to the listeners as event 11 and
// decompresses received voice. The platform layer captures no sound, so no
// voice data is produced here; the recording states are kept as the
// platform reports them. Game thread only.
#pragma once

#include <cstdint>

namespace vho {

class Steam;

// Compressed voice of one frame.
struct VoiceRecord {
    std::uint8_t data[1024] = {};
    std::uint32_t size = 0;  // bytes used
};

// Decompressed voice: 16-bit samples at 11000 Hz.
struct VoicePcmRecord {
    std::uint8_t pcm[22000] = {};
    std::uint32_t size = 0;  // bytes written
};

class SteamVoiceChat {
public:
    static constexpr std::uint32_t kSampleRate = 11000;

    explicit SteamVoiceChat(Steam* owner);
    virtual ~SteamVoiceChat();

    virtual bool Init() { return true; }
    virtual void Finalize();
    // Each frame: event 11 with the voice captured since the last frame;
    // once a stop was asked and the platform reports it has stopped, the
    // recording ends.
    virtual void Update();
    // Starts the platform's recording unless already recording; a new start
    // forgets an earlier stop request, so the next stop reaches the platform.
    virtual void StartRecording();
    // Asks the platform to stop (once); recording stays on until it has.
    virtual void StopRecording();
    virtual bool IsRecording() const { return recording_ != 0; }
    virtual bool IsNotRecording() const { return recording_ == 0; }
    virtual VoiceRecord* GetVoiceRecord() { return &capture_; }
    // True when the platform decompressed something; false for an empty record.
    virtual bool DecompressVoice(VoicePcmRecord* out, const VoiceRecord* in);
    virtual void MarkStopped() { recording_ = 0; }

    bool IsStopRequested() const { return stopRequested_ != 0; }

private:
    Steam* owner_;
    std::uint8_t recording_ = 0;
    std::uint8_t stopRequested_ = 0;
    VoiceRecord capture_;
};

}  // namespace vho
