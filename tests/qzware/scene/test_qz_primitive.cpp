// Line lists against the recording renderer: appends, builds, rebuilds after
// changes, vertex buffers that go stale, clones and shared buffers.
#include "qzware/scene/qz_primitive.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "qzware/scene/qz_material.h"
#include "tests/support/recording_graphics.h"

namespace {

using qz_test_support::RecordedVertexBuffer;
using qz_test_support::RecordingGraphics;

TEST(PrimLineList, AppendsPairsAndDrawsBothEndsInTheLineColour) {
    QZW::CQzPrimLineList lines;
    EXPECT_EQ(lines.AppendLine({0, 0, 0}, {10, 0, 0}, 0xFF0000FFu), 2);
    EXPECT_EQ(lines.AppendLine({0, 5, 0}, {10, 5, 0}, 0xFF00FF00u), 4);
    EXPECT_EQ(lines.AppendLine({1, 1, 1}, {2, 2, 2}, 0x80FF0000u), 6);
    RecordingGraphics g;
    lines.Draw(&g);
    EXPECT_EQ(g.Texts(), (std::vector<std::string>{"SetTexture(0)", "DrawArrays(1, 6)"}));
    const auto& draw = g.calls[1];
    EXPECT_EQ(draw.pointers[2], nullptr);
    EXPECT_EQ(draw.pointers[3], nullptr);
    const auto* c = static_cast<const std::uint8_t*>(draw.pointers[1]);
    const std::uint8_t expected[6][4] = {{255, 0, 0, 255}, {255, 0, 0, 255}, {0, 255, 0, 255},
                                         {0, 255, 0, 255}, {0, 0, 255, 128}, {0, 0, 255, 128}};
    for (int v = 0; v < 6; ++v) {
        for (int k = 0; k < 4; ++k) {
            EXPECT_EQ(c[v * 4 + k], expected[v][k]) << "vertex " << v << " byte " << k;
        }
    }
    const auto* p = static_cast<const QZW::Vector3*>(draw.pointers[0]);
    EXPECT_EQ(p[5], QZW::Vector3(2, 2, 2));
}

TEST(PrimLineList, RebuildsAfterChangesAndNeverDrawsAStaleBuffer) {
    // Each step: what to do, then the draw call expected (empty: none).
    enum Op { Append, MakeBuffer, ClearAll };
    struct Step {
        Op op;
        const char* draw;
    } const steps[] = {
        {Append, "DrawArrays(1, 2)"},
        {MakeBuffer, "DrawArraysVBFromStart(1, 2)"},
        {Append, "DrawArrays(1, 4)"},  // the 2-vertex buffer is gone
        {MakeBuffer, "DrawArraysVBFromStart(1, 4)"},
        {ClearAll, ""},
        {Append, "DrawArrays(1, 2)"},
    };
    QZW::CQzPrimLineList lines;
    RecordingGraphics g;
    int n = 0;
    for (const Step& s : steps) {
        if (s.op == Append) {
            lines.AppendLine({float(n), 0, 0}, {float(n), 1, 0}, 0xFFFFFFFFu);
            ++n;
            EXPECT_EQ(lines.GetVertexBuffer(), nullptr);
        } else if (s.op == MakeBuffer) {
            ASSERT_NE(lines.CreateVertexBuffer(&g), nullptr);
        } else {
            lines.Clear();
            EXPECT_EQ(lines.GetVertexBuffer(), nullptr);
        }
        g.ClearCalls();
        lines.Draw(&g);
        std::vector<std::string> draws;
        for (const std::string& t : g.Texts()) {
            if (t.rfind("Draw", 0) == 0) {
                draws.push_back(t);
            }
        }
        const std::vector<std::string> want =
            *s.draw ? std::vector<std::string>{s.draw} : std::vector<std::string>{};
        EXPECT_EQ(draws, want) << "after step drawing " << s.draw;
        EXPECT_EQ(g.Count("SetTexture"), 1u);
    }
    EXPECT_EQ(lines.CreateVertexBuffer(&g) != nullptr, true);
    lines.Clear();
    EXPECT_EQ(lines.CreateVertexBuffer(&g), nullptr);
}

TEST(PrimLineList, CloneDrawsTheSameSegmentsWithoutABufferOfItsOwn) {
    QZW::CQzPrimLineList source;
    source.AppendLine({0, 0, 0}, {1, 0, 0}, 0xFF0000FFu);
    source.AppendLine({0, 2, 0}, {1, 2, 0}, 0xFF00FF00u);
    source.Build();
    EXPECT_EQ(source.GetBuiltPositions().size(), 4u);
    std::unique_ptr<QZW::CQzPrimitive> clone(source.Clone());
    ASSERT_NE(dynamic_cast<QZW::CQzPrimLineList*>(clone.get()), nullptr);
    EXPECT_TRUE(clone->IsBuilt());
    EXPECT_EQ(clone->GetVertexBuffer(), nullptr);
    EXPECT_EQ(clone->GetBuiltPositions(), source.GetBuiltPositions());
    EXPECT_EQ(clone->GetBuiltColors(), source.GetBuiltColors());
    RecordingGraphics g;
    clone->Draw(&g);
    EXPECT_EQ(g.Texts("DrawArrays"), std::vector<std::string>{"DrawArrays(1, 4)"});
}

TEST(PrimLineList, SharedBufferDrawsItsRangeOnlyWhenItFits) {
    struct Case {
        int bufferVertices;
        std::uint32_t first;
        const char* draw;
    } const cases[] = {{10, 6, "DrawArraysVB(1, 4, 6)"}, {10, 7, ""}, {3, 0, ""}};
    for (const Case& c : cases) {
        RecordedVertexBuffer shared(c.bufferVertices, true, false, false);
        QZW::CQzPrimLineList lines;
        lines.AppendLine({0, 0, 0}, {1, 0, 0}, 0xFFFFFFFFu);
        lines.AppendLine({0, 1, 0}, {1, 1, 0}, 0xFFFFFFFFu);
        lines.SetSharedBuffer(&shared, c.first);
        RecordingGraphics g;
        lines.Draw(&g);
        const std::vector<std::string> want =
            *c.draw ? std::vector<std::string>{c.draw} : std::vector<std::string>{};
        EXPECT_EQ(g.Texts("DrawArraysVB"), want) << c.bufferVertices << " from " << c.first;
        EXPECT_EQ(g.Count("DrawArrays"), 0u);
    }
}

TEST(PrimLineList, MaterialStateComesBeforeTheUnbindAndAnEmptyListStillSetsIt) {
    QZW::CQzMaterial material(9);
    for (bool empty : {false, true}) {
        SCOPED_TRACE(empty ? "empty" : "one line");
        QZW::CQzPrimLineList lines;
        lines.SetMaterial(&material);
        if (!empty) {
            lines.AppendLine({0, 0, 0}, {1, 1, 0}, 0xFFFFFFFFu);
        }
        RecordingGraphics g;
        lines.Draw(&g);
        std::vector<std::string> names = g.Names();
        ASSERT_FALSE(names.empty());
        EXPECT_EQ(names.front(), "DisableDepthTest");
        EXPECT_EQ(g.Texts("UseShader"), std::vector<std::string>{"UseShader(9)"});
        if (!empty) {
            ASSERT_EQ(names.back(), "DrawArrays");
            names.pop_back();
        }
        ASSERT_GE(names.size(), 2u);
        EXPECT_EQ(names[names.size() - 2], "SetLightViewProjMatrix");
        EXPECT_EQ(names.back(), "SetTexture");
        EXPECT_EQ(g.calls[names.size() - 1].pointers[0], nullptr) << "the texture is unbound";
        EXPECT_EQ(g.Count("DrawArrays") + g.Count("DrawArraysVBFromStart"), empty ? 0u : 1u);
    }
}

}  // namespace
