// Model file writer: parts (geometry, rest transform, material name) with
// optional mesh-animation and skin chunks, laid out the way the engine's
// model reader walks them. Each chunk keeps its tables and matrices inside
// itself; offsets are from the start of the file. Build-time tools and tests.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qztools {

using ModelMatrix = std::array<float, 16>;  // row-major, translation in 12..14

ModelMatrix ModelIdentity();
ModelMatrix ModelTranslation(float x, float y, float z);

// One animation. A mesh animation holds one matrix per frame; a skin
// animation holds frames x bones matrices, frame-major.
struct ModelAnimDesc {
    std::string name;  // at most 15 bytes are kept
    std::vector<ModelMatrix> matrices;
    std::int32_t frames = 0;  // written as given (0: matrices.size() / per frame)
};

struct ModelBoneDesc {
    std::string name;
    ModelMatrix bind = ModelIdentity();
};

struct ModelSkinDesc {
    std::vector<ModelBoneDesc> bones;
    std::vector<std::uint16_t> boneIndices;  // 4 per vertex
    std::vector<float> weights;              // 4 per vertex
    std::vector<ModelAnimDesc> anims;
};

struct ModelPartDesc {
    std::array<float, 3> position = {0, 0, 0};
    std::array<float, 3> rotation = {0, 0, 0};  // degrees
    std::array<float, 3> scale = {1, 1, 1};
    std::string materialName;  // at most 31 bytes are kept
    std::vector<std::array<float, 3>> positions;
    std::vector<std::array<std::uint8_t, 4>> colours;
    std::vector<std::array<float, 3>> normals;
    std::vector<std::array<float, 2>> uvs;
    std::vector<std::uint16_t> indices;
    std::optional<std::vector<ModelAnimDesc>> meshAnims;  // "MAEM" chunk
    std::optional<ModelSkinDesc> skin;                    // "NIKS" chunk
    // The tag follows the chunks ("KSEM" for both); a value here replaces it
    // (tests write tags that announce no chunks).
    std::optional<std::uint32_t> tag;
};

// Where the encoder put each part's pieces (file offsets), for tests that
// damage a field on purpose.
struct ModelPartLayout {
    std::uint32_t record = 0;
    std::uint32_t arrays[5] = {};     // positions, colours, normals, uvs, indices
    std::uint32_t meshAnimChunk = 0;  // 0: none
    std::uint32_t meshAnimTable = 0;
    std::uint32_t skinChunk = 0;  // 0: none
    std::uint32_t skinIndices = 0, skinWeights = 0, skinBones = 0, skinTable = 0;
};

std::vector<std::uint8_t> EncodeModelBin(const std::vector<ModelPartDesc>& parts,
                                         std::vector<ModelPartLayout>* layout = nullptr);

// The demo's model: a ground plate (material "demo_ground", two triangles in
// the XZ plane at y = 0, 400 x 400 around the origin), a skinned banner
// ("demo_banner": a strip of quads in the XY plane, two bones, skin
// animation "wave") and a spinning marker ("demo_marker", mesh animation
// "spin").
std::vector<ModelPartDesc> DemoModelParts();

}  // namespace qztools
