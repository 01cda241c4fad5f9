// Model file writer: appends each record and its chunks to one byte buffer,
// little-endian, patching sizes and offsets once they are known.
#include "tools/datawriters/model_bin_writer.h"

#include <cmath>
#include <cstring>

namespace qztools {

namespace {

constexpr std::uint32_t kTagMeshAnim = 0x4D45414Du;  // "MAEM"
constexpr std::uint32_t kTagSkin = 0x534B494Eu;      // "NIKS"
constexpr std::uint32_t kTagBoth = 0x4D45534Bu;      // "KSEM"

// [SECTION] Byte buffer
class Bytes {
public:
    std::uint32_t Size() const { return std::uint32_t(data.size()); }
    void U8(std::uint8_t v) { data.push_back(v); }
    void U16(std::uint16_t v) {
        U8(std::uint8_t(v));
        U8(std::uint8_t(v >> 8));
    }
    void U32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            U8(std::uint8_t(v >> (8 * i)));
        }
    }
    void I32(std::int32_t v) { U32(std::uint32_t(v)); }
    void F32(float f) {
        std::uint32_t bits;
        std::memcpy(&bits, &f, 4);
        U32(bits);
    }
    void Matrix(const ModelMatrix& m) {
        for (float f : m) {
            F32(f);
        }
    }
    // A zero-terminated name in a fixed field of `width` bytes.
    void Name(const std::string& s, std::size_t width) {
        for (std::size_t i = 0; i < width; ++i) {
            U8(i + 1 < width && i < s.size() ? std::uint8_t(s[i]) : 0);
        }
    }
    void Zeros(std::size_t n) { data.insert(data.end(), n, 0); }
    void PatchU32(std::uint32_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            data[at + std::size_t(i)] = std::uint8_t(v >> (8 * i));
        }
    }

    std::vector<std::uint8_t> data;
};

std::int32_t FramesOf(const ModelAnimDesc& anim, std::size_t perFrame) {
    if (anim.frames != 0) {
        return anim.frames;
    }
    return perFrame == 0 ? 0 : std::int32_t(anim.matrices.size() / perFrame);
}

// Entries (32 bytes each) followed by every entry's matrices; the entries'
// matrix offsets are patched as the matrices land.
void WriteAnimTable(Bytes& out, const std::vector<ModelAnimDesc>& anims, std::size_t perFrame) {
    const std::uint32_t table = out.Size();
    for (const ModelAnimDesc& anim : anims) {
        out.U32(0);
        out.Name(anim.name, 16);
        out.I32(FramesOf(anim, perFrame));
        out.U32(0);
        out.U32(0);  // matrices, patched below
    }
    for (std::size_t i = 0; i < anims.size(); ++i) {
        out.PatchU32(table + std::uint32_t(i) * 32 + 28, out.Size());
        for (const ModelMatrix& m : anims[i].matrices) {
            out.Matrix(m);
        }
    }
}

void WriteMeshAnimChunk(Bytes& out, const std::vector<ModelAnimDesc>& anims,
                        ModelPartLayout& where) {
    const std::uint32_t chunk = out.Size();
    where.meshAnimChunk = chunk;
    out.U32(0);  // size, patched
    out.I32(std::int32_t(anims.size()));
    out.U32(0);
    out.U32(chunk + 16);
    where.meshAnimTable = chunk + 16;
    WriteAnimTable(out, anims, 1);
    out.PatchU32(chunk, out.Size() - chunk);
}

