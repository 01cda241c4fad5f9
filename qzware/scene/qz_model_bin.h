// The binary model file: an 8-byte header, then a chain of part records
// (geometry, rest transform, material name) each optionally followed by a
// mesh-animation chunk and a skin chunk. The file is untrusted: the reader
// checks every count, offset and range against the file's size before it
// copies anything out, and refuses the whole file at the first fault that
// would be unsafe to use; what it never reads (normals) is not judged.
// Little-endian, read byte-wise with memcpy; nothing here allocates GL state.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "qzware/scene/qz_color.h"
#include "qzware/scene/qz_matrix.h"
#include "qzware/scene/qz_mesh.h"
#include "qzware/scene/qz_vector.h"

namespace QZW {

// Tags as the little-endian u32 of the bytes "MAEM", "NIKS" and "KSEM".
constexpr std::uint32_t kQzModelTagMeshAnim = 0x4D45414Du;
constexpr std::uint32_t kQzModelTagSkin = 0x534B494Eu;
constexpr std::uint32_t kQzModelTagMeshAnimSkin = 0x4D45534Bu;

constexpr std::size_t kQzModelHeaderSize = 8;
constexpr std::size_t kQzModelPartHeaderSize = 96;
constexpr std::size_t kQzModelMeshAnimHeaderSize = 16;
constexpr std::size_t kQzModelSkinHeaderSize = 28;
constexpr std::size_t kQzModelAnimEntrySize = 32;
constexpr std::size_t kQzModelBoneEntrySize = 80;
constexpr std::size_t kQzModelMatrixSize = 64;
constexpr std::size_t kQzModelMaterialNameSize = 32;
constexpr std::size_t kQzModelShortNameSize = 16;
// The skinning program addresses the mesh's 16-matrix palette; a skin keeps
// at most that many bones. A vertex naming a bone past them is moved by the
// palette's identity entries (the program clamps the index), never read
// outside it, so it is drawn, not refused.
constexpr int kQzModelMaxBones = kQzMaxBones;

bool QzModelTagHasMeshAnim(std::uint32_t tag);
bool QzModelTagHasSkin(std::uint32_t tag);

// One animation entry: its frame matrices start at file offset `matrices`
// (frame-major, `bonesPerFrame` matrices per frame for a skin, one for a
// mesh animation).
struct QzModelAnim {
    std::string name;
    std::int32_t frames = 1;  // at least 1
    std::uint32_t matrices = 0;
};

struct QzModelMeshAnim {
    std::uint64_t chunkOffset = 0;
    std::vector<QzModelAnim> anims;
};

struct QzModelSkin {
    std::uint64_t chunkOffset = 0;
    // Bone count as the file stores it: the stride of a skin frame.
    std::int32_t bonesPerFrame = 0;
    // The kept bones (at most kQzModelMaxBones), in table order.
    std::vector<QzMeshBone> bones;
    std::vector<std::uint16_t> boneIndices;  // 4 per vertex
    std::vector<float> weights;              // 4 per vertex
    std::vector<QzModelAnim> anims;
};

struct QzModelPart {
    std::uint64_t recordOffset = 0;
    std::uint32_t tag = 0;
    Vector3 position;
    Vector3 rotation;  // degrees
    Vector3 scale;
    std::string materialName;
    std::int32_t vertexCount = 0;
    std::vector<Vector3> positions;
    std::vector<Color> colours;          // empty or one per vertex
    std::vector<Vector2> uvs;            // empty or one per vertex
    std::vector<std::uint16_t> indices;  // each below vertexCount
    std::optional<QzModelMeshAnim> meshAnim;
    std::optional<QzModelSkin> skin;
};

struct QzModelFile {
    std::vector<QzModelPart> parts;
};

// Reads the whole image. True with every part on success (a part count of 0
// or less is a valid file with no parts); false with no parts and `error`
// naming the first fault otherwise. A null image counts as empty.
bool QzReadModelBin(const std::uint8_t* image, std::size_t size, QzModelFile& out,
                    std::string* error = nullptr);

// Frame matrix `bone` of frame `frame` of an animation (bone 0 and a stride
// of 1 for a mesh animation), clamped to the animation's frames. Identity
// when the matrix lies outside the image (the reader has ruled that out for
// the entries it returned; this is the second line).
Matrix QzModelFrameMatrix(const std::uint8_t* image, std::size_t size, const QzModelAnim& anim,
                          std::int32_t frame, std::int32_t stride, std::int32_t bone);

// First entry whose name equals `name` exactly, or null.
const QzModelAnim* QzFindModelAnim(const std::vector<QzModelAnim>& anims, const std::string& name);

}  // namespace QZW
