// The composition chain's arithmetic onto a zero target (see the header).
#include "qzware/win/qz_composition_fold.h"

#include "qzware/scene/iqz_graphics.h"

namespace QZW::Win {

QzFoldKind QzCompositionFoldKind(bool blendOn, int blendMode) {
    if (!blendOn) {
        return QzFoldKind::kCopy;
    }
    switch (blendMode) {
        case QZ_BLEND_ALPHA:      // s * sa + 0, alpha sa * sa + 0
        case QZ_BLEND_ADD_ALPHA:  // s * sa + 0 for all four
            return QzFoldKind::kPremultiplied;
        case QZ_BLEND_ADD:     // s + 0
        case QZ_BLEND_SCREEN:  // s + 0 * (1 - s)
            return QzFoldKind::kCopy;
        case QZ_BLEND_MULTIPLY:          // 0 * s
        case QZ_BLEND_INVERSE_MULTIPLY:  // 0 * (1 - s)
            return QzFoldKind::kNothing;
        default:
            return QzFoldKind::kNone;
    }
}

bool QzFoldTexel(QzFoldKind kind, const std::uint8_t tint[4], const std::uint8_t texel[4],
                 std::uint8_t out[4]) {
    // Program 1 discards texels of alpha 0 before any tint.
    if (texel[3] == 0 || kind == QzFoldKind::kNothing || kind == QzFoldKind::kNone) {
        return false;
    }
    // The tinted colour is a float product, rounded to bytes on its way to
    // the blender.
    std::uint8_t s[4];
    for (int i = 0; i < 4; ++i) {
        s[i] = static_cast<std::uint8_t>((tint[i] * texel[i] + 127) / 255);
    }
    if (kind == QzFoldKind::kPremultiplied) {
        for (int i = 0; i < 3; ++i) {
            out[i] = QzMulByte(s[i], s[3]);
        }
        out[3] = QzMulByte(s[3], s[3]);
    } else {
        for (int i = 0; i < 4; ++i) {
            out[i] = s[i];
        }
    }
    // The window copy discards what target 13 holds with alpha 0.
    return out[3] != 0;
}

}  // namespace QZW::Win
