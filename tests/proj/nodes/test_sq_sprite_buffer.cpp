// The sprite batch: vertex order and the buffer's transform, one draw per
// run of equal material, the capacity rule, hidden and material-less
// sprites, text nodes laid into the same arrays, and refused counts.
#include "proj/nodes/sq_sprite_buffer.h"

#include <gtest/gtest.h>

#include "proj/nodes/sq_font.h"
#include "proj/nodes/sq_material.h"
#include "proj/nodes/sq_sprite.h"
#include "tests/proj/nodes/node_script_fixture.h"
#include "tests/support/recording_graphics.h"
#include "tests/support/sized_texture.h"

namespace {

using QZW::CSqMaterial;
using QZW::CSqSprite;
using QZW::CSqSpriteBuffer;
using QZW::Vector3;

class SpriteBufferTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(QzMemManagerCreate());
        a.PutTexture(0, &texture);
        b.PutTexture(0, &texture);
    }
    void TearDown() override { QzMemManagerDestroy(); }
    // A 16 x 8 sprite at (x, 0) with the material (or none).
    CSqSprite& AddSprite(float x, CSqMaterial* m, QZW::CSqNode* under = nullptr) {
        auto& s = sprites.emplace_back(std::make_unique<CSqSprite>());
        s->sprite->SetSprite(16, 8, 0, 0, 1, 1, 0xFFFFFFFFu, &texture);
        s->SetColor(255, 0, 0, 255);
        s->SetPos(x, 0, 0);
        s->SetMaterial(m);
        (under ? under : &buffer)->PushBack(s.get());
        return *s;
    }
    // The draws: vertex count and first vertex of each.
    std::vector<std::pair<int, long>> Runs() const {
        std::vector<std::pair<int, long>> out;
        for (const auto& c : graphics.calls) {
            if (c.name == "DrawArrays") {
                EXPECT_EQ(4, c.args[0]) << "a triangle strip";
                out.emplace_back(int(c.args[1]),
                                 static_cast<const Vector3*>(c.pointers[0]) - buffer.positions);
            }
        }
        return out;
    }
    void Draw() {
        graphics.ClearCalls();
        QZW::CQzNode::DrawTree(&buffer, &graphics);
    }

    qz_test_support::RecordingGraphics graphics;
    qz_test_support::SizedTexture texture{64, 64, "t"};
    CSqMaterial a, b;
    CSqSpriteBuffer buffer;
    std::vector<std::unique_ptr<CSqSprite>> sprites;
};

TEST_F(SpriteBufferTest, EachSpriteIsSixJoinedVerticesInTheBuffersSpace) {
    ASSERT_TRUE(buffer.Create(4));
    buffer.SetPos(100, 50, 0);
    CSqSprite& s = AddSprite(5, &a);
    s.SetScale(2, 1, 1);
    Draw();
    ASSERT_EQ((std::vector<std::pair<int, long>>{{6, 0}}), Runs());
    // Corners top-left, top-left, top-right, bottom-left, bottom-right,
    // bottom-right; scaled by the sprite, moved by sprite and buffer.
    const float xs[6] = {105, 105, 137, 105, 137, 137};
    const float ys[6] = {50, 50, 50, 58, 58, 58};
    for (int i = 0; i < 6; ++i) {
        EXPECT_FLOAT_EQ(xs[i], buffer.positions[i].x) << i;
        EXPECT_FLOAT_EQ(ys[i], buffer.positions[i].y) << i;
        EXPECT_EQ(QZW::Color(255, 0, 0, 255), buffer.colours[i]);
    }
    EXPECT_FLOAT_EQ(0.25f, buffer.texcoords[4].x) << "16 of the texture's 64 texels";
    EXPECT_FLOAT_EQ(0.125f, buffer.texcoords[4].y);
    EXPECT_EQ(1, s.batched);
    // The draw uses the world the buffer found, its own move included.
    for (const auto& c : graphics.calls) {
        if (c.name == "DrawArrays") {
            EXPECT_FLOAT_EQ(100.0f, c.world[12]);
            EXPECT_FLOAT_EQ(50.0f, c.world[13]);
        }
    }
    EXPECT_EQ(1u, graphics.Count("DrawArrays")) << "the sprite did not draw itself";
}

