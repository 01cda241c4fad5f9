// Render-state node (see the header).
#include "qzware/scene/qz_environment_node.h"

#include "qzware/scene/iqz_graphics.h"

namespace QZW {

CQzEnvironmentNode::CQzEnvironmentNode(std::int32_t w, std::int32_t h)
    : width(w), height(h), projection(std::make_unique<CQzProjectionMatrixNode>(w, h)) {}

void CQzEnvironmentNode::Draw(IQzGraphics* g) {
    g->UseShader(int(shaderIndex));
    if (projection && (mask & kApplyProjection)) {
        projection->Draw(g);
    }
    if (mask & kApplyDepthTest) {
        (switches & kSwitchDepthTest) ? g->EnableDepthTest() : g->DisableDepthTest();
    }
    if (mask & kApplyDepthWrite) {
        (switches & kSwitchDepthWrite) ? g->EnableDepthWrite() : g->DisableDepthWrite();
    }
    if (mask & kApplyBlend) {
        (switches & kSwitchBlend) ? g->EnableBlend() : g->DisableBlend();
    }
    if (mask & kApplyBlendMode) {
        g->SetBlendMode(int(blendMode));
    }
}

}  // namespace QZW
