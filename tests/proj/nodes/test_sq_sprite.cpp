// The script sprite node: texture rectangles, colour and alpha, its own
// drawing (or not, once batched), materials it keeps without owning, and
// the textures it holds.
#include "proj/nodes/sq_sprite.h"

#include <gtest/gtest.h>

#include "qzware/scene/qz_draw_task.h"
#include "tests/proj/nodes/node_script_fixture.h"
#include "tests/support/sized_texture.h"

namespace {

using QZW::CSqSprite;

class SpriteTest : public node_test::NodeScriptTest {
protected:
    void SetUp() override {
        NodeScriptTest::SetUp();
        graphics.textures["atlas.tga"] = new qz_test_support::SizedTexture(256, 128, "atlas");
    }
    CSqSprite* Sprite(const char* name = "s") { return Object<CSqSprite>(name); }
    // The atlas of SetUp, for tests that never load it (so nothing owns it).
    void UnusedAtlasGoes() {
        delete graphics.textures["atlas.tga"];
        graphics.textures.erase("atlas.tga");
    }
    // The texture of the renderer's last SetTexture, or null.
    const void* LastTexture() const {
        for (auto it = graphics.calls.rbegin(); it != graphics.calls.rend(); ++it) {
            if (it->name == "SetTexture" && !it->pointers.empty()) {
                return it->pointers[0];
            }
        }
        return nullptr;
    }
};

TEST_F(SpriteTest, SetTakesTheTextureRectangleAndSizesScaleTheWidth) {
    Value("::s <- CSqSprite(); s.Set(64, 32, 128, 0, \"atlas.tga\"); s.SetScale(2, 0.5, 1)");
    const QZW::Vector2* uv = Sprite()->sprite->GetUVs();
    EXPECT_FLOAT_EQ(0.5f, uv[0].x);
    EXPECT_FLOAT_EQ(0.75f, uv[1].x);
    EXPECT_FLOAT_EQ(0.25f, uv[2].y);
    EXPECT_EQ("64,32,128,16", Value("return s.GetTexWidth() + \",\" + s.GetTexHeight() + \",\" +"
                                    " s.GetWidth() + \",\" + s.GetHeight()"));
    EXPECT_EQ(0xFFFFFFFFu, Sprite()->sprite->GetColor()) << "Set draws opaque white";

    // An unknown texture changes nothing.
    Value("s.Set(8, 8, 0, 0, \"none.tga\")");
    EXPECT_EQ("64", Value("return s.GetTexWidth()"));
    Value("s.SetUV(0.1, 0.2, 0.3, 0.4)");
    uv = Sprite()->sprite->GetUVs();
    EXPECT_FLOAT_EQ(0.1f, uv[2].x);
    EXPECT_FLOAT_EQ(0.4f, uv[2].y);
    EXPECT_FLOAT_EQ(0.3f, uv[1].x);
    EXPECT_FLOAT_EQ(0.2f, uv[1].y);
}

TEST_F(SpriteTest, ColourAlphaIsScaledByTheNodeAlphaWhenDrawn) {
    Value(
        "::s <- CSqSprite(); s.Set(4, 4, 0, 0, \"atlas.tga\"); s.SetColor(10, 20, 30, 128);"
        "s.SetAlpha(128, false)");
    CSqSprite* s = Sprite();
    QZW::CQzNode::DrawTree(s, &graphics);
    const QZW::Color c = s->sprite->GetColors()[3];
    EXPECT_EQ(QZW::Color(10, 20, 30, 64), c) << "128 x 128 / 255, truncated";
    EXPECT_EQ(1u, graphics.Count("DrawArrays"));

    // SetSprite takes the stored colour as stored.
    Value("s.SetSprite(8, 8, 4, 4)");
    EXPECT_EQ(QZW::Color(10, 20, 30, 128), s->sprite->GetColors()[0]);

    s->batched = 1;
    graphics.ClearCalls();
    QZW::CQzNode::DrawTree(s, &graphics);
    EXPECT_EQ(0u, graphics.Count("DrawArrays")) << "a batched sprite leaves drawing to its buffer";
    EXPECT_EQ(1u, graphics.Count("PushMatrix"));
}

TEST_F(SpriteTest, HideStopsTheQuadButDrawStillQueuesIt) {
    Value("::s <- CSqSprite(); s.Set(4, 4, 0, 0, \"atlas.tga\"); s.Hide(); s.Draw(5)");
    EXPECT_EQ(1u, LayerNode(5).children.size()) << "no visibility test in the sprite's Draw";
    EXPECT_TRUE(Sprite()->sprite->IsHidden());
    QZW::CQzNode::DrawTree(Sprite(), &graphics);
    EXPECT_EQ(0u, graphics.Count("DrawArrays"));
    Value("s.Show()");
    QZW::CQzNode::DrawTree(Sprite(), &graphics);
    EXPECT_EQ(1u, graphics.Count("DrawArrays"));
}

TEST_F(SpriteTest, AMaterialTheScriptsFreeIsForgottenAndItsTexturesStayHeld) {
    Value(
        "::s <- CSqSprite(); s.Set(16, 16, 0, 0, \"atlas.tga\");"
        "local m = CSqMaterial(); m.SetTexture(0, \"atlas.tga\", false); m.SetDeleteRelease(true);"
        "s.SetMaterial(m); s.SetSprite(16, 16, 0, 0); s.Draw(2)");
    CSqSprite* s = Sprite();
    ASSERT_NE(nullptr, s->material);
    EXPECT_EQ(s->material, s->sprite->GetMaterial());
    NextFrame();  // draws with the material, then frees it
    EXPECT_EQ(nullptr, s->material);
    EXPECT_EQ(nullptr, s->sprite->GetMaterial());
    EXPECT_TRUE(world.engine->IsTextureListed("atlas.tga")) << "the sprite still holds it";
    Value("s.Draw(2)");
    NextFrame();  // without a material: the default state
    Value("s.SetMaterial(null)");
    EXPECT_EQ("wrong argument type, expected 'CSqMaterial' got 'integer'",
              Run("return s.SetMaterial(1)").text);
}

// Textures that live exactly as long as something draws with them.
int g_alive = 0;
class CountedTexture : public qz_test_support::SizedTexture {
public:
    explicit CountedTexture(const char* name) : SizedTexture(64, 64, name) { ++g_alive; }
    ~CountedTexture() override { --g_alive; }
};

TEST_F(SpriteTest, AFailedSetKeepsHoldingTheTextureItsSpriteStillDraws) {
    UnusedAtlasGoes();
    g_alive = 0;
    auto* first = new CountedTexture("first");
    graphics.textures["first.tga"] = first;
    Value(
        "::s <- CSqSprite(); s.Set(16, 16, 0, 0, \"first.tga\"); s.Set(8, 8, 0, 0, \"none.tga\")");
    CSqSprite* s = Sprite();
    EXPECT_EQ(nullptr, s->texture) << "the node keeps the failed name's (no) texture";
    ASSERT_EQ(first, s->sprite->GetTexture()) << "the engine sprite draws on with the old one";
    EXPECT_EQ(1, world.engine->TextureHolders(first)) << "held once, for the engine sprite";

    // The texture list lets it go; the sprite's hold keeps it alive to draw.
    Value("SQ_ReleaseTexture(\"first.tga\"); s.Draw(2)");
    EXPECT_FALSE(world.engine->IsTextureListed("first.tga"));
    EXPECT_EQ(1, g_alive) << "expected the drawn texture alive after its release";
    NextFrame();
    EXPECT_EQ(first, LastTexture()) << "drawn with the held texture";

    // A new texture of the name, at whatever address, is not touched by the
    // old hold ending.
    auto* second = new CountedTexture("second");
    graphics.textures["first.tga"] = second;
    Value(
        "::t <- CSqSprite(); t.Set(16, 16, 0, 0, \"first.tga\"); s.Set(16, 16, 0, 0, "
        "\"first.tga\")");
    EXPECT_EQ(1, g_alive) << "the old texture went with its last hold";
    EXPECT_EQ(4, world.engine->TextureHolders(second)) << "kept and drawn, by two sprites";
    Value("::s <- null");
    NextFrame();
    EXPECT_TRUE(world.engine->IsTextureListed("first.tga"));
    EXPECT_EQ(2, world.engine->TextureHolders(second));
    EXPECT_EQ(1, g_alive);
}

TEST_F(SpriteTest, ATextureAMaterialAndASpriteHoldOutlivesItsScriptRelease) {
    UnusedAtlasGoes();
    g_alive = 0;
    auto* shared = new CountedTexture("shared");
    graphics.textures["shared.tga"] = shared;
    Value(
        "::m <- CSqMaterial(); m.SetTexture(0, \"shared.tga\", false);"
        "::s <- CSqSprite(); s.Set(16, 16, 0, 0, \"shared.tga\"); s.SetMaterial(m);"
        "SQ_ReleaseTexture(\"shared.tga\"); s.Draw(2)");
    EXPECT_FALSE(world.engine->IsTextureListed("shared.tga"));
    EXPECT_EQ(1, g_alive);
    NextFrame();
    EXPECT_EQ(shared, LastTexture()) << "the material applies the texture";
    Value("::m <- null");
    NextFrame();
    EXPECT_EQ(1, g_alive) << "the sprite still holds it";
    Value("::s <- null");
    NextFrame();
    EXPECT_EQ(0, g_alive) << "expected the released texture freed with its last holder";
}

}  // namespace
