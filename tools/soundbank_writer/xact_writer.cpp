#include "tools/soundbank_writer/xact_writer.h"

#include <cmath>
#include <cstring>
#include <fstream>
#include <numbers>
#include <stdexcept>

namespace qz_tools::xact {
namespace {

constexpr std::uint16_t kContentVersion = 46;
constexpr std::uint16_t kSettingsToolVersion = 42;
constexpr std::uint16_t kSoundBankToolVersion = 43;
constexpr std::uint32_t kWaveBankHeaderVersion = 44;
constexpr std::uint8_t kVolumeZeroDb = 180;  // XACT's volume byte for 0 dB
constexpr std::uint32_t kNone = 0xFFFFFFFFu;

// [SECTION] Little-endian output
struct Out {
    Bytes b;
    std::size_t size() const { return b.size(); }
    void u8(std::uint32_t v) { b.push_back(std::uint8_t(v)); }
    void u16(std::uint32_t v) {
        u8(v);
        u8(v >> 8);
    }
    void u32(std::uint32_t v) {
        u16(v);
        u16(v >> 16);
    }
    void u64(std::uint64_t v) {
        u32(std::uint32_t(v));
        u32(std::uint32_t(v >> 32));
    }
    void tag(const char* four) { b.insert(b.end(), four, four + 4); }
    void str(const std::string& s) {
        b.insert(b.end(), s.begin(), s.end());
        b.push_back(0);
    }
    void fixed(const std::string& s, std::size_t width) {
        if (s.size() >= width) {
            throw std::invalid_argument("name too long: " + s);
        }
        str(s);
        zeros(width - s.size() - 1);
    }
    void zeros(std::size_t n) { b.insert(b.end(), n, 0); }
    void align(std::size_t a) { zeros((a - b.size() % a) % a); }
    void patch32(std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            b[at + i] = std::uint8_t(v >> (8 * i));
        }
    }
};

}  // namespace

// [SECTION] Global settings
Bytes WriteGlobalSettings(const std::vector<std::string>& extra) {
    std::vector<Category> all = {{"Global", 0xFFFF, 255}, {"Default", 0, 255}};
    for (const std::string& name : extra) {
        all.push_back({name, 0, 255});
    }
    return WriteGlobalSettings(all);
}

Bytes WriteGlobalSettings(const std::vector<Category>& categories) {
    const std::uint32_t n = std::uint32_t(categories.size());
    Out o;
    o.tag("XGSF");
    o.u16(kContentVersion);
    o.u16(kSettingsToolVersion);
    o.u16(0);  // checksum, not checked
    o.u64(0);  // last modified
    o.u8(3);   // Windows
    o.u16(n);  // categories
    o.u16(0);  // variables
    o.u16(0);  // two unnamed tables
    o.u16(0);
    o.u16(0);  // RPCs
    o.u16(0);  // DSP presets
    o.u16(0);  // DSP parameters
    const std::size_t offsets = o.size();
    o.zeros(11 * 4);
    const std::uint32_t categoryAt = std::uint32_t(o.size());
    for (const Category& c : categories) {
        o.u8(c.instanceLimit);
        o.u16(0);  // fade in
        o.u16(0);  // fade out
        o.u8(0);   // instance behaviour: fail
        o.u16(c.parent);
        o.u8(kVolumeZeroDb);
        o.u8(1);  // visibility
    }
    const std::uint32_t variableAt = std::uint32_t(o.size());
    const std::uint32_t blob1At = variableAt;
    const std::uint32_t nameIndexAt = std::uint32_t(o.size());
    const std::size_t nameIndex = o.size();
    o.zeros(6 * n);
    const std::uint32_t namesAt = std::uint32_t(o.size());
    for (std::uint32_t i = 0; i < n; ++i) {
        o.patch32(nameIndex + 6 * i, std::uint32_t(o.size()));
        o.b[nameIndex + 6 * i + 4] = 0xFF;
        o.b[nameIndex + 6 * i + 5] = 0xFF;
        o.str(categories[i].name);
    }
    const std::uint32_t end = std::uint32_t(o.size());
    const std::uint32_t table[11] = {categoryAt, variableAt, blob1At, nameIndexAt, end,  end,
                                     namesAt,    end,        kNone,   kNone,       kNone};
    for (int i = 0; i < 11; ++i) {
        o.patch32(offsets + 4 * i, table[i]);
    }
    return o.b;
}

