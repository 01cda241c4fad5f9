// The debug information task over the game draw task with a 16-column debug
// font and a manual clock: the frame-rate line, the memory report lines and
// their boxes, read back from the debug sprite list and layer 21's batches.
#include "proj/game/dbg_task_info_task.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "platform/clock/clock_null.h"
#include "qzware/common/qz_mem.h"
#include "qzware/scene/qz_mesh.h"
#include "qzware/scene/qz_screen.h"
#include "qzware/scene/qz_sprite_list.h"
#include "tests/support/game_draw_fakes.h"

namespace {

using qz_test_support::GameDrawWorld;
using qz_test_support::RecordingGraphics;
using Sample::CDbgTaskInfoTask;

class DbgTaskInfoTaskTest : public ::testing::Test {
protected:
    void SetUp() override {
        world.MakeTask(true);
        clock.set(5000);
    }
    // The text of the debug sprite list, one string per line y: each quad's
    // glyph cell (16 per row of the 128-texel font) at its column from x 800.
    std::map<int, std::string> Lines() const {
        const QZW::CQzSpriteList& list = *world.task->debugSpriteList;
        std::map<int, std::string> lines;
        for (std::uint32_t q = 0; q + 3 < list.GetVertexCount(); q += 4) {
            float x = 1e9f, y = 1e9f, u = 1e9f, v = 1e9f;
            for (std::uint32_t i = q; i < q + 4; ++i) {
                x = std::min(x, list.GetPositions()[i].x);
                y = std::min(y, list.GetPositions()[i].y);
                u = std::min(u, list.GetUVs()[i].x);
                v = std::min(v, list.GetUVs()[i].y);
            }
            const int code = int(v * 16.0f + 0.5f) * 16 + int(u * 16.0f + 0.5f);
            std::string& line = lines[int(y)];
            const std::size_t column = std::size_t((x - 800.0f) / 8.0f);
            line.resize(std::max(line.size(), column + 1), ' ');
            line[column] = char(code);
        }
        return lines;
    }
    QZW::CQzMesh* Boxes() {
        for (const auto& entry : world.task->layerScreens[21]->batchMeshes) {
            if (entry.material == &task.boxMaterial) {
                return static_cast<QZW::CQzMesh*>(entry.node);
            }
        }
        return nullptr;
    }

    platform::clock::ManualClock clock;
    platform::clock::ScopedClock clockScope{clock};
    RecordingGraphics graphics;
    GameDrawWorld world{graphics};
    CDbgTaskInfoTask task{nullptr, nullptr};
};

TEST_F(DbgTaskInfoTaskTest, StartPreparesTheBoxMaterialForTarget12) {
    EXPECT_EQ("CDbgTaskInfoTask", task.name);
    EXPECT_EQ(&task, Sample::GetDbgTaskInfoTask());
    task.Start();
    EXPECT_TRUE(task.started);
    EXPECT_EQ(5.0, task.lastTime);
    EXPECT_EQ("prim", task.boxMaterial.GetName());
    EXPECT_EQ(5, task.boxMaterial.shaderType);
    EXPECT_EQ(0, task.boxMaterial.blendMode);
    EXPECT_EQ(12, task.boxMaterial.frameBufferId);
}

TEST_F(DbgTaskInfoTaskTest, TheFrameRateIsTakenOverTheTimeSinceTheLastCall) {
    task.Start();
    const struct {
        std::uint32_t advanceMs;
        const char* line;
    } steps[] = {
        {20, "fps :  50"},    // since Start
        {0, "fps :   0"},     // within the same millisecond
        {1, "fps : 999"},     // seconds as doubles: 1 / 0.001 falls just short
        {3000, "fps :   0"},  // under one frame a second
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.line);
        world.task->debugSpriteList->Clear();
        clock.advance(s.advanceMs);
        task.DrawInfo(1);
        EXPECT_EQ(s.line, Lines()[0]);
        EXPECT_EQ(double(clock.now_ms()) / 1000.0, task.lastTime);
    }
}

TEST_F(DbgTaskInfoTaskTest, EnableZeroDrawsNothingAndKeepsTheLastTime) {
    task.Start();
    clock.advance(500);
    task.DrawInfo(0);
    EXPECT_EQ(5.0, task.lastTime);
    EXPECT_EQ(0u, world.task->debugSpriteList->GetVertexCount());
    EXPECT_EQ(nullptr, Boxes());
}

TEST_F(DbgTaskInfoTaskTest, MemoryLinesFollowAtY24Plus12PerLineOnDarkBoxes) {
    task.Start();
    std::vector<std::string> report;
    QzMemDump(report);
    ASSERT_GE(report.size(), 1u);
    task.DrawInfo(1);
    std::map<int, std::string> lines = Lines();
    ASSERT_EQ(report.size() + 1, lines.size());
    for (std::size_t k = 0; k < report.size(); ++k) {
        std::string want = report[k];
        // Spaces advance without a glyph; trailing ones leave no trace.
        want.erase(want.find_last_not_of(' ') + 1);
        EXPECT_EQ(want, lines[24 + 12 * int(k)]) << k;
    }
    QZW::CQzMesh* boxes = Boxes();
    ASSERT_NE(nullptr, boxes);
    const QZW::QzMeshBlock& b = boxes->GetBlock(0);
    ASSERT_EQ(6 * (report.size() + 1), b.positions.size());
    // The first memory line's box: two triangles over its text, y 24..34.
    const float right = 800.0f + 8.0f * float(report[0].size());
    float minX = 1e9f, maxX = -1e9f, minY = 1e9f, maxY = -1e9f;
    for (std::size_t i = 6; i < 12; ++i) {
        minX = std::min(minX, b.positions[i].x);
        maxX = std::max(maxX, b.positions[i].x);
        minY = std::min(minY, b.positions[i].y);
        maxY = std::max(maxY, b.positions[i].y);
        EXPECT_EQ(QZW::Color(0, 0, 0, 220), b.colours[i]);
        EXPECT_EQ(0.0f, b.positions[i].z);
    }
    EXPECT_EQ((std::vector<float>{800, right, 24, 34}),
              (std::vector<float>{minX, maxX, minY, maxY}));
}

}  // namespace
