// The model file reader: walks the part chain with 64-bit offsets, checks
// each range against the file size by division (no product can overflow),
// and copies arrays out with memcpy so no unaligned pointer is ever cast.
#include "qzware/scene/qz_model_bin.h"

#include <cstring>

namespace QZW {

namespace {

// [SECTION] Bounded access
class Image {
public:
    Image(const std::uint8_t* data, std::size_t size)
        : data(data), size(data != nullptr ? size : 0) {}

    // True when `count` elements of `elementSize` bytes from `offset` lie
    // inside the file.
    bool Fits(std::uint64_t offset, std::uint64_t count, std::uint64_t elementSize) const {
        if (offset > size) {
            return false;
        }
        return elementSize == 0 || count <= (size - offset) / elementSize;
    }

    // Readers of fields already known to fit.
    std::uint32_t U32(std::uint64_t offset) const {
        std::uint8_t b[4];
        std::memcpy(b, data + offset, 4);
        return std::uint32_t(b[0]) | (std::uint32_t(b[1]) << 8) | (std::uint32_t(b[2]) << 16) |
               (std::uint32_t(b[3]) << 24);
    }
    std::int32_t I32(std::uint64_t offset) const { return std::int32_t(U32(offset)); }
    float F32(std::uint64_t offset) const {
        const std::uint32_t bits = U32(offset);
        float f;
        std::memcpy(&f, &bits, 4);
        return f;
    }
    Vector3 Vec3(std::uint64_t offset) const {
        return Vector3(F32(offset), F32(offset + 4), F32(offset + 8));
    }
    Matrix Mat(std::uint64_t offset) const {
        Matrix m;
        for (int i = 0; i < 16; ++i) {
            m.m[i] = F32(offset + std::uint64_t(i) * 4);
        }
        return m;
    }
    // The zero-terminated text of a fixed field; a field without a zero
    // yields all of its bytes.
    std::string Name(std::uint64_t offset, std::size_t width) const {
        const char* p = reinterpret_cast<const char*>(data + offset);
        return std::string(p, strnlen(p, width));
    }
    template <class T>
    void CopyArray(std::uint64_t offset, std::size_t count, std::vector<T>& out) const {
        out.resize(count);
        if (count > 0) {
            std::memcpy(out.data(), data + offset, count * sizeof(T));
        }
    }
    // Little-endian u16 values.
    void CopyU16(std::uint64_t offset, std::size_t count, std::vector<std::uint16_t>& out) const {
        out.resize(count);
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint8_t* p = data + offset + i * 2;
            out[i] = std::uint16_t(p[0] | (p[1] << 8));
        }
    }
    void CopyF32(std::uint64_t offset, std::size_t count, std::vector<float>& out) const {
        out.resize(count);
        for (std::size_t i = 0; i < count; ++i) {
            out[i] = F32(offset + i * 4);
        }
    }

