// GLSL 1.10 source texts of the renderer's 14 built-in programs, indexed by
// shader type (a material's shader type is this index), and of its
// composition fold program. No version line:
// the sources use attribute/varying, texture2D and gl_FragColor.
// Attribute locations are bound by name before linking (kQzAttribNames).
#pragma once

#include <cstddef>

namespace QZW::Win {

constexpr int kQzBuiltinProgramCount = 14;
constexpr int kQzAttribCount = 6;
constexpr int kQzSamplerUnitCount = 8;

struct QzShaderSource {
    const char* vertex;
    const char* fragment;
};

// Vertex and fragment text of built-in program `index` (0-13).
extern const QzShaderSource kQzShaderSources[kQzBuiltinProgramCount];

// The renderer's own program that folds the end-of-frame composition chain
// into one draw onto the window (not a shader type).
extern const QzShaderSource kQzCompositionFoldSource;

// Location i is bound to kQzAttribNames[i]: position, colour, texcoord,
// normal, bone indices, bone weights.
extern const char* const kQzAttribNames[kQzAttribCount];

// Sampler uniform of texture unit i ("texture", "texture1", ...).
extern const char* const kQzSamplerNames[kQzSamplerUnitCount];

}  // namespace QZW::Win
