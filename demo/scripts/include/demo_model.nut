// The demo's model: read in the background from models/demo_model.bin
// (written by model_writer at build time) and polled once a frame until it
// is in; then its banner swings by the skin animation "wave", its marker
// spins by the mesh animation "spin", and a walker sweeping across it takes
// its height from the model's ground plate. Everything sits on layer 2, to
// the right of the screen, with the model's origin at (900, 400).
::gDemoModel <- null;
::gDemoModelReady <- false;

function SetDemoModelMaterials() {
    local flat = SqMaterialInfo();
    flat.shaderType = 5;
    flat.alphablend = false;
    SQ_SetMaterialInfo("demo_ground", flat);
    SQ_SetMaterialInfo("demo_marker", flat);
    // The skinning program lights a texture; the banner has a striped one.
    local banner = SqMaterialInfo();
    banner.shaderType = 8;
    banner.alphablend = false;
    banner.tex0 = "models/demo_model.tga";
    SQ_SetMaterialInfo("demo_banner", banner);
}

function StartDemoModel() {
    SetDemoModelMaterials();
    ::gDemoModel = CSqMeshModel();
    gDemoModel.SetPos(900, 400, 0);
    DemoLog("model: load request " + gDemoModel.LoadBinAsync("models/demo_model.bin", true, true));
}

// The walker's x in the model's space: -300 to 300 and back every 240 frames.
function DemoWalkerX(frame) {
    local t = frame % 240;
    return t < 120 ? -300 + t * 5 : 300 - (t - 120) * 5;
}

function DrawDemoModel(frame) {
    if (gDemoModel == null) {
        StartDemoModel();
    }
    if (!gDemoModelReady) {
        if (!gDemoModel.UpdateLoadBinAsync()) return;
        ::gDemoModelReady = true;
        gDemoModel.SetLoop(true);
        gDemoModel.PlaySkinAnim("wave");
        gDemoModel.PlayMeshAnim("spin");
        DemoLog("model: loaded by frame " + frame);
    }
    gDemoModel.Update();
    // Off the plate the ground query answers -500 and the walker drops.
    local x = DemoWalkerX(frame);
    local h = gDemoModel.GetGroundHight(x, 50, 0);
    local onGround = h > -500;
    local y = onGround ? 400 + h : 440;
    FillRect(900 + x - 4, y - 8, 8, 8, onGround ? gGreen : gRed, 2);
    if (frame % 60 == 0) {
        DemoLog("model: ground under x " + x + " is " + h);
    }
    gDemoModel.Draw(2);
}