    const std::uint8_t* data;
    std::size_t size;
};

using Fault = const char*;

// The element sizes of the arrays that follow a part header, in file order.
constexpr std::uint64_t kPositionSize = 12;
constexpr std::uint64_t kColourSize = 4;
constexpr std::uint64_t kNormalSize = 12;
constexpr std::uint64_t kUvSize = 8;
constexpr std::uint64_t kIndexSize = 2;

static_assert(sizeof(Vector3) == kPositionSize && sizeof(Vector2) == kUvSize &&
                  sizeof(Color) == kColourSize,
              "the engine's vertex types mirror the file's elements");

// [SECTION] Animation entries
// The bytes of one chunk, as its size field gives them.
struct ChunkRange {
    std::uint64_t begin = 0;
    std::uint64_t end = 0;
};

// Entries copied out of the whole file: tables may lie anywhere in it and be
// shared by many parts, so the total is bounded to keep a small file from
// growing into a huge allocation (every table's own bytes, plus room for
// parts sharing tables).
constexpr std::uint64_t kSharedEntryAllowance = 65536;

struct EntryBudget {
    std::uint64_t left = 0;
};

// `stride` matrices per frame: 1 for a mesh animation, the file's bone count
// for a skin. The entry table and the frame matrices only need to lie
// inside the file (matrices are read in place).
Fault ReadAnimTable(const Image& img, std::uint32_t tableOffset, std::int32_t count,
                    std::uint64_t stride, EntryBudget& budget, std::vector<QzModelAnim>& out) {
    if (count < 0) {
        return "negative animation count";
    }
    if (!img.Fits(tableOffset, std::uint64_t(count), kQzModelAnimEntrySize)) {
        return "animation table outside the file";
    }
    if (std::uint64_t(count) > budget.left) {
        return "more animation entries than the file can hold";
    }
    budget.left -= std::uint64_t(count);
    out.clear();
    out.reserve(std::size_t(count));
    for (std::int32_t i = 0; i < count; ++i) {
        const std::uint64_t e = tableOffset + std::uint64_t(i) * kQzModelAnimEntrySize;
        QzModelAnim anim;
        anim.name = img.Name(e + 4, kQzModelShortNameSize);
        anim.frames = img.I32(e + 20);
        anim.matrices = img.U32(e + 28);
        if (anim.frames < 1) {
            return "animation with no frames";
        }
        // frames x stride matrices, checked without forming the product.
        if (stride > 0 &&
            (!img.Fits(anim.matrices, std::uint64_t(anim.frames), kQzModelMatrixSize) ||
             std::uint64_t(anim.frames) >
                 (img.size - anim.matrices) / kQzModelMatrixSize / stride)) {
            return "frame matrices outside the file";
        }
        out.push_back(std::move(anim));
    }
    return nullptr;
}

// [SECTION] Chunks
Fault ReadChunkSize(const Image& img, std::uint64_t at, std::size_t headerSize,
                    std::uint64_t& chunkSize) {
    if (!img.Fits(at, 1, headerSize)) {
        return "chunk header outside the file";
    }
    chunkSize = img.U32(at);
    if (chunkSize < headerSize || !img.Fits(at, 1, chunkSize)) {
        return "chunk size outside the file";
    }
    return nullptr;
}

Fault ReadMeshAnim(const Image& img, const ChunkRange& chunk, EntryBudget& budget,
                   QzModelMeshAnim& out) {
    const std::uint64_t at = chunk.begin;
    out.chunkOffset = at;
    return ReadAnimTable(img, img.U32(at + 12), img.I32(at + 4), 1, budget, out.anims);
}

Fault ReadSkin(const Image& img, const ChunkRange& chunk, std::int32_t vertexCount,
               EntryBudget& budget, QzModelSkin& out) {
    const std::uint64_t at = chunk.begin;
    out.chunkOffset = at;
    const std::int32_t animCount = img.I32(at + 4);
    const std::int32_t boneCount = img.I32(at + 8);
    const std::uint32_t indexOffset = img.U32(at + 12);
    const std::uint32_t weightOffset = img.U32(at + 16);
    const std::uint32_t boneOffset = img.U32(at + 20);
    const std::uint32_t animOffset = img.U32(at + 24);
    if (boneCount < 0) {
        return "negative bone count";
    }
    const std::uint64_t influences = std::uint64_t(vertexCount) * 4;
    if (!img.Fits(indexOffset, influences, 2)) {
        return "bone indices outside the file";
    }
    if (!img.Fits(weightOffset, influences, 4)) {
        return "weights outside the file";
    }
    if (!img.Fits(boneOffset, std::uint64_t(boneCount), kQzModelBoneEntrySize)) {
        return "bone table outside the file";
    }
    out.bonesPerFrame = boneCount;
    const std::int32_t kept = boneCount < kQzModelMaxBones ? boneCount : kQzModelMaxBones;
    out.bones.clear();
    for (std::int32_t b = 0; b < kept; ++b) {
        const std::uint64_t e = boneOffset + std::uint64_t(b) * kQzModelBoneEntrySize;
        out.bones.push_back(QzMeshBone{img.Name(e, kQzModelShortNameSize), img.Mat(e + 16)});
    }
    img.CopyU16(indexOffset, std::size_t(influences), out.boneIndices);
    img.CopyF32(weightOffset, std::size_t(influences), out.weights);
    return ReadAnimTable(img, animOffset, animCount, std::uint64_t(boneCount), budget, out.anims);
}

// [SECTION] Part records
// Reads the record at `at` into `part` and sets `next` to where the next
// record starts (after the record's arrays and its tag's chunks).
Fault ReadPart(const Image& img, std::uint64_t at, EntryBudget& budget, QzModelPart& part,
               std::uint64_t& next) {
    if (!img.Fits(at, 1, kQzModelPartHeaderSize)) {
        return "part header outside the file";
    }
    const std::uint64_t recordSize = img.U32(at);
    part.recordOffset = at;
    part.tag = img.U32(at + 4);
    part.position = img.Vec3(at + 8);
    part.rotation = img.Vec3(at + 20);
    part.scale = img.Vec3(at + 32);
    const std::int32_t counts[5] = {img.I32(at + 44), img.I32(at + 48), img.I32(at + 52),
                                    img.I32(at + 56), img.I32(at + 60)};
    part.materialName = img.Name(at + 64, kQzModelMaterialNameSize);
    for (std::int32_t c : counts) {
        if (c < 0) {
            return "negative array count";
        }
    }
    const std::int32_t vertices = counts[0];
    // Colours and texture coordinates are read per vertex; normals are
    // never read, so their count only places the arrays after them.
    for (int s : {1, 3}) {
        if (counts[s] != 0 && counts[s] != vertices) {
            return "colour or texture-coordinate count differs from the vertex count";
        }
    }
    // Every array as its count says; the sum of five products of 31-bit
    // counts and small sizes cannot overflow 64 bits.
    const std::uint64_t sizes[5] = {kPositionSize, kColourSize, kNormalSize, kUvSize, kIndexSize};
    std::uint64_t offsets[5];
    std::uint64_t cursor = kQzModelPartHeaderSize;
    for (int s = 0; s < 5; ++s) {
        offsets[s] = at + cursor;
        cursor += std::uint64_t(counts[s]) * sizes[s];
    }
    if (recordSize < cursor || !img.Fits(at, 1, recordSize)) {
        return "part arrays outside the record";
    }
    part.vertexCount = vertices;
    img.CopyArray(offsets[0], std::size_t(counts[0]), part.positions);
    img.CopyArray(offsets[1], std::size_t(counts[1]), part.colours);
    img.CopyArray(offsets[3], std::size_t(counts[3]), part.uvs);
    img.CopyU16(offsets[4], std::size_t(counts[4]), part.indices);
    for (std::uint16_t index : part.indices) {
        if (index >= std::uint32_t(vertices)) {
            return "index past the vertex count";
        }
    }

    std::uint64_t end = at + recordSize;
    if (QzModelTagHasMeshAnim(part.tag)) {
        std::uint64_t chunkSize = 0;
        if (Fault f = ReadChunkSize(img, end, kQzModelMeshAnimHeaderSize, chunkSize)) {
            return f;
        }
        part.meshAnim.emplace();
        if (Fault f = ReadMeshAnim(img, {end, end + chunkSize}, budget, *part.meshAnim)) {
            return f;
        }
        end += chunkSize;
    }
    if (QzModelTagHasSkin(part.tag)) {
        std::uint64_t chunkSize = 0;
        if (Fault f = ReadChunkSize(img, end, kQzModelSkinHeaderSize, chunkSize)) {
            return f;
        }
        part.skin.emplace();
        if (Fault f = ReadSkin(img, {end, end + chunkSize}, vertices, budget, *part.skin)) {
            return f;
        }
        end += chunkSize;
    }
    next = end;
    return nullptr;
}

Fault ReadAll(const Image& img, QzModelFile& out) {
    if (!img.Fits(0, 1, kQzModelHeaderSize)) {
        return "file shorter than its header";
    }
    const std::int32_t count = img.I32(4);
    std::uint64_t at = img.U32(0);
    EntryBudget budget{img.size / kQzModelAnimEntrySize + kSharedEntryAllowance};
    for (std::int32_t i = 0; i < count; ++i) {
        QzModelPart part;
        std::uint64_t next = 0;
        if (Fault f = ReadPart(img, at, budget, part, next)) {
            return f;
        }
        out.parts.push_back(std::move(part));
        at = next;
    }
    return nullptr;
}

}  // namespace

