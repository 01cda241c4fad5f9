// The arithmetic of folding the end-of-frame chain (a screen-sized target
// drawn with program 1 onto target 13 cleared to (0, 0, 0, 0), then 13
// copied to the window by program 1 with blending off) into one draw of the
// source onto the window. Onto a zero destination every blend mode the
// composition can use comes down to one of three results per texel; this
// file names them and computes the window bytes the chain leaves, so the
// fold's program and its tests share one model. Knows no OpenGL.
// Limits: 8-bit unorm targets; the source drawn texel for pixel.
#pragma once

#include <cstdint>

namespace QZW::Win {

enum class QzFoldKind {
    // Not foldable (an unknown blend state): the chain is drawn as it is.
    kNone,
    // Target 13 receives the tinted texel itself (blending off, ADD, SCREEN).
    kCopy,
    // Target 13 receives (c * a, a * a) (ALPHA and ADD_ALPHA onto zero).
    kPremultiplied,
    // Target 13 stays zero (MULTIPLY and INVERSE_MULTIPLY onto zero).
    kNothing,
};

// What a composition draw with blending `blendOn` in `blendMode` (a
// QzBlendMode; -1 for the GL default) leaves in a zero target.
QzFoldKind QzCompositionFoldKind(bool blendOn, int blendMode);

// a * b / 255 on bytes the way llvmpipe's 8-bit blender computes it:
// t = a * b, then (t + (t >> 8) + 128) >> 8. That is round(t / 255) except
// for a few products just above a half (229 * 152 / 255 = 136.502 gives
// 136), so the fold must use this formula, not exact rounding.
inline std::uint8_t QzMulByte(int a, int b) {
    const int t = a * b;
    return static_cast<std::uint8_t>((t + (t >> 8) + 128) >> 8);
}

// The window bytes the chain leaves for one source texel drawn with `tint`
// (both RGBA): false where nothing is written (program 1 discards the
// texel, or target 13's alpha byte is 0 so the copy discards it), so the
// window keeps its clear colour. `kind` must not be kNone.
bool QzFoldTexel(QzFoldKind kind, const std::uint8_t tint[4], const std::uint8_t texel[4],
                 std::uint8_t out[4]);

}  // namespace QZW::Win
