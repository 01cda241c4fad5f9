// The present task: at the start of each tick it flushes the renderer and
// swaps the window's buffers, showing the frame composed in the tick before.
// Game thread only.
#pragma once

#include "qzware/scene/qz_task.h"

namespace QZW {

class IQzGraphics;

class CQzDrawFlipTask : public CQzTask {
public:
    static constexpr const char* kTaskName = "CQzDrawFlipTask";

    explicit CQzDrawFlipTask(IQzGraphics* renderer) : CQzTask(kTaskName), graphics(renderer) {}
    // Flush, then Present.
    void Update() override;

    IQzGraphics* graphics;
};

}  // namespace QZW
