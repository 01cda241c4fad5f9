// The two animations of a script model: a mesh animation that replaces whole
// part transforms and a skin animation that sets bone matrices, sharing a
// speed, a loop flag and an end flag. One step shows the frame before the
// speed is added, so frame 0 is shown on the first step after a play.
#pragma once

#include <string>
#include <vector>

#include "proj/nodes/sq_model_part.h"

namespace QZW {

class CQzMaterial;

struct SqModelAnimState {
    std::string meshAnimName;  // empty: none playing
    std::string skinAnimName;
    float animSpeed = 1.0f;
    float meshFrame = 0.0f;
    float skinFrame = 0.0f;
    bool ended = true;
    bool loop = false;
};

// One step of both animations over the parts.
void SqModelUpdateAnim(std::vector<SqModelPart>& parts, SqModelAnimState& state);

// The frame shown for `frame` in an animation of `frames` frames: truncated,
// then clamped to 0..frames - 1 (not-a-number shows frame 0).
std::int32_t SqModelShownFrame(float frame, std::int32_t frames);

// The layer node (0-3) a part with this material is queued on: 0 without
// alpha blending, else the alpha priority; -1 (not queued) for any other
// priority.
int SqModelLayerNodeFor(const CQzMaterial* material);

}  // namespace QZW
