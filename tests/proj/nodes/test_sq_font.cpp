// The script text node: layout only when a dirty flag says so, colour and
// node alpha, hiding, the language-3 face, the pane options, and a node
// without a font.
#include "proj/nodes/sq_font.h"

#include <gtest/gtest.h>

#include "qzware/scene/bitmap_font.h"
#include "qzware/scene/qz_mesh.h"
#include "tests/proj/nodes/node_script_fixture.h"

namespace {

using QZW::CSqFont;

class FontTest : public node_test::NodeScriptTest {
protected:
    void SetUp() override {
        NodeScriptTest::SetUp();
        UseFont();
        Value("::t <- CSqFont(); t.LoadFont(\"font/t.fnt\"); t.SetText(\"AB\")");
    }
    CSqFont& Text() { return *Object<CSqFont>("t"); }
    std::size_t Glyphs() { return Text().textMesh->GetBlock(1).positions.size() / 4; }
    // Draws the node; true when it laid its text out again (the test
    // empties the mesh first, so only a new layout fills it).
    bool Relaid() {
        Text().textMesh->Clear();
        QZW::CQzNode::DrawTree(&Text(), &graphics);
        return Glyphs() != 0;
    }
};

TEST_F(FontTest, OnlyAChangeLaysTheTextOutAgain) {
    EXPECT_EQ(20, Text().fontHeight) << "the font's line height";
    ASSERT_TRUE(Relaid());
    EXPECT_EQ(2u, Glyphs());
    struct Case {
        const char* script;
        bool relaid;
    };
    const Case cases[] = {
        {"", false},
        {"t.SetText(\"AB\")", false},
        {"t.SetText(\"A\")", true},
        {"t.SetAlign(0); t.SetAlignY(0); t.SetLimitLength(-1); t.SetFontHeight(20)", false},
        {"t.SetAlign(1)", true},
        {"t.SetAlignY(1)", true},
        {"t.SetLimitLength(5)", true},
        {"t.SetFontHeight(24)", true},
        {"t.SetAlpha(255, false)", true},  // from the initial -1, compared unclamped
        {"t.SetColor(255, 255, 255, 255); t.SetAlpha(255, false)", false},
        {"t.SetColor(255, 0, 255, 255)", true},
        {"t.SetAlpha(200, false)", true},
        {"t.Show()", false},
        {"t.SetPos(5, 5, 0); t.SetTargetFrameBufferId(3)", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        Value(c.script);
        EXPECT_EQ(c.relaid, Relaid());
    }
}

TEST_F(FontTest, TheColourAlphaIsScaledByTheNodeAlphaItAlsoSets) {
    Value("t.SetColor(255, 255, 255, 128)");
    EXPECT_EQ("128", Value("return t.GetAlpha()"));
    QZW::CQzNode::DrawTree(&Text(), &graphics);
    const auto& colours = Text().textMesh->GetBlock(1).colours;
    ASSERT_FALSE(colours.empty());
    EXPECT_EQ(QZW::Color(255, 255, 255, 64), colours[0]) << "128 x 128 / 255, truncated";
    EXPECT_EQ(1u, graphics.Count("DrawArrays") + graphics.Count("DrawIndexed"))
        << "the glyphs drawn once, under the node's own matrix";
}

TEST_F(FontTest, HiddenTextLeavesAnEmptyMeshUntilShown) {
    QZW::CQzNode::DrawTree(&Text(), &graphics);
    Value("t.Hide()");
    EXPECT_EQ("true", Value("return t.IsHide()"));
    QZW::CQzNode::DrawTree(&Text(), &graphics);
    EXPECT_EQ(0u, Glyphs());
    Value("t.Show()");
    QZW::CQzNode::DrawTree(&Text(), &graphics);
    EXPECT_EQ(2u, Glyphs());
    Value("t.SetAlpha(0, false)");
    QZW::CQzNode::DrawTree(&Text(), &graphics);
    EXPECT_EQ(0u, Glyphs()) << "alpha 0 lays nothing out";
}

TEST_F(FontTest, WidthTargetAndPaneOptions) {
    Value("t.SetScale(2, 1, 1); t.SetTargetFrameBufferId(5)");
    EXPECT_EQ("36", Value("return t.GetTextWidth()")) << "(10 + 8) x scale 2";
    QZW::CQzNode::DrawTree(&Text(), &graphics);
    EXPECT_EQ(5, Text().PageMaterial()->frameBufferId);
    EXPECT_EQ(5, Text().textMesh->GetMaterial()->frameBufferId);

    Value(
        "t.SetPos(1, 7, 3); t.SetPanePos(100, 100, 9); t.SetPaneSize(50, 40);"
        "t.SetPaneScale(3, 2); t.SetTextBoxSize(8, 8); t.UpdateOption()");
    EXPECT_FLOAT_EQ(100.0f, Text().position.x);
    EXPECT_FLOAT_EQ(7.0f, Text().position.y) << "alignY 0 leaves y";
    EXPECT_FLOAT_EQ(3.0f, Text().position.z);
    EXPECT_FLOAT_EQ(2.0f, Text().scale.y);
    EXPECT_FLOAT_EQ(1.0f, Text().scale.z);
    Value("t.SetAlignY(1); t.UpdateOption()");
    EXPECT_FLOAT_EQ(60.0f, Text().position.y) << "100 - 40 x 0.5 x 2";
}

TEST_F(FontTest, TheRegularFaceIsSwappedForItsVariantInLanguageThreeOnly) {
    struct LanguageManager : qz_test_support::NullGameManager {
        std::uint32_t GetLanguage() override { return language; }
        std::uint32_t language = 3;
    } manager;
    manager.graphics = &graphics;
    manager.drawTask = world.engine.get();
    world.task->gameManager = &manager;
    Value("::r <- CSqFont(); r.LoadFont(\"font/lumesa_gosiL30.fnt\")");
    EXPECT_TRUE(Object<CSqFont>("r")->LoadedFont() != nullptr) << "the _ch file was read";
    manager.language = 2;
    Value("r.LoadFont(\"font/lumesa_gosiL30.fnt\")");
    EXPECT_EQ(nullptr, Object<CSqFont>("r")->LoadedFont()) << "the plain file (not served)";
    EXPECT_EQ(0, Object<CSqFont>("r")->fontHeight);
    world.task->gameManager = &world.manager;
}

TEST_F(FontTest, ATextWithoutAFontDrawsAndAnswersNothing) {
    Value("::n <- CSqFont(); n.SetText(\"AB\"); n.SetTargetFrameBufferId(4); n.Draw(3)");
    EXPECT_EQ("0", Value("return n.GetTextWidth()"));
    EXPECT_EQ(0u, Object<CSqFont>("n")->targetFrameBufferId);
    NextFrame();
    EXPECT_EQ(0u, Object<CSqFont>("n")->textMesh->GetBlock(1).positions.size());
}

}  // namespace