// [SECTION] Wave banks
Bytes WriteWaveBank(const std::string& bankName, bool streaming, const std::vector<Wave>& waves) {
    const std::uint32_t alignment = streaming ? 2048 : 4;
    Out o;
    o.tag("WBND");
    o.u32(kContentVersion);
    o.u32(kWaveBankHeaderVersion);
    const std::size_t segments = o.size();
    o.zeros(5 * 8);
    const std::uint32_t bankDataAt = std::uint32_t(o.size());
    o.u32(streaming ? 1 : 0);
    o.u32(std::uint32_t(waves.size()));
    o.fixed(bankName, 64);
    o.u32(24);  // entry size
    o.u32(0);   // no entry names
    o.u32(alignment);
    o.u32(0);  // compact format (unused)
    o.u64(0);  // build time
    const std::uint32_t bankDataLength = std::uint32_t(o.size()) - bankDataAt;
    const std::uint32_t metaAt = std::uint32_t(o.size());
    const std::size_t meta = o.size();
    o.zeros(24 * waves.size());
    const std::uint32_t metaLength = std::uint32_t(o.size()) - metaAt;
    const std::uint32_t emptyAt = std::uint32_t(o.size());
    o.align(alignment);
    const std::uint32_t dataAt = std::uint32_t(o.size());
    for (std::size_t i = 0; i < waves.size(); ++i) {
        const Wave& w = waves[i];
        if (w.channels == 0 || w.channels > 7 || w.sampleRate >= (1u << 18) ||
            w.samples.size() % w.channels != 0) {
            throw std::invalid_argument("wave format not representable");
        }
        o.align(alignment);
        const std::uint32_t offset = std::uint32_t(o.size()) - dataAt;
        for (std::int16_t s : w.samples) {
            o.u16(std::uint16_t(s));
        }
        const std::uint32_t length = std::uint32_t(w.samples.size() * 2);
        const std::uint32_t frames = std::uint32_t(w.samples.size() / w.channels);
        const std::uint32_t blockAlign = 2u * w.channels;
        // Mini format: tag 0 (PCM), channels, rate, block align, 16-bit.
        const std::uint32_t format = (std::uint32_t(w.channels) << 2) | (w.sampleRate << 5) |
                                     (blockAlign << 23) | (1u << 31);
        const std::size_t e = meta + 24 * i;
        o.patch32(e + 0, frames << 4);  // flags 0, duration in frames
        o.patch32(e + 4, format);
        o.patch32(e + 8, offset);
        o.patch32(e + 12, length);
        o.patch32(e + 16, 0);  // no loop region
        o.patch32(e + 20, 0);
    }
    if (streaming) {
        o.align(alignment);
    }
    const std::uint32_t dataLength = std::uint32_t(o.size()) - dataAt;
    const std::uint32_t table[10] = {bankDataAt, bankDataLength, metaAt, metaLength, emptyAt,
                                     0,          emptyAt,        0,      dataAt,     dataLength};
    for (int i = 0; i < 10; ++i) {
        o.patch32(segments + 4 * i, table[i]);
    }
    return o.b;
}

