// One part of a loaded script model: its engine mesh and script material
// (both owned, freed by the model's ReleaseResource), the animation chunks
// it found in the model file (parsed records of a file the model keeps), the
// matrix node that the model queues on a draw layer, and the collision flag.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "qzware/scene/qz_mesh.h"
#include "qzware/scene/qz_model_bin.h"
#include "qzware/scene/qz_node.h"

namespace QZW {

class CSqMaterial;

// A model file the model keeps while its parts' chunks are read in place:
// the engine buffer of the whole file (freed through the file manager) and
// what the reader found in it.
struct SqModelImage {
    void* buffer = nullptr;
    std::size_t size = 0;
    QzModelFile file;

    const std::uint8_t* Bytes() const { return static_cast<const std::uint8_t*>(buffer); }
};

struct SqModelPart {
    CQzMesh* mesh = nullptr;
    CSqMaterial* material = nullptr;
    const QzModelMeshAnim* meshAnimChunk = nullptr;
    const QzModelSkin* skinChunk = nullptr;
    // The file the chunks belong to (null when the part has none).
    const SqModelImage* image = nullptr;
    // Identity, no child limit, the mesh its only child; the model's matrix
    // is copied in at Draw. Held by pointer so parts can move.
    std::unique_ptr<CQzMatrixNode> partNode;
    bool colActive = true;
};

}  // namespace QZW