void WriteSkinChunk(Bytes& out, const ModelSkinDesc& skin, ModelPartLayout& where) {
    const std::uint32_t chunk = out.Size();
    where.skinChunk = chunk;
    out.U32(0);  // size, patched
    out.I32(std::int32_t(skin.anims.size()));
    out.I32(std::int32_t(skin.bones.size()));
    out.Zeros(16);  // four offsets, patched
    where.skinIndices = out.Size();
    for (std::uint16_t i : skin.boneIndices) {
        out.U16(i);
    }
    // The weights start on a 4-byte boundary, as a float array would.
    out.Zeros((4 - out.Size() % 4) % 4);
    where.skinWeights = out.Size();
    for (float w : skin.weights) {
        out.F32(w);
    }
    where.skinBones = out.Size();
    for (const ModelBoneDesc& bone : skin.bones) {
        out.Name(bone.name, 16);
        out.Matrix(bone.bind);
    }
    where.skinTable = out.Size();
    WriteAnimTable(out, skin.anims, skin.bones.size());
    out.PatchU32(chunk + 12, where.skinIndices);
    out.PatchU32(chunk + 16, where.skinWeights);
    out.PatchU32(chunk + 20, where.skinBones);
    out.PatchU32(chunk + 24, where.skinTable);
    out.PatchU32(chunk, out.Size() - chunk);
}

std::uint32_t TagOf(const ModelPartDesc& part) {
    if (part.tag) {
        return *part.tag;
    }
    if (part.meshAnims && part.skin) {
        return kTagBoth;
    }
    if (part.meshAnims) {
        return kTagMeshAnim;
    }
    return part.skin ? kTagSkin : 0;
}

void WritePart(Bytes& out, const ModelPartDesc& part, ModelPartLayout& where) {
    const std::uint32_t record = out.Size();
    where.record = record;
    out.U32(0);  // size, patched
    out.U32(TagOf(part));
    for (const auto* v : {&part.position, &part.rotation, &part.scale}) {
        for (float f : *v) {
            out.F32(f);
        }
    }
    out.I32(std::int32_t(part.positions.size()));
    out.I32(std::int32_t(part.colours.size()));
    out.I32(std::int32_t(part.normals.size()));
    out.I32(std::int32_t(part.uvs.size()));
    out.I32(std::int32_t(part.indices.size()));
    out.Name(part.materialName, 32);
    where.arrays[0] = out.Size();
    for (const auto& p : part.positions) {
        out.F32(p[0]);
        out.F32(p[1]);
        out.F32(p[2]);
    }
    where.arrays[1] = out.Size();
    for (const auto& c : part.colours) {
        for (std::uint8_t b : c) {
            out.U8(b);
        }
    }
    where.arrays[2] = out.Size();
    for (const auto& n : part.normals) {
        out.F32(n[0]);
        out.F32(n[1]);
        out.F32(n[2]);
    }
    where.arrays[3] = out.Size();
    for (const auto& t : part.uvs) {
        out.F32(t[0]);
        out.F32(t[1]);
    }
    where.arrays[4] = out.Size();
    for (std::uint16_t i : part.indices) {
        out.U16(i);
    }
    out.PatchU32(record, out.Size() - record);
    // Chunks follow the tag actually written, so a replaced tag announcing
    // no chunk leaves the chunk data out as the reader expects.
    const std::uint32_t tag = TagOf(part);
    if ((tag == kTagMeshAnim || tag == kTagBoth) && part.meshAnims) {
        WriteMeshAnimChunk(out, *part.meshAnims, where);
    }
    if ((tag == kTagSkin || tag == kTagBoth) && part.skin) {
        WriteSkinChunk(out, *part.skin, where);
    }
}

}  // namespace

ModelMatrix ModelIdentity() {
    return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
}

ModelMatrix ModelTranslation(float x, float y, float z) {
    ModelMatrix m = ModelIdentity();
    m[12] = x;
    m[13] = y;
    m[14] = z;
    return m;
}

std::vector<std::uint8_t> EncodeModelBin(const std::vector<ModelPartDesc>& parts,
                                         std::vector<ModelPartLayout>* layout) {
    Bytes out;
    out.U32(8);
    out.I32(std::int32_t(parts.size()));
    std::vector<ModelPartLayout> where(parts.size());
    for (std::size_t i = 0; i < parts.size(); ++i) {
        WritePart(out, parts[i], where[i]);
    }
    if (layout != nullptr) {
        *layout = std::move(where);
    }
    return std::move(out.data);
}

