// libFuzzer target: the three XACT bank checks on arbitrary bytes (the first
// byte picks the kind). A check must never read outside the input, and what
// it accepts must keep every cue's wave references inside its bank list.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "qzware/depend/win/vho/audio/xact_bank_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) {
        return 0;
    }
    const std::uint8_t kind = data[0] % 4;
    data += 1;
    size -= 1;
    switch (kind) {
        case 0:
            vho::CheckGlobalSettings(data, size, nullptr);
            break;
        case 1:
        case 2:
            vho::CheckWaveBank(data, size, size, kind == 2, nullptr);
            break;
        default: {
            vho::XactSoundBankInfo info;
            if (vho::CheckSoundBank(data, size, &info).empty()) {
                for (const vho::XactCueNeeds& cue : info.cues) {
                    for (const auto& [bank, wave] : cue.waves) {
                        if (bank >= info.waveBankNames.size()) {
                            std::abort();
                        }
                    }
                }
            }
            break;
        }
    }
    return 0;
}
