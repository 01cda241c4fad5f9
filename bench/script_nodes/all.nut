// The script-node benchmark, the way a game would write it: 10,000 textured
// 32 x 32 sprites whose positions live in script arrays, moved and bounced
// at the 1280 x 720 edges every frame, and 2,000 glyphs of bitmap-font text
// in four text nodes. The first line (added by bench_script_nodes.sh) sets
// gBenchMode: "batch" draws everything through one sprite buffer, "append"
// draws the sprites with SQ_AppendSprite2 and the texts on their own.
const kSprites = 10000;
const kTexts = 4;
const kLayer = 3;
const kAtlas = "images/demo_atlas.tga";

::gMaterial <- CSqMaterial();
gMaterial.SetShaderType(1);
gMaterial.SetTexture(0, kAtlas, false);
::gWhite <- Color();
::gPlace <- Matrix();

::gRandom <- QzRandom();
gRandom.SetSeed(1234);
::gX <- array(kSprites, 0.0);
::gY <- array(kSprites, 0.0);
::gVX <- array(kSprites, 0.0);
::gVY <- array(kSprites, 0.0);
for (local i = 0; i < kSprites; i++) {
    gX[i] = gRandom.RangeFloat(0.0, 1248.0);
    gY[i] = gRandom.RangeFloat(0.0, 688.0);
    gVX[i] = gRandom.RangeFloat(-4.0, 4.0);
    gVY[i] = gRandom.RangeFloat(-4.0, 4.0);
}

::gBuffer <- CSqSpriteBuffer();
// Every sprite, and 500 glyphs (six vertices each, like a sprite) per text.
gBuffer.Create(kSprites + kTexts * 500 + 1);
::gSprites <- [];
if (gBenchMode == "batch") {
    for (local i = 0; i < kSprites; i++) {
        local s = CSqSprite();
        s.Set(32, 32, (i % 2) * 32, ((i / 2) % 2) * 32, kAtlas);
        s.SetMaterial(gMaterial);
        gSprites.append(s);
        gBuffer.PushBack(s);
    }
}

// Ten lines of fifty characters each (the layout takes at most 1023 UTF-16
// units a call, so 2,000 glyphs need several nodes).
local line = "";
for (local c = 0; c < 50; c++) {
    line += ('A' + c % 26).tochar();
}
local block = line;
for (local l = 1; l < 10; l++) {
    block += "\\r\\n" + line;
}
::gTexts <- [];
for (local t = 0; t < kTexts; t++) {
    local text = CSqFont();
    text.LoadFont("font/velmofont.fnt");
    text.SetText(block);
    text.SetPos(20 + (t % 2) * 640, 60 + (t / 2) * 340, 0);
    text.SetScale(0.5, 0.5, 1);
    gTexts.append(text);
    if (gBenchMode == "batch") {
        gBuffer.PushBack(text);
    }
}
print("bench: mode " + gBenchMode + ", " + kSprites + " sprites, " + kTexts + " texts\n");

function Move(i) {
    local x = gX[i] + gVX[i], y = gY[i] + gVY[i];
    if (x < 0.0 || x > 1248.0) {
        gVX[i] = -gVX[i];
        x = gX[i];
    }
    if (y < 0.0 || y > 688.0) {
        gVY[i] = -gVY[i];
        y = gY[i];
    }
    gX[i] = x;
    gY[i] = y;
}

function SQUpdate() {
    if (gBenchMode == "batch") {
        for (local i = 0; i < kSprites; i++) {
            Move(i);
            gSprites[i].SetPos(gX[i], gY[i], 0);
        }
        gBuffer.Draw(kLayer);
        return;
    }
    for (local i = 0; i < kSprites; i++) {
        Move(i);
        gPlace.ResetMatrix();
        gPlace.TransrateMatrix(gX[i], gY[i], 0);
        SQ_AppendSprite2(gPlace, 32.0, 32.0, (i % 2) * 32, ((i / 2) % 2) * 32, 32, 32, gWhite,
                         gMaterial, kLayer);
    }
    foreach (text in gTexts) {
        text.Draw(kLayer);
    }
}
