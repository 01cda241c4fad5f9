// Handles kept past the release of what they came from, used as a game
// would: a model's material after the model's ReleaseResource, and a
// texture that a script material and a sprite still draw with after
// SQ_ReleaseTexture. Both keep being drawn for a while, then everything is
// let go; "released handles: done" is printed on the last frame.
local flat = SqMaterialInfo();
flat.shaderType = 5;
flat.alphablend = false;
SQ_SetMaterialInfo("demo_ground", flat);
SQ_SetMaterialInfo("demo_marker", flat);
local banner = SqMaterialInfo();
banner.shaderType = 8;
banner.alphablend = false;
banner.tex0 = "models/demo_model.tga";
SQ_SetMaterialInfo("demo_banner", banner);

::gAtlas <- "images/demo_atlas.tga";
::gModel <- CSqMeshModel();
gModel.SetPos(900, 400, 0);
print("released handles: model loaded " + gModel.LoadBin("models/demo_model.bin", true, true) + "\n");
::gBanner <- gModel.GetMaterial("demo_banner");
print("released handles: banner " + (gBanner != null) + "\n");

::gMaterial <- CSqMaterial();
gMaterial.SetShaderType(1);
gMaterial.SetTexture(0, gAtlas, false);
::gSprite <- CSqSprite();
gSprite.Set(64, 64, 0, 0, gAtlas);
gSprite.SetMaterial(gMaterial);
gSprite.SetPos(100, 100, 0);
// A second sprite drawn through the model's material once it is released.
::gBannerSprite <- CSqSprite();
gBannerSprite.Set(64, 64, 0, 0, gAtlas);
gBannerSprite.SetPos(300, 100, 0);

::gFrame <- 0;

function SQUpdate() {
    gFrame++;
    if (gFrame == 5) {
        gModel.ReleaseResource();
        SQ_ReleaseTexture(gAtlas);
        gBannerSprite.SetMaterial(gBanner);
        print("released handles: released\n");
    }
    if (gFrame > 5 && gFrame < 20) {
        gBanner.SetTexOffset(gFrame * 0.01, 0.0);
        gBanner.SetTextureFilter(0, 1, 1);
        gBanner.SetTextureWrapMode(0, 1);
        gBanner.SetYuragiParam(1.0, 2.0, 3.0);
        gBanner.GetName();
        gBannerSprite.Draw(3);
    }
    if (gModel != null) {
        gModel.Draw(2);
    }
    if (gSprite != null) {
        gSprite.SetColor(255, 255, 255, 255);
        gSprite.Draw(3);
    }
    if (gFrame == 20) {
        // Let go in the order that leaves a freed holder behind last.
        ::gModel <- null;
        ::gMaterial <- null;
        ::gBanner <- null;
    }
    if (gFrame == 24) {
        ::gSprite <- null;
        ::gBannerSprite <- null;
        print("released handles: done\n");
    }
}
