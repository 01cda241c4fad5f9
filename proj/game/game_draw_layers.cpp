// The draw layer table and the screens built from it (see the header).
#include "proj/game/game_draw_layers.h"

#include "qzware/scene/qz_environment_node.h"
#include "qzware/scene/qz_projection_matrix_node.h"
#include "qzware/scene/qz_screen.h"

namespace Sample {
namespace {

constexpr DrawLayerSetup kFull = {0, 0, 1280, 720, 1280, 720, false, false};
constexpr DrawLayerSetup kField = {0, 60, 1280, 580, 1280, 580, true, true};
constexpr DrawLayerSetup kFieldFlat = {0, 60, 1280, 580, 1280, 580, true, false};
constexpr DrawLayerSetup kSquare = {0, 0, 1024, 1024, 1024, 1024, false, false};

constexpr DrawLayerSetup kLayers[kDrawLayerCount] = {
    kFull,  kFull,      kFull, kFull,      kField, kFull,      kField,   // 0..6
    kFull,  kFieldFlat, kFull, kFieldFlat, kFull,  kFieldFlat, kFull,    // 7..13
    kField, kFull,      kFull, kFull,      kFull,  kFull,      kSquare,  // 14..20
    kFull,  kFull,                                                       // 21, 22
};

// Switch bits the perspective layers clear (besides depth), and the one the
// flat layers set; only the owner reads them.
constexpr std::uint32_t kPerspectiveCleared = 0x08 | 0x10 | 0x20 | 0x400;
constexpr std::uint32_t kFlatSwitch = 0x10;

// Near and far distances, the colour (0, 0, 0, 1) and two further values.
constexpr float kPerspectiveParameters[QZW::CQzEnvironmentNode::kParamCount] = {
    20.0f, 25.0f, 0.0f, 0.0f, 0.0f, 1.0f, 1.0f, 1.0f};

void WriteEnvironment(QZW::CQzEnvironmentNode& env, const DrawLayerSetup& setup) {
    using Env = QZW::CQzEnvironmentNode;
    const std::uint32_t depthBits = Env::kSwitchDepthTest | Env::kSwitchDepthWrite;
    env.switches = setup.depth ? (env.switches | depthBits) : (env.switches & ~depthBits);
    env.switches |= Env::kSwitchBlend;
    env.blendMode = 0;
    if (setup.perspective) {
        env.switches &= ~kPerspectiveCleared;
        env.shaderIndex = 0;
        for (int i = 0; i < Env::kParamCount; ++i) {
            env.parameters[i] = kPerspectiveParameters[i];
        }
    } else {
        env.switches |= kFlatSwitch;
        env.shaderIndex = 1;
    }
}

}  // namespace

const DrawLayerSetup& GetDrawLayerSetup(int layer) {
    return kLayers[layer >= 0 && layer < kDrawLayerCount ? layer : 0];
}

QZW::CQzScreen* CreateDrawLayerScreen(int layer) {
    const DrawLayerSetup& setup = GetDrawLayerSetup(layer);
    auto* screen =
        new QZW::CQzScreen(setup.x, setup.y, setup.width, setup.height, setup.targetWidth,
                           setup.targetHeight, setup.perspective ? 1u : 0u);
    WriteEnvironment(screen->environment, setup);
    screen->layerIndex = layer;
    QZW::CQzProjectionMatrixNode& projection = *screen->environment.projection;
    projection.matrices[QZW::CQzProjectionMatrixNode::kProjection] =
        setup.perspective ? QZW::QzNodePerspectiveProjection(setup.targetWidth, setup.targetHeight)
                          : QZW::QzNodeOrthoProjection(setup.targetWidth, setup.targetHeight);
    if (layer == kDebugLayerIndex) {
        screen->frameBuffer = kDebugLayerTarget;
        screen->environment.shaderIndex = 1;
    }
    return screen;
}

}  // namespace Sample