// [SECTION] Sound banks
Bytes WriteSoundBank(const std::string& bankName, const std::vector<std::string>& waveBankNames,
                     const std::vector<Cue>& cues) {
    std::uint16_t simpleCount = 0, complexCount = 0;
    for (const Cue& c : cues) {
        if (c.instanceLimit == 0) {
            if (complexCount != 0) {
                throw std::invalid_argument("simple cues must come before complex ones");
            }
            ++simpleCount;
        } else {
            ++complexCount;
        }
    }
    Out o;
    o.tag("SDBK");
    o.u16(kContentVersion);
    o.u16(kSoundBankToolVersion);
    o.u16(0);  // checksum
    o.u64(0);  // last modified
    o.u8(1);   // Windows
    o.u16(simpleCount);
    o.u16(complexCount);
    o.u16(0);
    o.u16(0);  // no cue hash table
    o.u8(std::uint32_t(waveBankNames.size()));
    o.u16(std::uint32_t(cues.size()));  // one sound per cue
    std::uint32_t nameLength = 0;
    for (const Cue& c : cues) {
        nameLength += std::uint32_t(c.name.size() + 1);
    }
    o.u16(nameLength);
    o.u16(0);
    const std::size_t offsets = o.size();
    o.zeros(10 * 4);
    o.fixed(bankName, 64);

    const std::uint32_t waveBankNamesAt = std::uint32_t(o.size());
    for (const std::string& name : waveBankNames) {
        o.fixed(name, 64);
    }
    const std::uint32_t soundsAt = std::uint32_t(o.size());
    std::vector<std::uint32_t> soundAt;
    for (const Cue& c : cues) {
        const std::size_t start = o.size();
        soundAt.push_back(std::uint32_t(start));
        o.u8((c.loop ? 1 : 0) | (c.rpcCodes.empty() ? 0 : 0x02));  // complex when looping
        o.u16(c.category);
        o.u8(kVolumeZeroDb);
        o.u16(0);  // pitch
        o.u8(0);   // priority
        const std::size_t lengthAt = o.size();
        o.u16(0);
        auto rpcBlock = [&] {
            if (c.rpcCodes.empty()) {
                return;
            }
            o.u16(std::uint32_t(3 + 4 * c.rpcCodes.size()));  // the block with its length
            o.u8(std::uint32_t(c.rpcCodes.size()));
            for (std::uint32_t code : c.rpcCodes) {
                o.u32(code);
            }
        };
        if (!c.loop) {
            o.u16(c.wave);
            o.u8(c.waveBank);
            rpcBlock();
        } else {
            o.u8(1);  // one track
            rpcBlock();
            o.u8(kVolumeZeroDb);
            const std::size_t codeAt = o.size();
            o.u32(0);
            o.u8(0);  // no filter
            o.u8(1);  // q factor
            o.u16(0);
            o.patch32(codeAt, std::uint32_t(o.size()));
            o.u8(1);  // one event: play wave, looping forever
            o.u32(1);
            o.u16(0);
            o.u8(0xFF);
            o.u8(0);
            o.u16(c.wave);
            o.u8(c.waveBank);
            o.u8(255);
            o.u16(0);
            o.u16(0);
        }
        const std::uint32_t length = std::uint32_t(o.size() - start);
        o.b[lengthAt] = std::uint8_t(length);
        o.b[lengthAt + 1] = std::uint8_t(length >> 8);
    }
    const std::uint32_t simpleAt = std::uint32_t(o.size());
    for (std::size_t i = 0; i < simpleCount; ++i) {
        o.u8(0x04);  // the cue plays one sound
        o.u32(soundAt[i]);
    }
    const std::uint32_t complexAt = std::uint32_t(o.size());
    for (std::size_t i = simpleCount; i < cues.size(); ++i) {
        o.u8(0x04);
        o.u32(soundAt[i]);
        o.u32(kNone);  // no transitions
        o.u8(cues[i].instanceLimit);
        o.u16(0);
        o.u16(0);
        o.u8(std::uint32_t(cues[i].maxInstanceBehavior) << 3);
    }
    const std::uint32_t afterCues = std::uint32_t(o.size());
    const std::uint32_t namesAt = std::uint32_t(o.size());
    for (const Cue& c : cues) {
        o.str(c.name);
    }
    const std::uint32_t table[10] = {simpleCount ? simpleAt : kNone,
                                     complexCount ? complexAt : kNone,
                                     namesAt,
                                     kNone,
                                     afterCues,
                                     afterCues,
                                     waveBankNamesAt,
                                     kNone,
                                     kNone,
                                     soundsAt};
    for (int i = 0; i < 10; ++i) {
        o.patch32(offsets + 4 * i, table[i]);
    }
    return o.b;
}

// [SECTION] Helpers
std::vector<std::int16_t> SineTone(double hz, std::uint32_t ms, std::uint32_t sampleRate,
                                   std::int16_t amplitude) {
    const std::size_t frames = std::size_t(std::uint64_t(sampleRate) * ms / 1000);
    std::vector<std::int16_t> out(frames);
    for (std::size_t i = 0; i < frames; ++i) {
        const double t = double(i) / double(sampleRate);
        out[i] = std::int16_t(std::lround(amplitude * std::sin(2.0 * std::numbers::pi * hz * t)));
    }
    return out;
}

bool SaveFile(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(out);
}

}  // namespace qz_tools::xact
