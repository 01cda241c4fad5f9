// The result of projecting a world point to the screen: the screen position
// (x, y, z laid out as a Vector3) and the scale a sprite drawn there takes.
#pragma once

#include "qzware/scene/qz_vector.h"

namespace QZW {

struct ResultViewPosScScale : Vector3 {
    ResultViewPosScScale() = default;

    float scale = 0.0f;
};

static_assert(sizeof(ResultViewPosScScale) == 16, "three position floats and the scale");

}  // namespace QZW
