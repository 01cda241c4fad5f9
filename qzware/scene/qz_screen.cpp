// Per-layer root (see the header).
#include "qzware/scene/qz_screen.h"

#include <algorithm>

#include "qzware/scene/iqz_graphics.h"

namespace QZW {
namespace {

// The depth range the layers are drawn with.
constexpr float kScreenNear = 0.1f;
constexpr float kScreenFar = 200.0f;

}  // namespace

CQzScreen::CQzScreen(std::int32_t vx, std::int32_t vy, std::int32_t w, std::int32_t h,
                     std::int32_t tw, std::int32_t th, std::uint32_t projectionMode)
    : x(vx), y(vy), width(w), height(h), targetWidth(tw), targetHeight(th), environment(tw, th) {
    environment.projectionMode = projectionMode;
    environment.projection->mode = projectionMode;
}

CQzScreen::~CQzScreen() {
    ReleaseBatchNodes();
}

bool CQzScreen::HasContents() const {
    for (const CQzNode& layer : layers) {
        if (!layer.children.empty()) {
            return true;
        }
    }
    return !batchMeshes.empty() || !lineLists.empty();
}

void CQzScreen::Draw(IQzGraphics* g) {
    hadContents = 0;
    g->SetFrameBuffer(int(frameBuffer));
    g->SetViewport(x, y, width, height, kScreenNear, kScreenFar);
    g->SetScreenSize(targetWidth, targetHeight);
    if (applyEnvironment) {
        AppendChildBounded(&environment);
    }
    AppendChildBounded(&layerMatrix);
    if (!HasContents()) {
        return;
    }
    hadContents = 1;
    for (CQzNode& layer : layers) {
        layerMatrix.AppendChildBounded(&layer);
    }
    // Batched geometry comes after what owners put into layer 0 and before
    // layers 1 to 3.
    for (const BatchEntry& entry : batchMeshes) {
        layers[0].AppendChildBounded(entry.node);
    }
    for (const BatchEntry& entry : lineLists) {
        layers[0].AppendChildBounded(entry.node);
    }
}

void CQzScreen::Clear() {
    children.clear();
    layerMatrix.Clear();
    environment.Clear();
    for (CQzNode& layer : layers) {
        layer.Clear();
    }
    ReleaseBatchNodes();
}

void CQzScreen::ReleaseBatchNodes() {
    // Layer 0 may still point at them (a release without Clear): drop those
    // pointers so no later traversal reaches a deleted node.
    std::vector<CQzNode*>& layer0 = layers[0].children;
    for (std::vector<BatchEntry>* table : {&batchMeshes, &lineLists}) {
        for (BatchEntry& entry : *table) {
            layer0.erase(std::remove(layer0.begin(), layer0.end(), entry.node), layer0.end());
            delete entry.node;
        }
        table->clear();
    }
}

CQzNode* CQzScreen::FindOrCreateBatchNode(std::vector<BatchEntry>& table, CQzMaterial* material,
                                          BatchFactory create) {
    for (const BatchEntry& entry : table) {
        if (entry.material == material && entry.node != nullptr) {
            return entry.node;
        }
    }
    CQzNode* node = create != nullptr ? create(material) : nullptr;
    if (node != nullptr) {
        table.push_back({material, node});
    }
    return node;
}

}  // namespace QZW
