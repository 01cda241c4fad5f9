// Writes the demo's sound files into a folder: "qzl3.xgs" (categories SE and
// BGM), "Wave Bank.xwb" (sound effects in memory), "Stream Wave Bank.xwb"
// (streamed music) and "Sound Bank.xsb" (their cues).
// Usage: soundbank_writer --out <folder>
#include <cstdio>
#include <cstring>
#include <string>

#include "tools/soundbank_writer/xact_writer.h"

namespace xact = qz_tools::xact;

namespace {

constexpr std::uint32_t kRate = 44100;
constexpr std::uint16_t kSe = 2;  // categories after Global and Default
constexpr std::uint16_t kBgm = 3;

// A short rising arpeggio, repeated: the demo's background music.
std::vector<std::int16_t> Music() {
    std::vector<std::int16_t> out;
    for (double hz : {262.0, 330.0, 392.0, 523.0, 392.0, 330.0}) {
        const auto note = xact::SineTone(hz, 250, kRate, 6000);
        out.insert(out.end(), note.begin(), note.end());
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 || std::strcmp(argv[1], "--out") != 0) {
        std::fprintf(stderr, "usage: soundbank_writer --out <folder>\n");
        return 2;
    }
    const std::string dir = argv[2];
    const xact::Bytes settings = xact::WriteGlobalSettings(std::vector<std::string>{"SE", "BGM"});
    const xact::Bytes effects =
        xact::WriteWaveBank("Wave Bank", false,
                            {{1, kRate, xact::SineTone(880.0, 120, kRate, 12000)},
                             {1, kRate, xact::SineTone(440.0, 300, kRate, 12000)}});
    const xact::Bytes music = xact::WriteWaveBank("Stream Wave Bank", true, {{1, kRate, Music()}});
    const xact::Bytes cues = xact::WriteSoundBank("Sound Bank", {"Wave Bank", "Stream Wave Bank"},
                                                  {{"se_click", kSe, 0, 0, false, 0, 0},
                                                   {"bgm_demo", kBgm, 1, 0, true, 0, 0},
                                                   {"se_limited", kSe, 0, 1, false, 1, 0}});
    const bool ok = xact::SaveFile(dir + "/qzl3.xgs", settings) &&
                    xact::SaveFile(dir + "/Wave Bank.xwb", effects) &&
                    xact::SaveFile(dir + "/Stream Wave Bank.xwb", music) &&
                    xact::SaveFile(dir + "/Sound Bank.xsb", cues);
    if (!ok) {
        std::fprintf(stderr, "soundbank_writer: cannot write into %s\n", dir.c_str());
        return 1;
    }
    return 0;
}
