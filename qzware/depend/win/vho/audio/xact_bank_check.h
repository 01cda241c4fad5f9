// Checks of the XACT 3 files before FACT parses them: FACT trusts every
// count and offset in a bank, so a short or damaged file would make it read
// past its buffer or crash. Each check walks the file as FACT will, refuses
// what FACT cannot take, and reports what the cues need so that a cue whose
// category or wave is missing can be refused instead of played.
// Little-endian files only; compact and seek-table wave banks are refused.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace vho {

struct XactSettingsInfo {
    std::uint16_t categoryCount = 0;
    std::uint16_t variableCount = 0;
};

struct XactWaveBankInfo {
    std::string name;
    std::uint32_t entryCount = 0;
    bool streaming = false;
};

// What one cue needs from the other files to play safely.
struct XactCueNeeds {
    std::vector<std::uint16_t> categories;                      // 0xFFFF (none) left out
    std::vector<std::pair<std::uint8_t, std::uint16_t>> waves;  // (wave bank index, wave)
    std::vector<std::uint16_t> variables;
};

struct XactSoundBankInfo {
    std::vector<std::string> waveBankNames;
    std::vector<XactCueNeeds> cues;
};

// Each check answers "" when the bytes are a file FACT can take, else why not.
// What FACT starts with when it is given no settings: the categories
// "Global", "Default" and "Music", no variables, RPCs or DSP presets.
XactSettingsInfo DefaultGlobalSettings();

std::string CheckGlobalSettings(const std::uint8_t* data, std::size_t size, XactSettingsInfo* info);

// How many leading bytes of a wave bank CheckWaveBank needs (its header,
// bank data and entry table), from the first `size` bytes (at least 52).
std::uint64_t WaveBankHeadSize(const std::uint8_t* data, std::size_t size);
// `head` holds the first bytes of a file of `fileSize` bytes (at least
// WaveBankHeadSize of them); `streaming` is how the bank is going to be loaded.
std::string CheckWaveBank(const std::uint8_t* head, std::size_t headSize, std::uint64_t fileSize,
                          bool streaming, XactWaveBankInfo* info);

std::string CheckSoundBank(const std::uint8_t* data, std::size_t size, XactSoundBankInfo* info);

}  // namespace vho