// [SECTION] The demo model
namespace {

ModelPartDesc DemoGround() {
    ModelPartDesc p;
    p.materialName = "demo_ground";
    p.positions = {{-200, 0, -200}, {200, 0, -200}, {200, 0, 200}, {-200, 0, 200}};
    p.colours.assign(4, {90, 160, 90, 255});
    p.uvs = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    // Wound so that the ground walk (x, z) accepts both triangles.
    p.indices = {0, 2, 1, 0, 3, 2};
    return p;
}

// A 40 x 160 strip of four quads hanging down from y = 0; the lower half
// follows bone 1, which the "wave" animation swings from side to side.
ModelPartDesc DemoBanner() {
    ModelPartDesc p;
    p.materialName = "demo_banner";
    p.position = {0, -160, 0};
    ModelSkinDesc skin;
    for (int row = 0; row <= 4; ++row) {
        const float y = float(row) * 40.0f;
        p.positions.push_back({-20, y, 0});
        p.positions.push_back({20, y, 0});
        p.uvs.push_back({0, float(row) / 4});
        p.uvs.push_back({1, float(row) / 4});
        const float lower = row >= 2 ? float(row - 1) / 3.0f : 0.0f;
        for (int side = 0; side < 2; ++side) {
            p.colours.push_back({240, 200, 60, 255});
            skin.boneIndices.insert(skin.boneIndices.end(), {0, 1, 0, 0});
            skin.weights.insert(skin.weights.end(), {1.0f - lower, lower, 0.0f, 0.0f});
        }
    }
    for (std::uint16_t q = 0; q < 4; ++q) {
        const std::uint16_t a = std::uint16_t(q * 2);
        p.indices.insert(p.indices.end(), {a, std::uint16_t(a + 1), std::uint16_t(a + 3), a,
                                           std::uint16_t(a + 3), std::uint16_t(a + 2)});
    }
    skin.bones = {{"root", ModelIdentity()}, {"tip", ModelTranslation(0, 80, 0)}};
    ModelAnimDesc wave;
    wave.name = "wave";
    constexpr int kFrames = 60;
    for (int f = 0; f < kFrames; ++f) {
        const float swing = 40.0f * std::sin(float(f) * 6.2831853f / float(kFrames));
        wave.matrices.push_back(ModelIdentity());
        wave.matrices.push_back(ModelTranslation(swing, 80, 0));
    }
    skin.anims.push_back(wave);
    p.skin = skin;
    return p;
}

// A 30 x 30 square whose mesh animation spins it about z and lifts it.
ModelPartDesc DemoMarker() {
    ModelPartDesc p;
    p.materialName = "demo_marker";
    p.position = {120, -60, 0};
    p.positions = {{-15, -15, 0}, {15, -15, 0}, {15, 15, 0}, {-15, 15, 0}};
    p.colours.assign(4, {230, 80, 80, 255});
    p.uvs = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    p.indices = {0, 1, 2, 0, 2, 3};
    ModelAnimDesc spin;
    spin.name = "spin";
    constexpr int kFrames = 36;
    for (int f = 0; f < kFrames; ++f) {
        const float a = float(f) * 6.2831853f / float(kFrames);
        const float c = std::cos(a), s = std::sin(a);
        spin.matrices.push_back({c, s, 0, 0, -s, c, 0, 0, 0, 0, 1, 0, 120, -60 - 20 * s, 0, 1});
    }
    p.meshAnims = std::vector<ModelAnimDesc>{spin};
    return p;
}

}  // namespace

std::vector<ModelPartDesc> DemoModelParts() {
    return {DemoGround(), DemoBanner(), DemoMarker()};
}

}  // namespace qztools
