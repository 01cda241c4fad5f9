// The point (x, y, z, 1) times a matrix, worked out here term by term so that
// tests check the engine's matrices against arithmetic of their own.
#pragma once

#include <vector>

#include "qzware/scene/qz_matrix.h"

namespace qz_test_support {

// p x m for the point (x, y, z, 1): all four terms, w included.
inline std::vector<float> TransformPoint(const QZW::Matrix& m, float x, float y, float z) {
    std::vector<float> out(4);
    for (int c = 0; c < 4; ++c) {
        out[c] = x * m[c] + y * m[4 + c] + z * m[8 + c] + m[12 + c];
    }
    return out;
}

}  // namespace qz_test_support