TEST_F(SpriteBufferTest, RunsSplitWhereTheMaterialChanges) {
    struct Case {
        const char* name;
        std::vector<CSqMaterial*> materials;
        std::vector<std::pair<int, long>> runs;
    };
    const Case cases[] = {
        {"same material", {&a, &a}, {{12, 0}}},
        {"alternating", {&a, &b, &a}, {{6, 0}, {6, 6}, {6, 12}}},
        {"none first: dropped at the change", {nullptr, &a}, {{6, 6}}},
        {"none after: a run of its own", {&a, nullptr}, {{6, 0}, {6, 6}}},
        {"none at all: nothing drawn", {nullptr, nullptr}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        buffer.Clear();
        sprites.clear();
        ASSERT_TRUE(buffer.Create(8));
        float x = 0;
        for (CSqMaterial* m : c.materials) {
            AddSprite(x += 20, m);
        }
        Draw();
        EXPECT_EQ(c.runs, Runs());
    }
}

TEST_F(SpriteBufferTest, ACountOfNHoldsNMinusOneSprites) {
    ASSERT_TRUE(buffer.Create(3));
    for (int i = 0; i < 3; ++i) {
        AddSprite(float(i), &a);
    }
    Draw();
    EXPECT_EQ((std::vector<std::pair<int, long>>{{12, 0}}), Runs());
}

TEST_F(SpriteBufferTest, AHiddenSpriteWritesNothingButItsVisibleChildrenAreBatched) {
    ASSERT_TRUE(buffer.Create(4));
    CSqSprite& hidden = AddSprite(0, &a);
    CSqSprite& child = AddSprite(7, &a, &hidden);
    hidden.visible = 0;
    Draw();
    EXPECT_EQ((std::vector<std::pair<int, long>>{{6, 0}}), Runs());
    EXPECT_FLOAT_EQ(7.0f, buffer.positions[0].x) << "the child, placed under its parent";
    EXPECT_EQ(1, hidden.batched);
    EXPECT_EQ(1, child.batched);
    // Moved out of the buffer, a batched sprite still leaves its drawing.
    buffer.Remove(&hidden);
    graphics.ClearCalls();
    QZW::CQzNode::DrawTree(&child, &graphics);
    EXPECT_EQ(0u, graphics.Count("DrawArrays"));
}

TEST_F(SpriteBufferTest, RefusedCountsKeepTheArraysAndCreatingAgainFreesTheOldOnes) {
    ASSERT_TRUE(buffer.Create(4));
    for (std::int32_t count : {0, -1, -2147483647 - 1, CSqSpriteBuffer::kMaxSprites + 1}) {
        EXPECT_FALSE(buffer.Create(count)) << count;
        EXPECT_EQ(4u, buffer.spriteCapacity);
    }
    // Far more than the engine heap holds unless each Create frees the
    // arrays before it.
    for (int i = 0; i < 40; ++i) {
        ASSERT_TRUE(buffer.Create(CSqSpriteBuffer::kMaxSprites)) << i;
    }
    EXPECT_EQ(std::uint32_t(CSqSpriteBuffer::kMaxSprites) * 6, buffer.vertexCapacity);
    // Nothing created: drawing writes and draws nothing.
    CSqSpriteBuffer empty;
    empty.PushBack(&AddSprite(0, &a));
    graphics.ClearCalls();
    QZW::CQzNode::DrawTree(&empty, &graphics);
    EXPECT_EQ(0u, graphics.Count("DrawArrays"));
}

// [SECTION] Through the scripts, with text
class SpriteBufferScript : public node_test::NodeScriptTest {
protected:
    void SetUp() override {
        NodeScriptTest::SetUp();
        UseFont();
    }
};

TEST_F(SpriteBufferScript, TextsLayTheirGlyphsIntoTheBatchWithTheNodeAlpha) {
    graphics.textures["atlas.tga"] = new qz_test_support::SizedTexture(64, 64, "atlas");
    Value(
        "::buf <- CSqSpriteBuffer(); buf.Create(16);"
        "::m <- CSqMaterial(); m.SetTexture(0, \"atlas.tga\", false);"
        "::s <- CSqSprite(); s.Set(8, 8, 0, 0, \"atlas.tga\"); s.SetMaterial(m); buf.PushBack(s);"
        "::t <- CSqFont(); t.LoadFont(\"font/t.fnt\"); t.SetText(\"AB\"); t.SetPos(100, 0, 0);"
        "t.SetColor(1, 2, 3, 200); t.SetAlpha(90, false); t.SetTargetFrameBufferId(7);"
        "buf.PushBack(t); buf.Draw(1)");
    EXPECT_EQ("0,0,0,0", Value("return buf.GetTexWidth() + \",\" + buf.GetTexHeight() + \",\" +"
                               " buf.GetWidth() + \",\" + buf.GetHeight()"));
    Value(
        "buf.SetColor(1, 2, 3, 4); buf.SetAlign(3); buf.SetMargin(1, 2, 3, 4);"
        "buf.SetMaterial(m); buf.SetSprite(1, 2, 3, 4)");
    auto* buf = Object<CSqSpriteBuffer>("buf");
    auto* text = Object<QZW::CSqFont>("t");
    graphics.ClearCalls();
    world.DrawFrame();
    std::vector<int> counts;
    for (const auto& c : graphics.calls) {
        if (c.name == "DrawArrays") {
            counts.push_back(int(c.args[1]));
        }
    }
    EXPECT_EQ((std::vector<int>{6, 12}), counts)
        << "the sprite's run, then two glyphs; the text mesh does not draw itself";
    EXPECT_EQ(1, text->batched);
    EXPECT_EQ(QZW::Color(1, 2, 3, 90), buf->colours[6]) << "the node alpha, not the colour's";
    // "A": xoffset 1 at the text's x 100; the glyph quad's top at yoffset 2 - base 16.
    EXPECT_FLOAT_EQ(101.0f, buf->positions[6].x);
    EXPECT_FLOAT_EQ(-14.0f, buf->positions[6].y);
    EXPECT_EQ(7, text->PageMaterial()->frameBufferId);

    // A hidden text writes nothing into the batch.
    world.task->Update();
    Value("t.Hide(); buf.Draw(1)");
    graphics.ClearCalls();
    world.DrawFrame();
    EXPECT_EQ(1u, graphics.Count("DrawArrays")) << "the sprite's run only";
}

TEST_F(SpriteBufferScript, ATextWithoutAFontInABatchIsSkipped) {
    Value(
        "::buf <- CSqSpriteBuffer(); buf.Create(4); local t = CSqFont(); t.SetText(\"A\");"
        "buf.PushBack(t); local u = CSqFont(); u.LoadFont(\"font/none.fnt\"); u.SetText(\"A\");"
        "buf.PushBack(u); buf.Draw(1)");
    graphics.ClearCalls();
    world.DrawFrame();
    EXPECT_EQ(0u, graphics.Count("DrawArrays"));
}

}  // namespace
