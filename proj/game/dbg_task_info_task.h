// Sample::CDbgTaskInfoTask: the debug overlay the scripts ask for with
// SQ_DebugInfo: the frame rate and the engine memory report as text lines on
// dark boxes in draw layer 21, at x 800. Time comes from platform::clock.
// Draws nothing without the game draw task. Game thread only.
#pragma once

#include "proj/game/base_task.h"
#include "proj/nodes/sq_material.h"

namespace Sample {

class CDbgTaskInfoTask : public CBaseTask {
public:
    static constexpr int kLineX = 800;
    static constexpr int kMemoryLinesY = 24;
    static constexpr int kMemoryLineStep = 12;

    CDbgTaskInfoTask(QZW::IQzGameManager* gameManager, IGameControl* gameControl);
    ~CDbgTaskInfoTask() override;

    // Marks the task started, takes the time and sets up the box material.
    void Start() override;
    // Nothing when `enable` is 0; else the frame rate since the last call
    // (or Start) and the memory report.
    void DrawInfo(int enable);
    // One line at (800, y) over a box as wide as its text.
    void DrawInfoLine(int y, const char* text);

    QZW::CSqMaterial boxMaterial;
    double lastTime = 0.0;  // seconds
};

// The one instance while it exists, else null.
CDbgTaskInfoTask* GetDbgTaskInfoTask();

}  // namespace Sample
