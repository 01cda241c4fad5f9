// What FACT trusts in the global settings and between them and a sound
// bank: an RPC has points, a reverb preset has all 22 parameters, an RPC on
// a DSP parameter stays inside the presets, and a cue names only RPCs and
// DSP presets the settings have. Settings files with RPCs and presets are
// built here (the bank writer has none); accepted ones also start FACT.
#include <FACT.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "qzware/depend/win/vho/audio/xact_bank_check.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Rpc {
    std::uint8_t points;
    std::uint16_t parameter;
};

void U8(Bytes& b, std::uint32_t v) {
    b.push_back(std::uint8_t(v));
}
void U16(Bytes& b, std::uint32_t v) {
    U8(b, v);
    U8(b, v >> 8);
}
void U32(Bytes& b, std::uint32_t v) {
    U16(b, v);
    U16(b, v >> 16);
}
void Patch32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        b[at + i] = std::uint8_t(v >> (8 * i));
    }
}

// Categories Global and Default, one global variable "Distance", the RPCs
// and the presets (their parameter counts) given. `rpcCodes` gets each
// RPC's offset, `presetCodes` each preset's.
Bytes Settings(const std::vector<Rpc>& rpcs, const std::vector<std::uint32_t>& presets,
               std::vector<std::uint32_t>* rpcCodes = nullptr,
               std::vector<std::uint32_t>* presetCodes = nullptr) {
    Bytes b;
    for (char c : std::string("XGSF")) {
        U8(b, std::uint8_t(c));
    }
    U16(b, 46);  // content version
    U16(b, 42);  // tool version
    U16(b, 0);
    for (int i = 0; i < 8; ++i) {
        U8(b, 0);
    }
    U8(b, 3);  // Windows
    std::uint32_t parameters = 0;
    for (std::uint32_t p : presets) {
        parameters += p;
    }
    for (std::uint32_t count :
         {2u, 1u, 0u, 0u, std::uint32_t(rpcs.size()), std::uint32_t(presets.size()), parameters}) {
        U16(b, count);
    }
    const std::size_t offsets = b.size();
    b.resize(b.size() + 11 * 4, 0);
    std::uint32_t at[11];
    at[0] = std::uint32_t(b.size());
    for (std::uint16_t parent : {0xFFFF, 0}) {
        U8(b, 255);
        U16(b, 0);
        U16(b, 0);
        U8(b, 0);
        U16(b, parent);
        U8(b, 0xB4);
        U8(b, 1);
    }
    at[1] = std::uint32_t(b.size());
    U8(b, 0);  // global, read-write
    for (int i = 0; i < 3; ++i) {
        U32(b, 0);  // initial, min, max
    }
    at[8] = std::uint32_t(b.size());
    for (const Rpc& r : rpcs) {
        if (rpcCodes) {
            rpcCodes->push_back(std::uint32_t(b.size()));
        }
        U16(b, 0);  // the variable
        U8(b, r.points);
        U16(b, r.parameter);
        for (std::uint8_t p = 0; p < r.points; ++p) {
            U32(b, 0);
            U32(b, 0);
            U8(b, 0);
        }
    }
    at[9] = std::uint32_t(b.size());
    for (std::uint32_t count : presets) {
        if (presetCodes) {
            presetCodes->push_back(std::uint32_t(b.size()));
        }
        U8(b, 0);
        U32(b, count);
    }
    at[10] = std::uint32_t(b.size());
    for (std::uint32_t i = 0; i < parameters; ++i) {
        U8(b, 0);
        for (int j = 0; j < 3; ++j) {
            U32(b, 0);  // value, min, max
        }
        U16(b, 0);
    }
    at[2] = std::uint32_t(b.size());  // first table: empty
    at[3] = std::uint32_t(b.size());
    const std::size_t categoryIndex = b.size();
    b.resize(b.size() + 2 * 6, 0xFF);
    at[6] = std::uint32_t(b.size());
    for (const char* name : {"Global", "Default"}) {
        Patch32(b, categoryIndex + 6 * (name[0] == 'G' ? 0 : 1), std::uint32_t(b.size()));
        for (const char* c = name; *c; ++c) {
            U8(b, std::uint8_t(*c));
        }
        U8(b, 0);
    }
    at[4] = std::uint32_t(b.size());  // second table: empty
    at[5] = std::uint32_t(b.size());
    const std::size_t variableIndex = b.size();
    b.resize(b.size() + 6, 0xFF);
    at[7] = std::uint32_t(b.size());
    Patch32(b, variableIndex, std::uint32_t(b.size()));
    for (char c : std::string("Distance")) {
        U8(b, std::uint8_t(c));
    }
    U8(b, 0);
    for (int i = 0; i < 11; ++i) {
        Patch32(b, offsets + 4 * i, at[i]);
    }
    return b;
}

std::string Check(const Bytes& b, vho::XactSettingsInfo* info = nullptr) {
    return vho::CheckGlobalSettings(b.data(), b.size(), info);
}