bool QzModelTagHasMeshAnim(std::uint32_t tag) {
    return tag == kQzModelTagMeshAnim || tag == kQzModelTagMeshAnimSkin;
}

bool QzModelTagHasSkin(std::uint32_t tag) {
    return tag == kQzModelTagSkin || tag == kQzModelTagMeshAnimSkin;
}

bool QzReadModelBin(const std::uint8_t* image, std::size_t size, QzModelFile& out,
                    std::string* error) {
    out.parts.clear();
    const Fault fault = ReadAll(Image(image, size), out);
    if (fault != nullptr) {
        out.parts.clear();
    }
    if (error != nullptr) {
        *error = fault != nullptr ? fault : "";
    }
    return fault == nullptr;
}

Matrix QzModelFrameMatrix(const std::uint8_t* image, std::size_t size, const QzModelAnim& anim,
                          std::int32_t frame, std::int32_t stride, std::int32_t bone) {
    const Image img(image, size);
    if (anim.frames < 1 || stride < 1 || bone < 0 || bone >= stride) {
        return Matrix();
    }
    const std::int32_t f = frame < 0 ? 0 : (frame >= anim.frames ? anim.frames - 1 : frame);
    const std::uint64_t slot = std::uint64_t(f) * std::uint64_t(stride) + std::uint64_t(bone);
    const std::uint64_t offset = std::uint64_t(anim.matrices) + slot * kQzModelMatrixSize;
    if (!img.Fits(offset, 1, kQzModelMatrixSize)) {
        return Matrix();
    }
    return img.Mat(offset);
}

const QzModelAnim* QzFindModelAnim(const std::vector<QzModelAnim>& anims, const std::string& name) {
    for (const QzModelAnim& anim : anims) {
        if (anim.name == name) {
            return &anim;
        }
    }
    return nullptr;
}

}  // namespace QZW
