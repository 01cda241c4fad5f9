#include "proj/nodes/sq_model_anim.h"

#include "qzware/scene/qz_material.h"

namespace QZW {

namespace {

// Ends or restarts an animation whose every part has shown its last frame.
void FinishIfEnded(bool allEnded, SqModelAnimState& state, std::string& name, float& frame) {
    if (!allEnded) {
        return;
    }
    if (state.loop) {
        state.ended = false;
        frame = 0.0f;
    } else {
        state.ended = true;
        name.clear();
    }
}

void StepMeshAnim(std::vector<SqModelPart>& parts, SqModelAnimState& state) {
    bool allEnded = true;
    for (SqModelPart& part : parts) {
        if (part.meshAnimChunk == nullptr || part.image == nullptr || part.mesh == nullptr) {
            continue;
        }
        const QzModelAnim* anim = QzFindModelAnim(part.meshAnimChunk->anims, state.meshAnimName);
        if (anim == nullptr) {
            continue;
        }
        const std::int32_t f = SqModelShownFrame(state.meshFrame, anim->frames);
        part.mesh->matrix =
            QzModelFrameMatrix(part.image->Bytes(), part.image->size, *anim, f, 1, 0);
        if (f < anim->frames - 1) {
            allEnded = false;
        }
    }
    state.meshFrame += state.animSpeed;
    FinishIfEnded(allEnded, state, state.meshAnimName, state.meshFrame);
}

void StepSkinAnim(std::vector<SqModelPart>& parts, SqModelAnimState& state) {
    bool allEnded = true;
    for (SqModelPart& part : parts) {
        const QzModelSkin* skin = part.skinChunk;
        if (skin == nullptr || part.image == nullptr || part.mesh == nullptr) {
            continue;
        }
        const QzModelAnim* anim = QzFindModelAnim(skin->anims, state.skinAnimName);
        if (anim == nullptr) {
            continue;
        }
        const std::int32_t f = SqModelShownFrame(state.skinFrame, anim->frames);
        if (f < anim->frames - 1) {
            allEnded = false;
        }
        for (std::size_t b = 0; b < skin->bones.size(); ++b) {
            Matrix unbind;
            skin->bones[b].bind.Inverse(unbind);
            const Matrix pose = QzModelFrameMatrix(part.image->Bytes(), part.image->size, *anim, f,
                                                   skin->bonesPerFrame, std::int32_t(b));
            Matrix bone;
            MulMatrix(unbind, pose, bone);
            part.mesh->SetBoneMatrix(int(b), bone);
        }
    }
    state.skinFrame += state.animSpeed;
    FinishIfEnded(allEnded, state, state.skinAnimName, state.skinFrame);
}

}  // namespace

std::int32_t SqModelShownFrame(float frame, std::int32_t frames) {
    if (frames < 1 || !(frame >= 1.0f)) {
        return 0;
    }
    const float last = float(frames - 1);
    return frame >= last ? frames - 1 : std::int32_t(frame);
}

void SqModelUpdateAnim(std::vector<SqModelPart>& parts, SqModelAnimState& state) {
    if (!state.meshAnimName.empty()) {
        StepMeshAnim(parts, state);
    }
    if (!state.skinAnimName.empty()) {
        StepSkinAnim(parts, state);
    }
}

int SqModelLayerNodeFor(const CQzMaterial* material) {
    if (material == nullptr || material->alphaBlend == 0) {
        return 0;
    }
    const std::int32_t priority = material->alphaPriority;
    return priority >= 0 && priority <= 3 ? int(priority) : -1;
}

}  // namespace QZW