TEST(XactRpcCheck, RpcsWithoutPointsShortReverbPresetsAndDspRpcsPastThePresetAreRefused) {
    struct Case {
        const char* what;
        std::vector<Rpc> rpcs;
        std::vector<std::uint32_t> presets;
        const char* want;  // "" accepted
    };
    const Case cases[] = {
        {"volume RPC, two points", {{2, 0}}, {}, ""},
        {"volume RPC without points", {{0, 0}}, {}, "an RPC has no points"},
        {"one point is enough", {{1, 3}}, {}, ""},
        {"a whole reverb preset", {}, {22}, ""},
        {"a reverb preset of 21", {}, {21}, "lacks some of its 22 parameters"},
        {"an empty preset", {}, {0}, "lacks some of its 22 parameters"},
        {"DSP RPC on the last parameter", {{2, 5 + 21}}, {22}, ""},
        {"DSP RPC one past the last", {{2, 5 + 22}}, {22}, "aims past"},
        {"DSP RPC past the smaller preset", {{2, 5 + 22}}, {30, 22}, "aims past"},
        {"DSP RPC inside both", {{2, 5 + 25}}, {30, 26}, ""},
        {"DSP RPC with no preset to change", {{2, 5 + 100}}, {}, ""},
    };
    for (const Case& c : cases) {
        const std::string why = Check(Settings(c.rpcs, c.presets));
        if (*c.want == 0) {
            EXPECT_EQ("", why) << c.what;
        } else {
            EXPECT_NE(std::string::npos, why.find(c.want))
                << c.what << ": expected \"" << c.want << "\", got \"" << why << "\"";
        }
    }
}

TEST(XactRpcCheck, TheCheckReportsTheRpcAndPresetCodesAndFactTakesTheFile) {
    std::vector<std::uint32_t> rpcCodes, presetCodes;
    const Bytes b = Settings({{2, 0}, {3, 5 + 1}}, {22}, &rpcCodes, &presetCodes);
    vho::XactSettingsInfo info;
    ASSERT_EQ("", Check(b, &info));
    EXPECT_EQ(2u, info.categoryCount);
    EXPECT_EQ(1u, info.variableCount);
    ASSERT_EQ(2u, info.rpcParameters.size());
    EXPECT_EQ(0u, info.rpcParameters.at(rpcCodes[0]));
    EXPECT_EQ(6u, info.rpcParameters.at(rpcCodes[1]));
    EXPECT_EQ(presetCodes, info.dspPresetCodes);

    // The file built here is one FACT reads as it is (with its reverb).
    FACTAudioEngine* engine = nullptr;
    ASSERT_EQ(0u, FACTCreateEngine(0, &engine));
    std::vector<std::uint8_t> copy = b;
    FACTRuntimeParameters params{};
    params.lookAheadTime = 250;
    params.pGlobalSettingsBuffer = copy.data();
    params.globalSettingsBufferSize = std::uint32_t(copy.size());
    ASSERT_EQ(0u, FACTAudioEngine_Initialize(engine, &params));
    EXPECT_EQ(1, FACTAudioEngine_GetCategory(engine, "Default"));
    EXPECT_EQ(0, FACTAudioEngine_GetGlobalVariableIndex(engine, "Distance"));
    FACTAudioEngine_DoWork(engine);
    FACTAudioEngine_ShutDown(engine);
    FACTAudioEngine_Release(engine);
}

TEST(XactRpcCheck, ACueNamingAnRpcOrPresetTheSettingsLackIsNotPlayable) {
    std::vector<std::uint32_t> rpcCodes, presetCodes;
    vho::XactSettingsInfo settings;
    ASSERT_EQ("", Check(Settings({{2, 0}, {2, 5 + 3}}, {22}, &rpcCodes, &presetCodes), &settings));
    const std::vector<std::string> bankNames = {"Wave Bank"};
    const std::vector<vho::XactWaveBankInfo> loaded = {{"Wave Bank", 2, false}};
    struct Case {
        const char* what;
        vho::XactCueNeeds needs;
        const char* want;  // "" playable
    };
    const Case cases[] = {
        {"a plain cue", {{1}, {{0, 1}}, {}, {}, {}}, ""},
        {"its volume RPC is there", {{1}, {{0, 1}}, {}, {rpcCodes[0]}, {}}, ""},
        {"an RPC code one off", {{1}, {{0, 1}}, {}, {rpcCodes[0] + 1}, {}}, "RPC"},
        {"a sound RPC on a DSP parameter", {{1}, {{0, 1}}, {}, {rpcCodes[1]}, {}}, "DSP"},
        {"its reverb preset is there", {{1}, {{0, 1}}, {}, {}, {presetCodes[0]}}, ""},
        {"a preset code the settings lack", {{1}, {{0, 1}}, {}, {}, {7}}, "DSP preset"},
        {"a category past the settings", {{2}, {{0, 1}}, {}, {}, {}}, "category"},
        {"a variable past the settings", {{1}, {{0, 1}}, {1}, {}, {}}, "variable"},
        {"a wave past its bank", {{1}, {{0, 2}}, {}, {}, {}}, "wave"},
        {"a bank index past the list", {{1}, {{1, 0}}, {}, {}, {}}, "wave bank"},
    };
    for (const Case& c : cases) {
        const std::string why = vho::CheckCueNeeds(c.needs, settings, bankNames, loaded);
        if (*c.want == 0) {
            EXPECT_EQ("", why) << c.what;
        } else {
            EXPECT_NE(std::string::npos, why.find(c.want))
                << c.what << ": expected \"" << c.want << "\", got \"" << why << "\"";
        }
    }
    // FACT's defaults have no RPCs or presets at all.
    const vho::XactSettingsInfo defaults = vho::DefaultGlobalSettings();
    EXPECT_NE("", vho::CheckCueNeeds({{1}, {{0, 1}}, {}, {rpcCodes[0]}, {}}, defaults, bankNames,
                                     loaded));
    EXPECT_EQ("", vho::CheckCueNeeds({{2}, {{0, 1}}, {}, {}, {}}, defaults, bankNames, loaded));
}

}  // namespace
