// A fixed sequence of scenes, each held for kSceneFrames frames, with one
// screenshot "frame_<scene>.bmp" taken late in each scene (the window shows
// a frame composed a little earlier, so a scene that holds still is what is
// read whatever the exact delay). The same run is made with the renderer's
// skips on and off; the pictures must match byte for byte.
const kSceneFrames = 10;
const kShotAt = 8;

::gIdentity <- Matrix();
::gPlace <- Matrix();
::gWhite <- Color().Set(255, 255, 255, 255);
::gRed <- Color().Set(230, 40, 40, 255);
::gGreen <- Color().Set(40, 220, 60, 200);
::gBlue <- Color().Set(60, 90, 255, 128);
::gMaterial <- CSqMaterial();
gMaterial.SetShaderType(1);
gMaterial.SetTexture(0, "images/demo_atlas.tga", false);
::gText <- CSqFont();
gText.LoadFont("font/velmofont.fnt");
gText.SetText("Render frames: the same picture with and without skips");
gText.SetPos(40, 500, 0);

function V3(x, y, z) {
    return Vector3().Set(x, y, z);
}

function Sprite(x, y, w, h, cell, colour, layer) {
    gPlace.ResetMatrix();
    gPlace.TransrateMatrix(x, y, 0.0);
    SQ_AppendSprite2(gPlace, w, h, (cell % 2) * 32, ((cell / 2) % 2) * 32, 32, 32, colour,
                     gMaterial, layer);
}

function FillRect(x, y, w, h, colour, layer) {
    local a = V3(x, y, 0), b = V3(x + w, y, 0), c = V3(x + w, y + h, 0), d = V3(x, y + h, 0);
    SQ_AppendPrim(gIdentity, a, b, c, colour, colour, colour, layer, null);
    SQ_AppendPrim(gIdentity, a, c, d, colour, colour, colour, layer, null);
}

// Sprites and shapes on flat layers below and above the field.
function DrawLayers() {
    FillRect(100, 100, 300, 200, gRed, 1);
    Sprite(150, 150, 96.0, 96.0, 0, gWhite, 3);
    Sprite(300, 180, 64.0, 64.0, 1, gGreen, 9);
    FillRect(350, 250, 200, 120, gBlue, 15);
    Sprite(500, 300, 128.0, 128.0, 2, gBlue, 19);
}

function DrawText() {
    SQ_DebugPrint(16, 16, "debug text over the frame 0123456789", gWhite);
    SQ_DmgPrint(600, 400, "98765", gWhite);
    gText.Draw(3);
}

// Two triangles crossing in depth on the perspective field layer.
function DrawPerspective() {
    SQ_SetCamera(V3(0, -2, -12), V3(0, 0, 0), V3(0, -1, 0), 4);
    SQ_AppendPrim(gIdentity, V3(-4, -2, 0), V3(4, -2, 2), V3(0, 3, 1), gRed, gGreen, gBlue, 4,
                  null);
    SQ_AppendPrim(gIdentity, V3(-4, 2, 2), V3(4, 2, 0), V3(0, -3, 1), gBlue, gWhite, gRed, 4,
                  null);
    FillRect(900, 100, 200, 200, gGreen, 6);
}

function StartScene(scene) {
    switch (scene) {
    case 4:
        SQ_EnableYuragi();
        SQ_EnableShadowGaus();
        SQ_SetDisplayScale(0.75, 0.75);
        SQ_SetDisplayOfs(80.0, 40.0);
        break;
    case 5:
        SQ_DisableYuragi();
        SQ_DisableShadowGaus();
        SQ_SetDisplayScale(1.0, 1.0);
        SQ_SetDisplayOfs(0.0, 0.0);
        SQ_SetFrameBufferColor(0, 255, 128, 64, 200);
        break;
    case 6:
        SQ_SetFrameBufferColor(0, 255, 255, 255, 255);
        break;
    }
}

function DrawScene(scene) {
    switch (scene) {
    case 1: DrawLayers(); break;
    case 2: DrawText(); break;
    case 3: DrawPerspective(); break;
    case 4: DrawLayers(); DrawText(); break;
    case 5: DrawLayers(); break;
    case 6:
        // Script clears between frames: the next frame's own clears must
        // still happen.
        SQ_ClearTargetFrameBuffer(10, Color().Set(200, 0, 0, 255));
        SQ_ClearTargetFrameBuffer(11, Color().Set(0, 0, 200, 128));
        SQ_ClearTargetFrameBuffer(0, Color().Set(0, 90, 0, 255));
        Sprite(700, 200, 64.0, 64.0, 3, gWhite, 1);
        break;
    }
}

function SQUpdate() {
    ::gFrame++;
    local scene = (gFrame - 1) / kSceneFrames;
    local inScene = (gFrame - 1) % kSceneFrames + 1;
    if (inScene == 1) {
        StartScene(scene);
    }
    DrawScene(scene);
    if (inScene == kShotAt) {
        SQ_ScreenShot("frame_" + scene + ".bmp", 1280, 720, 0, 0);
        print("render frames: shot of scene " + scene + " at frame " + gFrame + "\n");
    }
}
