// Writers for the three XACT 3 file kinds the audio device loads: global
// settings (.xgs) with categories, wave banks (.xwb) of 16-bit PCM waves kept
// in memory or streamed, and sound banks (.xsb) whose cues each play one wave,
// once or looping, optionally with an instance limit. Little-endian, content
// version 46. Sounds may name RPC codes; the settings have no RPCs or DSP
// presets, and there are no variations or compression.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qz_tools::xact {

using Bytes = std::vector<std::uint8_t>;

struct Category {
    std::string name;
    std::uint16_t parent = 0xFFFF;  // index of the parent category, 0xFFFF for none
    std::uint8_t instanceLimit = 255;
};

// The categories "Global" (0) and "Default" (1, under Global) come first, as
// XACT writes them; `extra` follow with Global as their parent when not set.
Bytes WriteGlobalSettings(const std::vector<std::string>& extra);
Bytes WriteGlobalSettings(const std::vector<Category>& categories);

struct Wave {
    std::uint16_t channels = 1;
    std::uint32_t sampleRate = 44100;
    std::vector<std::int16_t> samples;  // interleaved frames
};

// Streaming banks align every wave to 2048 bytes (one DVD sector).
Bytes WriteWaveBank(const std::string& bankName, bool streaming, const std::vector<Wave>& waves);

struct Cue {
    std::string name;
    std::uint16_t category = 0xFFFF;  // index into the global settings' categories
    std::uint8_t waveBank = 0;        // index into the sound bank's wave bank names
    std::uint16_t wave = 0;
    bool loop = false;                     // loops forever (a complex sound)
    std::uint8_t instanceLimit = 0;        // 0: a simple cue; else a complex cue with this limit
    std::uint8_t maxInstanceBehavior = 0;  // 0 fail, 1 queue, 2 replace oldest, ...
    std::vector<std::uint32_t> rpcCodes;   // the sound's RPCs (global settings offsets)
};

// Cue indices follow the order given; simple cues (instanceLimit 0) must come
// before complex ones, as the file keeps them in two tables (std::invalid_argument).
Bytes WriteSoundBank(const std::string& bankName, const std::vector<std::string>& waveBankNames,
                     const std::vector<Cue>& cues);

// A sine tone of `ms` milliseconds at `hz`, peak `amplitude`, mono.
std::vector<std::int16_t> SineTone(double hz, std::uint32_t ms, std::uint32_t sampleRate,
                                   std::int16_t amplitude);

bool SaveFile(const std::string& path, const Bytes& bytes);

}  // namespace qz_tools::xact
