// The model file reader against files made by the model writer: every tag
// layout, the array placement rules, and a table of damaged files that must
// be refused whole (run under the sanitizers, so a read past the file fails).
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "qzware/scene/qz_model_bin.h"
#include "tools/datawriters/model_bin_writer.h"

namespace {

using qztools::ModelPartDesc;

ModelPartDesc Triangle(const std::string& material) {
    ModelPartDesc p;
    p.materialName = material;
    p.positions = {{0, 0, 0}, {1, 0, 0}, {0, 0, 1}};
    p.indices = {0, 1, 2};
    return p;
}

std::vector<qztools::ModelAnimDesc> TwoMeshAnims() {
    qztools::ModelAnimDesc a{
        "lift", {qztools::ModelTranslation(0, 1, 0), qztools::ModelTranslation(0, 2, 0)}};
    qztools::ModelAnimDesc b{"slide", {qztools::ModelTranslation(5, 0, 0)}};
    return {a, b};
}

qztools::ModelSkinDesc TwoBoneSkin(std::size_t vertices) {
    qztools::ModelSkinDesc s;
    s.bones = {{"root", qztools::ModelIdentity()}, {"arm", qztools::ModelTranslation(0, 3, 0)}};
    for (std::size_t v = 0; v < vertices; ++v) {
        s.boneIndices.insert(s.boneIndices.end(), {0, 1, 0, 0});
        s.weights.insert(s.weights.end(), {0.25f, 0.75f, 0.0f, 0.0f});
    }
    // Two frames of two bones, frame-major.
    s.anims.push_back({"wave",
                       {qztools::ModelTranslation(10, 0, 0), qztools::ModelTranslation(11, 0, 0),
                        qztools::ModelTranslation(20, 0, 0), qztools::ModelTranslation(21, 0, 0)}});
    return s;
}

QZW::QzModelFile Read(const std::vector<std::uint8_t>& bytes) {
    QZW::QzModelFile file;
    std::string error;
    EXPECT_TRUE(QZW::QzReadModelBin(bytes.data(), bytes.size(), file, &error)) << error;
    return file;
}

// [SECTION] Layouts
struct TagCase {
    const char* what;
    bool meshAnim;
    bool skin;
    std::uint32_t tag;  // 0: the writer's own
};

TEST(ModelBin, EachTagPlacesItsChunksAndTheNextRecordAfterThem) {
    const TagCase cases[] = {
        {"no chunks", false, false, 0},
        {"MAEM", true, false, 0},
        {"NIKS", false, true, 0},
        {"KSEM", true, true, 0},
        {"an unknown tag announces no chunks", false, false, 0x41424344u},
    };
    for (const TagCase& c : cases) {
        SCOPED_TRACE(c.what);
        ModelPartDesc first = Triangle("first");
        if (c.meshAnim) {
            first.meshAnims = TwoMeshAnims();
        }
        if (c.skin) {
            first.skin = TwoBoneSkin(3);
        }
        if (c.tag != 0) {
            first.tag = c.tag;
        }
        std::vector<qztools::ModelPartLayout> layout;
        const auto bytes = qztools::EncodeModelBin({first, Triangle("second")}, &layout);
        const QZW::QzModelFile file = Read(bytes);
        ASSERT_EQ(file.parts.size(), 2u);
        const QZW::QzModelPart& p = file.parts[0];
        EXPECT_EQ(p.meshAnim.has_value(), c.meshAnim);
        EXPECT_EQ(p.skin.has_value(), c.skin);
        if (c.meshAnim) {
            EXPECT_EQ(p.meshAnim->chunkOffset, layout[0].meshAnimChunk);
            ASSERT_EQ(p.meshAnim->anims.size(), 2u);
            EXPECT_EQ(p.meshAnim->anims[0].name, "lift");
            EXPECT_EQ(p.meshAnim->anims[0].frames, 2);
            EXPECT_EQ(p.meshAnim->anims[1].name, "slide");
            const QZW::Matrix m =
                QZW::QzModelFrameMatrix(bytes.data(), bytes.size(), p.meshAnim->anims[0], 1, 1, 0);
            EXPECT_EQ(m[13], 2.0f);
        }
        if (c.skin) {
            EXPECT_EQ(p.skin->chunkOffset, layout[0].skinChunk);
            // KSEM: the skin chunk comes right after the mesh-animation chunk.
            if (c.meshAnim) {
                EXPECT_GT(layout[0].skinChunk, layout[0].meshAnimChunk);
            }
            ASSERT_EQ(p.skin->bones.size(), 2u);
            EXPECT_EQ(p.skin->bones[1].name, "arm");
            EXPECT_EQ(p.skin->bones[1].bind[13], 3.0f);
            EXPECT_EQ(p.skin->boneIndices,
                      (std::vector<std::uint16_t>{0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0}));
            EXPECT_EQ(p.skin->weights[1], 0.75f);
            ASSERT_EQ(p.skin->anims.size(), 1u);
            EXPECT_EQ(p.skin->anims[0].frames, 2);
            const QZW::Matrix m =
                QZW::QzModelFrameMatrix(bytes.data(), bytes.size(), p.skin->anims[0], 1, 2, 1);
            EXPECT_EQ(m[12], 21.0f);
        }
        EXPECT_EQ(file.parts[1].materialName, "second");
        EXPECT_EQ(file.parts[1].recordOffset, layout[1].record);
    }
}

TEST(ModelBin, ArraysArePackedInFileOrderAndMissingOnesTakeNoRoom) {
    ModelPartDesc bare = Triangle("bare");
    bare.position = {1, 2, 3};
    bare.rotation = {0, 90, 0};
    bare.scale = {2, 2, 2};
    ModelPartDesc full = Triangle("full");
    full.colours = {{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 10, 11, 12}};
    full.normals = {{0, 1, 0}, {0, 1, 0}, {0, 1, 0}};
    full.uvs = {{0.5f, 0.25f}, {1, 0}, {0, 1}};
    full.indices = {2, 1, 0};
    std::vector<qztools::ModelPartLayout> layout;
    const QZW::QzModelFile file = Read(qztools::EncodeModelBin({bare, full}, &layout));
    ASSERT_EQ(file.parts.size(), 2u);

    const QZW::QzModelPart& b = file.parts[0];
    EXPECT_TRUE(b.colours.empty());
    EXPECT_TRUE(b.uvs.empty());
    EXPECT_EQ(layout[0].arrays[4], layout[0].record + 96 + 3 * 12);
    EXPECT_EQ(b.indices, (std::vector<std::uint16_t>{0, 1, 2}));
    EXPECT_EQ(b.position.z, 3.0f);
    EXPECT_EQ(b.rotation.y, 90.0f);
    EXPECT_EQ(b.scale.x, 2.0f);

    // Normals sit between the colours and the texture coordinates and are
    // not kept; what follows them is still found.
    const QZW::QzModelPart& f = file.parts[1];
    EXPECT_EQ(f.colours[2].r, 9);
    EXPECT_EQ(f.uvs[0].x, 0.5f);
    EXPECT_EQ(f.uvs[0].y, 0.25f);
    EXPECT_EQ(f.indices, (std::vector<std::uint16_t>{2, 1, 0}));
    EXPECT_EQ(f.positions[1].x, 1.0f);
}

TEST(ModelBin, PartCountOfZeroOrLessIsAnEmptyModel) {
    for (std::int32_t count : {0, -1}) {
        auto bytes = qztools::EncodeModelBin({Triangle("m")});
        std::memcpy(&bytes[4], &count, 4);
        EXPECT_TRUE(Read(bytes).parts.empty()) << count;
    }
}

TEST(ModelBin, NamesWithoutTerminatorAreCutAtTheirField) {
    auto bytes = qztools::EncodeModelBin({Triangle("m")});
    std::memset(&bytes[8 + 64], 'x', 32);
    EXPECT_EQ(Read(bytes).parts[0].materialName, std::string(32, 'x'));
}

TEST(ModelBin, SkinKeepsTheBonesTheSkinningProgramHolds) {
    ModelPartDesc p = Triangle("m");
    qztools::ModelSkinDesc skin;
    for (int b = 0; b < 18; ++b) {
        skin.bones.push_back({"b" + std::to_string(b), qztools::ModelTranslation(float(b), 0, 0)});
    }
    // Vertices on bones 12 to 15: inside the 16-matrix palette.
    skin.boneIndices = {12, 13, 14, 15, 15, 14, 13, 12, 12, 15, 0, 0};
    skin.weights.assign(12, 0.25f);
    qztools::ModelAnimDesc one{"pose", {}};
    for (int b = 0; b < 18; ++b) {
        one.matrices.push_back(qztools::ModelTranslation(0, float(b), 0));
    }
    skin.anims.push_back(one);
    p.skin = skin;
    const auto bytes = qztools::EncodeModelBin({p});
    const QZW::QzModelFile file = Read(bytes);
    ASSERT_EQ(file.parts.size(), 1u);
    const QZW::QzModelSkin& s = *file.parts[0].skin;
    EXPECT_EQ(s.bones.size(), 16u) << "the palette's 16 bones are kept, the rest dropped";
    EXPECT_EQ(s.bones[15].name, "b15");
    EXPECT_EQ(s.boneIndices[3], 15);
    EXPECT_EQ(s.bonesPerFrame, 18);
    // Frame matrices keep the file's stride of 18.
    EXPECT_EQ(QZW::QzModelFrameMatrix(bytes.data(), bytes.size(), s.anims[0], 0, 18, 13)[13],
              13.0f);
}

// [SECTION] Damaged files
using Damage = std::function<void(std::vector<std::uint8_t>&, const qztools::ModelPartLayout&)>;

void PutI32(std::vector<std::uint8_t>& b, std::size_t at, std::int64_t v) {
    const std::uint32_t u = std::uint32_t(v);
    std::memcpy(&b[at], &u, 4);
}

struct DamageCase {
    const char* what;
    Damage damage;
};

// One part with both chunks (so every field exists) and a second part.
std::vector<std::uint8_t> Healthy(std::vector<qztools::ModelPartLayout>& layout) {
    ModelPartDesc p = Triangle("m");
    p.colours = {{1, 2, 3, 4}, {1, 2, 3, 4}, {1, 2, 3, 4}};
    p.uvs = {{0, 0}, {1, 0}, {0, 1}};
    p.meshAnims = TwoMeshAnims();
    p.skin = TwoBoneSkin(3);
    return qztools::EncodeModelBin({p, Triangle("second")}, &layout);
}

TEST(ModelBin, DamagedFilesAreRefusedWhole) {
    const std::size_t kCounts = 44;  // vertex, colour, normal, uv, index counts
    const DamageCase cases[] = {
        {"shorter than the header", [](auto& b, auto&) { b.resize(5); }},
        {"first record past the end", [](auto& b, auto&) { PutI32(b, 0, b.size() - 10); }},
        {"first record offset wraps", [](auto& b, auto&) { PutI32(b, 0, 0xFFFFFFF0u); }},
        {"more parts than records", [](auto& b, auto&) { PutI32(b, 4, 3); }},
        {"record smaller than its arrays", [](auto& b, auto& l) { PutI32(b, l.record, 100); }},
        {"record past the end", [](auto& b, auto& l) { PutI32(b, l.record, b.size()); }},
        {"negative vertex count", [=](auto& b, auto& l) { PutI32(b, l.record + kCounts, -3); }},
        {"negative index count", [=](auto& b, auto& l) { PutI32(b, l.record + kCounts + 16, -1); }},
        {"huge vertex count",
         [=](auto& b, auto& l) {
             PutI32(b, l.record + kCounts, 0x7FFFFFFF);
             PutI32(b, l.record + kCounts + 4, 0x7FFFFFFF);
             PutI32(b, l.record + kCounts + 12, 0x7FFFFFFF);
         }},
        {"colour count differs", [=](auto& b, auto& l) { PutI32(b, l.record + kCounts + 4, 2); }},
        {"uv count differs", [=](auto& b, auto& l) { PutI32(b, l.record + kCounts + 12, 2); }},
        {"index past the vertex count",
         [](auto& b, auto& l) {
             b[l.arrays[4]] = 3;
             b[l.arrays[4] + 1] = 0;
         }},
        {"mesh-animation chunk past the end",
         [](auto& b, auto& l) { PutI32(b, l.meshAnimChunk, b.size()); }},
        {"mesh-animation chunk smaller than its header",
         [](auto& b, auto& l) { PutI32(b, l.meshAnimChunk, 8); }},
        {"negative animation count", [](auto& b, auto& l) { PutI32(b, l.meshAnimChunk + 4, -2); }},
        {"animation count past its chunk",
         [](auto& b, auto& l) { PutI32(b, l.meshAnimChunk + 4, 1000); }},
        {"animation table past the end of the file",
         [](auto& b, auto& l) { PutI32(b, l.meshAnimChunk + 12, b.size() - 40); }},
        {"animation with no frames", [](auto& b, auto& l) { PutI32(b, l.meshAnimTable + 20, 0); }},
        {"animation with negative frames",
         [](auto& b, auto& l) { PutI32(b, l.meshAnimTable + 20, -5); }},
        {"frame matrices past the end",
         [](auto& b, auto& l) { PutI32(b, l.meshAnimTable + 28, b.size() - 64); }},
        {"frame count overflowing the matrix range",
         [](auto& b, auto& l) { PutI32(b, l.meshAnimTable + 20, 0x7FFFFFFF); }},
        {"skin chunk cut off", [](auto& b, auto& l) { b.resize(l.skinChunk + 20); }},
        {"negative bone count", [](auto& b, auto& l) { PutI32(b, l.skinChunk + 8, -1); }},
        {"bone table past the end",
         [](auto& b, auto& l) { PutI32(b, l.skinChunk + 8, 0x01000000); }},
        {"bone indices past the end",
         [](auto& b, auto& l) { PutI32(b, l.skinChunk + 12, b.size() - 4); }},
        {"weights past the end",
         [](auto& b, auto& l) { PutI32(b, l.skinChunk + 16, 0xFFFFFFFFu); }},
        {"skin frames overflowing frames x bones",
         [](auto& b, auto& l) { PutI32(b, l.skinTable + 20, 0x7FFFFFFF); }},
        {"skin frame matrices past the end",
         [](auto& b, auto& l) { PutI32(b, l.skinTable + 28, b.size() - 64 * 3); }},
        {"negative skin-animation count", [](auto& b, auto& l) { PutI32(b, l.skinChunk + 4, -1); }},
    };
    for (const DamageCase& c : cases) {
        std::vector<qztools::ModelPartLayout> layout;
        std::vector<std::uint8_t> bytes = Healthy(layout);
        {
            QZW::QzModelFile ok;
            ASSERT_TRUE(QZW::QzReadModelBin(bytes.data(), bytes.size(), ok)) << "healthy file";
            ASSERT_EQ(ok.parts.size(), 2u);
        }
        c.damage(bytes, layout[0]);
        // An exact-size copy: one byte read past it is caught by ASan.
        std::vector<std::uint8_t> exact(bytes);
        exact.shrink_to_fit();
        QZW::QzModelFile file;
        std::string error;
        EXPECT_FALSE(QZW::QzReadModelBin(exact.data(), exact.size(), file, &error)) << c.what;
        EXPECT_TRUE(file.parts.empty()) << c.what;
        EXPECT_FALSE(error.empty()) << c.what;
    }
}

// What the reader never uses, or uses safely, does not refuse the file.
TEST(ModelBin, FilesWithOnlyHarmlessOdditiesLoad) {
    const DamageCase cases[] = {
        // A table shared with the skin chunk, outside the mesh animation's own.
        {"animation table outside its chunk",
         [](auto& b, auto& l) {
             PutI32(b, l.meshAnimChunk + 4, 1);
             PutI32(b, l.meshAnimChunk + 12, l.skinTable);
         }},
        // The skinning program clamps indices to its palette.
        {"bone index past the bones", [](auto& b, auto& l) { b[l.skinIndices + 2] = 9; }},
    };
    for (const DamageCase& c : cases) {
        std::vector<qztools::ModelPartLayout> layout;
        std::vector<std::uint8_t> bytes = Healthy(layout);
        c.damage(bytes, layout[0]);
        std::vector<std::uint8_t> exact(bytes);
        exact.shrink_to_fit();
        QZW::QzModelFile file;
        std::string error;
        EXPECT_TRUE(QZW::QzReadModelBin(exact.data(), exact.size(), file, &error))
            << c.what << ": refused with " << error;
        EXPECT_EQ(file.parts.size(), 2u) << c.what;
    }
    // The normals are never read: one normal for three vertices only places
    // the arrays after it.
    ModelPartDesc p = Triangle("m");
    p.normals = {{0, 1, 0}};
    p.uvs = {{0, 0}, {1, 0}, {0, 1}};
    const QZW::QzModelFile file = Read(qztools::EncodeModelBin({p}));
    ASSERT_EQ(file.parts.size(), 1u) << "a normal count other than the vertex count";
    EXPECT_EQ(file.parts[0].uvs[1].x, 1.0f);
    EXPECT_EQ(file.parts[0].indices, (std::vector<std::uint16_t>{0, 1, 2}));

    // The shared table reads as the skin's.
    std::vector<qztools::ModelPartLayout> layout;
    std::vector<std::uint8_t> bytes = Healthy(layout);
    cases[0].damage(bytes, layout[0]);
    const QZW::QzModelFile shared = Read(bytes);
    ASSERT_EQ(shared.parts.size(), 2u);
    EXPECT_EQ(shared.parts[0].meshAnim->anims[0].name, shared.parts[0].skin->anims[0].name);
}

TEST(ModelBin, NullOrEmptyImageIsRefused) {
    QZW::QzModelFile file;
    EXPECT_FALSE(QZW::QzReadModelBin(nullptr, 100, file));
    const std::uint8_t none[1] = {0};
    EXPECT_FALSE(QZW::QzReadModelBin(none, 0, file));
}

}  // namespace
