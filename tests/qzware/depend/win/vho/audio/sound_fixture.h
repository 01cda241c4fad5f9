// Test banks written with the bank writer into a fresh folder, named as the
// sound manager expects: cue 0 "se_short" (50 ms, SE), 1 "se_long" (2 s,
// SE), 2 "bgm_loop" (streamed, looping, BGM), 3 "se_limited" (one instance,
// the next one fails). Categories: Global 0, Default 1, SE 2, BGM 3.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "tests/support/process_runner.h"
#include "tools/soundbank_writer/xact_writer.h"

namespace sound_test {

namespace xact = qz_tools::xact;

enum Cue : std::uint16_t { kShort = 0, kLong = 1, kMusic = 2, kLimited = 3, kCueCount = 4 };

struct SoundFiles {
    xact::Bytes settings, waves, stream, sounds;
};

inline SoundFiles MakeSoundFiles() {
    constexpr std::uint32_t rate = 44100;
    SoundFiles f;
    f.settings = xact::WriteGlobalSettings(std::vector<std::string>{"SE", "BGM"});
    f.waves = xact::WriteWaveBank("Wave Bank", false,
                                  {{1, rate, xact::SineTone(1000.0, 50, rate, 12000)},
                                   {1, rate, xact::SineTone(500.0, 2000, rate, 12000)}});
    f.stream = xact::WriteWaveBank("Stream Wave Bank", true,
                                   {{1, rate, xact::SineTone(300.0, 1500, rate, 12000)}});
    f.sounds = xact::WriteSoundBank("Sound Bank", {"Wave Bank", "Stream Wave Bank"},
                                    {{"se_short", 2, 0, 0, false, 0, 0},
                                     {"se_long", 2, 0, 1, false, 0, 0},
                                     {"bgm_loop", 3, 1, 0, true, 0, 0},
                                     {"se_limited", 2, 0, 1, false, 1, 0}});
    return f;
}

// The four files under <temp>/sound/ ("" names a file to leave out).
class SoundFolder {
public:
    explicit SoundFolder(const SoundFiles& f = MakeSoundFiles()) {
        folder = dir.path() + "/sound/";
        std::filesystem::create_directories(folder);
        Write("qzl3.xgs", f.settings);
        Write("Wave Bank.xwb", f.waves);
        Write("Stream Wave Bank.xwb", f.stream);
        Write("Sound Bank.xsb", f.sounds);
    }
    void Write(const std::string& name, const xact::Bytes& bytes) {
        std::filesystem::remove(folder + name);
        if (!bytes.empty()) {
            xact::SaveFile(folder + name, bytes);
        }
    }
    std::string Path(const std::string& name) const { return folder + name; }

    qz_test::TempDir dir;
    std::string folder;
};

}  // namespace sound_test
