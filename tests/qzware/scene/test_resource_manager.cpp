// The resource manager's caches: one mesh per model part built once with its
// vertex buffer, one font per file name (case counts, unreadable files give
// a cached empty font), and ReleaseAll emptying both.
#include "qzware/scene/resource_manager.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "qzware/scene/bitmap_font.h"
#include "qzware/scene/qz_mesh.h"
#include "tests/qzware/scene/font_fixture.h"
#include "tests/support/recording_graphics.h"

namespace {

using QZW::CResourceManager;

const char kFont[] =
    "common lineHeight=10 base=8 scaleW=64 scaleH=64 pages=1 packed=0\n"
    "page id=0 file=\"p.tga\"\n"
    "char id=65 x=0 y=0 width=8 height=8 xoffset=0 yoffset=0 xadvance=9 page=0\n";

struct Part {
    QZW::Vector3 positions[3] = {{0, 0, 0}, {1, 0, 0}, {0, 0, 1}};
    std::uint16_t indices[3] = {0, 1, 2};
    QZW::QzModelPartGeometry geometry;
    Part() {
        geometry.positions = positions;
        geometry.indices = indices;
        geometry.vertexCount = 3;
        geometry.indexCount = 3;
    }
};

class ResourceManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        owner.files["font/a.fnt"] = std::vector<std::uint8_t>(kFont, kFont + sizeof(kFont) - 1);
        owner.textures = {"font/p.tga"};
        resources.SetServices(&graphics, &owner);
    }
    qz_test_support::RecordingGraphics graphics;
    fonttest::MaterialOwner owner;
    CResourceManager resources;
};

TEST(ResourceManagerInstance, GetInstanceAlwaysAnswersTheSameManager) {
    EXPECT_NE(CResourceManager::GetInstance(), nullptr);
    EXPECT_EQ(CResourceManager::GetInstance(), CResourceManager::GetInstance());
}

TEST_F(ResourceManagerTest, SamePartGivesTheSameMeshBuiltOnce) {
    Part part;
    Part other;
    QZW::CQzMesh* mesh = resources.GetMesh(&part.geometry);
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(resources.GetMesh(&part.geometry), mesh);
    EXPECT_EQ(graphics.Count("CreateVertexBuffer"), 1u);
    EXPECT_EQ(mesh->GetBlock(0).positions.size(), 3u);
    EXPECT_EQ(mesh->GetBlock(0).indices.size(), 3u);
    EXPECT_NE(mesh->GetBlock(0).vertexBuffer, nullptr);

    EXPECT_NE(resources.GetMesh(&other.geometry), mesh);
    EXPECT_EQ(graphics.Count("CreateVertexBuffer"), 2u);
    EXPECT_EQ(resources.GetMeshCount(), 2u);
    EXPECT_EQ(resources.GetMesh(nullptr), nullptr);
}

TEST_F(ResourceManagerTest, SameNameGivesTheSameFontAndCaseMakesAnotherName) {
    acGraphics::CBitmapFont* font = resources.GetFont("font/a.fnt");
    ASSERT_NE(font, nullptr);
    EXPECT_TRUE(font->IsLoaded());
    EXPECT_EQ(resources.GetFont("font/a.fnt"), font);
    EXPECT_EQ(owner.reads, 1);

    acGraphics::CBitmapFont* upper = resources.GetFont("font/A.fnt");
    ASSERT_NE(upper, nullptr);
    EXPECT_NE(upper, font);
    EXPECT_EQ(resources.GetFontCount(), 2u);
}

TEST_F(ResourceManagerTest, UnreadableFileGivesACachedEmptyFontThatDrawsNothing) {
    acGraphics::CBitmapFont* font = resources.GetFont("font/missing.fnt");
    ASSERT_NE(font, nullptr);
    EXPECT_FALSE(font->IsLoaded());
    EXPECT_EQ(resources.GetFont("font/missing.fnt"), font);
    EXPECT_EQ(owner.reads, 1) << "the failed name is not read again";
    QZW::CQzMesh mesh;
    font->Write(&mesh, 0.0f, "AAA", 0, 0.0f, 0.0f);
    EXPECT_TRUE(mesh.GetBlock(1).positions.empty());
}

TEST_F(ResourceManagerTest, ReleaseAllEmptiesBothCachesAndLaterRequestsBuildAnew) {
    Part part;
    resources.GetMesh(&part.geometry);
    resources.GetFont("font/a.fnt");
    resources.ReleaseAll();
    EXPECT_EQ(resources.GetMeshCount(), 0u);
    EXPECT_EQ(resources.GetFontCount(), 0u);

    ASSERT_NE(resources.GetMesh(&part.geometry), nullptr);
    EXPECT_EQ(graphics.Count("CreateVertexBuffer"), 2u);
    ASSERT_NE(resources.GetFont("font/a.fnt"), nullptr);
    EXPECT_EQ(owner.reads, 2);
}

}  // namespace
