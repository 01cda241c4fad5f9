// The game draw task's two commands: the composition of render targets 10,
// 0, 11 and 12 into target 13 (the one EndFrame shows), drawn as the last
// content of layer 22, and the touch of target 3 before layer 4.
// A target the renderer has not created is left out of the composition.
#include "proj/game/game_draw_task.h"

#include "qzware/scene/iqz_frame_buffer.h"
#include "qzware/scene/iqz_graphics.h"

namespace Sample {
namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 720;
constexpr int kPresentedTarget = 13;

// The whole of `target`'s texture over the 1280 x 720 frame, tinted.
void DrawTarget(QZW::IQzGraphics* g, int target, QZW::Color tint) {
    QZW::IQzFrameBuffer* source = g->GetFrameBuffer(target);
    if (source == nullptr) {
        return;
    }
    g->SetTexture(source->GetTexture(), 0);
    g->SetViewport(0, 0, kWidth, kHeight, 0.0f, 1.0f);
    g->SetScreenSize(kWidth, kHeight);
    // Program 1 discards texels of alpha 0, so a blank source adds nothing.
    if (g->IsFrameBufferBlank(target)) {
        return;
    }
    g->DrawRect(0.0f, 0.0f, float(kWidth), float(kHeight), tint.r, tint.g, tint.b, tint.a, 0.0f);
}

}  // namespace

void CGameDrawTask::ComposeFrame(QZW::IQzGraphics* g, std::uintptr_t) {
    g->UseShader(1);
    g->SetTexOffset(0.0f, 0.0f);
    g->DisableDepthTest();
    g->SetBlendMode(0);
    g->EnableBlend();

    g->SetFrameBuffer(0);
    if (QZW::IQzFrameBuffer* background = g->GetFrameBuffer(10)) {
        background->Reserved();
    }
    DrawTarget(g, 10, QZW::Color());

    g->SetFrameBuffer(kPresentedTarget);
    DrawTarget(g, 0, QZW::Color::FromU32(g->GetFrameBufferColor(0)));
    DrawTarget(g, 11, QZW::Color());
    DrawTarget(g, 12, QZW::Color());
}

void CGameDrawTask::TouchTarget3(QZW::IQzGraphics* g, std::uintptr_t) {
    if (QZW::IQzFrameBuffer* target = g->GetFrameBuffer(3)) {
        target->Reserved();
    }
}

}  // namespace Sample
