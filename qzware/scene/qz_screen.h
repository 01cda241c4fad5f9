// One draw layer's root: viewport, render target and screen size for the
// renderer, an environment node (state and projection), and four layer nodes
// under one layer matrix node that owners fill each frame. It also owns the
// layer's per-frame batch nodes (a mesh or a line list per material), which
// Clear deletes. Game thread only.
#pragma once

#include <cstdint>
#include <vector>

#include "qzware/scene/qz_environment_node.h"
#include "qzware/scene/qz_node.h"

namespace QZW {

class CQzMaterial;
class CQzMesh;
class CQzPrimLineList;

class CQzScreen : public CQzNode {
public:
    static constexpr int kLayerCount = 4;

    // A keyed batch node; the node is owned by the screen.
    struct BatchEntry {
        CQzMaterial* material = nullptr;
        CQzNode* node = nullptr;
    };
    using BatchFactory = CQzNode* (*)(CQzMaterial* material);

    CQzScreen(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
              std::int32_t targetWidth, std::int32_t targetHeight, std::uint32_t projectionMode);
    // Deletes the batch nodes; the embedded nodes go with the screen.
    ~CQzScreen() override;

    // Sets target, viewport and screen size, then hangs the environment and
    // the layer matrix under itself, and the layers (with the batch nodes
    // after layer 0's own nodes) under the layer matrix when there is
    // anything to draw. Every append respects the receiver's maxChildren.
    void Draw(IQzGraphics* g) override;
    // Empties every list it fills and deletes the batch nodes; harmless twice.
    void Clear() override;

    bool HasContents() const;
    bool HadContents() const { return hadContents != 0; }
    // The layer's batch mesh or line list for `material` (null included),
    // created on first use in a frame. Defined with the mesh and line-list
    // classes (qz_screen_batches.cpp).
    CQzMesh* GetBatchMesh(CQzMaterial* material);
    CQzPrimLineList* GetLineList(CQzMaterial* material);
    void ReleaseBatchNodes();

    // The first entry keyed by `material` with a node, else a new node from
    // `create` appended under that key. Null only when `create` gives null.
    static CQzNode* FindOrCreateBatchNode(std::vector<BatchEntry>& table, CQzMaterial* material,
                                          BatchFactory create);

    std::int32_t x, y, width, height;
    std::int32_t targetWidth, targetHeight;
    std::uint8_t applyEnvironment = 1;
    std::uint8_t hadContents = 0;
    CQzEnvironmentNode environment;
    CQzNode layers[kLayerCount];
    CQzMatrixNode layerMatrix;
    std::vector<BatchEntry> batchMeshes;
    std::vector<BatchEntry> lineLists;
    std::uint32_t frameBuffer = 0;
    // The owner's number for this screen (the game's draw layer index).
    std::int32_t layerIndex = 0;
};

}  // namespace QZW
