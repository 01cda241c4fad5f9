// Checks of the XACT 3 files before FACT parses them: FACT trusts every
// count and offset in a bank, so a short or damaged file would make it read
// past its buffer or crash. Each check walks the file as FACT will, refuses
// what FACT cannot take (also RPCs without points, short reverb presets and
// DSP RPCs past their presets, which FACT indexes unchecked), and reports
// what the cues need so that a cue whose category, variable, RPC, DSP preset
// or wave is missing can be refused instead of played.
// Little-endian files only; compact and seek-table wave banks are refused.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace vho {

struct XactSettingsInfo {
    std::uint16_t categoryCount = 0;
    std::uint16_t variableCount = 0;
    // Each RPC's code (its offset in the file, as sound banks name it) and
    // the parameter it drives (0..4 sound parameters, 5 on DSP parameters).
    std::map<std::uint32_t, std::uint16_t> rpcParameters;
    // The DSP presets' codes (offsets in the file).
    std::vector<std::uint32_t> dspPresetCodes;
};

// RPC parameters from this one on drive DSP preset parameters.
constexpr std::uint16_t kFirstDspRpcParameter = 5;
// A reverb preset's parameter count: FACT reads all of them.
constexpr std::uint32_t kReverbParameterCount = 22;

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
    std::vector<std::uint32_t> rpcCodes;  // of its sounds and their tracks
    std::vector<std::uint32_t> dspCodes;  // DSP presets its sounds send to
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

// "" when FACT can play a cue with these needs against these settings and
// loaded wave banks (`waveBankNames` is the sound bank's list), else why not:
// a category, variable, RPC, DSP preset or wave it names is missing, or one
// of its sounds has an RPC aimed at a DSP parameter (FACT cannot apply it).
std::string CheckCueNeeds(const XactCueNeeds& needs, const XactSettingsInfo& settings,
                          const std::vector<std::string>& waveBankNames,
                          const std::vector<XactWaveBankInfo>& loadedWaveBanks);

}  // namespace vho
