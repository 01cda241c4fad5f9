// The model animation step over parts read from writer-made files: the
// frames shown with and without loop, the clamps, names no part carries, the
// skin's bone matrices, and the layer node each material's blending picks.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "proj/nodes/sq_model_anim.h"
#include "qzware/scene/qz_material.h"
#include "tools/datawriters/model_bin_writer.h"

namespace {

// One part whose mesh animation "move" puts x = 10, 20, ... in its frames
// and whose skin animation "bend" poses bone 1 at x = 100, 200, ...
class AnimatedPart {
public:
    explicit AnimatedPart(int frames) {
        qztools::ModelPartDesc written;
        written.materialName = "m";
        written.positions = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
        written.indices = {0, 1, 2};
        qztools::ModelAnimDesc move{"move", {}};
        qztools::ModelSkinDesc skin;
        skin.bones = {{"root", qztools::ModelIdentity()},
                      {"arm", qztools::ModelTranslation(0, 3, 0)}};
        skin.boneIndices.assign(12, 0);
        skin.weights.assign(12, 0.25f);
        qztools::ModelAnimDesc bend{"bend", {}};
        for (int f = 0; f < frames; ++f) {
            move.matrices.push_back(qztools::ModelTranslation(10.0f * float(f + 1), 0, 0));
            bend.matrices.push_back(qztools::ModelIdentity());
            bend.matrices.push_back(qztools::ModelTranslation(100.0f * float(f + 1), 0, 0));
        }
        skin.anims = {bend};
        written.meshAnims = std::vector<qztools::ModelAnimDesc>{move};
        written.skin = skin;
        bytes = qztools::EncodeModelBin({written});
        image.buffer = bytes.data();
        image.size = bytes.size();
        EXPECT_TRUE(QZW::QzReadModelBin(bytes.data(), bytes.size(), image.file));
        const QZW::QzModelPart& read = image.file.parts.at(0);
        for (const QZW::QzMeshBone& bone : read.skin->bones) {
            mesh.AddBone(bone.bind, bone.name);
        }
        QZW::SqModelPart part;
        part.mesh = &mesh;
        part.meshAnimChunk = &*read.meshAnim;
        part.skinChunk = &*read.skin;
        part.image = &image;
        parts.push_back(std::move(part));
    }

    // The frame the mesh shows (from its matrix), -1 before any.
    int MeshFrame() const { return int(mesh.matrix[12] / 10.0f) - 1; }
    int SkinFrame() const { return int(mesh.GetBones()[1].bind[12] / 100.0f) - 1; }

