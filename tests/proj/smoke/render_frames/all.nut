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

// One atlas material per blend mode 0-5, and one with alpha blending off.
::gBlendMaterials <- [];
for (local mode = 0; mode <= 6; mode++) {
    local m = clone gMaterial;
    if (mode == 6) {
        m.DisableAlphaBlend();
    } else {
        m.EnableAlphaBlend();
        m.SetBlendMode(mode);
    }
    gBlendMaterials.append(m);
}
// Faint alphas around the composition's rounding (an alpha byte of 11 or
// less squares to 0), a half and opaque.
::gFaint <- [1, 2, 3, 5, 7, 8, 10, 11, 12, 13, 16, 24, 127, 128, 255];

function V3(x, y, z) {
    return Vector3().Set(x, y, z);
}

function Sprite(x, y, w, h, cell, colour, layer) {
    gPlace.ResetMatrix();
    gPlace.TransrateMatrix(x, y, 0.0);
    SQ_AppendSprite2(gPlace, w, h, (cell % 2) * 32, ((cell / 2) % 2) * 32, 32, 32, colour,
                     gMaterial, layer);
}

function BlendSprite(x, y, w, h, cell, colour, material, layer) {
    gPlace.ResetMatrix();
    gPlace.TransrateMatrix(x, y, 0.0);
    SQ_AppendSprite2(gPlace, w, h, (cell % 2) * 32, ((cell / 2) % 2) * 32, 32, 32, colour, material,
                     layer);
}

// A row per blend material: sprites tinted with every faint alpha, each
// half over a sprite of the next alpha drawn with the next material, and
// faint flat rectangles over the whole.
function DrawFaint() {
    for (local row = 0; row < gBlendMaterials.len(); row++) {
        for (local col = 0; col < gFaint.len(); col++) {
            local x = 30 + col * 82, y = 30 + row * 96;
            local under = Color().Set(250, 180, 40, gFaint[(col + 1) % gFaint.len()]);
            local over = Color().Set(255, 255, 255 - col * 9, gFaint[col]);
            BlendSprite(x + 24, y + 20, 56.0, 56.0, col + 1,
                        under, gBlendMaterials[(row + 1) % gBlendMaterials.len()], 3);
            BlendSprite(x, y, 64.0, 64.0, col, over, gBlendMaterials[row], 9);
        }
    }
    for (local col = 0; col < gFaint.len(); col++) {
        local c = Color().Set(40 + col * 13, 255, 120, gFaint[col]);
        FillRect(30 + col * 82, 690, 80, 24, c, 15);
    }
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
    case 8:
        // The composition's own tint makes every alpha faint.
        SQ_SetFrameBufferColor(0, 255, 255, 255, 14);
        break;
    case 9:
        SQ_SetFrameBufferColor(0, 200, 120, 255, 130);
        break;
    case 10:
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
    case 7:
    case 8:
    case 9:
        DrawFaint();
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
