// gSpriteCount textured 32x32 sprites (cells of the demo's atlas through a
// script material) on layer 3, each moved by its own velocity and bounced at
// the 1280x720 edges, appended through SQ_AppendSprite2 every frame. The
// start places and velocities follow from the index alone, so every run
// draws the same frames.
::gMaterial <- CSqMaterial();
gMaterial.SetShaderType(1);
gMaterial.SetTexture(0, "images/demo_atlas.tga", false);
::gX <- array(gSpriteCount);
::gY <- array(gSpriteCount);
::gVX <- array(gSpriteCount);
::gVY <- array(gSpriteCount);
::gM <- Matrix();
::gTint <- Color().Set(255, 255, 255, 255);
for (local i = 0; i < gSpriteCount; ++i) {
    gX[i] = (i * 37) % 1248;
    gY[i] = (i * 53) % 688;
    gVX[i] = 1 + i % 5;
    gVY[i] = 1 + i % 3;
    if (i % 2 == 1) gVX[i] = -gVX[i];
}

function SQUpdate() {
    for (local i = 0; i < gSpriteCount; ++i) {
        local x = gX[i] + gVX[i];
        if (x < 0 || x > 1248) {
            gVX[i] = -gVX[i];
            x = gX[i] + gVX[i];
        }
        local y = gY[i] + gVY[i];
        if (y < 0 || y > 688) {
            gVY[i] = -gVY[i];
            y = gY[i] + gVY[i];
        }
        gX[i] = x;
        gY[i] = y;
        gM.ResetMatrix();
        gM.TransrateMatrix(x.tofloat(), y.tofloat(), 0.0);
        SQ_AppendSprite2(gM, 32.0, 32.0, (i % 2) * 32, ((i / 2) % 2) * 32, 32, 32, gTint,
                         gMaterial, 3);
    }
}