    std::vector<std::uint8_t> bytes;
    QZW::SqModelImage image;
    QZW::CQzMesh mesh;
    std::vector<QZW::SqModelPart> parts;
};

struct FramesCase {
    const char* what;
    int frames;
    bool loop;
    float speed;
    float startFrame;
    std::vector<int> shown;        // frame shown by each Update
    std::vector<bool> endedAfter;  // the end flag after each Update
};

TEST(SqModelAnim, FramesShownPerUpdateWithAndWithoutLoop) {
    const FramesCase cases[] = {
        {"three frames, no loop: the third Update ends it",
         3,
         false,
         1.0f,
         0.0f,
         {0, 1, 2, 2},
         {false, false, true, true}},
        {"three frames, loop: the third Update starts over",
         3,
         true,
         1.0f,
         0.0f,
         {0, 1, 2, 0, 1},
         {false, false, false, false, false}},
        {"half speed shows frame 0 twice, then ends on the last",
         2,
         false,
         0.5f,
         0.0f,
         {0, 0, 1, 1},
         {false, false, true, true}},
        {"a negative start shows frame 0",
         3,
         false,
         1.0f,
         -3.0f,
         {0, 0, 0, 0, 1},
         {false, false, false, false, false}},
        {"past the end shows the last frame and ends", 10, false, 1.0f, 100.0f, {9}, {true}},
    };
    for (const FramesCase& c : cases) {
        for (bool skin : {false, true}) {
            SCOPED_TRACE(std::string(c.what) + (skin ? " (skin)" : " (mesh)"));
            AnimatedPart part(c.frames);
            QZW::SqModelAnimState state;
            state.loop = c.loop;
            state.animSpeed = c.speed;
            (skin ? state.skinAnimName : state.meshAnimName) = skin ? "bend" : "move";
            state.ended = false;
            state.meshFrame = state.skinFrame = c.startFrame;
            for (std::size_t i = 0; i < c.shown.size(); ++i) {
                QZW::SqModelUpdateAnim(part.parts, state);
                EXPECT_EQ(skin ? part.SkinFrame() : part.MeshFrame(), c.shown[i]) << "update " << i;
                EXPECT_EQ(state.ended, c.endedAfter[i]) << "update " << i;
            }
            const std::string& name = skin ? state.skinAnimName : state.meshAnimName;
            EXPECT_EQ(name.empty(), !c.loop && c.endedAfter.back());
        }
    }
}

TEST(SqModelAnim, SkinBoneIsTheInverseBindTimesThePose) {
    AnimatedPart part(2);
    QZW::SqModelAnimState state;
    state.skinAnimName = "bend";
    state.skinFrame = 1.0f;
    QZW::SqModelUpdateAnim(part.parts, state);
    // inverse(T(0, 3, 0)) x T(200, 0, 0) = T(200, -3, 0); bone 0 stays identity.
    const QZW::Matrix& arm = part.mesh.GetBones()[1].bind;
    EXPECT_FLOAT_EQ(arm[12], 200.0f);
    EXPECT_FLOAT_EQ(arm[13], -3.0f);
    EXPECT_EQ(part.mesh.GetBones()[0].bind, QZW::Matrix());
    // The mesh animation did not run.
    EXPECT_EQ(part.mesh.matrix, QZW::Matrix());
}

TEST(SqModelAnim, NameNoPartCarriesEndsAtOnceOrRestarts) {
    for (bool loop : {false, true}) {
        AnimatedPart part(3);
        QZW::SqModelAnimState state;
        state.meshAnimName = "missing";
        state.ended = false;
        state.loop = loop;
        state.meshFrame = 2.0f;
        QZW::SqModelUpdateAnim(part.parts, state);
        EXPECT_EQ(state.ended, !loop);
        EXPECT_EQ(state.meshAnimName.empty(), !loop);
        EXPECT_EQ(state.meshFrame, loop ? 0.0f : 3.0f);
        EXPECT_EQ(part.mesh.matrix, QZW::Matrix());
    }
}

TEST(SqModelAnim, NothingPlayingChangesNothing) {
    AnimatedPart part(3);
    QZW::SqModelAnimState state;
    state.meshFrame = state.skinFrame = 4.0f;
    QZW::SqModelUpdateAnim(part.parts, state);
    EXPECT_EQ(state.meshFrame, 4.0f);
    EXPECT_EQ(state.skinFrame, 4.0f);
    EXPECT_EQ(part.mesh.matrix, QZW::Matrix());
}

TEST(SqModelAnim, LayerNodeFollowsBlendingAndPriority) {
    struct Case {
        bool blend;
        std::int32_t priority;
        int node;
    } cases[] = {
        {false, 0, 0}, {false, 3, 0}, {false, 7, 0}, {true, 0, 0},  {true, 1, 1},
        {true, 2, 2},  {true, 3, 3},  {true, 4, -1}, {true, 5, -1}, {true, -1, -1},
    };
    for (const Case& c : cases) {
        QZW::CQzMaterial m;
        m.alphaBlend = c.blend ? 1 : 0;
        m.alphaPriority = c.priority;
        EXPECT_EQ(QZW::SqModelLayerNodeFor(&m), c.node)
            << "blend " << c.blend << " priority " << c.priority;
    }
}

TEST(SqModelAnim, ShownFrameTruncatesAndClamps) {
    EXPECT_EQ(QZW::SqModelShownFrame(2.9f, 10), 2);
    EXPECT_EQ(QZW::SqModelShownFrame(-0.5f, 10), 0);
    EXPECT_EQ(QZW::SqModelShownFrame(1e30f, 10), 9);
    EXPECT_EQ(QZW::SqModelShownFrame(std::nanf(""), 10), 0);
}

}  // namespace
