// Fakes for the game draw task's tests: a render target that counts its
// reserved calls, and a game manager handing out a recording renderer and a
// real engine draw task. GameDrawWorld builds the memory manager, the engine
// draw task and the resource manager's services around them and tears them
// down in reverse.
#pragma once

#include <memory>
#include <string>

#include "proj/game/game_draw_task.h"
#include "qzware/common/qz_mem.h"
#include "qzware/scene/iqz_frame_buffer.h"
#include "qzware/scene/iqz_texture.h"
#include "qzware/scene/qz_draw_task.h"
#include "qzware/scene/resource_manager.h"
#include "tests/support/null_game_manager.h"
#include "tests/support/recording_graphics.h"
#include "tests/support/sized_texture.h"

namespace qz_test_support {

class CountingFrameBuffer : public QZW::IQzFrameBuffer {
public:
    explicit CountingFrameBuffer(int index) : texture(1280, 720, "__" + std::to_string(index)) {}
    void Bind() override {}
    void Unbind() override {}
    void Reserved() override { ++reserved; }
    QZW::IQzTexture* GetTexture() override { return &texture; }
    QZW::IQzTexture* GetDepthTexture() override { return nullptr; }
    QZW::IQzRenderBuffer* GetColorRenderBuffer() override { return nullptr; }
    QZW::IQzRenderBuffer* GetDepthRenderBuffer() override { return nullptr; }
    QZW::IQzRenderBuffer* GetStencilRenderBuffer() override { return nullptr; }
    void AttachRenderBuffer(QZW::IQzRenderBuffer*, int) override {}
    void AttachTexture(QZW::IQzTexture*, int) override {}
    SizedTexture texture;
    int reserved = 0;
};

// The debug font texture is 128 x 128 (16 columns), the damage-number one
// 80 x 8 (ten digits in one row).
struct GameDrawWorld {
    explicit GameDrawWorld(RecordingGraphics& g) : graphics(g) {
        QzMemManagerCreate();
        manager.graphics = &graphics;
        engine = std::make_unique<QZW::CQzDrawTask>(&manager);
        manager.drawTask = engine.get();
        QZW::CResourceManager::GetInstance()->SetServices(&graphics, engine.get());
    }
    ~GameDrawWorld() {
        task.reset();
        engine.reset();
        QZW::CResourceManager::GetInstance()->ReleaseAll();
        QZW::CResourceManager::GetInstance()->SetServices(nullptr, nullptr);
        QzMemManagerDestroy();
    }
    // The engine draw task owns (and deletes) the textures it loads.
    Sample::CGameDrawTask& MakeTask(bool withFonts) {
        if (withFonts) {
            graphics.textures["font/X68KFont.dds"] = new SizedTexture(128, 128, "debug");
            graphics.textures["images/dmgnum.tga"] = new SizedTexture(80, 8, "digits");
        }
        task = std::make_unique<Sample::CGameDrawTask>(&manager, nullptr);
        return *task;
    }
    // One engine frame: draws what the game draw task and the scripts
    // queued, then switches roots.
    void DrawFrame() {
        engine->Update();
        engine->PostUpdate();
    }

    RecordingGraphics& graphics;
    NullGameManager manager;
    std::unique_ptr<QZW::CQzDrawTask> engine;
    std::unique_ptr<Sample::CGameDrawTask> task;
};

}  // namespace qz_test_support
