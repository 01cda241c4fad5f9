#include "qzware/depend/win/vho/audio/xact_bank_check.h"

#include <algorithm>
#include <cstring>
#include <map>

namespace vho {
namespace {

constexpr std::uint32_t kSettingsMagic = 0x46534758;   // "XGSF"
constexpr std::uint32_t kSoundBankMagic = 0x4B424453;  // "SDBK"
constexpr std::uint32_t kWaveBankMagic = 0x444E4257;   // "WBND"
constexpr std::uint32_t kAbsent = 0xFFFFFFFFu;

bool SupportedContent(std::uint32_t v) {
    return v == 44 || v == 45 || v == 46;
}

// [SECTION] Bounded little-endian reader: any read past the end marks it bad.
struct Reader {
    const std::uint8_t* p;
    std::size_t size;
    std::size_t pos = 0;
    bool ok = true;

    bool has(std::size_t n) const { return ok && n <= size && pos <= size - n; }
    std::uint32_t take(int bytes) {
        if (!has(std::size_t(bytes))) {
            ok = false;
            return 0;
        }
        std::uint32_t v = 0;
        for (int i = 0; i < bytes; ++i) {
            v |= std::uint32_t(p[pos + i]) << (8 * i);
        }
        pos += std::size_t(bytes);
        return v;
    }
    std::uint8_t u8() { return std::uint8_t(take(1)); }
    std::uint16_t u16() { return std::uint16_t(take(2)); }
    std::uint32_t u32() { return take(4); }
    void skip(std::uint64_t n) {
        if (n > size || !has(std::size_t(n))) {
            ok = false;
            return;
        }
        pos += std::size_t(n);
    }
    // A zero-terminated string starting here (FACT copies it with strlen).
    bool cstr(std::string* out = nullptr) {
        if (!ok || pos >= size) {
            ok = false;
            return false;
        }
        const void* nul = std::memchr(p + pos, 0, size - pos);
        if (!nul) {
            ok = false;
            return false;
        }
        const std::size_t len = std::size_t(static_cast<const std::uint8_t*>(nul) - (p + pos));
        if (out) {
            out->assign(reinterpret_cast<const char*>(p + pos), len);
        }
        pos += len + 1;
        return true;
    }
    // A fixed field of `width` bytes that must hold its terminator.
    bool fixed(std::size_t width, std::string* out = nullptr) {
        if (!has(width) || !std::memchr(p + pos, 0, width)) {
            ok = false;
            return false;
        }
        if (out) {
            *out = reinterpret_cast<const char*>(p + pos);
        }
        pos += width;
        return true;
    }
    bool at(std::uint32_t offset) const { return ok && pos == offset; }
};

}  // namespace

// [SECTION] Global settings
XactSettingsInfo DefaultGlobalSettings() {
    XactSettingsInfo info;
    info.categoryCount = 3;
    return info;
}

std::string CheckGlobalSettings(const std::uint8_t* data, std::size_t size,
                                XactSettingsInfo* info) {
    Reader r{data, size};
    if (size == 0) {
        return "global settings: the file is empty";
    }
    if (size < 77) {
        return "global settings: shorter than the header";
    }
    if (r.u32() != kSettingsMagic) {
        return "global settings: not an XGSF file";
    }
    if (!SupportedContent(r.u16())) {
        return "global settings: unsupported content version";
    }
    if (r.u16() != 42) {
        return "global settings: unsupported tool version";
    }
    r.skip(10);
    const std::uint8_t platform = r.u8();
    if (platform != 3 && platform != 7) {
        return "global settings: unsupported platform";
    }
    const std::uint16_t categories = r.u16(), variables = r.u16(), blob1 = r.u16(), blob2 = r.u16(),
                        rpcs = r.u16(), presets = r.u16();
    r.u16();  // parameter count, not used
    std::uint32_t off[11];
    for (std::uint32_t& o : off) {
        o = r.u32();
    }
    if (!r.at(off[0])) {
        return "global settings: categories misplaced";
    }
    for (std::uint16_t i = 0; i < categories; ++i) {
        r.skip(6);
        const std::uint16_t parent = r.u16();
        r.skip(2);
        if (parent != 0xFFFF && parent >= categories) {
            return "global settings: category parent out of range";
        }
    }
    if (!r.at(off[1])) {
        return "global settings: variables misplaced";
    }
    r.skip(std::uint64_t(variables) * 13);
    XactSettingsInfo out;
    if (rpcs > 0) {
        if (!r.at(off[8])) {
            return "global settings: RPCs misplaced";
        }
        for (std::uint16_t i = 0; i < rpcs && r.ok; ++i) {
            const auto code = std::uint32_t(r.pos);
            const std::uint16_t variable = r.u16();
            const std::uint8_t points = r.u8();
            const std::uint16_t parameter = r.u16();
            r.skip(std::uint64_t(points) * 9);
            if (variable >= variables) {
                return "global settings: RPC variable out of range";
            }
            if (points == 0) {
                return "global settings: an RPC has no points";  // FACT reads the first and last
            }
            out.rpcParameters[code] = parameter;
        }
    }
    std::uint32_t fewestParameters = 0;
    if (presets > 0) {
        if (!r.at(off[9])) {
            return "global settings: DSP presets misplaced";
        }
        std::uint64_t parameters = 0;
        fewestParameters = 0xFFFFFFFFu;
        for (std::uint16_t i = 0; i < presets && r.ok; ++i) {
            out.dspPresetCodes.push_back(std::uint32_t(r.pos));
            r.u8();
            const std::uint32_t count = r.u32();
            parameters += count;
            fewestParameters = std::min(fewestParameters, count);
        }
        if (r.ok && fewestParameters < kReverbParameterCount) {
            return "global settings: a reverb preset lacks some of its 22 parameters";
        }
        if (!r.at(off[10])) {
            return "global settings: DSP parameters misplaced";
        }
        r.skip(parameters * 15);
    }
    // FACT sets a DSP RPC's parameter on every preset.
    for (const auto& [code, parameter] : out.rpcParameters) {
        if (parameter >= kFirstDspRpcParameter && presets > 0 &&
            std::uint32_t(parameter - kFirstDspRpcParameter) >= fewestParameters) {
            return "global settings: an RPC aims past its DSP preset's parameters";
        }
    }
    if (!r.at(off[2])) {
        return "global settings: first table misplaced";
    }
    r.skip(std::uint64_t(blob1) * 2);
    if (!r.at(off[3])) {
        return "global settings: category name index misplaced";
    }
    r.skip(std::uint64_t(categories) * 6);
    if (!r.at(off[6])) {
        return "global settings: category names misplaced";
    }
    for (std::uint16_t i = 0; i < categories && r.ok; ++i) {
        r.cstr();
    }
    if (!r.at(off[4])) {
        return "global settings: second table misplaced";
    }
    r.skip(std::uint64_t(blob2) * 2);
    if (!r.at(off[5])) {
        return "global settings: variable name index misplaced";
    }
    r.skip(std::uint64_t(variables) * 6);
    if (!r.at(off[7])) {
        return "global settings: variable names misplaced";
    }
    for (std::uint16_t i = 0; i < variables && r.ok; ++i) {
        r.cstr();
    }
    if (!r.ok || r.pos != size) {
        return "global settings: size does not match its tables";
    }
    if (info) {
        out.categoryCount = categories;
        out.variableCount = variables;
        *info = std::move(out);
    }
    return "";
}

// [SECTION] Wave banks
std::uint64_t WaveBankHeadSize(const std::uint8_t* data, std::size_t size) {
    Reader r{data, size};
    r.skip(12);
    std::uint64_t need = 52;
    for (int i = 0; i < 2; ++i) {
        const std::uint64_t offset = r.u32(), length = r.u32();
        need = std::max(need, offset + length);
    }
    return r.ok ? need : 52;
}

std::string CheckWaveBank(const std::uint8_t* head, std::size_t headSize, std::uint64_t fileSize,
                          bool streaming, XactWaveBankInfo* info) {
    Reader r{head, headSize};
    if (headSize < 52 || fileSize < 52) {
        return "wave bank: shorter than the header";
    }
    if (r.u32() != kWaveBankMagic) {
        return "wave bank: not a WBND file";
    }
    if (!SupportedContent(r.u32())) {
        return "wave bank: unsupported content version";
    }
    const std::uint32_t headerVersion = r.u32();
    if (headerVersion < 42 || headerVersion > 44) {
        return "wave bank: unsupported header version";
    }
    std::uint32_t segOffset[5], segLength[5];
    for (int i = 0; i < 5; ++i) {
        segOffset[i] = r.u32();
        segLength[i] = r.u32();
        if (std::uint64_t(segOffset[i]) + segLength[i] > fileSize) {
            return "wave bank: a segment lies past the end of the file";
        }
    }
    if (segLength[0] < 96 || WaveBankHeadSize(head, headSize) > headSize) {
        return "wave bank: bank data or entry table missing";
    }
    r.pos = segOffset[0];
    const std::uint32_t flags = r.u32();
    const std::uint32_t count = r.u32();
    std::string name;
    if (!r.fixed(64, &name)) {
        return "wave bank: bank name not terminated";
    }
    const std::uint32_t entrySize = r.u32();
    r.skip(20);
    if (bool(flags & 1) != streaming) {
        return streaming ? "wave bank: not a streaming bank" : "wave bank: not an in-memory bank";
    }
    if (flags & 0x00020000) {
        return "wave bank: compact entries are not supported";
    }
    if ((flags & 0x00080000) && segLength[2] > 0) {
        return "wave bank: seek tables are not supported";
    }
    if (entrySize != 24) {
        return "wave bank: unexpected entry size";
    }
    if (count > 0xFFFF || std::uint64_t(count) * 24 > segLength[1]) {
        return "wave bank: entry count does not fit its table";
    }
    r.pos = segOffset[1];
    for (std::uint32_t i = 0; i < count; ++i) {
        r.u32();
        const std::uint32_t format = r.u32();
        const std::uint32_t offset = r.u32(), length = r.u32();
        r.skip(8);
        const std::uint32_t tag = format & 3, channels = (format >> 2) & 7,
                            rate = (format >> 5) & 0x3FFFF;
        if (tag != 0 && tag != 2) {
            return "wave bank: only PCM and ADPCM waves are supported";
        }
        if (channels == 0 || rate == 0) {
            return "wave bank: wave format without channels or rate";
        }
        if (std::uint64_t(offset) + length > segLength[4]) {
            return "wave bank: a wave lies outside the wave data";
        }
    }
    if (!r.ok) {
        return "wave bank: entry table cut short";
    }
    if (info) {
        info->name = name;
        info->entryCount = count;
        info->streaming = streaming;
    }
    return "";
}

// [SECTION] Sound banks
namespace {

struct SoundRecord {
    std::uint16_t category;
    std::vector<std::pair<std::uint8_t, std::uint16_t>> waves;
    std::vector<std::uint32_t> rpcCodes;
    std::vector<std::uint32_t> dspCodes;
};

// `count` 4-byte codes, appended to `codes`.
void ReadCodes(Reader& r, std::uint8_t count, std::vector<std::uint32_t>& codes) {
    for (std::uint8_t i = 0; i < count && r.ok; ++i) {
        codes.push_back(r.u32());
    }
}

struct Variation {
    std::vector<std::pair<std::uint8_t, std::uint16_t>> waves;
    std::vector<std::uint32_t> sounds;
    std::int32_t variable = -1;
};

// One track's events; the waves they play are added to `waves`.
bool ReadEvents(Reader& r, std::vector<std::pair<std::uint8_t, std::uint16_t>>& waves) {
    const std::uint8_t count = r.u8();
    if (count == 0) {
        return false;  // FACT reads the first event's time of every track
    }
    for (std::uint8_t i = 0; i < count && r.ok; ++i) {
        const std::uint32_t type = r.u32() & 0x1F;
        r.u16();
        if (r.u8() != 0xFF) {
            return false;
        }
        auto variationEntries = [&] {
            const std::uint16_t n = r.u16();
            r.skip(6);
            for (std::uint16_t j = 0; j < n && r.ok; ++j) {
                const std::uint16_t wave = r.u16();
                const std::uint8_t bank = r.u8();
                r.skip(2);
                waves.push_back({bank, wave});
            }
        };
        switch (type) {
            case 0:
                r.skip(1);
                break;
            case 1:
            case 4: {
                r.u8();
                const std::uint16_t wave = r.u16();
                const std::uint8_t bank = r.u8();
                r.skip(5);
                waves.push_back({bank, wave});
                if (type == 4) {
                    r.skip(24);
                }
                break;
            }
            case 3:
                r.skip(6);
                variationEntries();
                break;
            case 6:
                r.skip(6 + 24);
                variationEntries();
                break;
            case 7:
            case 8:
            case 16:
            case 17:
                if (r.u8() & 1) {
                    r.skip(14);
                } else {
                    if (!(r.u8() & 0x0C)) {
                        return false;
                    }
                    r.skip(13 + ((type == 16 || type == 17) ? 4 : 0));
                }
                break;
            case 9:
                r.skip(4);
                break;
            case 18:
                r.skip(8);
                break;
            default:
                return false;
        }
    }
    return r.ok;
}

}  // namespace

std::string CheckSoundBank(const std::uint8_t* data, std::size_t size, XactSoundBankInfo* info) {
    Reader r{data, size};
    if (size < 138) {
        return "sound bank: shorter than the header";
    }
    if (r.u32() != kSoundBankMagic) {
        return "sound bank: not an SDBK file";
    }
    if (!SupportedContent(r.u16())) {
        return "sound bank: unsupported content version";
    }
    if (r.u16() != 43) {
        return "sound bank: unsupported tool version";
    }
    r.skip(10);
    const std::uint8_t platform = r.u8();
    if (platform != 0 && platform != 1 && platform != 3) {
        return "sound bank: unsupported platform";
    }
    const std::uint16_t simpleCount = r.u16(), complexCount = r.u16();
    r.u16();
    const std::uint16_t hashCount = r.u16();
    const std::uint8_t bankCount = r.u8();
    const std::uint16_t soundCount = r.u16();
    r.skip(4);
    const std::uint32_t simpleOff = r.u32(), complexOff = r.u32(), nameOff = r.u32();
    r.u32();
    const std::uint32_t variationOff = r.u32(), transitionOff = r.u32(), bankNameOff = r.u32(),
                        hashOff = r.u32(), nameIndexOff = r.u32(), soundOff = r.u32();
    if (!r.fixed(64)) {
        return "sound bank: bank name not terminated";
    }
    XactSoundBankInfo out;
    if (!r.at(bankNameOff)) {
        return "sound bank: wave bank names misplaced";
    }
    for (std::uint8_t i = 0; i < bankCount; ++i) {
        std::string name;
        if (!r.fixed(64, &name)) {
            return "sound bank: wave bank name not terminated";
        }
        out.waveBankNames.push_back(name);
    }
    if (!r.at(soundOff)) {
        return "sound bank: sounds misplaced";
    }
    std::map<std::uint32_t, SoundRecord> sounds;
    for (std::uint16_t i = 0; i < soundCount; ++i) {
        const std::uint32_t code = std::uint32_t(r.pos);
        SoundRecord s;
        const std::uint8_t flags = r.u8();
        s.category = r.u16();
        r.skip(6);
        const bool complex = flags & 1;
        std::uint8_t tracks = 1;
        if (complex) {
            tracks = r.u8();
            if (tracks == 0) {
                return "sound bank: complex sound without tracks";
            }
        } else {
            const std::uint16_t wave = r.u16();
            const std::uint8_t bank = r.u8();
            s.waves.push_back({bank, wave});
        }
        if (flags & 0x0E) {
            const std::size_t mark = r.pos;
            const std::uint16_t length = r.u16();
            if (flags & 0x02) {
                ReadCodes(r, r.u8(), s.rpcCodes);
            }
            if (flags & 0x04) {
                for (std::uint8_t t = 0; t < tracks && r.ok; ++t) {
                    ReadCodes(r, r.u8(), s.rpcCodes);
                }
            }
            if (!r.ok || r.pos - mark != length) {
                return "sound bank: RPC block size does not match";
            }
        }
        if (flags & 0x10) {
            r.skip(2);
            ReadCodes(r, r.u8(), s.dspCodes);
        }
        if (complex) {
            std::vector<std::uint32_t> codes;
            for (std::uint8_t t = 0; t < tracks; ++t) {
                r.u8();
                codes.push_back(r.u32());
                r.skip(4);
            }
            for (std::uint32_t trackCode : codes) {
                if (!r.at(trackCode) || !ReadEvents(r, s.waves)) {
                    return "sound bank: track events damaged";
                }
            }
        }
        if (!r.ok) {
            return "sound bank: sound table cut short";
        }
        sounds[code] = std::move(s);
    }
    struct CueRecord {
        std::uint8_t flags;
        std::uint32_t code;
    };
    std::vector<CueRecord> cues;
    std::uint32_t variationCount = 0, transitionCount = 0;
    if (simpleCount > 0 && !r.at(simpleOff)) {
        return "sound bank: simple cues misplaced";
    }
    for (std::uint16_t i = 0; i < simpleCount; ++i) {
        const std::uint8_t flags = r.u8();
        cues.push_back({flags, r.u32()});
    }
    if (complexCount > 0 && !r.at(complexOff)) {
        return "sound bank: complex cues misplaced";
    }
    for (std::uint16_t i = 0; i < complexCount; ++i) {
        const std::uint8_t flags = r.u8();
        const std::uint32_t code = r.u32();
        const std::uint32_t transition = r.u32();
        r.skip(6);
        cues.push_back({flags, code});
        variationCount += (flags & 0x04) ? 0 : 1;
        transitionCount += (transition != kAbsent && transition != 0) ? 1 : 0;
    }
    std::map<std::uint32_t, Variation> variations;
    if (variationCount > 0 && !r.at(variationOff)) {
        return "sound bank: variations misplaced";
    }
    for (std::uint32_t i = 0; i < variationCount && r.ok; ++i) {
        const std::uint32_t code = std::uint32_t(r.pos);
        Variation v;
        const std::uint16_t entries = r.u16();
        const std::uint16_t type = (r.u16() >> 3) & 7;
        r.u16();
        const std::uint16_t variable = r.u16();
        for (std::uint16_t j = 0; j < entries && r.ok; ++j) {
            if (type == 0 || type == 4) {
                const std::uint16_t wave = r.u16();
                const std::uint8_t bank = r.u8();
                r.skip(type == 0 ? 2 : 0);
                v.waves.push_back({bank, wave});
            } else if (type == 1 || type == 3) {
                v.sounds.push_back(r.u32());
                r.skip(type == 1 ? 2 : 12);
            } else {
                return "sound bank: unknown variation type";
            }
        }
        if (type == 3) {
            v.variable = variable;
        }
        if (entries == 0) {
            return "sound bank: empty variation";
        }
        variations[code] = std::move(v);
    }
    if (transitionCount > 0 && !r.at(transitionOff)) {
        return "sound bank: transitions misplaced";
    }
    for (std::uint32_t i = 0; i < transitionCount && r.ok; ++i) {
        r.skip(std::uint64_t(r.u32()) * 28);
    }
    if (hashOff != kAbsent) {
        if (!r.at(hashOff)) {
            return "sound bank: cue hash misplaced";
        }
        r.skip(std::uint64_t(hashCount) * 2);
    }
    if (nameIndexOff != kAbsent) {
        if (!r.at(nameIndexOff)) {
            return "sound bank: cue name index misplaced";
        }
        r.skip(std::uint64_t(cues.size()) * 6);
    }
    if (nameOff != kAbsent) {
        if (!r.at(nameOff)) {
            return "sound bank: cue names misplaced";
        }
        for (std::size_t i = 0; i < cues.size() && r.ok; ++i) {
            r.cstr();
        }
    }
    if (!r.ok || r.pos != size) {
        return "sound bank: size does not match its tables";
    }

    auto addSound = [&](XactCueNeeds& needs, std::uint32_t code) {
        auto it = sounds.find(code);
        if (it == sounds.end()) {
            return false;
        }
        if (it->second.category != 0xFFFF) {
            needs.categories.push_back(it->second.category);
        }
        needs.waves.insert(needs.waves.end(), it->second.waves.begin(), it->second.waves.end());
        needs.rpcCodes.insert(needs.rpcCodes.end(), it->second.rpcCodes.begin(),
                              it->second.rpcCodes.end());
        needs.dspCodes.insert(needs.dspCodes.end(), it->second.dspCodes.begin(),
                              it->second.dspCodes.end());
        return true;
    };
    for (const CueRecord& c : cues) {
        XactCueNeeds needs;
        if (c.flags & 0x04) {
            if (!addSound(needs, c.code)) {
                return "sound bank: a cue names no sound";
            }
        } else {
            auto it = variations.find(c.code);
            if (it == variations.end()) {
                return "sound bank: a cue names no variation";
            }
            needs.waves = it->second.waves;
            for (std::uint32_t code : it->second.sounds) {
                if (!addSound(needs, code)) {
                    return "sound bank: a variation names no sound";
                }
            }
            if (it->second.variable >= 0) {
                needs.variables.push_back(std::uint16_t(it->second.variable));
            }
        }
        for (const auto& [bank, wave] : needs.waves) {
            if (bank >= bankCount) {
                return "sound bank: a wave names no wave bank";
            }
        }
        out.cues.push_back(std::move(needs));
    }
    if (info) {
        *info = std::move(out);
    }
    return "";
}

// [SECTION] What one cue needs against the other files
std::string CheckCueNeeds(const XactCueNeeds& needs, const XactSettingsInfo& settings,
                          const std::vector<std::string>& waveBankNames,
                          const std::vector<XactWaveBankInfo>& loadedWaveBanks) {
    for (std::uint16_t category : needs.categories) {
        if (category >= settings.categoryCount) {
            return "its category is not in the global settings";
        }
    }
    for (std::uint16_t variable : needs.variables) {
        if (variable >= settings.variableCount) {
            return "its variable is not in the global settings";
        }
    }
    for (std::uint32_t code : needs.rpcCodes) {
        const auto rpc = settings.rpcParameters.find(code);
        if (rpc == settings.rpcParameters.end()) {
            return "it names an RPC the global settings do not have";
        }
        if (rpc->second >= kFirstDspRpcParameter) {
            return "a sound's RPC aims at a DSP parameter";
        }
    }
    for (std::uint32_t code : needs.dspCodes) {
        if (std::find(settings.dspPresetCodes.begin(), settings.dspPresetCodes.end(), code) ==
            settings.dspPresetCodes.end()) {
            return "it names a DSP preset the global settings do not have";
        }
    }
    for (const auto& [bank, wave] : needs.waves) {
        if (bank >= waveBankNames.size()) {
            return "it names no wave bank";
        }
        const std::string& name = waveBankNames[bank];
        const auto loaded = std::find_if(loadedWaveBanks.begin(), loadedWaveBanks.end(),
                                         [&](const XactWaveBankInfo& w) { return w.name == name; });
        if (loaded == loadedWaveBanks.end() || wave >= loaded->entryCount) {
            return "its wave is not loaded";
        }
    }
    return "";
}

}  // namespace vho
