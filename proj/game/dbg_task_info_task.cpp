// The debug information overlay (see the header).
#include "proj/game/dbg_task_info_task.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/clock/clock.h"
#include "proj/game/game_draw_task.h"
#include "qzware/common/qz_mem.h"
#include "qzware/scene/qz_lock.h"

namespace Sample {
namespace {

CDbgTaskInfoTask* g_dbgTaskInfoTask = nullptr;

constexpr std::int32_t kBoxShader = 5;
constexpr std::uint32_t kBoxTarget = 12;
constexpr int kCharWidth = 8;
constexpr int kLineHeight = 10;
const QZW::Color kBoxColour(0, 0, 0, 220);

double NowSeconds() {
    return double(platform::clock::now_ms()) / 1000.0;
}

}  // namespace

CDbgTaskInfoTask* GetDbgTaskInfoTask() {
    return g_dbgTaskInfoTask;
}

CDbgTaskInfoTask::CDbgTaskInfoTask(QZW::IQzGameManager* gameManager, IGameControl* gameControl)
    : CBaseTask("CDbgTaskInfoTask", gameManager, gameControl) {
    g_dbgTaskInfoTask = this;
}

CDbgTaskInfoTask::~CDbgTaskInfoTask() {
    if (g_dbgTaskInfoTask == this) {
        g_dbgTaskInfoTask = nullptr;
    }
}

void CDbgTaskInfoTask::Start() {
    started = true;
    lastTime = NowSeconds();
    boxMaterial.SetName("prim");
    boxMaterial.shaderType = kBoxShader;
    boxMaterial.blendMode = 0;
    boxMaterial.frameBufferId = kBoxTarget;
}

void CDbgTaskInfoTask::DrawInfo(int enable) {
    if (enable == 0) {
        return;
    }
    const double now = NowSeconds();
    const double delta = now - lastTime;
    const int fps = delta > 0.0 ? int(1.0 / delta) : 0;
    char line[256];
    std::snprintf(line, sizeof line, "fps : %3d", fps);
    DrawInfoLine(0, line);
    lastTime = now;

    std::vector<std::string> report;
    if (QzMemManagerExists()) {
        // The report reads the allocator's pools and heap.
        QZW::CQzScopedLock hold(QzMemGetLock());
        QzMemDump(report);
    }
    for (std::size_t k = 0; k < report.size(); ++k) {
        DrawInfoLine(kMemoryLinesY + kMemoryLineStep * int(k), report[k].c_str());
    }
}

void CDbgTaskInfoTask::DrawInfoLine(int y, const char* text) {
    CGameDrawTask* draw = GetGameDrawTask();
    if (draw == nullptr || text == nullptr) {
        return;
    }
    const float left = float(kLineX);
    const float right = float(kLineX + kCharWidth * int(std::strlen(text)));
    const float top = float(y);
    const float bottom = float(y + kLineHeight);
    const QZW::Matrix identity;
    const int layer = CGameDrawTask::kDebugLayer;
    draw->AppendPrim(identity, QZW::Vector3(left, top, 0.0f), QZW::Vector3(right, top, 0.0f),
                     QZW::Vector3(right, bottom, 0.0f), kBoxColour, kBoxColour, kBoxColour, layer,
                     &boxMaterial);
    draw->AppendPrim(identity, QZW::Vector3(left, top, 0.0f), QZW::Vector3(right, bottom, 0.0f),
                     QZW::Vector3(left, bottom, 0.0f), kBoxColour, kBoxColour, kBoxColour, layer,
                     &boxMaterial);
    draw->DebugPrint(kLineX, y, text);
}

}  // namespace Sample
